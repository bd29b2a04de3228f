// Fermel benchmark: the four ignition tables read from kline-sim on a
// pseudo-terminal through the hardware port and Fermel's own exchange, as
// the ECU window does it (requests 1 and 81, then command 37 for each
// table). Prints the time of each load, the wire time of the exchanges
// involved at 9600 baud (10 bits a byte, request and reply frames), and
// their ratio. Figures only; nothing fails on time.
//
//   fermel_bench [--sim PATH-TO-kline-sim] [--loads N] [--engine 4063|standard]
#include "BenchSupport.h"
#include "editor/FermelLink.h"
#include "link/HardwarePort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Bytes of the request frame and of the reply frame of the last exchange.
int wireBytes(const kline::Request& request, const editor::FermelLink& link) {
    kline::Request body;
    for (int e : link.Reply())
        body.push_back(static_cast<std::uint8_t>(e));
    return static_cast<int>(kline::encodeFrame(request).size() + kline::encodeFrame(body).size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString simPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/sim/kline-sim");
    int loads = 5;
    editor::EngineType engine = editor::EngineType::Standard;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim"))
            simPath = args[++i];
        else if (args[i] == QLatin1String("--loads"))
            loads = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--engine"))
            engine = args[++i] == QLatin1String("4063") ? editor::EngineType::Zmz4063
                                                        : editor::EngineType::Standard;
    }

    QProcess sim;
    const QString device = bench::startSimulator(sim, simPath, "fermel_bench");
    if (device.isEmpty()) return 1;
    kline::PortMap ports;
    ports.setDevice(1, device);
    editor::FermelLink link(ports, kline::hardwarePortFactory());
    if (!link.OpenPort(1)) {
        std::fprintf(stderr, "fermel_bench: cannot open %s\n", qPrintable(device));
        return 1;
    }

    std::printf("kline-sim on %s, %d loads of the four tables, 9600 baud (960 bytes/s)\n",
                qPrintable(device), loads);
    std::printf("load  wire bytes  wire ms  load ms  ratio  failures\n");
    std::vector<double> ratios;
    for (int n = 1; n <= loads; ++n) {
        std::vector<kline::Request> requests{{1}, {81}};
        for (int t = 0; t < editor::kTables; ++t)
            requests.push_back(editor::tableRequest(engine, t));
        int bytes = 0;
        int failures = 0;
        QElapsedTimer clock;
        clock.start();
        for (const kline::Request& r : requests) {
            if (link.Exchange(r) != editor::kLinkOk) {
                ++failures;
                continue;
            }
            bytes += wireBytes(r, link);
        }
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const double wireMs = bytes * 1000.0 / 960.0;
        const double ratio = wireMs > 0 ? ms / wireMs : 0;
        if (failures == 0) ratios.push_back(ratio);
        std::printf("%4d  %10d  %7.1f  %7.1f  %5.3f  %8d\n", n, bytes, wireMs, ms, ratio, failures);
    }
    std::sort(ratios.begin(), ratios.end());
    if (ratios.empty()) {
        std::printf("no load succeeded\n");
    } else {
        std::printf(
            "median ratio of load time to wire time: %.3f, worst %.3f (goal at most 1.15)\n",
            ratios[ratios.size() / 2], ratios.back());
    }
    sim.write("quit\n");
    if (!sim.waitForFinished(3000)) sim.kill();
    return ratios.size() == static_cast<std::size_t>(loads) ? 0 : 1;
}
