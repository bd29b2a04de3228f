#pragma once
// The per-user settings store: texts addressed by application, section and key.
// Section and key names compare without regard to case on every platform, so
// "rfUoz" and "rfUOZ" name the same section. On Windows the store is the
// registry's per-user application area; elsewhere one INI file per application
// in a folder (the user's configuration folder, or a temporary one in tests).
#include <QString>
#include <utility>
#include <vector>
#include <QStringList>
#include <memory>

class QSettings;

namespace common {

class SettingsStore {
public:
    // folder empty: the platform's per-user place.
    explicit SettingsStore(QString folder = QString());

    QString GetSetting(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // False when the store could not be written; lastError() then says why.
    bool SaveSetting(const QString& app, const QString& section, const QString& key,
                     const QString& value);
    // Several keys of one section written at once: one write of the store
    // (each write is a file written to the disk).
    bool SaveSettings(const QString& app, const QString& section,
                      const std::vector<std::pair<QString, QString>>& keysAndValues);
    const QString& lastError() const { return lastError_; }
    // False when the store could not be written (lastError() says why).
    bool DeleteSection(const QString& app, const QString& section);
    // Every section name stored for an application, as first written.
    QStringList sections(const QString& app) const;

    // The file that holds an application's settings (INI back end only).
    QString fileFor(const QString& app) const;
    const QString& folder() const { return folder_; }

private:
    std::unique_ptr<QSettings> open(const QString& app) const;
    QString folder_;
    bool native_ = false;
    QString lastError_;
};

} // namespace common
