#pragma once
// The mechanical losses test "Тест механических потерь": the mechanic revs
// the engine past a start speed and lets go of the throttle at "OK"; the
// window plots how the speed runs down from the start speed, yellow while
// the ECU injects fuel and pale while it has cut the fuel. It only reads.
#include "EngineTestWindow.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;

namespace kvintor {

class tfTorm : public EngineTestWindow {
    Q_OBJECT
  public:
    static constexpr int kPlotWidth = 645;
    static constexpr int kPlotHeight = 341;
    // One plot column is this much real time (the scale's marks).
    static constexpr int kColumnMs = 200;

    tfTorm(Program& program, QWidget* parent);

    QComboBox* Combo1; // start speed
    QLabel* Label6;    // "Начальные обороты"
    QGroupBox* Frame3; // the "OK" signal
    QFrame* Shape1;
    QLabel* Label5;                  // "OK"
    QLabel* Label3;                  // coolant temperature
    QLabel* Label4;                  // idle speed
    std::array<QLabel*, 2> Label7{}; // bars

    void startClicked(); // Command1
    void stopClicked();  // Command2
    bool inputsValid() const { return inputsValid_; }

  protected:
    void unloading() override;

  private:
    void drawGrid();
    bool readSpeedCode(int& code); // 0x61 0x29; false on a failure or code 0
    void abort();                  // the link's message, or hint 1
    void finish();

    bool inputsValid_ = false;
};

} // namespace kvintor
