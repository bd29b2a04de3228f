// Kvintor, the diagnostic program.
//
//   kvintor [--port N=DEVICE ...] [--simulator]
//   kvintor --help | --version
//
// --port maps COM N to a device for this run; --simulator makes COM1 the
// built-in simulated ECU and shows the simulator's control panel.
#include "AllWindows.h"
#include "Usage.h"
#include "common/Platform.h"
#include "common/ProgramIcon.h"
#include "common/ProgramOptions.h"
#include "common/QtDialogs.h"
#include "common/RunningLock.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"
#include "link/HardwarePort.h"
#include "main/InitTest.h"
#include "main/Program.h"
#include "main/SignalEnd.h"
#include "sim/ControlPanel.h"
#include "sim/SimulatedPort.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version need no display.
    const auto help = [] {
        return kvintor::usageText(
            common::SettingsStore().fileFor(kvintor::Program::kApp),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    };
    if (const auto done = common::answerInfoOption(argc, argv, QStringLiteral("kvintor"), help))
        return *done;
    // A wrong command line is told before a display is needed. Qt's own
    // options (-platform, -style, ...) are QApplication's.
    common::SettingsStore settings;
    kline::PortMap ports(&settings, kvintor::Program::kApp);
    QString error;
    QStringList rest = ports.applyArguments(
        common::withoutQtOptions(common::programArguments(argc, argv)), &error);
    const bool simulated = rest.removeAll(QStringLiteral("--simulator")) > 0;
    if (error.isEmpty() && !rest.isEmpty())
        error = QStringLiteral("unknown argument ") + rest.first();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "kvintor: %s\nusage: kvintor [--port N=DEVICE ...] [--simulator]\n",
                     qPrintable(error));
        return 64;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kvintor"));
    common::installRussianTranslations(app);
    common::showAsDesktopProgram(app, common::DesktopProgram::Kvintor);
    // Held while Kvintor runs, so that the uninstaller can tell; a second
    // Kvintor, or settings that cannot be written, run all the same.
    common::RunningLock runningLock(common::RunningLock::pathFor(settings, kvintor::Program::kApp));
    runningLock.lock();

    // COM1 on the simulator: a device name of its own, as the settings
    // window shows it.
    const QString simDevice = QStringLiteral("(встроенный имитатор)");
    auto simulator = std::make_shared<sim::Simulator>();
    if (simulated) ports.setDevice(1, simDevice);
    // A port refused for lack of permission: the hint on standard error and
    // in the report log.
    kvintor::Program* running = nullptr;
    const kline::PortFactory hardware = kline::hardwarePortFactory([&running](const QString& hint) {
        kline::noticeOnStandardError(hint);
        if (running) running->writeReport(hint);
    });
    const kline::PortFactory simulatedPort = sim::simulatedPortFactory(simulator, true);
    kline::PortFactory factory = [&](const QString& device) {
        return device == simDevice ? simulatedPort(device) : hardware(device);
    };

    common::QtDialogs dialogs;
    common::DesktopPlatform platform;
    kvintor::Program program(settings, dialogs, platform, ports, factory,
                             QApplication::applicationDirPath());
    running = &program;
    // The program ends at once, without unwinding: the lock goes first.
    program.endProgram = [&runningLock, end = program.endProgram] {
        runningLock.unlock();
        end();
    };

    // The oscilloscope reads the built-in simulator through its own port.
    const kvintor::StreamPortFactory serialStreams = kvintor::serialStreamPorts();
    kvintor::installAllWindows(
        program, [&](const QString& device) -> std::unique_ptr<kvintor::StreamPort> {
            if (device == simDevice)
                return std::make_unique<kvintor::PolledStreamPort>(simulatedPort(device), 5, 0);
            return serialStreams(device);
        });

    std::unique_ptr<sim::ControlPanel> panel;
    if (simulated) {
        panel = std::make_unique<sim::ControlPanel>(simulator);
        panel->setDevicePath(QStringLiteral("COM1 (встроенный имитатор)"));
        panel->move(20, 20);
        panel->show();
    }
    // A signal ends the program as "Выйти" does, from the start on.
    kvintor::SignalEnd signalEnd([&program] { program.endWithReset(); });
    if (!program.StartUp()) return 0;
    dialogs.setParent(program.mainWindow());
    if (panel) program.mainWindow()->move(panel->frameGeometry().right() + 10, 20);
    return app.exec();
}
