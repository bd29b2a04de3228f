// Link monitor benchmark. Figures only; nothing fails on time.
//  1. What watching costs the exchange: exchanges against the in-process
//     simulated ECU (instant, so the exchange's own work is all there is),
//     unwatched, watched by an observer that does nothing, and watched by
//     the monitor's list.
//  2. On kline-sim behind a pseudo-terminal at 9600 baud, as link_bench
//     polls: the stopwatch's exchanges per second and the monitor's own
//     figure for them, unwatched and watched, with the ratio to the wire
//     limit.
//
//   monitor_bench [--sim PATH-TO-kline-sim] [--seconds N] [--exchanges N]
#include "common/Platform.h"
#include "common/ProgramState.h"
#include "common/RecordingDialogs.h"
#include "common/SettingsStore.h"
#include "link/Commands.h"
#include "link/EcuLink.h"
#include "link/HardwarePort.h"
#include "monitor/MonitorLog.h"
#include "sim/SimulatedPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

struct Rig {
    QTemporaryDir dir;
    common::SettingsStore settings{dir.path()};
    common::RecordingDialogs dialogs;
    common::DesktopPlatform platform;
    common::ProgramState state;
    common::Context ctx{settings, dialogs, platform, state, nullptr};
    kline::PortMap ports;
};

enum class Watch { None, Empty, Monitor };
const char* watchName(Watch w) {
    return w == Watch::None ? "unwatched" : w == Watch::Empty ? "empty observer" : "monitor list";
}

void watch(kline::EcuLink& ecu, Watch w, kvintor::MonitorLog& log) {
    if (w == Watch::None) ecu.setExchangeObserver({});
    else if (w == Watch::Empty) ecu.setExchangeObserver([](const kline::ExchangeSeen&) {});
    else ecu.setExchangeObserver([&log](const kline::ExchangeSeen& s) { log.add(s, QDateTime::currentDateTime()); });
}

// Nanoseconds per exchange, the best of five rounds.
double perExchange(kline::EcuLink& ecu, const kline::Request& request, int n) {
    double best = 1e18;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i) ecu.EcuExchange(request);
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / n);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString simPath = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/sim/kline-sim");
    double seconds = 3;
    int exchanges = 20000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim")) simPath = args[++i];
        else if (args[i] == QLatin1String("--seconds")) seconds = args[++i].toDouble();
        else if (args[i] == QLatin1String("--exchanges")) exchanges = args[++i].toInt();
    }
    const kline::Request request = kline::cmd::livePage(1, false);

    // ---- 1. the cost of the hook
    {
        Rig rig;
        auto simulator = std::make_shared<sim::Simulator>();
        rig.ports.setDevice(1, QStringLiteral("sim"));
        kline::EcuLink ecu(rig.ctx, rig.ports, sim::simulatedPortFactory(simulator, false));
        if (ecu.OpenPort(1) != 0) return 1;
        kvintor::MonitorLog log;
        std::printf("in-process simulated ECU, page 2, %d exchanges a round, best of 5\n", exchanges);
        std::printf("%-16s  us/exchange\n", "watching");
        double unwatched[2] = {0, 0};
        int k = 0;
        for (Watch w : {Watch::None, Watch::Empty, Watch::Monitor, Watch::None}) {
            watch(ecu, w, log);
            const double ns = perExchange(ecu, request, exchanges);
            if (w == Watch::None) unwatched[k++] = ns;
            std::printf("%-16s  %11.2f\n", watchName(w), ns / 1000);
        }
        std::printf("unwatched, first and last round apart: %.1f %% (the noise of the machine)\n",
                    100.0 * std::abs(unwatched[1] - unwatched[0]) / unwatched[0]);
        ecu.setExchangeObserver({});
    }

    // ---- 2. the monitor's rate against the stopwatch on the wire
    QProcess sim;
    sim.start(simPath, {QStringLiteral("--headless")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "monitor_bench: cannot start %s; no wire figures\n", qPrintable(simPath));
        return 0;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    Rig rig;
    rig.ports.setDevice(1, device);
    kline::EcuLink ecu(rig.ctx, rig.ports, kline::hardwarePortFactory());
    if (ecu.OpenPort(1) != 0) {
        std::fprintf(stderr, "monitor_bench: cannot open %s\n", qPrintable(device));
        return 1;
    }
    std::printf("\nkline-sim on %s, page 2, %.1f s each, 9600 baud\n", qPrintable(device), seconds);
    std::printf("%-16s  stopwatch/s  monitor/s  apart  wire limit/s  ratio\n", "watching");
    for (Watch w : {Watch::None, Watch::Monitor}) {
        kvintor::MonitorLog log;
        watch(ecu, w, log);
        int count = 0;
        QElapsedTimer total;
        total.start();
        while (static_cast<double>(total.elapsed()) < seconds * 1000) {
            ecu.EcuExchange(request);
            ++count;
        }
        const double stopwatch = count / (static_cast<double>(total.nsecsElapsed()) / 1e9);
        ecu.setExchangeObserver({});
        if (w == Watch::None) {
            std::printf("%-16s  %11.1f  %9s  %5s  %12s  %5s\n", watchName(w), stopwatch, "-", "-", "-", "-");
            continue;
        }
        const qint64 end = log.entries().back().endNs;
        const double monitor = log.rate(end);
        std::printf("%-16s  %11.1f  %9.1f  %4.1f%%  %12.1f  %5.2f\n", watchName(w), stopwatch, monitor,
                    100.0 * std::abs(monitor - stopwatch) / stopwatch, log.wireLimit(), log.wireShare(end));
    }
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
