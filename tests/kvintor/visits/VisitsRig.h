#pragma once
// Kvintor with its visit journal on the simulated ECU: the ECU data, engine
// test and adjustment windows installed, the journal on a fresh database of
// the test's backend, the pause that moves the simulated engine on, a key
// store double, and a second store to read what the journal wrote.
#include "EcudataWindows.h"
#include "EngineTests.h"
#include "KvintorRig.h"
#include "TestDatabase.h"
#include "VisitJournal.h"
#include "VisitsWindows.h"
#include "adjust/AdjustWindows.h"
#include "common/Time.h"
#include "fJournal.h"
#include "fPostErr.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>

#include <QCoreApplication>
#include <QLocale>
#include <map>

// The key store double: what it holds, and whether there is one at all.
struct KeeperDouble : kvintor::visits::PasswordKeeper {
    std::map<QString, QString> kept;
    bool present = false;
    int reads = 0;
    std::optional<QString> read(const QString& key) override {
        ++reads;
        auto it = kept.find(key);
        if (!present || it == kept.end()) return std::nullopt;
        return it->second;
    }
    bool write(const QString& key, const QString& password) override {
        if (present) kept[key] = password;
        return present;
    }
};

struct VisitProgram {
    explicit VisitProgram(Backend backend) : db(backend, rig.dir.path()) {}
    virtual ~VisitProgram() { common::setPauseHook(nullptr); }
    KvintorRig rig;
    TestDatabase db;
    KeeperDouble* keeper = nullptr;
    kvintor::visits::VisitJournal* journal = nullptr;
    QDateTime now = QDateTime(QDate(2024, 5, 1), QTime(14, 30));
    QStringList asked; // the password questions

    // The journal installed on the program (before it starts).
    void install() {
        QLocale::setDefault(QLocale::c());
        rig.program.dataFolder = rig.dir.path() + QStringLiteral("/data/");
        useDatabase(db.config);
        kvintor::installAdjustWindows(rig.program);
        kvintor::installEcudataWindows(rig.program);
        kvintor::installEnginetestsWindows(rig.program);
        auto k = std::make_unique<KeeperDouble>();
        keeper = k.get();
        journal = &kvintor::installVisitsWindows(rig.program, std::move(k));
        journal->clock = [this] {
            now = now.addSecs(1);
            return now;
        };
        journal->askPassword = [this](const QString& prompt) -> std::optional<QString> {
            asked << prompt;
            return answer;
        };
        common::setPauseHook([this](int ms) { rig.sim->advance(ms); });
        stageCar(QStringLiteral("A123456789"), {{13, true}, {24, false}});
    }
    std::optional<QString> answer; // to the password question

    // The journal's place in the settings, as the settings window stores it.
    void useDatabase(const kvintor::visits::StoreConfig& c) {
        const bool pg = c.kind == kvintor::visits::StoreConfig::Kind::Postgres;
        rig.store(QStringLiteral("fNastr"), QStringLiteral("Журнал"),
                  pg ? QStringLiteral("1") : QStringLiteral("0"));
        rig.store(QStringLiteral("fNastr"), QStringLiteral("ЖурналСервер"), c.host);
        rig.store(QStringLiteral("fNastr"), QStringLiteral("ЖурналБаза"), c.database);
        rig.store(QStringLiteral("fNastr"), QStringLiteral("ЖурналПользователь"), c.user);
    }
    // The car on the simulated ECU: its serial number and stored faults
    // (code, present now).
    void stageCar(const QString& serial, const std::vector<std::pair<int, bool>>& faults) {
        rig.sim->ecu.setText(117, serial);
        rig.sim->ecu.faults().clear();
        for (const auto& [code, present] : faults)
            rig.sim->ecu.addFault(code, present);
    }
    bool start() {
        if (!rig.startOnCom1()) return false;
        QCoreApplication::processEvents(); // the main window's first activation
        rig.main().stopTimers();
        return true;
    }
    // The main window identifies the ECU (and would go on polling).
    void identify() {
        rig.main().timer1Tick();
        rig.main().stopTimers();
    }
    // Opens the fault window, lets it read once and keeps what it listed:
    // code, flags (from its "XX" and "XXX" columns), text.
    std::vector<kvintor::visits::FaultSeen> readFaults() {
        std::vector<kvintor::visits::FaultSeen> shown;
        rig.modal.push_back([&shown](QDialog& d) {
            auto& w = static_cast<kvintor::fPostErr&>(d);
            w.ReadStoredFaults();
            for (int i = 0; i < w.ListView1->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* row = w.ListView1->topLevelItem(i);
                shown.push_back({row->text(0).toInt(),
                                 (row->text(1) == QLatin1String("XX") ? 0x80 : 0) |
                                     (row->text(2) == QLatin1String("XXX") ? 0x20 : 0),
                                 row->text(3)});
            }
        });
        rig.main().mEbu.at(3)->trigger();
        return shown;
    }
    QAction* journalItem() {
        return rig.main().DopIndMenu->findChild<QAction*>(QStringLiteral("DopInd(6)"));
    }
    kvintor::visits::fJournal* openJournal() {
        journalItem()->trigger();
        return rig.main().findChild<kvintor::visits::fJournal*>();
    }
    // The report's text as pdftotext reads it, every run of white space
    // one space (a long text may wrap in its cell).
    static QString pdfText(const QString& path) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
        if (!p.waitForFinished(20000) || p.exitCode() != 0) {
            ADD_FAILURE() << "pdftotext (Debian poppler-utils) did not read " << path.toStdString();
            return QString();
        }
        return oneSpaced(QString::fromUtf8(p.readAllStandardOutput()));
    }
    static QString oneSpaced(const QString& s) { return s.simplified(); }
    QString writeReport(kvintor::visits::fJournal* w, const QString& name) {
        const QString path = rig.dir.path() + QLatin1Char('/') + name;
        rig.dialogs.fileNext(path);
        w->Command1->click();
        return path;
    }
    void workshop() {
        rig.store(QStringLiteral("fNastr"), QStringLiteral("Мастерская"),
                  QStringLiteral("Автосервис «Кварц»"));
        rig.store(QStringLiteral("fNastr"), QStringLiteral("Адрес"),
                  QStringLiteral("г. Тверь, ул. Заводская, 7"));
        rig.store(QStringLiteral("fNastr"), QStringLiteral("Телефон"),
                  QStringLiteral("+7 4822 55-01-02"));
    }

    // A store of its own on the same database, as another computer has.
    std::unique_ptr<kvintor::visits::VisitStore> reader() {
        auto s = std::make_unique<kvintor::visits::VisitStore>();
        if (!s->open(db.config)) ADD_FAILURE() << s->error().toStdString();
        return s;
    }
};

// A test on each backend; one that cannot run here says why.
struct VisitsRig : ::testing::TestWithParam<Backend>, VisitProgram {
    VisitsRig() : VisitProgram(GetParam()) {}
    void SetUp() override {
        if (!db.cannot.isEmpty()) GTEST_SKIP() << db.cannot.toStdString();
        install();
    }
};
