// Graph window benchmark, in two parts.
//
// Drawing: one sample of the graph window (eight one-pixel scroll steps of
// seven strips and seven segments) on a full-HD screen, on the strips'
// images alone and in the window with and without "Плавно", no pauses, for
// the simulated engine's samples and for full-scale swings. Prints
// milliseconds per sample.
//
// Wire: the real window against kline-sim on a pseudo-terminal at 9600-baud
// byte timing through the hardware port, its own Timer1 ticking, at scroll
// pause 0 and 1 with "Плавно" on and off. The sample period is taken from
// one request frame written to the next. A sample of set 1 is 20 bytes on
// the wire; the window can be no faster than that plus its eight scroll
// pauses. Prints the ratio of that limit to the measured period (1.0 is the
// wire's pace; the goal is 0.9 or more). Figures only; nothing fails on time.
//
//   graphs_bench [--samples N] [--screen WIDTHxHEIGHT] [--sim PATH] [--xvfb]
//
// --xvfb starts an X server of its own (Xvfb, 1920 x 1080 at 24 bits, and
// openbox if it is installed) and runs the window there on the xcb platform;
// otherwise the platform is what QT_QPA_PLATFORM names (offscreen unless
// set). Without kline-sim (--sim, default next to the build's own) only the
// drawing is measured.
#include "BenchSupport.h"
#include "GraphChannels.h"
#include "GraphLayout.h"
#include "StripPainter.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "common/Time.h"
#include "fGraphik.h"
#include "link/EcuLink.h"
#include "link/FrameCodec.h"
#include "link/HardwarePort.h"
#include "main/Program.h"
#include "sim/SimulatedPort.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The sample's exchange on the wire: request and echo of 10 bytes, reply of
// 8 data bytes with checksum and terminator (set 1).
const double kWireMs = kline::EcuLink::wireMs(10 + 10);

// Lets the window settle on screen (mapped, framed, laid out).
void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Samples to draw: the simulated engine's own (set 1, read from the
// simulator in this process), or full-scale swings every sample, the
// worst a strip can be asked to move.
using Samples = std::vector<std::vector<int>>;

Samples swings(int count) {
    Samples out;
    for (int i = 0; i < count; ++i) {
        const int pabs = 400 + (i * 37) % 900;
        out.push_back(
            {pabs & 0xFF, pabs >> 8, 20 + i % 40, 20 + i % 11, i % 5, i % 3, i % 7, i % 2});
        if (i % 2) out.back() = {0xA4, 0x06, 150, 120, 24, 24, 24, 24};
    }
    return out;
}

Samples engineSamples(kvintor::Program& program, int count) {
    Samples out;
    while (static_cast<int>(out.size()) < count) {
        if (program.ecu.EcuExchange(kvintor::graphRequest(0)) != kline::kOk) break;
        const std::vector<int>& reply = program.ecu.EcuReply();
        out.emplace_back(reply.begin(), reply.begin() + std::min<std::ptrdiff_t>(8, reply.size()));
    }
    return out;
}

void report(const char* what, double ms) {
    std::printf("  %-38s %8.3f ms a sample\n", what, ms);
}

double painters(const QSize& strip, const Samples& samples) {
    std::vector<kvintor::StripPainter> strips(kvintor::kStrips);
    for (auto& s : strips) {
        s.setColours(Qt::white, Qt::black);
        s.resize(strip);
        s.moveTo(10, s.height() / 3.0);
    }
    QElapsedTimer t;
    t.start();
    for (const std::vector<int>& bytes : samples) {
        for (int step = 0; step < kvintor::kScrollSteps; ++step)
            for (auto& s : strips)
                s.scroll(1);
        for (int k = 0; k < kvintor::kStrips; ++k) {
            const int raw = kvintor::graphRawValue(0, k, bytes);
            strips[static_cast<std::size_t>(k)].drawSample(
                kvintor::segmentHeight(
                    strips[0].height(), raw,
                    kvintor::graphChannels(0)[static_cast<std::size_t>(k)].fullScale),
                true);
        }
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / static_cast<double>(samples.size());
}

// A new layout (as a scheme change makes), so that the titles stand in the
// strips again, then the samples drawn as a tick draws them.
double drawing(kvintor::fGraphik& w, bool smooth, const Samples& samples) {
    w.selectScheme(0);
    settle(100);
    w.Plavno->setChecked(smooth);
    QElapsedTimer t;
    t.start();
    for (const std::vector<int>& bytes : samples) {
        w.drawSample(bytes);
        QApplication::processEvents(); // the segment's refresh
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / static_cast<double>(samples.size());
}

// ---------------------------------------------------------------- the wire

pid_t xServer = 0; // the X server this benchmark started, if any

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v)
        s += x;
    return v.empty() ? 0 : s / static_cast<double>(v.size());
}

