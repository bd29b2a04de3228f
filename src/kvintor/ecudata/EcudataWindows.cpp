#include "EcudataWindows.h"

#include "fKomplekt.h"
#include "fPostErr.h"
#include "fTabl.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>

namespace kvintor {

void installEcudataWindows(Program& program) {
    program.whenMainWindowBuilt.push_back([&program](InitTest& main) {
        InitTest* owner = &main;
        // The passport and the tables share the link with the main window's
        // polling; the fault list polls on its own, so the main window's
        // polling stops first.
        // Only one window talks to the ECU at a time: the main window's
        // polling stops, and its activation starts it again afterwards.
        QObject::connect(main.mEbu.at(0), &QAction::triggered, owner, [&program, owner] {
            owner->stopTimers();
            fKomplekt window(program, owner);
            program.execModal(window);
        });
        QObject::connect(main.mEbu.at(1), &QAction::triggered, owner, [&program, owner] {
            owner->stopTimers();
            fTabl window(program, owner);
            QObject::connect(&window, &fTabl::tableShown, &program.feed,
                             &VisitFeed::adaptTableShown);
            program.execModal(window);
        });
        QObject::connect(main.mEbu.at(3), &QAction::triggered, owner, [&program, owner] {
            owner->stopTimers();
            fPostErr window(program, owner);
            QObject::connect(&window, &fPostErr::faultsShown, &program.feed,
                             &VisitFeed::faultsShown);
            program.execModal(window);
        });
    });
}

} // namespace kvintor
