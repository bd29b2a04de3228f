#include "PortMap.h"

#include "common/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace kline {

namespace {
QString settingsKey(int n) {
    return QStringLiteral("COM%1").arg(n);
}
} // namespace

QList<SerialDevice> withStableNames(const QList<SerialDevice>& found, const QString& byIdFolder) {
    // Each device under the first link (by name) that leads to it.
    QMap<QString, QString> linkTo;
    const QFileInfoList links =
        QDir(byIdFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links) {
        const QString target = link.canonicalFilePath();
        if (link.isSymLink() && !target.isEmpty() && !linkTo.contains(target))
            linkTo.insert(target, link.absoluteFilePath());
    }
    QList<SerialDevice> out;
    for (SerialDevice d : found) {
        const QString target = QFileInfo(d.path).canonicalFilePath();
        if (linkTo.contains(target)) d.path = linkTo.value(target);
        out.push_back(d);
    }
    std::sort(out.begin(), out.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.path < b.path; });
    return out;
}

QList<SerialDevice> presentSerialDevices() {
    QList<SerialDevice> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found.push_back({info.systemLocation(), info.description()});
    return withStableNames(found, QStringLiteral("/dev/serial/by-id"));
}

PortMap::PortMap(const common::SettingsStore* settings, QString app)
    : settings_(settings), app_(std::move(app)) {}

QString PortMap::defaultDevice(int n) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString PortMap::device(int n) const {
    if (overrides_.contains(n)) return overrides_.value(n);
    if (settings_) {
        const QString stored = settings_->GetSetting(app_, QStringLiteral("Ports"), settingsKey(n));
        if (!stored.trimmed().isEmpty()) return stored.trimmed();
    }
    return defaultDevice(n);
}

void PortMap::setDevice(int n, const QString& device) {
    overrides_[n] = device;
}

bool PortMap::choose(int n, const QString& device, common::SettingsStore& store) {
    const QString chosen = device.trimmed();
    overrides_[n] = chosen.isEmpty() ? defaultDevice(n) : chosen;
    return store.SaveSetting(app_, QStringLiteral("Ports"), settingsKey(n), chosen);
}
QStringList PortMap::applyArguments(const QStringList& arguments, QString* error) {
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString value;
        if (a == QLatin1String("--port")) {
            if (i + 1 >= arguments.size()) {
                if (error) *error = QStringLiteral("--port needs N=DEVICE");
                continue;
            }
            value = arguments[++i];
        } else if (a.startsWith(QLatin1String("--port="))) {
            value = a.mid(7);
        } else {
            rest << a;
            continue;
        }
        const auto eq = value.indexOf(QLatin1Char('='));
        bool ok = false;
        const int n = eq > 0 ? value.left(eq).toInt(&ok) : 0;
        const QString dev = eq > 0 ? value.mid(eq + 1) : QString();
        if (!ok || n < 1 || n > 4 || dev.isEmpty()) {
            if (error)
                *error =
                    QStringLiteral("bad --port %1 (expected N=DEVICE, N from 1 to 4)").arg(value);
            continue;
        }
        setDevice(n, dev);
    }
    return rest;
}

} // namespace kline
