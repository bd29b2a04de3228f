// The visit journal on the whole program and the simulated ECU, on SQLite
// and on a real PostgreSQL server: what a visit holds against what the
// windows showed, the customer's report (its PDF read back by pdftotext),
// two cars and one car twice, a journal that cannot be written, the
// settings window's part, the schema's version.
#include "AdaptTables.h"
#include "VisitReport.h"
#include "VisitsRig.h"
#include "adjust/AdjustmentWindow.h"
#include "fJournal.h"
#include "fPostErr.h"
#include "fTabl.h"
#include "main/ExitDialogue.h"
#include "main/fNastr.h"
#include "tfMexan.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

using namespace kvintor;
using visits::StoreConfig;

namespace {
struct Visits : VisitsRig {};
} // namespace

// ====================================================== one visit, all of it

TEST_P(Visits, AVisitHoldsWhatTheWindowsShowedAndTheReportSaysIt) {
    workshop();
    ASSERT_TRUE(start());
    identify();
    ASSERT_GT(journal->currentVisit(), 0) << "the identification opened the visit";

    // The stored faults, as the fault window listed them.
    const std::vector<visits::FaultSeen> listed = readFaults();
    ASSERT_EQ(listed.size(), 2u);

    // The adaptation tables, as the grid showed them.
    QByteArray table1(256, char(128));
    for (int i = 0; i < 256; ++i)
        table1[i] = char(118 + i % 21); // 118..138: leaner and richer cells
    rig.sim->ecu.setTable(73, table1);
    std::vector<std::pair<QString, QString>> gridRange; // min and max cell text per table
    rig.modal.push_back([&gridRange](QDialog& d) {
        auto& w = static_cast<fTabl&>(d);
        for (int t = 1; t <= 4; ++t) {
            w.ShowAdaptTable(t);
            QStringList cells;
            for (int r = 0; r < w.ListView1->topLevelItemCount(); ++r)
                for (int c = 1; c <= 16; ++c)
                    cells << w.ListView1->topLevelItem(r)->text(c);
            std::sort(cells.begin(), cells.end());
            gridRange.emplace_back(cells.front(), cells.back());
        }
    });
    rig.main().mEbu.at(1)->trigger();

    // The balance test.
    rig.program.state.EngineVariant = 62;
    rig.main().tst[0]->trigger();
    auto* mexan = rig.main().findChild<tfMexan*>();
    ASSERT_NE(mexan, nullptr);
    QCoreApplication::processEvents();
    mexan->Timer1->stop();
    mexan->Command1->click();
    std::vector<TestFigure> balance{
        {QStringLiteral("Установка оборотов"), mexan->Combo1->currentText()}};
    for (int c = 1; c <= 4; ++c)
        balance.push_back(
            {QStringLiteral("Обороты без цилиндра %1").arg(c), mexan->Label9[c]->text()});
    ASSERT_FALSE(balance[1].value.isEmpty()) << "the balance test ran to its end";
    mexan->close();

    // The ignition offset, put in force and stored at the exit.
    rig.main().Reg[2]->trigger();
    auto* uoz = rig.main().findChild<AdjustmentWindow*>(QStringLiteral("rfUOZ"));
    ASSERT_NE(uoz, nullptr);
    uoz->Slider1[0]->setValue(6);
    uoz->ApplySliderValue(0);
    const QString offsetShown = uoz->Label1[0]->text();
    rig.dialogs.answerNext(common::Answer::Yes);
    EXPECT_EQ(runExitDialogue(rig.program), ExitAnswer::Yes);

    // ---- the database holds exactly that
    auto store = reader();
    const auto visit = store->visit(journal->currentVisit());
    ASSERT_TRUE(visit);
    EXPECT_EQ(visit->opening.ecu.series, QStringLiteral("A123456789"));
    EXPECT_EQ(rig.main().Label10->text(),
              QStringLiteral("Двигатель - ") + visit->opening.ecu.engine);
    EXPECT_EQ(rig.main().Label1->text(), visit->opening.ecu.type);
    EXPECT_EQ(visit->opening.passport.size(), 7u) << "every passport field the ECU gave";
    EXPECT_EQ(visit->opening.passport[1], (visits::TextRow{QStringLiteral("Серийный номер ЭБУ:"),
                                                           QStringLiteral("A123456789")}));
    EXPECT_FALSE(visit->opening.identification.empty());
    ASSERT_EQ(visit->faultReads.size(), 1u);
    EXPECT_EQ(visit->faultReads[0].faults, listed);
    ASSERT_EQ(visit->tables.size(), 4u);
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(visit->tables[t].table, t + 1);
        EXPECT_EQ(ecudata::adaptCell(visit->tables[t].minimum), gridRange[t].first) << t;
        EXPECT_EQ(ecudata::adaptCell(visit->tables[t].maximum), gridRange[t].second) << t;
    }
    double sum = 0;
    for (char b : table1)
        sum += static_cast<unsigned char>(b) - 128;
    EXPECT_NEAR(visit->tables[0].meanDeviation, sum / 256, 1e-9);
    ASSERT_EQ(visit->tests.size(), 1u);
    EXPECT_EQ(visit->tests[0].title, QStringLiteral("Баланс цилиндров"));
    EXPECT_EQ(visit->tests[0].window, QStringLiteral("tfMexan"));
    ASSERT_EQ(visit->tests[0].figures.size(), balance.size());
    for (std::size_t i = 0; i < balance.size(); ++i) {
        EXPECT_EQ(visit->tests[0].figures[i].caption, balance[i].caption);
        EXPECT_EQ(visit->tests[0].figures[i].value, balance[i].value);
    }
    ASSERT_EQ(visit->adjustments.size(), 1u);
    EXPECT_EQ(visit->adjustments[0].variable, 40);
    EXPECT_EQ(visit->adjustments[0].value, offsetShown);
    EXPECT_TRUE(visit->adjustments[0].what.startsWith(QStringLiteral("УОЗ  (град. п.к.в.)")));
    EXPECT_TRUE(visit->adjustments[0].stored);

    // ---- the journal lists it; its report says what the windows showed
    visits::fJournal* w = openJournal();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Журнал автомобилей  Kvintor  (версия 2.4)"));
    ASSERT_EQ(w->List1->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = w->List1->topLevelItem(0);
    EXPECT_EQ(row->text(0), QStringLiteral("A123456789"));
    EXPECT_EQ(row->text(3), QStringLiteral("13, 24"));
    int printed = 0;
    QString printedText;
    w->print = [&](QTextDocument& d, QWidget*) {
        ++printed;
        printedText = oneSpaced(d.toPlainText());
    };
    const QString pdf = writeReport(w, QStringLiteral("report"));
    EXPECT_EQ(rig.dialogs.fileCaptions.back(), QStringLiteral("Отчёт для клиента"));
    EXPECT_EQ(rig.dialogs.fileFilters.back(), QStringLiteral("Документ PDF (*.pdf)"));
    const QString text = pdfText(pdf + QStringLiteral(".pdf"));
    for (const QString& expected :
         {QStringLiteral("Автосервис «Кварц»"), QStringLiteral("г. Тверь, ул. Заводская, 7"),
          QStringLiteral("Телефон: +7 4822 55-01-02"),
          QStringLiteral("Отчёт о диагностике автомобиля"), QStringLiteral("A123456789"),
          QStringLiteral("Баланс цилиндров")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
        EXPECT_TRUE(printedText.contains(expected)) << "printed: " << expected.toStdString();
    }
    for (const visits::FaultSeen& f : listed)
        EXPECT_TRUE(text.contains(oneSpaced(f.text))) << f.text.toStdString();
    for (const TestFigure& f : balance)
        EXPECT_TRUE(text.contains(f.caption + QLatin1Char(' ') + f.value))
            << f.caption.toStdString();
    EXPECT_TRUE(text.contains(oneSpaced(visit->adjustments[0].what) + QLatin1Char(' ') +
                              offsetShown + QStringLiteral(" да")));
    EXPECT_EQ(printed, 1) << "the print dialog follows the files";

    QFile html(pdf + QStringLiteral(".html"));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << "the HTML report beside the PDF";
    const QString page = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(page.contains(listed[0].text.toHtmlEscaped()));
    EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral("(src|href)=\"(?!data:)"))))
        << "nothing outside the file";
    EXPECT_TRUE(rig.dialogs.messages.size() == 1) << "only the exit question";
}