struct WireRun {
    int pause;
    bool smooth;
    double periodMs = 0;   // mean from one request to the next
    double medianMs = 0;   // median of the same
    double exchangeMs = 0; // mean from the frame written to the reply's last byte read
    double limitMs = 0;    // the wire and the pauses
    std::size_t periods = 0;
    double titlesMs = 0; // mean while the titles still stand in the strips
    double afterMs = 0;  // mean once they have moved out
    double cpuMs = 0;    // the program's processor time a sample
    double serverMs = 0; // the X server's, where it is ours
};

// The window at that pause and smoothing, ticking on its own for `samples`
// samples after a few to settle.
WireRun wireRun(kvintor::Program& program, std::vector<bench::TimedPort::Write>& writes, int pause,
                bool smooth, int samples) {
    const QString section = QStringLiteral("fGraphik");
    program.SaveSetting(section, QStringLiteral("Обновление"), QString::number(pause));
    program.SaveSetting(section, QStringLiteral("Плавно"),
                        smooth ? QStringLiteral("True") : QStringLiteral("False"));
    program.SaveSetting(section, QStringLiteral("Набор"), QStringLiteral("0"));
    auto* w = new kvintor::fGraphik(program, nullptr);
    w->Timer1->stop();
    w->show();
    settle(500);
    writes.clear();
    const double cpu0 = bench::cpuMs(::getpid());
    const double server0 = xServer ? bench::cpuMs(xServer) : 0;
    w->Timer1->start();
    const QByteArray frame = kline::encodeFrame(kvintor::graphRequest(0));
    constexpr int kSettleSamples = 5;
    QElapsedTimer guard;
    guard.start();
    while (guard.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (static_cast<int>(writes.size()) >= samples + kSettleSamples + 1) break;
    }
    w->Timer1->stop();
    const double ticks = static_cast<double>(std::max<std::size_t>(writes.size(), 1));
    WireRun r{pause, smooth};
    r.cpuMs = (bench::cpuMs(::getpid()) - cpu0) / ticks;
    r.serverMs = xServer ? (bench::cpuMs(xServer) - server0) / ticks : 0;
    // A title leaves the strip after about W / 8 samples (8 pixels each).
    const std::size_t titlesGone = static_cast<std::size_t>(w->stripWidth() / 8 + 2);
    delete w;
    QApplication::processEvents();

    r.limitMs = kWireMs + kvintor::kScrollSteps * pause;
    std::vector<double> periods;
    std::vector<double> exchanges;
    for (std::size_t i = kSettleSamples + 1; i < writes.size(); ++i) {
        if (writes[i].frame != frame || writes[i - 1].frame != frame) continue;
        periods.push_back(static_cast<double>(writes[i].ns - writes[i - 1].ns) / 1e6);
        exchanges.push_back(static_cast<double>(writes[i - 1].lastReadNs - writes[i - 1].ns) / 1e6);
    }
    r.periods = periods.size();
    r.periodMs = mean(periods);
    const auto split =
        periods.begin() + static_cast<std::ptrdiff_t>(std::min(titlesGone, periods.size()));
    r.titlesMs = mean(std::vector<double>(periods.begin(), split));
    r.afterMs = mean(std::vector<double>(split, periods.end()));
    r.medianMs = median(periods);
    r.exchangeMs = mean(exchanges);
    return r;
}

