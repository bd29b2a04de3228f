// Link monitor benchmark. Figures only; nothing fails on time.
//  1. What the program's exchange log costs: exchanges against the
//     in-process simulated ECU (instant, so the exchange's own work is all
//     there is), unwatched, watched by an observer that does nothing, and
//     kept in a full log (20 000 exchanges, as Kvintor keeps them from its
//     start); the log's time per exchange against the exchange's own time
//     on the 9600-baud wire, the memory a full log holds, and what opening
//     the monitor on a full log takes.
//  2. On kline-sim behind a pseudo-terminal at 9600 baud, as link_bench
//     polls: the stopwatch's exchanges per second and the monitor's own
//     figure for them, unwatched and kept in the log, with the ratio to the
//     wire limit.
//
//   monitor_bench [--sim PATH-TO-kline-sim] [--seconds N] [--exchanges N]
#include "BenchSupport.h"
#include "MonitorModel.h"
#include "common/Platform.h"
#include "common/ProgramState.h"
#include "common/RecordingDialogs.h"
#include "common/SettingsStore.h"
#include "link/Commands.h"
#include "link/EcuLink.h"
#include "link/ExchangeLog.h"
#include "link/HardwarePort.h"
#include "sim/SimulatedPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <optional>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

enum class Watch { None, Empty, Log };
const char* watchName(Watch w) {
    return w == Watch::None ? "unwatched" : w == Watch::Empty ? "empty observer" : "program's log";
}

void watch(kline::EcuLink& ecu, Watch w, kline::ExchangeLog& log) {
    if (w == Watch::None) ecu.setExchangeObserver({});
    else if (w == Watch::Empty) ecu.setExchangeObserver([](const kline::ExchangeSeen&) {});
    else
        ecu.setExchangeObserver([&log](const kline::ExchangeSeen& s) { log.add(s); });
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

// Bytes the heap holds now; nothing where the C library cannot tell.
std::optional<double> heapInUse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
    return static_cast<double>(mallinfo2().uordblks);
#else
    return std::nullopt;
#endif
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
    constexpr auto kFull = kline::ExchangeLog::kCapacity;

    // ---- 1. the cost of the program's log
    {
        Rig rig;
        auto simulator = std::make_shared<sim::Simulator>();
        rig.ports.setDevice(1, QStringLiteral("sim"));
        kline::EcuLink ecu(rig.ctx, rig.ports, sim::simulatedPortFactory(simulator, false));
        if (ecu.OpenPort(1) != 0) return 1;
        kline::ExchangeLog log;
        // Full from the start: every exchange timed also drops the oldest.
        watch(ecu, Watch::Log, log);
        while (log.entries().size() < kFull)
            ecu.EcuExchange(request);
        const auto& last = log.entries().back().exchange;
        const int wireBytes = static_cast<int>(last.frame.size() + last.reply.size());

        std::printf("in-process simulated ECU, page 2, %d exchanges a round, best of 5\n", exchanges);
        std::printf("%-16s  us/exchange\n", "watching");
        double ns[3] = {0, 0, 0};
        double unwatched[2] = {0, 0};
        int k = 0;
        for (Watch w : {Watch::None, Watch::Empty, Watch::Log, Watch::None}) {
            watch(ecu, w, log);
            const double one = perExchange(ecu, request, exchanges);
            if (w == Watch::None)
                unwatched[k++] = one;
            else
                ns[static_cast<int>(w)] = one;
            std::printf("%-16s  %11.2f%s\n", watchName(w), one / 1000,
                        w == Watch::Log ? "  (full: 20 000 kept)" : "");
        }
        ecu.setExchangeObserver({});
        const double base = std::min(unwatched[0], unwatched[1]);
        std::printf("unwatched, first and last round apart: %.1f %% (the noise of the machine)\n",
                    100.0 * std::abs(unwatched[1] - unwatched[0]) / unwatched[0]);
        const double costUs = std::max(0.0, ns[static_cast<int>(Watch::Log)] - base) / 1000;
        const double wireUs = kline::EcuLink::wireMs(wireBytes) * 1000;
        std::printf("the program's log: %.2f us an exchange, %.4f %% of its %.1f ms on the wire "
                    "(%d bytes at 9600 baud)\n",
                    costUs, 100.0 * costUs / wireUs, wireUs / 1000, wireBytes);

        // What a full log holds: each exchange's own frame and reply, as
        // the link hands them over.
        const kline::LoggedExchange sample = log.entries().back();
        log = kline::ExchangeLog();
        const auto before = heapInUse();
        {
            kline::ExchangeLog full;
            for (std::size_t i = 0; i < kFull; ++i) {
                const QByteArray frame(sample.exchange.frame.constData(),
                                       sample.exchange.frame.size());
                const QByteArray reply(sample.exchange.reply.constData(),
                                       sample.exchange.reply.size());
                full.add({sample.request, frame, reply, sample.exchange.result, 0, 30'000'000});
            }
            const auto after = heapInUse();
            if (before && after)
                std::printf("a full log (20 000 exchanges of page 2) holds %.1f MB, %.0f bytes an "
                            "exchange\n",
                            (*after - *before) / 1e6,
                            (*after - *before) / static_cast<double>(kFull));
            else
                std::printf("a full log: its memory cannot be measured here\n");

            // Opening the monitor: its list copies what the log keeps.
            double best = 1e18;
            for (int round = 0; round < 5; ++round) {
                QElapsedTimer t;
                t.start();
                kvintor::MonitorModel model(full, nullptr);
                model.refresh();
                best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e6);
            }
            std::printf("the monitor opened on a full log lists its 20 000 rows in %.1f ms\n",
                        best);
        }
    }

    // ---- 2. the monitor's rate against the stopwatch on the wire
    QProcess sim;
    const QString device = bench::startSimulator(sim, simPath, "monitor_bench");
    if (device.isEmpty()) return 0;
    Rig rig;
    rig.ports.setDevice(1, device);
    kline::EcuLink ecu(rig.ctx, rig.ports, kline::hardwarePortFactory());
    if (ecu.OpenPort(1) != 0) {
        std::fprintf(stderr, "monitor_bench: cannot open %s\n", qPrintable(device));
        return 1;
    }
    std::printf("\nkline-sim on %s, page 2, %.1f s each, 9600 baud\n", qPrintable(device), seconds);
    std::printf("%-16s  stopwatch/s  monitor/s  apart  wire limit/s  ratio\n", "watching");
    for (Watch w : {Watch::None, Watch::Log}) {
        kline::ExchangeLog log;
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
