// Responsiveness benchmark: Kvintor on kline-sim (a pseudo-terminal at
// 9600-baud byte timing, through the hardware port) with the ECU answering,
// silent, without the adapter's echo and with the adapter unplugged. In each
// case the main window polls, an adjustment window opens and applies a
// value, an engine test (the idle acceleration test) opens and runs, the
// graph window opens, and the fault list, the passport and the adaptation
// tables open one after another; a probe timer inside the program measures the
// longest time the event loop was kept from it in each. Printed as
// milliseconds and as a share of the 100 ms a mechanic notices; nothing
// fails on time. --xvfb runs it on an X server of its own (Xvfb at
// 1920 x 1080, openbox where installed); otherwise on whatever display Qt is
// given (QT_QPA_PLATFORM), offscreen by default.
//
//   responsiveness [--sim PATH-TO-kline-sim] [--seconds S] [--xvfb]
#include "AllWindows.h"
#include "BenchSupport.h"
#include "adjust/AdjustWindows.h"
#include "adjust/AdjustmentWindow.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "enginetests/tfUskorXX.h"
#include "link/HardwarePort.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

// The probe ticks as often as the polling timers do, so that it takes its
// turn among them as an input event would.
constexpr int kProbeMs = 1;
constexpr double kNoticeMs = 100;

// The longest time the event loop did not serve a 10 ms timer.
class Probe {
  public:
    Probe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kProbeMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (last_ >= 0 && now - last_ - kProbeMs > worst_) {
                worst_ = now - last_ - kProbeMs;
                worstEndNs_ = steadyNs();
            }
            last_ = now;
        });
        clock_.start();
    }
    void start() {
        worst_ = 0;
        last_ = -1;
        timer_.start();
    }
    qint64 stop() {
        timer_.stop();
        return std::max<qint64>(worst_, 0);
    }
    // When the longest block ended, on the exchange log's clock.
    qint64 worstEndNs() const { return worstEndNs_; }
    static qint64 steadyNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    qint64 worst_ = 0;
    qint64 worstEndNs_ = 0;
};

// With RESPONSIVENESS_DETAIL set: the exchanges inside the longest block.
void detail(const char* what, const Probe& probe, qint64 worstMs, const kline::ExchangeLog& log) {
    if (qEnvironmentVariableIsEmpty("RESPONSIVENESS_DETAIL")) return;
    const qint64 end = probe.worstEndNs();
    const qint64 begin = end - (worstMs + kProbeMs) * 1000000;
    std::printf("  %s: block of %lld ms\n", what, static_cast<long long>(worstMs));
    for (const auto& e : log.entries())
        if (e.endNs >= begin && e.startNs <= end)
            std::printf("    %+7.1f ms  %5.1f ms  result %d  %s\n", static_cast<double>(e.startNs - begin) / 1e6,
                        static_cast<double>(e.endNs - e.startNs) / 1e6, e.exchange.result,
                        QByteArray(reinterpret_cast<const char*>(e.request.data()),
                                   static_cast<int>(e.request.size()))
                            .toHex(' ')
                            .constData());
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs `what` from the event loop as an input event would come: after the
// probe, not queued right behind whatever handler ran last.
void later(QObject* context, const std::function<void()>& what) {
    QTimer::singleShot(1, Qt::PreciseTimer, context, what);
}

// Runs `what` from the event loop and goes on until `done` answers true or
// the time is up.
void runUntil(QObject* context, const std::function<void()>& what, const std::function<bool()>& done,
              int maxMs) {
    later(context, what);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < maxMs && !done()) runFor(20);
}

} // namespace

