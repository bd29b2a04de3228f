#pragma once
// What Fermel's windows reach: the settings store, the dialogs seam, the
// port map and the factory of serial ports, and the way a modal window is
// run (tests drive modal windows themselves).
#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <QString>
#include <functional>

class QDialog;

namespace common {
class Dialogs;
class SettingsStore;
} // namespace common

namespace editor {

// Application name of Fermel's settings.
inline QString settingsApp() {
    return QStringLiteral("Fermel");
}

struct FermelSeams {
    common::SettingsStore& settings;
    common::Dialogs& dialogs;
    kline::PortMap& ports;
    kline::PortFactory factory;
    // Runs a modal window to its end; empty: QDialog::exec.
    std::function<int(QDialog&)> execModal;
};

int runModal(FermelSeams& seams, QDialog& dialog);

} // namespace editor
