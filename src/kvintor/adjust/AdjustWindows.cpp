#include "AdjustWindows.h"

#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>

namespace kvintor {

AdjustmentWindow* makeAdjustmentWindow(int menuIndex, Program& program, InitTest& main) {
    switch (menuIndex) {
    case rfTemper::kMenuIndex:
        return new rfTemper(program, main);
    case rfObor::kMenuIndex:
        return new rfObor(program, main);
    case rfUOZ::kMenuIndex:
        return new rfUOZ(program, main);
    case rfRegRDV::kMenuIndex:
        return new rfRegRDV(program, main);
    case rfSostSm::kMenuIndex:
        return new rfSostSm(program, main);
    case rfUgollVpryska::kMenuIndex:
        return new rfUgollVpryska(program, main);
    case rfCoeff12::kMenuIndex:
        return new rfCoeff12(program, main);
    case rfTempVozd::kMenuIndex:
        return new rfTempVozd(program, main);
    case rfCoefCO::kMenuIndex:
        return new rfCoefCO(program, main);
    default:
        return nullptr;
    }
}

AdjustmentMenu::AdjustmentMenu(Program& program, InitTest& main)
    : QObject(&main), p_(program), main_(main) {
    setObjectName(QStringLiteral("AdjustmentMenu"));
    for (int i = 0; i < adjust::kWindows; ++i) {
        main_.adjustmentWindows[static_cast<std::size_t>(i)] = [this, i](bool ticked) {
            if (ticked)
                open(i);
            else
                close(i);
        };
    }
}

AdjustmentWindow* AdjustmentMenu::window(int menuIndex) const {
    if (menuIndex < 0 || menuIndex >= adjust::kWindows) return nullptr;
    AdjustmentWindow* w = windows_[static_cast<std::size_t>(menuIndex)];
    return w && !w->isClosing() ? w : nullptr;
}

void AdjustmentMenu::open(int menuIndex) {
    if (menuIndex < 0 || menuIndex >= adjust::kWindows) return;
    // Only one window talks to the ECU: the main window stops polling until
    // it is active again.
    main_.stopTimers();
    AdjustmentWindow* w = window(menuIndex);
    if (!w) {
        w = makeAdjustmentWindow(menuIndex, p_, main_);
        windows_[static_cast<std::size_t>(menuIndex)] = w;
        connect(w, &AdjustmentWindow::applied, &p_.feed, &VisitFeed::adjustmentApplied);
    }
    main_.Reg[static_cast<std::size_t>(menuIndex)]->setChecked(true);
    w->show();
    w->activateWindow();
}

void AdjustmentMenu::close(int menuIndex) {
    if (AdjustmentWindow* w = window(menuIndex)) w->close();
    if (menuIndex >= 0 && menuIndex < adjust::kWindows)
        main_.Reg[static_cast<std::size_t>(menuIndex)]->setChecked(false);
}

void installAdjustWindows(Program& program) {
    program.whenMainWindowBuilt.push_back(
        [&program](InitTest& main) { new AdjustmentMenu(program, main); });
}

} // namespace kvintor
