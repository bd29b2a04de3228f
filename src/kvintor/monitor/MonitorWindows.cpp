#include "MonitorWindows.h"

#include "LiveRecorder.h"
#include "fMonitor.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace kvintor {

void installMonitorWindows(Program& program) {
    program.whenMainWindowBuilt.push_back([&program](InitTest& main) {
        // After the menu's own items, whose numbers stay as they are.
        main.DopIndMenu->addSeparator();
        QAction* record = main.DopIndMenu->addAction(QStringLiteral("Запись параметров в файл..."));
        record->setObjectName(QStringLiteral("DopInd(4)"));
        QAction* monitor = main.DopIndMenu->addAction(QStringLiteral("Монитор линии"));
        monitor->setObjectName(QStringLiteral("DopInd(5)"));

        auto* recorder = new LiveRecorder(program, main, record);
        recorder->setObjectName(QStringLiteral("LiveRecorder"));
        QObject::connect(recorder, &LiveRecorder::started, &program.feed, [&program](const QString& path) {
            emit program.feed.fileSaved(QStringLiteral("Запись параметров"), path);
        });

        // One monitor at a time; it shows the exchanges the program keeps and
        // never talks to the ECU, so the panel goes on polling under it.
        auto window = std::make_shared<QPointer<fMonitor>>();
        QObject::connect(monitor, &QAction::triggered, &main, [&program, &main, window] {
            if (!*window) {
                *window = new fMonitor(program, &main);
                QObject::connect(*window, &fMonitor::saved, &program.feed, [&program](const QString& path) {
                    emit program.feed.fileSaved(QStringLiteral("Обмен с ЭБУ"), path);
                });
            }
            (*window)->show();
            (*window)->raise();
            (*window)->activateWindow();
        });
    });
}

} // namespace kvintor