// ============================================= two cars; one car twice

TEST_P(Visits, ASecondCarsVisitShowsNothingOfTheFirstAndOneEcusHistorySpansItsVisits) {
    ASSERT_TRUE(start());
    identify();
    readFaults();
    const qint64 first = journal->currentVisit();

    // The link drops and the same ECU is found again: the same visit.
    identify();
    EXPECT_EQ(journal->currentVisit(), first);

    // Another car on the line.
    stageCar(QStringLiteral("B987654321"), {{53, true}});
    identify();
    const qint64 second = journal->currentVisit();
    ASSERT_NE(second, first);
    readFaults();

    auto store = reader();
    const auto b = store->visit(second);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->opening.ecu.series, QStringLiteral("B987654321"));
    ASSERT_EQ(b->faultReads.size(), 1u);
    ASSERT_EQ(b->faultReads[0].faults.size(), 1u);
    EXPECT_EQ(b->faultReads[0].faults[0].code, 53);
    const QString report = visits::selfContainedReport(*b, {});
    EXPECT_TRUE(report.contains(QStringLiteral("датчика синхронизации")));
    EXPECT_FALSE(report.contains(QStringLiteral("A123456789")));
    EXPECT_FALSE(report.contains(ecudata::faultText(13).toHtmlEscaped()))
        << "the first car's fault";

    // The first car comes back another day: its history has both visits,
    // and the fault that came back is marked.
    stageCar(QStringLiteral("A123456789"), {{13, false}});
    identify();
    const qint64 third = journal->currentVisit();
    ASSERT_NE(third, second);
    readFaults();
    const auto history = store->history(QStringLiteral("A123456789"));
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].id, first);
    EXPECT_EQ(history[1].id, third);
    EXPECT_EQ(history[0].faultCodes, (QList<int>{13, 24}));
    EXPECT_EQ(history[1].faultCodes, (QList<int>{13}));

    visits::fJournal* w = openJournal();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->List1->topLevelItemCount(), 3);
    EXPECT_EQ(w->chosenVisit(), third) << "the visit of the ECU on the line";
    const QString shown = w->Page2->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("История ЭБУ A123456789")));
    EXPECT_TRUE(shown.contains(QStringLiteral("2, повторяется"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("датчика синхронизации")));

    // The search: by serial number, by a fault code, by both.
    const std::vector<std::pair<QString, int>> searches{
        {QStringLiteral("B987"), 1},    {QStringLiteral("53"), 1},
        {QStringLiteral("a1234"), 2},   {QStringLiteral("B987 53"), 1},
        {QStringLiteral("53 a123"), 0}, {QStringLiteral("nothing"), 0}};
    for (const auto& [words, count] : searches) {
        w->Text1->setText(words);
        int visible = 0;
        for (int i = 0; i < w->List1->topLevelItemCount(); ++i)
            visible += w->List1->topLevelItem(i)->isHidden() ? 0 : 1;
        EXPECT_EQ(visible, count) << words.toStdString();
    }

    // A remark goes into the chosen visit only.
    w->Text1->clear();
    w->choose(second);
    w->Text2->setText(QStringLiteral("Проверить разъём датчика"));
    w->Command2->click();
    EXPECT_EQ(store->visit(second)->remarks.size(), 1u);
    EXPECT_TRUE(store->visit(first)->remarks.empty());
    EXPECT_TRUE(w->Page1->toPlainText().contains(QStringLiteral("Проверить разъём датчика")));
}

