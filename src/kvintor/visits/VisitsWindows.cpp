#include "VisitsWindows.h"

#include "JournalSettings.h"
#include "VisitJournal.h"
#include "common/Dialogs.h"
#include "fJournal.h"
#include "main/InitTest.h"
#include "main/Program.h"
#include "main/fNastr.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

namespace kvintor {

namespace {
// The journal and what it needs, for the program's whole run.
struct Kept {
    std::unique_ptr<visits::PasswordKeeper> keeper;
    std::unique_ptr<visits::VisitJournal> journal;
    QPointer<visits::fJournal> window;
};
} // namespace

visits::VisitJournal& installVisitsWindows(Program& program,
                                           std::unique_ptr<visits::PasswordKeeper> keeper) {
    auto kept = std::make_shared<Kept>();
    kept->keeper = keeper ? std::move(keeper) : visits::desktopPasswordKeeper();
    kept->journal = std::make_unique<visits::VisitJournal>(program, *kept->keeper);
    visits::VisitJournal& journal = *kept->journal;
    journal.askPassword = [&program](const QString& prompt) -> std::optional<QString> {
        bool ok = false;
        const QString typed = QInputDialog::getText(program.mainWindow(), program.state.AppTitle,
                                                    prompt, QLineEdit::Password, QString(), &ok);
        if (!ok) return std::nullopt;
        return typed;
    };
    program.whenSettingsBuilt.push_back([&program, kept](fNastr& window) {
        visits::addJournalFrames(window, program, *kept->journal);
    });
    program.whenMainWindowBuilt.push_back([&program, kept](InitTest& main) {
        // Kept from the start: the first identification opens a visit.
        kept->journal->open();
        QAction* item = main.DopIndMenu->addAction(QStringLiteral("Журнал автомобилей"));
        item->setObjectName(QStringLiteral("DopInd(6)"));
        QObject::connect(item, &QAction::triggered, &main, [&program, &main, kept] {
            visits::VisitJournal& j = *kept->journal;
            if (!j.store().isOpen()) {
                program.dialogs.message(QStringLiteral("Журнал автомобилей недоступен.") +
                                            QStringLiteral("\r\n") + QStringLiteral("База: ") +
                                            j.where() + QStringLiteral("\r\n") +
                                            QStringLiteral("Причина: ") + j.store().error(),
                                        program.state.AppTitle, common::Icon::Information);
                return;
            }
            if (!kept->window) kept->window = new visits::fJournal(program, j, &main);
            kept->window->show();
            kept->window->raise();
            kept->window->activateWindow();
        });
    });
    // The journal goes with the program's last hook.
    return journal;
}

} // namespace kvintor
