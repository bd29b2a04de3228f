#include "ReferenceMenus.h"

#include "ReferenceWindow.h"
#include "fmAbout.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>
#include <QPointer>
#include <array>

namespace kvintor {

namespace {

// Shows a window that may already be open in front.
void bringForward(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

void installReferenceWindows(Program& program) {
    program.makeSplash = [&program]() -> std::unique_ptr<QWidget> {
        return std::make_unique<fmAbout>(program, nullptr, fmAbout::Use::Splash);
    };

    program.whenMainWindowBuilt.push_back([&program](InitTest& main) {
        // "О программе": non-modal, owned by the main window, one at a time.
        QObject::connect(main.DopInd[0], &QAction::triggered, &main,
                         [&program, &main, about = QPointer<fmAbout>()]() mutable {
                             main.stopTimers();
                             if (!about) {
                                 about = new fmAbout(program, &main, fmAbout::Use::Window);
                             }
                             bringForward(about);
                         });

        // "Проверка": one reference window per item, non-modal, one of each at a time.
        for (int i = 0; i < static_cast<int>(main.Dat.size()); ++i) {
            const ReferenceSheet* sheet = referenceSheet(QString::fromLatin1(checkMenuWindow(i)));
            QObject::connect(
                main.Dat[static_cast<std::size_t>(i)], &QAction::triggered, &main,
                [&program, &main, sheet, open = QPointer<ReferenceWindow>()]() mutable {
                    if (!open) {
                        open = new ReferenceWindow(*sheet, program.state.AppTitle, &main);
                        open->setAttribute(Qt::WA_DeleteOnClose);
                    }
                    bringForward(open);
                });
        }

        // "Типовые параметры": modal.
        QObject::connect(main.mEbu.at(5), &QAction::triggered, &main, [&program, &main] {
            fZnach window(program.state.AppTitle, &main);
            program.execModal(window);
        });
    });
}

} // namespace kvintor
