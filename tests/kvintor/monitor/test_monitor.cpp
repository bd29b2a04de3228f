// The link monitor: the program's exchange log against the simulator's own
// record of the wire under every line fault, the window's list of what the
// program kept from its start, figures and trace, and its rate against a
// stopwatch on a pseudo-terminal.
#include "KvintorRig.h"
#include "SimLink.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "link/ExchangeLog.h"
#include "link/HardwarePort.h"
#include "link/Trace.h"
#include "monitor/MonitorModel.h"
#include "monitor/MonitorWindows.h"
#include "monitor/RequestNames.h"
#include "monitor/fMonitor.h"
#include "sim/PtyServer.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

using kline::ExchangeLog;
using kline::Request;
using kvintor::MonitorModel;

namespace {

struct NoPauses {
    NoPauses() { common::setPauseHook([](int) {}); }
    ~NoPauses() { common::setPauseHook(nullptr); }
};

} // namespace

// ======================================================= against the wire

TEST(MonitorLogOnTheWire, EntriesAreTheFramesTheSimulatorSawWithTheirResults) {
    NoPauses noPauses;
    SimLink link;
    ExchangeLog log;
    link.ecu.setExchangeObserver([&log](const kline::ExchangeSeen& seen) { log.add(seen); });
    struct Case {
        sim::LineFault fault;
        int result;
    };
    const Case cases[] = {{sim::LineFault::None, kline::kOk},
                          {sim::LineFault::EcuSilent, kline::kEcuSilent},
                          {sim::LineFault::BadChecksum, kline::kBadChecksum},
                          {sim::LineFault::OverlongReply, kline::kOverflow},
                          {sim::LineFault::Garbage, kline::kOk},
                          {sim::LineFault::WrongEcho, kline::kAdapterError},
                          {sim::LineFault::NoEcho, kline::kAdapterOff}};
    const std::vector<Request> requests = {kline::cmd::livePage(0, false), {97, 65, 66, 40}, {98, 13, 64}};
    for (const Case& c : cases) {
        SCOPED_TRACE(sim::lineFaultName(c.fault));
        link.sim->adapter.setFault(c.fault);
        link.sim->adapter.clearLog();
        const long before = log.total();
        for (const Request& r : requests) EXPECT_EQ(link.ecu.EcuExchange(r), c.result);
        link.sim->adapter.setFault(sim::LineFault::None);
        link.sim->advance(100); // stray bytes die away

        ASSERT_EQ(log.total() - before, 3);
        const auto& seen = link.sim->adapter.log();
        // With the adapter off nothing reaches the ECU.
        ASSERT_EQ(seen.size(), c.fault == sim::LineFault::NoEcho ? 0u : 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& e = log.entries()[log.entries().size() - 3 + i];
            EXPECT_EQ(e.request, requests[i]);
            EXPECT_EQ(e.exchange.result, c.result);
            EXPECT_EQ(e.exchange.frame, kline::encodeFrame(requests[i]));
            if (seen.empty()) {
                EXPECT_TRUE(e.exchange.reply.isEmpty());
                continue;
            }
            EXPECT_EQ(e.exchange.frame, seen[i].frame);
            if (c.fault == sim::LineFault::OverlongReply) {
                EXPECT_GT(e.exchange.reply.size(), kline::kMaxReplyLength);
                EXPECT_TRUE(seen[i].reply.startsWith(e.exchange.reply));
            } else {
                EXPECT_EQ(e.exchange.reply, seen[i].reply);
            }
        }
    }
    EXPECT_EQ(log.count(kline::kOk), 6);
    for (int code = 1; code <= 5; ++code) EXPECT_EQ(log.count(code), 3) << code;
    EXPECT_EQ(log.count(kline::kPortError), 0);
}

// ============================================================= the window

