#pragma once
// The idle acceleration test "Тест разгона на холостом ходу": the ECU is
// told that the coolant is cold and to hold the idle-air valve wide open, so
// an idling injection engine speeds up with the throttle closed; the window
// plots the speed and reports the average injection pulse width.
#include "EngineTestWindow.h"
#include "OverrideHold.h"

#include <utility>
#include <vector>

class QLabel;
class QProgressBar;

namespace kvintor {

class tfUskorXX : public EngineTestWindow {
    Q_OBJECT
  public:
    static constexpr int kPlotWidth = 740;
    static constexpr int kPlotHeight = 424;
    // One plot column is this much real time (the scale's 0.1 s marks).
    static constexpr int kColumnMs = 100;
    static constexpr int kSettlePolls = 26;
    // Override mask A bits: coolant held (variable 0x1A), valve held (0x5B).
    static constexpr std::uint8_t kCoolantBit = 0x80;
    static constexpr std::uint8_t kValveBit = 0x20;

    tfUskorXX(Program& program, QWidget* parent);

    QProgressBar* ProgressBar1;
    QLabel* Label5;                  // "Длит. импульса впрыка (Ms) ="
    QLabel* Label6;                  // the average pulse width
    QLabel* Label3;                  // coolant temperature
    QLabel* Label4;                  // idle speed
    std::array<QLabel*, 2> Label7{}; // bars

    // Runs whenever the window becomes active from another window.
    void activated();
    void startClicked(); // Command1
    void stopClicked();  // Command2
    // The bits this window holds in the program's copy of mask A.
    const OverrideHold& hold() const { return hold_; }

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeRefused() override;
    void unloading() override;

  private:
    // True when the ECU is no engine for this test (message shown).
    bool refused();
    // The throttle opened or the engine stopped while the override is
    // prepared or in force: released first, then the hint.
    void releaseAndHint(int hint);
    void endRun(); // every way out once the bits are taken
    // After an exchange of the run: true when it failed or was refused; the
    // override is given back first, then the message, then the end.
    bool runFailed(int checkStatus);
    // The bits this window took go back; a hold of another window that the
    // run wrote over gets its own value back.
    void giveBack();

    OverrideHold hold_;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> heldByOthers_;
    bool overwritten_ = false; // the run's set-points went to the ECU
    bool activatedOnce_ = false;
    bool activating_ = false;
};

} // namespace kvintor
