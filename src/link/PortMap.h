#pragma once
// "COM" + n resolved to a device. On Windows the device is COMn; elsewhere a
// setting per port (section "Ports", key "COMn"), default /dev/ttyS0 for COM1
// up to /dev/ttyS3 for COM4, overridable for one run with --port N=DEVICE.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

namespace common {
class SettingsStore;
}

namespace kline {

// A serial device present on this computer, as the settings window offers it.
struct SerialDevice {
    QString path;        // what is stored and opened
    QString description; // the maker's name for it ("FT232R USB UART"), may be empty
};

// The serial devices present (QSerialPortInfo), each under its stable
// /dev/serial/by-id name where it has one, in the order of their paths.
QList<SerialDevice> presentSerialDevices();
// found under the names of the links in byIdFolder that point at them; a
// device without a link keeps its path.
QList<SerialDevice> withStableNames(const QList<SerialDevice>& found, const QString& byIdFolder);

class PortMap {
  public:
    explicit PortMap(const common::SettingsStore* settings = nullptr,
                     QString app = QStringLiteral("Kvintor"));

    QString device(int n) const;
    // For this run only.
    void setDevice(int n, const QString& device);
    // Port n's device as the user chose it: stored in store and used from
    // now on, over a --port of this run, even when the store refuses it
    // (then false). An empty device is the port's default one.
    bool choose(int n, const QString& device, common::SettingsStore& store);
    // This run's own devices (--port, setDevice), to be put back after
    // others were tried.
    QMap<int, QString> runDevices() const { return overrides_; }
    void restoreRunDevices(QMap<int, QString> devices) { overrides_ = std::move(devices); }

    // Reads every "--port N=DEVICE" (or "--port=N=DEVICE") of a command line
    // and answers the arguments that remain. A malformed option fills error.
    QStringList applyArguments(const QStringList& arguments, QString* error = nullptr);

    static QString defaultDevice(int n);

    // The devices a user may choose from: the system's by default, a test's own.
    std::function<QList<SerialDevice>()> presentDevices = presentSerialDevices;

  private:
    const common::SettingsStore* settings_;
    QString app_;
    QMap<int, QString> overrides_;
};

} // namespace kline
