// Kvintor, the diagnostic program.
//
//   kvintor [--port N=DEVICE ...] [--simulator]
//
// --port maps COM N to a device for this run; --simulator makes COM1 the
// built-in simulated ECU and shows the simulator's control panel.
#include "common/Platform.h"
#include "common/QtDialogs.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"
#include "AllWindows.h"
#include "link/HardwarePort.h"
#include "main/InitTest.h"
#include "main/Program.h"
#include "main/SignalEnd.h"
#include "sim/ControlPanel.h"
#include "sim/SimulatedPort.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kvintor"));
    common::installRussianTranslations(app);

    common::SettingsStore settings;
    kline::PortMap ports(&settings, kvintor::Program::kApp);
    QString error;
    QStringList rest = ports.applyArguments(app.arguments().mid(1), &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "kvintor: %s\n", qPrintable(error));
        return 64;
    }
    const bool simulated = rest.removeAll(QStringLiteral("--simulator")) > 0;
    if (!rest.isEmpty()) {
        std::fprintf(stderr, "kvintor: unknown argument %s\nusage: kvintor [--port N=DEVICE ...] [--simulator]\n",
                     qPrintable(rest.first()));
        return 64;
    }

    // COM1 on the simulator: a device name of its own.
    const QString simDevice = QStringLiteral("sim:ecu");
    auto simulator = std::make_shared<sim::Simulator>();
    if (simulated) ports.setDevice(1, simDevice);
    const kline::PortFactory hardware = kline::hardwarePortFactory();
    const kline::PortFactory simulatedPort = sim::simulatedPortFactory(simulator, true);
    kline::PortFactory factory = [&](const QString& device) {
        return device == simDevice ? simulatedPort(device) : hardware(device);
    };

    common::QtDialogs dialogs;
    common::DesktopPlatform platform;
    kvintor::Program program(settings, dialogs, platform, ports, factory, QApplication::applicationDirPath());

    // The oscilloscope reads the built-in simulator through its own port.
    const kvintor::StreamPortFactory serialStreams = kvintor::serialStreamPorts();
    kvintor::installAllWindows(program, [&](const QString& device) -> std::unique_ptr<kvintor::StreamPort> {
        if (device == simDevice) return std::make_unique<kvintor::PolledStreamPort>(simulatedPort(device), 5, 0);
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
