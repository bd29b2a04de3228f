#pragma once
// The acceleration test "Тест разгона": plots engine speed against time
// while the mechanic opens the throttle, from a chosen start speed up to a
// chosen end speed or a full plot. It only reads the ECU.
#include "EngineTestWindow.h"

class QComboBox;
class QLabel;

namespace kvintor {

class tfUskor : public EngineTestWindow {
    Q_OBJECT
  public:
    static constexpr int kPlotWidth = 421;
    static constexpr int kPlotHeight = 341;
    // One plot column is this much real time (the scale's marks).
    static constexpr int kColumnMs = 100;

    tfUskor(Program& program, QWidget* parent);

    QComboBox* Combo1;               // end speed
    QComboBox* Combo2;               // start speed
    QLabel* Label5;                  // "СТОП"
    QLabel* Label3;                  // coolant temperature
    QLabel* Label4;                  // idle speed
    std::array<QLabel*, 2> Label6{}; // bars

    void startClicked(); // Command1
    void stopClicked();  // Command2
    bool inputsValid() const { return inputsValid_; }

  protected:
    void unloading() override;

  private:
    // One speed sample (0x61 0x29): false when the exchange failed or the
    // engine stands (code 0).
    bool readSpeedCode(int& code);
    void finish();             // the controls back, the live panel on
    void linkOrEngineFailed(); // the link's message, or hint 1

    bool inputsValid_ = false;
};

} // namespace kvintor
