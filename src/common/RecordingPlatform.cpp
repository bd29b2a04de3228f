#include "RecordingPlatform.h"

namespace common {

bool RecordingPlatform::beep(int frequencyHz, int durationMs) {
    calls << QStringLiteral("beep %1 %2").arg(frequencyHz).arg(durationMs);
    return soundDevice;
}

bool RecordingPlatform::shutdownComputer() {
    calls << QStringLiteral("shutdown");
    if (onShutdown) onShutdown();
    return true;
}

bool RecordingPlatform::setAutostart(const QString& name, const QString& command, bool enabled) {
    calls << QStringLiteral("autostart %1 %2 %3").arg(name, command).arg(enabled ? 1 : 0);
    return autostartWorks;
}

bool RecordingPlatform::openUrl(const QString& url) {
    calls << QStringLiteral("url ") + url;
    return true;
}

void RecordingPlatform::showDesktopWindow(bool visible) {
    calls << QStringLiteral("desktop %1").arg(visible ? 1 : 0);
}

void RecordingPlatform::activateKeyboardLayout(unsigned layout) {
    calls << QStringLiteral("layout %1").arg(layout, 8, 16, QLatin1Char('0'));
}

bool RecordingPlatform::startDetached(const QString& program, const QStringList& arguments,
                                      const QString& workingFolder) {
    QString call = QStringLiteral("start ") + program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!workingFolder.isEmpty()) call += QStringLiteral(" in ") + workingFolder;
    calls << call;
    return startWorks;
}

int RecordingPlatform::count(const QString& prefix) const {
    int n = 0;
    for (const QString& c : calls)
        if (c.startsWith(prefix)) ++n;
    return n;
}

} // namespace common