int main(int argc, char** argv) {
    bench::XServer x;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--xvfb" && !x.start("responsiveness")) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString simPath = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/sim/kline-sim");
    int seconds = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim"))
            simPath = args[++i];
        else if (args[i] == QLatin1String("--seconds"))
            seconds = std::max(1, args[++i].toInt());
    }

    QProcess sim;
    QString device = bench::startSimulator(sim, simPath, "responsiveness");
    if (device.isEmpty()) return 1;
    const auto command = [&sim](const QByteArray& line) {
        sim.readAll();
        sim.write(line + '\n');
        sim.waitForBytesWritten(1000);
        sim.waitForReadyRead(1000);
    };

    QTemporaryDir dir;
    common::SettingsStore settings(dir.path() + QStringLiteral("/settings"));
    settings.SaveSetting(kvintor::Program::kApp, QStringLiteral("fNastr"), QStringLiteral("ВыбрПорт"),
                         QStringLiteral("1"));
    common::RecordingDialogs dialogs; // a box would wait for a hand
    common::RecordingPlatform platform;
    kline::PortMap ports(&settings);
    ports.setDevice(1, device);
    kvintor::Program program(settings, dialogs, platform, ports, kline::hardwarePortFactory(), dir.path());
    program.endProgram = [] {};
    // The ECU data windows are modal: shown for modalMs when that is set.
    int modalMs = 0;
    program.execModal = [&modalMs](QDialog& d) {
        if (modalMs <= 0) return 0;
        QTimer::singleShot(modalMs, &d, &QDialog::reject);
        return d.exec();
    };
    kvintor::installAllWindows(program);
    if (!program.StartUp()) {
        std::fprintf(stderr, "responsiveness: Kvintor did not start on %s\n", qPrintable(device));
        return 1;
    }
    kvintor::InitTest& main = *program.mainWindow();
    runFor(1000); // identified on the answering ECU

    const int ms = seconds * 1000;
    struct Row {
        const char* condition;
        qint64 main, adjust, test, graph, faults, passport, tables;
    };
    std::vector<Row> rows;
    Probe probe;
    for (const char* fault : {"none", "silent", "no-echo", "port-gone"}) {
        command(QByteArray("fault ") + fault);
        Row row{fault, 0, 0, 0, 0, 0, 0, 0};

        probe.start();
        later(&main, [&main] {
            main.activateWindow();
            main.activated();
        });
        runFor(ms);
        row.main = probe.stop();
        detail("main", probe, row.main, program.exchanges);

        probe.start();
        later(&main, [&main] { main.Reg[1]->trigger(); });
        runFor(ms / 2);
        auto* menu = main.findChild<kvintor::AdjustmentMenu*>();
        if (kvintor::AdjustmentWindow* w = menu ? menu->window(1) : nullptr) {
            later(w, [w] {
                w->Slider1[0]->setValue(90);
                w->ApplySliderValue(0);
            });
            runFor(ms / 4);
            later(w, [w] { w->close(); });
            runFor(ms / 4);
        }
        row.adjust = probe.stop();
        detail("adjust", probe, row.adjust, program.exchanges);

        probe.start();
        later(&main, [&main] { main.tst[2]->trigger(); });
        runFor(ms / 2);
        if (auto* w = main.findChild<kvintor::tfUskorXX*>()) {
            runUntil(
                w, [w] { w->Command1->click(); }, [w] { return !w->inRun() && w->Command1->isEnabled(); },
                8000);
            runFor(200);
            later(w, [w] { w->close(); });
            runFor(200);
        }
        row.test = probe.stop();
        detail("test", probe, row.test, program.exchanges);

        probe.start();
        later(&main, [&main] { main.Dnn[0]->trigger(); });
        runFor(ms);
        later(&main, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("fGraphik")) w->close();
        });
        runFor(200);
        row.graph = probe.stop();
        detail("graph", probe, row.graph, program.exchanges);

        // "ЭБУ" items 3 (faults), 0 (passport) and 1 (tables).
        modalMs = ms / 2;
        for (const auto& [item, into] :
             {std::pair<int, qint64*>{3, &row.faults}, {0, &row.passport}, {1, &row.tables}}) {
            probe.start();
            QAction* open = main.mEbu.at(item);
            later(&main, [open] { open->trigger(); });
            runFor(ms / 2 + 300);
            *into = probe.stop();
            detail(qPrintable(open->text()), probe, *into, program.exchanges);
        }
        modalMs = 0;
        rows.push_back(row);

        if (QByteArray(fault) == "port-gone") {
            // The adapter back: a new terminal.
            sim.readAll();
            sim.write("fault none\n");
            sim.waitForReadyRead(2000);
            const QString again = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (again.startsWith(QLatin1String("/dev/"))) ports.setDevice(1, again);
        }
        command("fault none");
        runFor(1500);
    }

    std::printf("Kvintor on kline-sim (%s), %d s a window; longest event-loop block, ms (share "
                "of %.0f ms)\n",
                qPrintable(QGuiApplication::platformName()), seconds, kNoticeMs);
    std::printf("%-10s %14s %14s %14s %14s %14s %14s %14s\n", "ECU", "main window", "adjustment",
                "engine test", "graph window", "faults", "passport", "tables");
    qint64 worst = 0;
    for (const Row& r : rows) {
        std::printf("%-10s", r.condition == std::string("none") ? "answering" : r.condition);
        for (qint64 v : {r.main, r.adjust, r.test, r.graph, r.faults, r.passport, r.tables}) {
            std::printf(" %6lld (%5.2f)", static_cast<long long>(v), static_cast<double>(v) / kNoticeMs);
            worst = std::max(worst, v);
        }
        std::printf("\n");
    }
    std::printf("worst block %lld ms = %.2f of %.0f ms\n", static_cast<long long>(worst),
                static_cast<double>(worst) / kNoticeMs, kNoticeMs);
    program.endWithReset();
    sim.write("quit\n");
    if (!sim.waitForFinished(3000)) sim.kill();
    return 0;
}
