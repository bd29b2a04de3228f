#pragma once
// Test double of the platform seam: records every call, never beeps aloud,
// never shuts anything down, and keeps the desktop in a folder of the test's.
#include "Platform.h"

#include <functional>

namespace common {

class RecordingPlatform : public Platform {
public:
    bool beep(int frequencyHz, int durationMs) override;
    bool soundOutputAvailable() override { return soundDevice; }
    bool shutdownComputer() override;
    bool setAutostart(const QString& name, const QString& command, bool enabled) override;
    bool openUrl(const QString& url) override;
    QString desktopFolder() override { return desktop; }
    void showDesktopWindow(bool visible) override;
    void activateKeyboardLayout(unsigned layout) override;
    int osMajorVersion() override { return osVersion; }
    // Recorded as "start PROGRAM ARGS", with " in FOLDER" when one is given.
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder = QString()) override;

    // Every call in order, as "beep 1864 200", "shutdown", "autostart NAME CMD 1", ...
    QStringList calls;
    std::function<void()> onShutdown; // runs inside the recorded shut-down
    bool soundDevice = true;
    bool autostartWorks = true;
    bool startWorks = true;
    int osVersion = 10;
    QString desktop;
    int count(const QString& prefix) const;
};

} // namespace common
