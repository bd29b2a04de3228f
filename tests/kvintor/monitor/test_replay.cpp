// A saved trace served again: the recorded replies in their order, the
// recorded failures on the wire, and Kvintor's main window showing on the
// replay what it showed on the car.
#include "KvintorRig.h"
#include "SimLink.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "link/ExchangeLog.h"
#include "link/HardwarePort.h"
#include "monitor/MonitorWindows.h"
#include "monitor/fMonitor.h"
#include "sim/Replay.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <gtest/gtest.h>

using kline::Request;

namespace {

struct NoPauses {
    NoPauses() { common::setPauseHook([](int) {}); }
    ~NoPauses() { common::setPauseHook(nullptr); }
};

struct Exchange {
    int result;
    std::vector<int> reply;
    bool operator==(const Exchange& o) const { return result == o.result && reply == o.reply; }
};

// The exchanges of one link, in order.
std::vector<Exchange> run(kline::EcuLink& ecu, const std::vector<Request>& requests) {
    std::vector<Exchange> out;
    for (const Request& r : requests) out.push_back({ecu.EcuExchange(r), ecu.EcuReply()});
    return out;
}

// What the main window shows, as text.
QStringList panelTexts(kvintor::InitTest& w) {
    QStringList out{w.Label1->text(), w.Label10->text(), w.statusPanels[2]->text(), w.statusPanels[3]->text()};
    for (QLabel* v : w.values[static_cast<std::size_t>(w.visiblePage())]) out << v->text();
    for (QLabel* lamp : w.Label3)
        out << (lamp->palette().color(QPalette::Window) == QColor(255, 192, 128) ? QStringLiteral("lit")
                                                                                : QStringLiteral("off"));
    return out;
}

// Identification, then five polls of each page; the panel after each step.
std::vector<QStringList> visit(kvintor::InitTest& w, const std::function<void(int)>& beforePoll = {}) {
    std::vector<QStringList> out;
    w.activated();
    w.timer1Tick();
    out.push_back(panelTexts(w));
    for (int page = 0; page < 4; ++page) {
        w.selectPage(page);
        for (int i = 0; i < 5; ++i) {
            if (beforePoll) beforePoll(page * 5 + i);
            w.timer2Tick();
            out.push_back(panelTexts(w));
        }
    }
    return out;
}

} // namespace

TEST(Replay, RepliesAndFailuresComeBackInTheirRecordedOrder) {
    NoPauses noPauses;
    // The visit: a page polled while the line misbehaves, an identification text.
    SimLink car;
    kline::ExchangeLog log;
    car.ecu.setExchangeObserver([&log](const kline::ExchangeSeen& s) { log.add(s); });
    const Request page = kline::cmd::livePage(1, false);
    const Request serial = kline::cmd::readVariables({117});
    std::vector<Exchange> recorded;
    for (sim::LineFault f : {sim::LineFault::None, sim::LineFault::EcuSilent, sim::LineFault::BadChecksum,
                             sim::LineFault::None, sim::LineFault::OverlongReply, sim::LineFault::WrongEcho,
                             sim::LineFault::None}) {
        car.sim->adapter.setFault(f);
        const auto one = run(car.ecu, {page});
        recorded.insert(recorded.end(), one.begin(), one.end());
        car.sim->advance(300);
    }
    car.sim->adapter.setFault(sim::LineFault::None);
    const auto serialReply = run(car.ecu, {serial});
    ASSERT_EQ(serialReply[0].result, kline::kOk);

    // At the desk: the same requests get the same results and replies; the
    // last one repeats; what the car never heard gets no answer.
    sim::Replay replay(log.trace());
    SimLink desk;
    replay.serve(*desk.sim);
    auto expected = recorded;
    expected[5] = {kline::kEcuSilent, {0}}; // an echo failure: the ECU never answered it
    EXPECT_EQ(run(desk.ecu, {page, page, page, page, page, page, page}), expected);
    EXPECT_EQ(run(desk.ecu, {page, page}), (std::vector<Exchange>{recorded.back(), recorded.back()}));
    EXPECT_EQ(run(desk.ecu, {serial}), serialReply);
    EXPECT_EQ(run(desk.ecu, {kline::cmd::connect()})[0].result, kline::kEcuSilent);
    EXPECT_EQ(replay.unknown(), 1);
    // The wire's own fault still wins over the trace.
    desk.sim->adapter.setFault(sim::LineFault::EcuSilent);
    EXPECT_EQ(run(desk.ecu, {page})[0].result, kline::kEcuSilent);
}

