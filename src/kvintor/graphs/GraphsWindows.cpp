#include "GraphsWindows.h"

#include "fGraphik.h"
#include "fOscll.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>

namespace kvintor {

void installGraphsWindows(Program& program, StreamPortFactory streams) {
    program.whenMainWindowBuilt.push_back([&program, streams](InitTest& main) {
        // "Графический": modeless, in place of the main window until it closes.
        QObject::connect(main.Dnn[0], &QAction::triggered, &main, [&program, &main] {
            main.stopTimers();
            // The main window is hidden while it is open: one at a time.
            auto* window = new fGraphik(program, &main);
            QObject::connect(window, &fGraphik::csvSaved, &program.feed, [&program](const QString& path) {
                emit program.feed.fileSaved(QStringLiteral("График"), path);
            });
            window->show();
            window->activateWindow();
            main.hide();
        });
        // "Осциллографический": modal, owned by the main window.
        QObject::connect(main.Dnn[1], &QAction::triggered, &main, [&program, &main, streams] {
            main.stopTimers();
            fOscll window(program, streams, &main);
            program.execModal(window);
        });
    });
}

} // namespace kvintor