TEST(MonitorWindow, ListsTheExchangesSinceTheStartCountsTheResultsAndSavesATrace) {
    NoPauses noPauses;
    KvintorRig rig;
    kvintor::installMonitorWindows(rig.program);
    ASSERT_TRUE(rig.startOnCom1());
    kvintor::InitTest& main = rig.main();
    // Identification and polls with no monitor open.
    main.activated();
    rig.requests();
    main.timer1Tick();
    for (int i = 0; i < 3; ++i)
        main.timer2Tick();
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    main.timer2Tick();
    rig.sim->adapter.setFault(sim::LineFault::None);

    auto* item = main.findChild<QAction*>(QStringLiteral("DopInd(5)"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QStringLiteral("Монитор линии"));
    item->trigger();
    auto* monitor = main.findChild<kvintor::fMonitor*>();
    ASSERT_TRUE(monitor);
    EXPECT_EQ(monitor->windowTitle(), QStringLiteral("Монитор линии"));
    EXPECT_EQ(monitor->exchangeList->accessibleName(), QStringLiteral("Обмены"));

    const auto& wire = rig.sim->adapter.log();
    MonitorModel& m = monitor->model();
    ASSERT_EQ(m.rowCount(), 10);
    ASSERT_EQ(wire.size(), 10u);
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(m.text(row, MonitorModel::Request), kline::trace::hex(wire[static_cast<std::size_t>(row)].frame));
        EXPECT_EQ(m.text(row, MonitorModel::Reply), kline::trace::hex(wire[static_cast<std::size_t>(row)].reply));
    }
    EXPECT_EQ(m.text(0, MonitorModel::Request), QStringLiteral("01 FF 0D"));
    EXPECT_EQ(m.text(0, MonitorModel::Name), QStringLiteral("проверка связи"));
    EXPECT_EQ(m.text(0, MonitorModel::Code), QStringLiteral("0"));
    EXPECT_EQ(m.text(0, MonitorModel::Result), QStringLiteral("Успешно"));
    EXPECT_EQ(m.text(5, MonitorModel::Name), QStringLiteral("чтение переменных 65, 66, 40"));
    EXPECT_EQ(m.text(6, MonitorModel::Name),
              QStringLiteral("чтение списка переменных 8, 81, 82, 83, 84, 26, 99, 44, 38, 53, 35, 92, 52, 9"));
    EXPECT_EQ(m.text(9, MonitorModel::Code), QStringLiteral("3"));
    EXPECT_EQ(m.text(9, MonitorModel::Result), QStringLiteral("ЭБУ не отвечает"));
    EXPECT_EQ(m.text(9, MonitorModel::Reply), QString());
    EXPECT_EQ(monitor->countLabels[0]->text(), QStringLiteral("0  Успешно:  9"));
    EXPECT_EQ(monitor->countLabels[3]->text(), QStringLiteral("3  ЭБУ не отвечает:  1"));
    EXPECT_EQ(monitor->countLabels[5]->text(), QStringLiteral("5  Не верная контр.сумма:  0"));

    // "Сохранить": the list as a trace, read back the same.
    const QString path = rig.dir.path() + QStringLiteral("/обмен.jsonl");
    rig.dialogs.fileNext(path);
    monitor->saveButton->click();
    EXPECT_EQ(rig.dialogs.fileCaptions.last(), QStringLiteral("Сохранить обмен с ЭБУ"));
    const auto trace = kline::trace::load(path);
    ASSERT_TRUE(trace);
    EXPECT_EQ(*trace, monitor->log().trace());
    EXPECT_EQ(trace->size(), 10u);
    EXPECT_EQ(trace->back().result, kline::kEcuSilent);

    // Closed, the program keeps on; opened again, the monitor shows the
    // same exchanges and those that came meanwhile.
    monitor->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.timer1Tick();
    item->trigger();
    monitor = main.findChild<kvintor::fMonitor*>();
    ASSERT_TRUE(monitor);
    ASSERT_EQ(monitor->model().rowCount(), 16);
    EXPECT_EQ(monitor->model().text(9, MonitorModel::Code), QStringLiteral("3"));
    EXPECT_EQ(monitor->model().text(15, MonitorModel::Name),
              QStringLiteral("чтение переменных 65, 66, 40"));

    // The latest 20 000 stay; the list drops the oldest as they go.
    const int more = static_cast<int>(ExchangeLog::kCapacity) - 16 + 5;
    for (int i = 0; i < more; ++i)
        rig.program.ecu.EcuExchange(kline::cmd::connect());
    monitor->refresh();
    ASSERT_EQ(monitor->model().rowCount(), static_cast<int>(ExchangeLog::kCapacity));
    EXPECT_EQ(monitor->model().text(0, MonitorModel::Name),
              QStringLiteral("чтение переменных 65, 66, 40"));
    EXPECT_EQ(monitor->model().text(1, MonitorModel::Name),
              QStringLiteral(
                  "чтение списка переменных 8, 81, 82, 83, 84, 26, 99, 44, 38, 53, 35, 92, 52, 9"));
    EXPECT_EQ(monitor->countLabels[0]->text(), QStringLiteral("0  Успешно:  %1").arg(15 + more));
    monitor->close();
}

