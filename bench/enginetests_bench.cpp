// Engine test benchmark: the sample period of the acceleration test
// (tfUskor, one sample per 29-pixel column) and of the idle acceleration
// test (tfUskorXX, the same with a longer exchange), run by the real windows
// against kline-sim on a pseudo-terminal at 9600-baud byte timing through
// the hardware port. The plots' time axis marks 0.1 s per column; the goal
// is a period within 5 % of 100 ms, whatever the exchange takes (the pause
// fills the rest). Prints figures; nothing fails on time.
//
//   enginetests_bench [--sim PATH-TO-kline-sim] [--runs N]
#include "BenchSupport.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "link/Commands.h"
#include "link/EcuLink.h"
#include "link/HardwarePort.h"
#include "main/Program.h"
#include "tfUskor.h"
#include "tfUskorXX.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using bench::TimedPort;
using Write = TimedPort::Write;

// Bytes on the wire of one exchange: the request frame and the reply frame
// of `replyValues` one-byte values (no escapes).
int exchangeBytes(const kline::Request& request, int replyValues) {
    return static_cast<int>(kline::encodeFrame(request).size()) + replyValues + 2;
}

struct Figures {
    std::vector<double> periodsMs;
    std::vector<double> exchangesMs;
};

// Sample periods: from each sample's frame to the next one's, over the
// last `samples` frames of that kind (the acceleration test's waits before
// them have no pause).
Figures measure(const std::vector<Write>& writes,
                const QByteArray& sampleFrame, std::size_t samples) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < writes.size(); ++i)
        if (writes[i].frame == sampleFrame) at.push_back(i);
    Figures f;
    if (at.size() < samples || samples == 0) return f;
    for (std::size_t k = at.size() - samples; k < at.size(); ++k) {
        const std::size_t i = at[k];
        if (k > at.size() - samples)
            f.periodsMs.push_back(static_cast<double>(writes[i].ns - writes[at[k - 1]].ns) / 1e6);
        f.exchangesMs.push_back(static_cast<double>(writes[i].lastReadNs - writes[i].ns) / 1e6);
    }
    return f;
}

double mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v)
        s += x;
    return v.empty() ? 0 : s / static_cast<double>(v.size());
}

constexpr double kColumnMs = 100; // the time one plot column stands for

void report(const char* name, int run, const Figures& f, double goalMs) {
    if (f.periodsMs.empty()) {
        std::printf("%-10s %3d  no samples\n", name, run);
        return;
    }
    const auto [lo, hi] = std::minmax_element(f.periodsMs.begin(), f.periodsMs.end());
    const double m = mean(f.periodsMs);
    const double exchange = mean(f.exchangesMs);
    std::printf("%-10s %3d  %7zu  %8.2f  %7.2f  %7.2f  %9.2f  %7.2f  %6.3f  %+6.1f %%\n", name, run,
                f.periodsMs.size(), m, *lo, *hi, exchange, m - exchange, m / goalMs,
                (m / goalMs - 1) * 100);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString simPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/sim/kline-sim");
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim"))
            simPath = args[++i];
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
    }

    QProcess sim;
    const QString device = bench::startSimulator(sim, simPath, "enginetests_bench");
    if (device.isEmpty()) return 1;

    QElapsedTimer clock;
    clock.start();
    std::vector<Write> writes;
    QTemporaryDir dir;
    common::SettingsStore settings(dir.path() + QStringLiteral("/settings"));
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    kline::PortMap ports(&settings);
    ports.setDevice(1, device);
    kvintor::Program program(
        settings, dialogs, platform, ports,
        [&](const QString& d) {
            return std::make_unique<TimedPort>(kline::hardwarePortFactory()(d), clock, writes);
        },
        dir.path());
    program.state.AppTitle = QStringLiteral("Kvintor");
    if (program.ecu.OpenPort(1) != 0) {
        std::fprintf(stderr, "enginetests_bench: cannot open %s\n", qPrintable(device));
        return 1;
    }

    const kline::Request uskorSample{0x61, 0x29};
    const kline::Request idleSample{0x61, 0x1A, 0x2C, 0x3F, 0x20};
    const double uskorWire = kline::EcuLink::wireMs(exchangeBytes(uskorSample, 1));
    const double idleWire = kline::EcuLink::wireMs(exchangeBytes(idleSample, 5));
    std::printf("kline-sim on %s, 9600 baud; %d runs of each test\n", qPrintable(device), runs);
    std::printf("goal: one sample per %.0f ms column; wire time of a sample: tfUskor %.2f ms, "
                "tfUskorXX %.2f ms\n",
                kColumnMs, uskorWire, idleWire);
    std::printf("(exchange: from the frame's first byte to the last reply byte read; rest: the\n"
                " pause and the drawing)\n");
    std::printf(
        "test       run  periods  mean ms   min ms   max ms  exchange     rest  ratio  off goal\n");

    std::vector<double> ratios;
    int failures = 0;
    {
        // Part throttle: about 3000 rpm, above the start speed, never at
        // the end speed, so every run fills the plot.
        sim.write("throttle 40\n");
        QThread::msleep(3000);
        kvintor::tfUskor w(program, nullptr);
        w.Timer1->stop();
        for (int run = 1; run <= runs; ++run) {
            writes.clear();
            dialogs.messages.clear();
            w.Combo2->setEditText(QStringLiteral("1000"));
            w.Combo1->setEditText(QStringLiteral("6000"));
            w.startClicked();
            w.Timer1->stop();
            const std::size_t samples = w.Picture1->canvas().points().size();
            const Figures f = measure(writes, kline::encodeFrame(uskorSample), samples);
            if (!dialogs.messages.empty() || samples != 14) ++failures;
            for (const auto& m : dialogs.messages)
                std::printf("  message: %s\n", qPrintable(QString(m.text).replace(
                                                   QStringLiteral("\r\n"), QStringLiteral(" / "))));
            report("tfUskor", run, f, kColumnMs);
            if (!f.periodsMs.empty()) ratios.push_back(mean(f.periodsMs) / kColumnMs);
        }
    }
    {
        sim.write("throttle 0\n");
        QThread::msleep(4000);
        kvintor::tfUskorXX w(program, nullptr);
        for (int run = 1; run <= runs; ++run) {
            writes.clear();
            dialogs.messages.clear();
            w.startClicked();
            w.Timer1->stop();
            const std::size_t samples = w.Picture1->canvas().points().size();
            const Figures f = measure(writes, kline::encodeFrame(idleSample), samples);
            if (!dialogs.messages.empty() || samples != 26) ++failures;
            for (const auto& m : dialogs.messages)
                std::printf("  message: %s\n", qPrintable(QString(m.text).replace(
                                                   QStringLiteral("\r\n"), QStringLiteral(" / "))));
            report("tfUskorXX", run, f, kColumnMs);
            if (!f.periodsMs.empty()) ratios.push_back(mean(f.periodsMs) / kColumnMs);
            QThread::msleep(4000); // back to idle
        }
    }
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty())
        std::printf("sample period against the 100 ms column: median %.3f, worst %.3f (goal within "
                    "0.95 .. 1.05)\n",
                    ratios[ratios.size() / 2],
                    std::abs(ratios.front() - 1) > std::abs(ratios.back() - 1) ? ratios.front()
                                                                               : ratios.back());
    if (failures) std::printf("%d runs did not fill the plot or showed a message\n", failures);
    sim.write("quit\n");
    if (!sim.waitForFinished(3000)) sim.kill();
    return failures == 0 ? 0 : 1;
}
