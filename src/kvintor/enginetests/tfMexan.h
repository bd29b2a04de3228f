#pragma once
// "Исполнительные механизмы": switches the ECU's outputs (fault lamp,
// cooling fan, air conditioner, fuel pump, the four injectors) and runs the
// cylinder balance test: the ECU holds a chosen idle speed, the idle-air
// valve is frozen, each injector in turn is cut out and the average speed
// without that cylinder is shown. A weak cylinder shows a small drop.
//
// Both drive ECU outputs directly: the window keeps the actuator state it
// found and writes it back on every way out.
#include "Actuators.h"
#include "EngineTestWindow.h"

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;

namespace kvintor {

class tfMexan : public EngineTestWindow {
    Q_OBJECT
  public:
    // Polls of the balance test.
    static constexpr int kFreezePolls = 301;  // after the valve is frozen
    static constexpr int kSettlePolls = 101;  // after each cut-out
    static constexpr int kMeasurePolls = 201; // measured per cylinder
    static constexpr int kLowestSetSpeed = 1000;
    static constexpr int kHighestSetSpeed = 1500;
    static constexpr int kStopNoticeMs = 10000; // "Тест прерван!" stays this long
    // Override mask A bits: idle speed held at variable 0x2E, valve frozen.
    static constexpr std::uint8_t kIdleSpeedBit = 0x40;
    static constexpr std::uint8_t kValveBit = 0x20;
    // Back colour of the cylinder labels at rest.
    static QColor restColour() { return QColor(0xE0, 0xE0, 0xE0); }

    tfMexan(Program& program, QWidget* parent);

    QGroupBox* Frame4; // "Тест исполнительных механизмов"
    QGroupBox* Frame3; // "Форсунки"
    QGroupBox* Frame5; // "Баланс -тест"
    // Check1(1..4): lamp, fan, air conditioner, pump; (5..8): injectors.
    std::array<QCheckBox*, 9> Check1{};
    QComboBox* Combo1;
    std::array<QLabel*, 5> Label4{}; // 0 "Установка оборотов", 1..4 cylinders
    std::array<QLabel*, 5> Label9{}; // 1..4 results
    QLabel* Label3;                  // column header
    QLabel* Label5; // "Слишком низкие обороты  повтор теста!"
    QLabel* Label6; // "Тест прерван!"
    QProgressBar* ProgressBar1;
    QLabel* Label1; // live speed (hides the base's scale of the same name)
    QLabel* Label2; // live coolant temperature
    std::array<QLabel*, 2> Label7{};
    QTimer* Timer2;

    // The activation routine (also after Stop and at the end of a test).
    void activated();
    void startClicked(); // Command1: the balance test
    void stopClicked();  // Command2
    // What the window found in the ECU and gives back when it goes.
    const ActuatorState& saved() const { return saved_; }

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool testRunning() const override;
    void closeRefused() override;
    void unloading() override;

  private:
    // Done: on to the next step (or, before anything was written, nothing
    // more to do); End: the end step; Restart: a pass at a higher speed.
    enum class Outcome { Done, End, Restart };

    void buildActuators();
    void buildBalance();
    void boxClicked(int item);
    void combo1Clicked();
    // One pass of the balance test from its checks to the last cylinder;
    // Restart asks for another pass at a higher set speed.
    Outcome runOnce();
    // Reads speed, temperature, throttle; false when the exchange failed
    // (the link's message shown).
    bool poll();
    Outcome reachSetSpeed(double setSpeed);
    Outcome freezeAndSettle();
    Outcome testCylinder(int c);
    Outcome restartHigher();
    // Releases the idle-speed hold and the valve freeze with all injectors
    // on; the controls back, the live panel on.
    void endStep();
    bool sendEnd();
    // Writes the saved actuator state (no status check).
    void writeBack();
    void toggle(QLabel* label);
    void setRest(QLabel* label);
    void showFailure();
    double setSpeed() const;

    ActuatorState saved_;
    std::vector<int> sample_; // speed, temperature, throttle of the last poll
    bool taken_ = false;      // the running test has written to the ECU
    // The window has switched an actuator since it opened: later
    // activations no longer take what the ECU has as the state to give back.
    bool touched_ = false;
    bool activating_ = false;
    bool activatedOnce_ = false;
};

} // namespace kvintor