// ========================================= a journal that cannot be written

TEST_P(Visits, AJournalThatCannotBeWrittenIsToldOnceAndTheProgramGoesOn) {
    // Each case on a program and a database of its own.
    using Spoil = std::function<void(VisitProgram&)>;
    struct Case {
        const char* name;
        Backend backend;
        Spoil spoil;
        QString first; // the message's first line
    };
    const QString notOpened = QStringLiteral("Журнал автомобилей не открыт.");
    const QString readOnly = QStringLiteral("Журнал автомобилей открыт только для чтения.");
    const auto made = [](VisitProgram& p) {
        visits::VisitStore s;
        ASSERT_TRUE(s.open(p.db.config)) << s.error().toStdString();
    };
    const std::vector<Case> cases{
        {"the folder is a file", Backend::Sqlite,
         [](VisitProgram& p) {
             QFile block(p.rig.dir.path() + QStringLiteral("/data"));
             ASSERT_TRUE(block.open(QIODevice::WriteOnly));
         },
         notOpened},
        {"not a database", Backend::Sqlite,
         [](VisitProgram& p) {
             QDir().mkpath(QFileInfo(p.db.config.file).absolutePath());
             QFile f(p.db.config.file);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(4096, 'x'));
         },
         notOpened},
        {"a read-only file", Backend::Sqlite,
         [made](VisitProgram& p) {
             made(p);
             if (geteuid() != 0) {
                 QFile::setPermissions(p.db.config.file, QFile::ReadOwner | QFile::ReadUser);
                 return;
             }
             // Root writes any file whatever its mode; the file format's
             // own read-only mark (write version 3) holds for everyone.
             QFile f(p.db.config.file);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.seek(18);
             f.write(QByteArray("\x03", 1));
         },
         readOnly},
        {"a later schema", Backend::Sqlite,
         [made](VisitProgram& p) {
             made(p);
             {
                 QSqlDatabase raw =
                     QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
                 raw.setDatabaseName(p.db.config.file);
                 ASSERT_TRUE(raw.open());
                 QSqlQuery(raw).exec(QStringLiteral("UPDATE kv_schema SET version = 99"));
                 raw.close();
             }
             QSqlDatabase::removeDatabase(QStringLiteral("raw"));
         },
         notOpened},
        {"a read-only server database", Backend::Postgres,
         [made](VisitProgram& p) {
             made(p);
             ASSERT_TRUE(p.db.admin(
                 QStringLiteral("ALTER DATABASE %1 SET default_transaction_read_only = on")
                     .arg(p.db.config.database)));
         },
         readOnly},
        {"no such database on the server", Backend::Postgres,
         [](VisitProgram& p) {
             StoreConfig c = p.db.config;
             c.database = QStringLiteral("nowhere");
             p.useDatabase(c);
         },
         notOpened},
        {"a later schema on the server", Backend::Postgres,
         [made](VisitProgram& p) {
             made(p);
             ASSERT_TRUE(p.db.admin(QStringLiteral("UPDATE kv_schema SET version = 99"),
                                    p.db.config.database));
         },
         notOpened},
    };
    for (const Case& c : cases) {
        if (c.backend != GetParam()) continue;
        SCOPED_TRACE(c.name);
        VisitProgram p(GetParam());
        p.install();
        c.spoil(p);
        ASSERT_TRUE(p.start()) << "the program starts all the same";
        ASSERT_EQ(p.rig.dialogs.messages.size(), 1u);
        const common::MessageCall& told = p.rig.dialogs.messages[0];
        const QStringList lines = told.text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 4) << told.text.toStdString();
        EXPECT_EQ(lines[0], c.first);
        EXPECT_EQ(lines[1], QStringLiteral("База: ") + p.journal->where());
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Причина: ")) && lines[2].size() > 9);
        EXPECT_EQ(lines[3], c.first == readOnly
                                ? QStringLiteral("Визиты в журнал не записываются.")
                                : QStringLiteral("Программа работает дальше без журнала."));
        EXPECT_EQ(told.caption, QStringLiteral("Kvintor  (версия 2.4)"));
        EXPECT_EQ(told.icon, common::Icon::Exclamation);

        // The ECU is identified and polled as ever; no passport is read for
        // a visit that cannot be kept, and nothing is told again.
        p.rig.requests();
        p.identify();
        p.rig.main().timer2Tick();
        const auto seen = p.rig.requests();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), kline::Request{0x61, 1, 2, 3, 4, 5, 6}), 0);
        EXPECT_EQ(seen.back().at(0), 7) << "the live panel polls";
        p.readFaults();
        EXPECT_EQ(p.rig.dialogs.messages.size(), 1u);
        EXPECT_FALSE(p.journal->recording());
    }
}

