// Link benchmark: the hardware port and the exchange against kline-sim on a
// pseudo-terminal, polling each live page for a few seconds. Prints the
// exchanges per second, the ratio to what the wire allows, and the median
// turnaround. Figures only; nothing fails on time.
//
//   link_bench [--sim PATH-TO-kline-sim] [--seconds N]
#include "BenchSupport.h"
#include "common/Platform.h"
#include "common/ProgramState.h"
#include "common/RecordingDialogs.h"
#include "common/SettingsStore.h"
#include "link/Commands.h"
#include "link/EcuLink.h"
#include "link/HardwarePort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString simPath = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/sim/kline-sim");
    double seconds = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim")) simPath = args[++i];
        else if (args[i] == QLatin1String("--seconds")) seconds = args[++i].toDouble();
    }

    QProcess sim;
    const QString device = bench::startSimulator(sim, simPath, "link_bench");
    if (device.isEmpty()) return 1;

    QTemporaryDir dir;
    common::SettingsStore settings(dir.path());
    common::RecordingDialogs dialogs;
    common::DesktopPlatform platform;
    common::ProgramState state;
    state.SpeakerMode = 0;
    common::Context ctx{settings, dialogs, platform, state, nullptr};
    kline::PortMap ports;
    ports.setDevice(1, device);
    kline::EcuLink ecu(ctx, ports, kline::hardwarePortFactory());
    if (ecu.OpenPort(1) != 0) {
        std::fprintf(stderr, "link_bench: cannot open %s\n", qPrintable(device));
        return 1;
    }

    std::printf("kline-sim on %s, %.1f s per page, 9600 baud (960 bytes/s on the wire)\n",
                qPrintable(device), seconds);
    std::printf("page  wire bytes  exchanges/s  wire limit/s  ratio  median ms  failures\n");
    double worst = 1e9;
    for (int page = 0; page < 4; ++page) {
        const kline::Request request = kline::cmd::livePage(page, false);
        std::vector<double> turns;
        int failures = 0;
        int wireBytes = 0;
        QElapsedTimer total;
        total.start();
        while (static_cast<double>(total.elapsed()) < seconds * 1000) {
            QElapsedTimer one;
            one.start();
            const int r = ecu.EcuExchange(request);
            turns.push_back(static_cast<double>(one.nsecsElapsed()) / 1e6);
            if (r != kline::kOk) {
                ++failures;
                continue;
            }
            kline::Request body;
            for (int e : ecu.EcuReply()) body.push_back(static_cast<std::uint8_t>(e));
            // The reply's checksum was dropped; its frame is the body re-encoded.
            wireBytes = static_cast<int>(kline::encodeFrame(request).size() + kline::encodeFrame(body).size());
        }
        const double elapsed = static_cast<double>(total.nsecsElapsed()) / 1e9;
        const double rate = static_cast<double>(turns.size()) / elapsed;
        const double limit = wireBytes > 0 ? 960.0 / wireBytes : 0;
        std::sort(turns.begin(), turns.end());
        const double median = turns.empty() ? 0 : turns[turns.size() / 2];
        const double ratio = limit > 0 ? rate / limit : 0;
        worst = std::min(worst, ratio);
        std::printf("%4d  %10d  %11.1f  %12.1f  %5.2f  %9.1f  %8d\n", page + 1, wireBytes, rate, limit,
                    ratio, median, failures);
    }
    std::printf("worst ratio to the wire limit: %.2f (target 0.90)\n", worst);
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