int wire(const QString& simPath, int samples) {
    QProcess sim;
    const QString device = bench::startSimulator(sim, simPath, "graphs_bench");
    if (device.isEmpty()) return 1;
    QElapsedTimer clock;
    clock.start();
    std::vector<bench::TimedPort::Write> writes;
    QTemporaryDir dir;
    common::SettingsStore settings(dir.path() + QStringLiteral("/settings"));
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    kline::PortMap ports(&settings);
    ports.setDevice(1, device);
    kvintor::Program program(
        settings, dialogs, platform, ports,
        [&](const QString& d) {
            return std::make_unique<bench::TimedPort>(kline::hardwarePortFactory()(d), clock, writes);
        },
        dir.path());
    program.state.AppTitle = QStringLiteral("Kvintor");
    if (program.ecu.OpenPort(1) != 0) {
        std::fprintf(stderr, "graphs_bench: cannot open %s\n", qPrintable(device));
        return 1;
    }
    std::printf("\nwire: kline-sim on %s, 9600 baud, set 1 (%.2f ms on the wire a sample), "
                "%d samples a run\n",
                qPrintable(device), kWireMs, samples);
    std::printf("  pause  \"Плавно\"  periods  mean ms  median ms  exchange  rest   limit ms  "
                "ratio   cpu ms  X ms\n");
    std::vector<WireRun> runs;
    for (int pause : {0, 1})
        for (bool smooth : {true, false}) {
            const WireRun r = wireRun(program, writes, pause, smooth, samples);
            runs.push_back(r);
            std::printf(
                "  %5d  %-9s %7zu  %7.2f  %9.2f  %8.2f  %5.2f  %8.2f  %5.3f  %6.2f  %5.2f\n",
                r.pause, r.smooth ? "on" : "off", r.periods, r.periodMs, r.medianMs, r.exchangeMs,
                r.periodMs - r.exchangeMs - kvintor::kScrollSteps * r.pause, r.limitMs,
                r.periodMs > 0 ? r.limitMs / r.periodMs : 0.0, r.cpuMs, r.serverMs);
        }
    std::printf("  (ratio: the wire and the pauses over the mean period; rest: the period less\n"
                "   the exchange and the pauses, the drawing and the event loop)\n");
    const auto ratio = [](double limit, double period) {
        return period > 0 ? limit / period : 0.0;
    };
    std::printf("\nratios to the limit (goal 0.9 or more): all samples, while the titles stand in "
                "the strips, after; the median period's\n");
    for (const WireRun& r : runs)
        std::printf("ratio pause %d \"Плавно\" %-3s %.3f  %.3f  %.3f  %.3f\n", r.pause,
                    r.smooth ? "on" : "off", ratio(r.limitMs, r.periodMs),
                    ratio(r.limitMs, r.titlesMs), ratio(r.limitMs, r.afterMs),
                    ratio(r.limitMs, r.medianMs));
    if (!dialogs.messages.empty()) std::printf("%zu messages shown\n", dialogs.messages.size());
    sim.write("quit\n");
    if (!sim.waitForFinished(3000)) sim.kill();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    bool xvfb = false;
    for (int i = 1; i < argc; ++i)
        xvfb = xvfb || std::string(argv[i]) == "--xvfb";
    bench::XServer x;
    if (xvfb) {
        if (!x.start("graphs_bench")) return 1;
        xServer = x.server();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int status = 0;
    {
        QApplication app(argc, argv);
        int samples = 500;
        QSize screen(1920, 1080);
        QString simPath =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../src/sim/kline-sim");
        const QStringList args = app.arguments();
        for (int i = 1; i + 1 < args.size(); ++i) {
            if (args[i] == QLatin1String("--samples"))
                samples = std::max(2, args[++i].toInt());
            else if (args[i] == QLatin1String("--sim"))
                simPath = args[++i];
            else if (args[i] == QLatin1String("--screen")) {
                const QStringList wh = args[++i].split(QLatin1Char('x'));
                if (wh.size() == 2) screen = QSize(wh[0].toInt(), wh[1].toInt());
            }
        }
        const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
        if (!offscreen && QGuiApplication::primaryScreen())
            screen = QGuiApplication::primaryScreen()->size();
        std::printf("graph window, screen %d x %d, platform %s\n", screen.width(), screen.height(),
                    qPrintable(QGuiApplication::platformName()));

        QTemporaryDir dir;
        common::SettingsStore settings(dir.path() + QStringLiteral("/settings"));
        common::RecordingDialogs dialogs;
        common::RecordingPlatform platform;
        kline::PortMap ports(&settings);
        auto simulator = std::make_shared<sim::Simulator>();
        kvintor::Program program(settings, dialogs, platform, ports,
                                 sim::simulatedPortFactory(simulator, false), dir.path());
        program.ecu.OpenPort(1);
        if (offscreen) {
            program.screenSize = [screen] { return screen; };
            program.availableArea = [screen] { return QRect(QPoint(0, 0), screen); };
        }
        // The drawing alone: no pauses.
        common::setPauseHook([](int) {});
        auto* w = new kvintor::fGraphik(program, nullptr);
        w->Timer1->stop();
        w->show();
        settle(500);
        const QSize strip(w->stripWidth(), w->stripHeight());
        std::printf("\ndrawing, %d samples, strips of %d x %d pixels, no pauses\n", samples,
                    strip.width(), strip.height());
        const Samples engine = engineSamples(program, samples);
        const Samples worst = swings(samples);
        for (const auto& [name, data] :
             {std::pair<const char*, const Samples*>{"the simulated engine", &engine},
              {"full-scale swings", &worst}}) {
            std::printf(" %s:\n", name);
            report("strip images only", painters(strip, *data));
            report("window, without \"Плавно\"", drawing(*w, false, *data));
            report("window, with \"Плавно\"", drawing(*w, true, *data));
        }
        delete w;
        common::setPauseHook(nullptr);

        if (QFileInfo(simPath).isExecutable())
            status = wire(simPath, samples);
        else
            std::printf("\nno kline-sim at %s: the wire is not measured\n", qPrintable(simPath));
    }
    return status;
}