TEST(Replay, KlineSimRefusesATraceItCannotRead) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/bad.jsonl");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kline::trace::line({QDateTime::currentDateTime(), kline::encodeFrame({1}), QByteArray(), 3, 40}));
    f.write("{\"time\":\"2024-05-01T12:00:00.000\",\"request\":\"01 00 0D\",\"reply\":\"\",\"result\":0}\n");
    f.close();
    QProcess sim;
    sim.start(QStringLiteral(KLINE_SIM_PATH), {QStringLiteral("--headless"), QStringLiteral("--replay"), path});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 64);
    EXPECT_TRUE(QString::fromUtf8(sim.readAllStandardError())
                    .contains(QStringLiteral("line 2: \"request\" is not a whole request frame in hex")));
}

TEST(ReplayOnAPseudoTerminal, KvintorIdentifiesAndShowsTheSamePanelAsOnTheCar) {
    NoPauses noPauses;
    const QString trace = [] {
        static QTemporaryDir keep;
        return keep.path() + QStringLiteral("/visit.jsonl");
    }();
    // The car: Kvintor identifies the ECU and polls, the engine revved on
    // page 1; only then the link monitor is opened and saves.
    std::vector<QStringList> onTheCar;
    {
        KvintorRig rig;
        kvintor::installMonitorWindows(rig.program);
        ASSERT_TRUE(rig.startOnCom1());
        onTheCar = visit(rig.main(), [&rig](int poll) {
            if (poll == 2) rig.sim->ecu.engine().setThrottle(90);
            if (poll == 3) rig.sim->advance(1500);
        });
        rig.main().findChild<QAction*>(QStringLiteral("DopInd(5)"))->trigger();
        auto* monitor = rig.main().findChild<kvintor::fMonitor*>();
        ASSERT_TRUE(monitor);
        rig.dialogs.fileNext(trace);
        monitor->saveButton->click();
        monitor->close();
    }
    // The trace begins with the identification.
    const auto saved = kline::trace::load(trace);
    ASSERT_TRUE(saved);
    ASSERT_GT(saved->size(), 6u);
    const std::vector<Request> identification = {
        kline::cmd::connect(),
        kline::cmd::ecuType(),
        kline::cmd::readVariables({kline::cmd::kVarSerial}),
        kline::cmd::readVariables({kline::cmd::kVarRomVersion}),
        kline::cmd::engineText(),
        kline::cmd::readConnectionValues()};
    for (std::size_t i = 0; i < identification.size(); ++i)
        EXPECT_EQ(kline::trace::requestOf((*saved)[i].frame), identification[i])
            << "exchange " << i;
    // Speed and page change on the car: the replay has something to show.
    ASSERT_NE(onTheCar[1], onTheCar[5]);

    // The desk: kline-sim serves the trace, Kvintor runs on its terminal.
    QProcess sim;
    sim.start(QStringLiteral(KLINE_SIM_PATH), {QStringLiteral("--headless"), QStringLiteral("--replay"), trace});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(10000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();
    {
        QTemporaryDir dir;
        common::SettingsStore settings(dir.path() + QStringLiteral("/settings"));
        settings.SaveSetting(QStringLiteral("Kvintor"), QStringLiteral("fNastr"), QStringLiteral("ВыбрПорт"),
                             QStringLiteral("1"));
        common::RecordingDialogs dialogs;
        common::RecordingPlatform platform;
        kline::PortMap ports(&settings);
        ports.setDevice(1, device);
        kvintor::Program desk(settings, dialogs, platform, ports, kline::hardwarePortFactory(), dir.path());
        desk.endProgram = [] {};
        desk.execModal = [](QDialog&) { return 0; };
        desk.screenSize = [] { return QSize(1280, 1024); };
        ASSERT_TRUE(desk.StartUp());
        const std::vector<QStringList> atTheDesk = visit(*desk.mainWindow());
        ASSERT_EQ(atTheDesk.size(), onTheCar.size());
        for (std::size_t i = 0; i < onTheCar.size(); ++i) EXPECT_EQ(atTheDesk[i], onTheCar[i]) << "step " << i;
        EXPECT_TRUE(dialogs.messages.empty());
    }
    sim.write("quit\n");
    if (!sim.waitForFinished(3000)) sim.kill();
}
