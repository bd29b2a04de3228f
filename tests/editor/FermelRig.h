#pragma once
// Fermel on test seams: settings in a temporary folder, the dialogs double,
// COM1 on the in-process simulated ECU (instant), COM2 on a scripted port,
// images of our own generator in the temporary folder, modal windows run by
// a script.
#include "ScriptedPort.h"
#include "common/RecordingDialogs.h"
#include "common/SettingsStore.h"
#include "editor/Fermel.h"
#include "editor/fHten.h"
#include "editor/fRedact.h"
#include "sim/Ecu.h"
#include "sim/SimulatedPort.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

struct FermelRig {
    QTemporaryDir dir;
    common::SettingsStore settings{dir.path() + QStringLiteral("/settings")};
    common::RecordingDialogs dialogs;
    std::shared_ptr<sim::Simulator> sim = std::make_shared<sim::Simulator>();
    std::shared_ptr<PortScript> script = std::make_shared<PortScript>();
    kline::PortMap ports{&settings, editor::settingsApp()};
    kline::PortFactory extraFactory; // devices other than "sim" and "script"
    editor::FermelSeams seams{settings, dialogs, ports, factory(), {}};
    // What to do with each modal window, in order; without one it closes at once.
    std::deque<std::function<void(QDialog&)>> modal;
    QStringList modalsShown;
    std::unique_ptr<editor::fRedact> window;

    FermelRig() {
        ports.setDevice(1, QStringLiteral("sim"));
        ports.setDevice(2, QStringLiteral("script"));
        seams.execModal = [this](QDialog& d) {
            modalsShown << d.objectName();
            if (!modal.empty()) {
                auto f = modal.front();
                modal.pop_front();
                f(d);
            }
            return 0;
        };
    }

    kline::PortFactory factory() {
        return [this](const QString& device) -> std::unique_ptr<kline::SerialPort> {
            if (device == QLatin1String("sim"))
                return std::make_unique<sim::SimulatedPort>(sim, false);
            if (device == QLatin1String("script")) return std::make_unique<ScriptedPort>(script);
            return extraFactory ? extraFactory(device) : nullptr;
        };
    }

    editor::fRedact& w() {
        if (!window) window = std::make_unique<editor::fRedact>(seams);
        return *window;
    }

    // An image of our generator (or any bytes) written to the temporary folder.
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.path() + QLatin1Char('/') + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    QString image(const QString& name, std::uint32_t seed = 1) {
        return writeFile(name, sim::Ecu::defaultImage(seed));
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Opens an image through the menu and the open dialog.
    void open(const QString& path) {
        dialogs.fileNext(path);
        w().menuOpen();
    }

    // A modal step that runs the ECU window: it opens, and ticks while its
    // timer runs (at most `ticks` times).
    static std::function<void(QDialog&)> runLoader(int ticks = 50,
                                                   std::function<void(editor::fHten&)> after = {}) {
        return [ticks, after](QDialog& d) {
            auto& h = static_cast<editor::fHten&>(d);
            h.show();
            for (int i = 0; i < ticks && h.Timer1->isActive(); ++i)
                h.timer1Tick();
            if (after) after(h);
            h.close();
        };
    }

    // The requests the ECU has seen since the last call.
    std::vector<kline::Request> requests() {
        std::vector<kline::Request> out;
        for (const auto& r : sim->adapter.log())
            out.push_back(r.request);
        sim->adapter.clearLog();
        return out;
    }

    QString setting(const QString& section, const QString& key) {
        return settings.GetSetting(editor::settingsApp(), section, key, QStringLiteral("<none>"));
    }

    static editor::Block blockOf(const QByteArray& image, editor::EngineType e) {
        editor::Block b{};
        for (int i = 0; i < editor::kBlockSize; ++i)
            b[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(image[editor::blockOffset(e) + i]);
        return b;
    }
};
