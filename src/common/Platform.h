#pragma once
// What the tool set needs of the operating system, behind one seam: sound,
// shut-down, the autostart entry, URLs, the desktop folder, and so on.
#include <QString>
#include <QStringList>

namespace common {

class Platform {
public:
    virtual ~Platform() = default;
    // A tone on the default audio output; blocks for its length. False when
    // no audio output exists.
    virtual bool beep(int frequencyHz, int durationMs) = 0;
    // Whether a default audio output exists at all.
    virtual bool soundOutputAvailable() = 0;
    // Asks the system to switch the computer off.
    virtual bool shutdownComputer() = 0;
    // Adds (enabled) or removes the entry that starts a program at log-in.
    virtual bool setAutostart(const QString& name, const QString& command, bool enabled) = 0;
    virtual bool openUrl(const QString& url) = 0;
    virtual QString desktopFolder() = 0;
    virtual void showDesktopWindow(bool visible) = 0;
    virtual void activateKeyboardLayout(unsigned layout) = 0;
    virtual int osMajorVersion() = 0;
    // Starts a program that outlives this one, in the given working folder
    // (empty: the current one); on Windows without a console window.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder = QString()) = 0;
};

// The platform of this computer.
class DesktopPlatform : public Platform {
public:
    bool beep(int frequencyHz, int durationMs) override;
    bool soundOutputAvailable() override;
    bool shutdownComputer() override;
    bool setAutostart(const QString& name, const QString& command, bool enabled) override;
    bool openUrl(const QString& url) override;
    QString desktopFolder() override;
    void showDesktopWindow(bool visible) override;
    void activateKeyboardLayout(unsigned layout) override;
    int osMajorVersion() override;
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder = QString()) override;
};

} // namespace common
