#include "PortMap.h"

#include "common/SettingsStore.h"

namespace kline {

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
        const QString stored = settings_->GetSetting(app_, QStringLiteral("Ports"),
                                                     QStringLiteral("COM%1").arg(n));
        if (!stored.trimmed().isEmpty()) return stored.trimmed();
    }
    return defaultDevice(n);
}

void PortMap::setDevice(int n, const QString& device) { overrides_[n] = device; }

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
            if (error) *error = QStringLiteral("bad --port %1 (expected N=DEVICE, N from 1 to 4)").arg(value);
            continue;
        }
        setDevice(n, dev);
    }
    return rest;
}

} // namespace kline