// ============================================== the settings window's part

TEST_P(Visits, TheSettingsWindowKeepsTheWorkshopAndThePlaceButNeverThePassword) {
    const bool pg = GetParam() == Backend::Postgres;
    // On the server: a role that must give its password (the superuser of
    // the test server is trusted).
    const QString secret = QStringLiteral("пароль-1");
    StoreConfig place = db.config;
    if (pg) {
        place.user = QStringLiteral("mechanic");
        ASSERT_TRUE(
            db.admin(QStringLiteral("CREATE ROLE mechanic LOGIN PASSWORD '%1'").arg(secret)) ||
            db.admin(QStringLiteral("ALTER ROLE mechanic PASSWORD '%1'").arg(secret)));
        ASSERT_TRUE(db.admin(
            QStringLiteral("GRANT ALL ON DATABASE %1 TO mechanic").arg(db.config.database)));
        ASSERT_TRUE(
            db.admin(QStringLiteral("GRANT ALL ON SCHEMA public TO mechanic"), db.config.database));
        useDatabase({}); // the first start: the journal on this computer
    }
    ASSERT_TRUE(start());
    struct Typed {
        QString name, address, phone;
    } typed{QStringLiteral("СТО «Мотор»"), QStringLiteral("Самара, Южное ш., 5"),
            QStringLiteral("255-17-17")};
    rig.modal.push_back([&](QDialog& d) {
        auto& w = static_cast<fNastr&>(d);
        auto* workshop = w.findChild<QGroupBox*>(QStringLiteral("Frame4"));
        auto* journalBox = w.findChild<QGroupBox*>(QStringLiteral("Frame5"));
        ASSERT_TRUE(workshop && journalBox);
        EXPECT_EQ(workshop->title(), QStringLiteral("Мастерская"));
        EXPECT_EQ(journalBox->title(), QStringLiteral("Журнал автомобилей"));
        QStringList captions;
        for (int i = 2; i <= 8; ++i)
            captions << w.findChild<QLabel*>(QStringLiteral("Label%1").arg(i))->text();
        EXPECT_EQ(captions, (QStringList{QStringLiteral("Название:"), QStringLiteral("Адрес:"),
                                         QStringLiteral("Телефон:"), QStringLiteral("Сервер:"),
                                         QStringLiteral("База:"), QStringLiteral("Пользователь:"),
                                         QStringLiteral("Пароль:")}));
        auto* local = w.findChild<QRadioButton*>(QStringLiteral("Option9"));
        auto* server = w.findChild<QRadioButton*>(QStringLiteral("Option10"));
        EXPECT_EQ(local->text(), QStringLiteral("На этом компьютере"));
        EXPECT_EQ(server->text(), QStringLiteral("На сервере PostgreSQL"));
        EXPECT_TRUE(local->isChecked());
        auto text = [&w](const char* name) {
            return w.findChild<QLineEdit*>(QString::fromLatin1(name));
        };
        EXPECT_FALSE(text("Text2(0)")->isEnabled()) << "the server's fields wait for its option";
        text("Text1(0)")->setText(typed.name);
        text("Text1(1)")->setText(typed.address);
        text("Text1(2)")->setText(typed.phone);
        if (pg) {
            server->setChecked(true);
            EXPECT_TRUE(text("Text2(0)")->isEnabled());
            text("Text2(0)")->setText(place.host);
            text("Text2(1)")->setText(place.database);
            text("Text2(2)")->setText(place.user);
            EXPECT_EQ(text("Text2(3)")->echoMode(), QLineEdit::Password);
            text("Text2(3)")->setText(secret);
        }
        // The window's own frames and buttons are as they were.
        EXPECT_EQ(w.Frame3->title(), QStringLiteral("Дополнительно"));
        w.Command2->click();
    });
    rig.main().DopInd[3]->trigger();
    EXPECT_EQ(rig.setting(QStringLiteral("fNastr"), QStringLiteral("Мастерская")), typed.name);
    EXPECT_EQ(rig.setting(QStringLiteral("fNastr"), QStringLiteral("Адрес")), typed.address);
    EXPECT_EQ(rig.setting(QStringLiteral("fNastr"), QStringLiteral("Телефон")), typed.phone);
    EXPECT_EQ(journal->settings().workshop.name, typed.name);
    EXPECT_TRUE(journal->recording());
    QFile file(rig.settings.fileFor(QStringLiteral("Kvintor")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString stored = QString::fromUtf8(file.readAll());
    EXPECT_FALSE(stored.contains(secret)) << "no password in the settings file";
    if (!pg) return;
    EXPECT_EQ(rig.setting(QStringLiteral("fNastr"), QStringLiteral("Журнал")), QStringLiteral("1"));
    EXPECT_EQ(rig.setting(QStringLiteral("fNastr"), QStringLiteral("ЖурналПользователь")),
              place.user);
    EXPECT_TRUE(asked.isEmpty()) << "typed in the window: not asked";

    // Without a key store the password lasts for the run; another run asks
    // for it once, however often the journal opens.
    VisitProgram next(GetParam());
    next.install();
    next.useDatabase(place);
    next.answer = secret;
    ASSERT_TRUE(next.start());
    next.journal->open();
    EXPECT_EQ(
        next.asked,
        (QStringList{
            QStringLiteral("Пароль пользователя mechanic для журнала автомобилей на сервере %1:")
                .arg(place.host)}));
    EXPECT_TRUE(next.journal->recording());
    EXPECT_TRUE(next.rig.dialogs.messages.empty());

    // Where the desktop keeps passwords, none is asked.
    VisitProgram kept(GetParam());
    kept.install();
    kept.useDatabase(place);
    kept.keeper->present = true;
    kept.keeper->kept[visits::passwordKey(place)] = secret;
    ASSERT_TRUE(kept.start());
    EXPECT_TRUE(kept.asked.isEmpty());
    EXPECT_TRUE(kept.journal->recording());
}

KV_ON_EVERY_BACKEND(Visits);