TEST(MonitorWindow, RequestNamesFollowTheCatalogue) {
    using kvintor::requestName;
    EXPECT_EQ(requestName({98, 11, 8, 40, 14}), QStringLiteral("запись переменных 11=8, 40=14"));
    EXPECT_EQ(requestName({65, 0, 0}), QStringLiteral("перезагрузка ЭБУ"));
    EXPECT_EQ(requestName({37, 0x00, 0x4A, 0}), QStringLiteral("чтение памяти с адреса 0x4A00"));
    EXPECT_EQ(requestName({113, 32, 41, 38, 35, 92, 52}), QStringLiteral("поток переменных 32, 41, 38, 35, 92, 52"));
    EXPECT_EQ(requestName({86}), QStringLiteral("паспорт: Калибровка"));
    EXPECT_EQ(requestName({2}), QStringLiteral("чтение неисправностей"));
    EXPECT_EQ(requestName({200, 1}), QStringLiteral("команда 200"));
}

// ================================================== on a pseudo-terminal

TEST(MonitorRateOnAPseudoTerminal, AgreesWithTheStopwatchOfTheLinkBenchmark) {
    auto simulator = std::make_shared<sim::Simulator>();
    sim::PtyServer server(simulator);
    ASSERT_TRUE(server.start());
    TestContext t;
    kline::PortMap ports;
    ports.setDevice(1, server.devicePath());
    kline::EcuLink ecu(t.ctx, ports, kline::hardwarePortFactory());
    ASSERT_EQ(ecu.OpenPort(1), 0);
    ExchangeLog log;
    ecu.setExchangeObserver([&log](const kline::ExchangeSeen& seen) { log.add(seen); });

    // As link_bench measures: exchanges of one page, back to back, by the
    // stopwatch.
    const Request request = kline::cmd::livePage(1, false);
    int count = 0;
    int wireBytes = 0;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < 2000) {
        if (ecu.EcuExchange(request) != kline::kOk) continue;
        ++count;
        Request body;
        for (int e : ecu.EcuReply()) body.push_back(static_cast<std::uint8_t>(e));
        wireBytes = static_cast<int>(kline::encodeFrame(request).size() + kline::encodeFrame(body).size());
    }
    const double benchRate = count / (static_cast<double>(total.nsecsElapsed()) / 1e9);
    const qint64 now = log.entries().back().endNs;
    server.stop();

    ASSERT_GT(count, 20);
    EXPECT_NEAR(log.rate(now) / benchRate, 1.0, 0.05) << log.rate(now) << " vs " << benchRate;
    EXPECT_NEAR(log.wireLimit(), 960.0 / wireBytes, 1e-9);
    EXPECT_EQ(log.count(kline::kOk), count);
}
