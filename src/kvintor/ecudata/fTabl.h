#pragma once
// The fuel-supply adaptation tables window: shows one of the ECU's four
// learned correction tables as a 16 x 16 grid and resets each of them.
#include "WindowParts.h"

#include <array>

class QPushButton;

namespace kvintor {

class Program;

class fTabl : public ecudata::ActivatedDialog {
    Q_OBJECT
  public:
    static constexpr int kResetSettleMs = 800;

    fTabl(Program& program, QWidget* owner);

    ecudata::MarkedList* ListView1; // the grid: "B/F", "0".."15"
    // Command1, 3, 5, 7 read tables 1..4; Command2, 4, 6, 8 reset them.
    std::array<QPushButton*, 9> Command{}; // index = the button's number

    // The first activation shows table 1.
    void activated() override;
    // t = 1..4.
    void ShowAdaptTable(int t);
    void ResetAdaptTable(int t);
    // The table the grid shows (0 before any).
    int shownTable() const { return shown_; }

  signals:
    // Table t (1..4) is shown from this reply.
    void tableShown(int t, const std::vector<int>& reply);

  private:
    Program& p_;
    bool shownOnce_ = false;
    int shown_ = 0;
};

} // namespace kvintor
