// Graph drawing benchmark: one sample of the graph window (56 one-pixel
// in-place copies and seven segments) on a full-HD screen, first on the
// strips' images alone, then in the window with and without "Плавно" (the
// screen refreshed after every step). Prints milliseconds per sample and
// their share of the wire time of the exchange that fetches a sample at
// 9600 baud. Figures only; nothing fails on time.
//
//   graphs_bench [--samples N] [--screen WIDTHxHEIGHT]
// Runs on the platform QT_QPA_PLATFORM names (offscreen unless set).
#include "GraphChannels.h"
#include "GraphLayout.h"
#include "StripPainter.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "common/Time.h"
#include "fGraphik.h"
#include "link/EcuLink.h"
#include "main/Program.h"
#include "sim/SimulatedPort.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// The sample's exchange on the wire: request and echo of 10 bytes, reply of
// 8 data bytes with checksum and terminator (set 1).
const double kWireMs = kline::EcuLink::wireMs(10 + 10);

std::vector<int> sampleBytes(int i) {
    const int pabs = 400 + (i * 37) % 900;
    return {pabs & 0xFF, pabs >> 8, 20 + i % 40, 20 + i % 11, i % 5, i % 3, i % 7, i % 2};
}

void report(const char* what, double ms) {
    std::printf("%-36s %8.3f ms   %5.1f %% of the %.1f ms wire time\n", what, ms,
                100.0 * ms / kWireMs, kWireMs);
}

double painters(const QSize& screen, int samples) {
    // The strips' size in the window on that screen, less a menu bar.
    const kvintor::GraphGeometry g =
        kvintor::graphGeometry(QSize(screen.width(), screen.height() - 24));
    std::vector<kvintor::StripPainter> strips(kvintor::kStrips);
    for (auto& s : strips) {
        s.setColours(Qt::white, Qt::black);
        s.resize(g.strips[0].size());
        s.moveTo(10, s.height() / 3.0);
    }
    std::printf("strips of %d x %d pixels\n", g.strips[0].width(), g.strips[0].height());
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < samples; ++i) {
        for (int step = 0; step < kvintor::kScrollSteps; ++step)
            for (auto& s : strips)
                s.scrollStep();
        const std::vector<int> bytes = sampleBytes(i);
        for (int k = 0; k < kvintor::kStrips; ++k) {
            const int raw = kvintor::graphRawValue(0, k, bytes);
            strips[static_cast<std::size_t>(k)].drawSample(
                kvintor::segmentHeight(
                    strips[0].height(), raw,
                    kvintor::graphChannels(0)[static_cast<std::size_t>(k)].fullScale),
                true);
        }
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / samples;
}

double window(kvintor::fGraphik& w, bool smooth, int samples) {
    w.Plavno->setChecked(smooth);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < samples; ++i) {
        w.drawSample(sampleBytes(i));
        QApplication::processEvents(); // the segment's refresh
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / samples;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int samples = 200;
    QSize screen(1920, 1080);
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--samples"))
            samples = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--screen")) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            if (wh.size() == 2) screen = QSize(wh[0].toInt(), wh[1].toInt());
        }
    }
    std::printf("graph drawing, %d samples, screen %d x %d, platform %s\n", samples, screen.width(),
                screen.height(), qPrintable(QGuiApplication::platformName()));
    report("strip images only", painters(screen, samples));

    // The window itself, without pauses (scroll pause 0).
    common::setPauseHook([](int) {});
    QTemporaryDir dir;
    common::SettingsStore settings(dir.path() + QStringLiteral("/settings"));
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    kline::PortMap ports(&settings);
    auto simulator = std::make_shared<sim::Simulator>();
    kvintor::Program program(settings, dialogs, platform, ports,
                             sim::simulatedPortFactory(simulator, false), dir.path());
    program.screenSize = [screen] { return screen; };
    auto* w = new kvintor::fGraphik(program, nullptr);
    w->Timer1->stop();
    w->show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents();
    std::printf("window strips of %d x %d pixels\n", w->stripWidth(), w->stripHeight());
    report("window, without \"Плавно\"", window(*w, false, samples));
    report("window, with \"Плавно\" (56 refreshes)", window(*w, true, samples));
    delete w;
    return 0;
}
