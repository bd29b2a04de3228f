#include "EngineTests.h"

#include "main/InitTest.h"
#include "main/Program.h"
#include "tfMexan.h"
#include "tfRegCrb.h"
#include "tfTorm.h"
#include "tfUskor.h"
#include "tfUskorXX.h"

#include <QAction>
#include <memory>

namespace kvintor {

namespace {
struct OpenWindows {
    QPointer<tfUskor> uskor;
    QPointer<tfUskorXX> uskorXX;
    QPointer<tfTorm> torm;
    QPointer<tfMexan> mexan;
    QPointer<tfRegCrb> regCrb;
};
} // namespace

void installEnginetestsWindows(Program& program) {
    program.whenMainWindowBuilt.push_back([&program](InitTest& main) {
        auto open = std::make_shared<OpenWindows>();
        QObject::connect(main.tst[0], &QAction::triggered, &main,
                         [&program, &main, open] { openTestWindow(program, main, open->mexan); });
        QObject::connect(main.tst[1], &QAction::triggered, &main,
                         [&program, &main, open] { openTestWindow(program, main, open->uskor); });
        QObject::connect(main.tst[2], &QAction::triggered, &main,
                         [&program, &main, open] { openTestWindow(program, main, open->uskorXX); });
        QObject::connect(main.tst[3], &QAction::triggered, &main,
                         [&program, &main, open] { openTestWindow(program, main, open->torm); });
        QObject::connect(main.tst[4], &QAction::triggered, &main,
                         [&program, &main, open] { openTestWindow(program, main, open->regCrb); });
    });
}

} // namespace kvintor
