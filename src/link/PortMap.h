#pragma once
// "COM" + n resolved to a device. On Windows the device is COMn; elsewhere a
// setting per port (section "Ports", key "COMn"), default /dev/ttyS0 for COM1
// up to /dev/ttyS3 for COM4, overridable for one run with --port N=DEVICE.
#include <QMap>
#include <QString>
#include <QStringList>

namespace common {
class SettingsStore;
}

namespace kline {

class PortMap {
public:
    explicit PortMap(const common::SettingsStore* settings = nullptr,
                     QString app = QStringLiteral("Kvintor"));

    QString device(int n) const;
    // For this run only.
    void setDevice(int n, const QString& device);
    // Reads every "--port N=DEVICE" (or "--port=N=DEVICE") of a command line
    // and answers the arguments that remain. A malformed option fills error.
    QStringList applyArguments(const QStringList& arguments, QString* error = nullptr);

    static QString defaultDevice(int n);

private:
    const common::SettingsStore* settings_;
    QString app_;
    QMap<int, QString> overrides_;
};

} // namespace kline
