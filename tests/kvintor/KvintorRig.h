#pragma once
// Kvintor's program frame on test seams: settings in a temporary folder, the
// dialogs and platform doubles, COM1 on the in-process simulated ECU
// (instant), COM2..COM4 on scripted ports, modal windows run by a script.
#include "ScriptedPort.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "main/InitTest.h"
#include "main/Program.h"
#include "sim/SimulatedPort.h"

#include <QDialog>
#include <QTemporaryDir>
#include <deque>
#include <functional>

struct KvintorRig {
    QTemporaryDir dir;
    common::SettingsStore settings{dir.path() + QStringLiteral("/settings")};
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    std::shared_ptr<sim::Simulator> sim = std::make_shared<sim::Simulator>();
    std::shared_ptr<PortScript> script = std::make_shared<PortScript>();
    kline::PortMap ports{&settings};
    kvintor::Program program;
    int ends = 0;
    // What to do with each modal window, in order; without one it is left
    // as it opened (closed at once).
    std::deque<std::function<void(QDialog&)>> modal;
    QStringList modalsShown;

    KvintorRig()
        : program(settings, dialogs, platform, ports, factory(), dir.path()) {
        ports.setDevice(1, QStringLiteral("sim"));
        ports.presentDevices = [] { return QList<kline::SerialDevice>{}; }; // not this computer's
        program.endProgram = [this] { ++ends; };
        program.execModal = [this](QDialog& d) {
            modalsShown << d.objectName();
            if (!modal.empty()) {
                auto f = modal.front();
                modal.pop_front();
                f(d);
            }
            return 0;
        };
        program.screenSize = [] { return QSize(1280, 1024); };
        program.availableArea = [] { return QRect(0, 0, 1280, 1024); };
        platform.soundDevice = true;
    }

    kline::PortFactory factory() {
        return [this](const QString& device) -> std::unique_ptr<kline::SerialPort> {
            if (device == QLatin1String("sim")) return std::make_unique<sim::SimulatedPort>(sim, false);
            return std::make_unique<ScriptedPort>(script);
        };
    }

    QString setting(const QString& section, const QString& key) {
        return settings.GetSetting(QStringLiteral("Kvintor"), section, key, QStringLiteral("<none>"));
    }
    void store(const QString& section, const QString& key, const QString& value) {
        settings.SaveSetting(QStringLiteral("Kvintor"), section, key, value);
    }
    // The requests the ECU has seen since the last call.
    std::vector<kline::Request> requests() {
        std::vector<kline::Request> out;
        for (const auto& r : sim->adapter.log()) out.push_back(r.request);
        sim->adapter.clearLog();
        return out;
    }
    kvintor::InitTest& main() { return *program.mainWindow(); }
    // Starts with COM1 stored, so that no settings window is needed.
    bool startOnCom1() {
        store(QStringLiteral("fNastr"), QStringLiteral("ВыбрПорт"), QStringLiteral("1"));
        return program.StartUp();
    }
};
