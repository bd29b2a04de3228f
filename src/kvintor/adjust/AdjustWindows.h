#pragma once
// The nine adjustment windows under their own names, each a table entry on
// the shared window, and their place in the main window's "Регулировки"
// menu: a ticked item opens its window, an unticked one closes it, and a
// window that closes by any way unticks its item.
#include "AdjustmentWindow.h"

#include <QObject>
#include <QPointer>

namespace kvintor {

class rfTemper : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 0;
    rfTemper(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(0)) {}
};

class rfObor : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 1;
    rfObor(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(1)) {}
};

class rfUOZ : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 2;
    rfUOZ(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(2)) {}
};

class rfRegRDV : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 3;
    rfRegRDV(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(3)) {}
};

class rfSostSm : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 4;
    rfSostSm(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(4)) {}
};

class rfUgollVpryska : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 5;
    rfUgollVpryska(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(5)) {}
};

class rfCoeff12 : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 6;
    rfCoeff12(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(6)) {}
};

class rfTempVozd : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 7;
    rfTempVozd(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(7)) {}
};

class rfCoefCO : public AdjustmentWindow {
    Q_OBJECT
  public:
    static constexpr int kMenuIndex = 8;
    rfCoefCO(Program& program, InitTest& main)
        : AdjustmentWindow(program, main, adjust::windowEntry(8)) {}
};

// A new window for a "Регулировки" item (0..8).
AdjustmentWindow* makeAdjustmentWindow(int menuIndex, Program& program, InitTest& main);

// Opens and closes the windows for the menu items; lives as long as the
// main window.
class AdjustmentMenu : public QObject {
    Q_OBJECT
  public:
    AdjustmentMenu(Program& program, InitTest& main);

    void open(int menuIndex);
    void close(int menuIndex);
    // The open window of an item, if any.
    AdjustmentWindow* window(int menuIndex) const;

  private:
    Program& p_;
    InitTest& main_;
    std::array<QPointer<AdjustmentWindow>, adjust::kWindows> windows_;
};

// Hooks the adjustment windows into the main window when it is built.
void installAdjustWindows(Program& program);

} // namespace kvintor
