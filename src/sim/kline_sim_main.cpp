// kline-sim: a simulated ECU behind a K-line adapter, served on a
// pseudo-terminal that the tool set opens as its serial port.
//
//   kline-sim [--headless] [--link PATH] [--image FILE] [--engine 4062|4063|carb]
//             [--seed N] [--stopped] [--fault LINEFAULT] [--replay TRACE]
//   kline-sim --help | --version
//
// The first line printed is the terminal's device path (printed again when
// the adapter is plugged back in after "fault port-gone"). It takes commands
// on standard input, one a line, for scripts and tests, with or without the
// control panel; "help" lists them (see Console.h). With --replay the ECU
// answers from a trace saved by Kvintor's link monitor (see Replay.h).
#include "Console.h"
#include "ControlPanel.h"
#include "KlineSimUsage.h"
#include "PtyServer.h"
#include "Replay.h"
#include "Simulator.h"
#include "common/ProgramIcon.h"
#include "common/ProgramOptions.h"
#include "common/Translations.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

std::atomic<bool> quitRequested{false};
void onSignal(int) {
    quitRequested = true;
}

int usage(const char* why) {
    if (why) std::fprintf(stderr, "kline-sim: %s\n", why);
    std::fprintf(stderr, "usage: kline-sim [--headless] [--link PATH] [--image FILE] "
                         "[--engine 4062|4063|carb] [--seed N] [--stopped] [--fault LINEFAULT] "
                         "[--replay TRACE]\n");
    return 64;
}

// What the command line asks for.
struct Options {
    bool headless = false;
    QString link;
    QString imagePath;
    QString tracePath;
    sim::SimOptions sim;
    sim::LineFault startFault = sim::LineFault::None;
};

// The options, or in *why what is wrong with them.
std::optional<Options> parseArguments(const QStringList& args, QString* why) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--headless")) {
            o.headless = true;
        } else if (a == QLatin1String("--stopped")) {
            o.sim.engineRunning = false;
        } else if (a == QLatin1String("--link") && hasValue) {
            o.link = args[++i];
        } else if (a == QLatin1String("--image") && hasValue) {
            o.imagePath = args[++i];
        } else if (a == QLatin1String("--replay") && hasValue) {
            o.tracePath = args[++i];
        } else if (a == QLatin1String("--fault") && hasValue) {
            const auto f = sim::lineFaultFromName(args[++i]);
            if (!f) {
                *why = QStringLiteral("unknown line fault ") + args[i];
                return std::nullopt;
            }
            o.startFault = *f;
        } else if (a == QLatin1String("--seed") && hasValue) {
            o.sim.seed = args[++i].toUInt();
        } else if (a == QLatin1String("--engine") && hasValue) {
            const QString e = args[++i];
            if (e == QLatin1String("4062")) {
                o.sim.fuelling = sim::Fuelling::Injection4062;
            } else if (e == QLatin1String("4063")) {
                o.sim.fuelling = sim::Fuelling::Injection4063;
            } else if (e == QLatin1String("carb")) {
                o.sim.fuelling = sim::Fuelling::Carburettor;
            } else {
                *why = QStringLiteral("--engine takes 4062, 4063 or carb");
                return std::nullopt;
            }
        } else {
            *why = QStringLiteral("unknown argument %1").arg(a);
            return std::nullopt;
        }
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    // Neither do --help and --version.
    if (const auto done =
            common::answerInfoOption(argc, argv, QStringLiteral("kline-sim"), sim::klineSimUsage))
        return *done;
    // Nor does a wrong command line. Qt's own options (-platform, -style,
    // ...) are QApplication's.
    QString wrong;
    const std::optional<Options> parsed =
        parseArguments(common::withoutQtOptions(common::programArguments(argc, argv)), &wrong);
    if (!parsed) return usage(qPrintable(wrong));
    const Options& o = *parsed;
    // Headless runs need no display at all.
    if (o.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    common::installRussianTranslations(app);
    common::showAsDesktopProgram(app, common::DesktopProgram::KlineSim);
    const bool headless = o.headless;
    const QString& link = o.link;
    const QString& imagePath = o.imagePath;
    const QString& tracePath = o.tracePath;
    const sim::SimOptions& options = o.sim;
    const sim::LineFault startFault = o.startFault;

    auto simulator = std::make_shared<sim::Simulator>(options);
    if (!imagePath.isEmpty()) {
        QFile f(imagePath);
        if (!f.open(QIODevice::ReadOnly) || !simulator->ecu.setImage(f.readAll()))
            return usage(
                qPrintable(QStringLiteral("%1: not a readable 65536-byte image").arg(imagePath)));
    }

    // A car's visit served again: the ECU answers from the trace.
    std::unique_ptr<sim::Replay> replay;
    if (!tracePath.isEmpty()) {
        QString why;
        const auto trace = kline::trace::load(tracePath, &why);
        if (!trace) return usage(qPrintable(QStringLiteral("--replay: %1").arg(why)));
        replay = std::make_unique<sim::Replay>(*trace);
        replay->serve(*simulator);
        std::fprintf(stderr, "kline-sim: replaying %zu exchanges of %zu requests from %s\n",
                     trace->size(), replay->requests(), qPrintable(tracePath));
    }

    simulator->adapter.setFault(startFault);
    sim::PtyServer server(simulator);
    QString error;
    if (!server.start(&error)) return usage(qPrintable(error));
    if (!link.isEmpty() && !server.setLink(link, &error)) return usage(qPrintable(error));
    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [] {
        if (quitRequested) QCoreApplication::quit();
    });
    watch.start(100);

    auto setLineFault = [&](sim::LineFault f) {
        {
            std::lock_guard<std::recursive_mutex> lock(simulator->mutex);
            simulator->adapter.setFault(f);
        }
        if (f == sim::LineFault::PortGone) {
            server.unplug();
        } else if (!server.pluggedIn()) {
            server.plugIn();
            std::printf("%s\n", qPrintable(server.devicePath()));
            std::fflush(stdout);
        }
    };
    std::unique_ptr<sim::ControlPanel> panel;
    auto showDevice = [&] {
        if (panel)
            panel->setDevicePath(server.pluggedIn() ? server.devicePath()
                                                    : QStringLiteral("(отключён)"));
    };
    if (!headless) {
        panel = std::make_unique<sim::ControlPanel>(simulator);
        showDevice();
        QObject::connect(panel.get(), &sim::ControlPanel::lineFaultChanged, &app,
                         [&](sim::LineFault f) {
                             setLineFault(f);
                             showDevice();
                         });
        panel->show();
    }
    // Commands on standard input, with or without the panel.
    sim::Console console(simulator, {[&](sim::LineFault f) {
                                         setLineFault(f);
                                         if (panel) panel->showLineFault(f);
                                         showDevice();
                                     },
                                     [] { QCoreApplication::quit(); }});
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) { // standard input closed: keep serving
            input.setEnabled(false);
            return;
        }
        pending.append(buf, static_cast<int>(n));
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QString answer = console.execute(QString::fromUtf8(pending.left(nl)));
            pending.remove(0, nl + 1);
            if (answer.isEmpty()) continue;
            std::printf("%s\n", answer.toUtf8().constData());
            std::fflush(stdout);
        }
    });

    const int rc = app.exec();
    server.stop();
    return rc;
}
