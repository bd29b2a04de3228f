#include "SettingsStore.h"

#include "WriteFailure.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace common {

namespace {

// Finds the stored spelling of a name among names, ignoring case; the name
// itself when none matches.
QString storedName(const QStringList& names, const QString& name) {
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return n;
    return name;
}

QString defaultFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/kvintor-workshop");
}

} // namespace

SettingsStore::SettingsStore(QString folder)
    : folder_(folder.isEmpty() ? defaultFolder() : std::move(folder)) {
#ifdef Q_OS_WIN
    native_ = folder.isEmpty();
#endif
}

QString SettingsStore::fileFor(const QString& app) const {
    return folder_ + QLatin1Char('/') + app + QStringLiteral(".ini");
}

std::unique_ptr<QSettings> SettingsStore::open(const QString& app) const {
    if (native_) // the registry: it already ignores case
        return std::make_unique<QSettings>(QStringLiteral("VB and VBA Program Settings"), app);
    return std::make_unique<QSettings>(fileFor(app), QSettings::IniFormat);
}

QString SettingsStore::GetSetting(const QString& app, const QString& section, const QString& key,
                                  const QString& defaultValue) const {
    auto s = open(app);
    const QString group = storedName(s->childGroups(), section);
    s->beginGroup(group);
    const QString k = storedName(s->childKeys(), key);
    if (!s->contains(k)) return defaultValue;
    return s->value(k).toString();
}

bool SettingsStore::SaveSetting(const QString& app, const QString& section, const QString& key,
                                const QString& value) {
    return SaveSettings(app, section, {{key, value}});
}

bool SettingsStore::SaveSettings(const QString& app, const QString& section,
                                 const std::vector<std::pair<QString, QString>>& keysAndValues) {
    if (!native_) QDir().mkpath(folder_);
    auto s = open(app);
    const QString group = storedName(s->childGroups(), section);
    s->beginGroup(group);
    for (const auto& [key, value] : keysAndValues)
        s->setValue(storedName(s->childKeys(), key), value);
    s->endGroup();
    s->sync();
    if (s->status() == QSettings::NoError) return true;
    lastError_ = native_ ? QStringLiteral("ошибка записи в реестр") : whyNotWritable(fileFor(app));
    return false;
}

bool SettingsStore::DeleteSection(const QString& app, const QString& section) {
    if (section.isEmpty()) return true; // an empty group would name the whole store
    auto s = open(app);
    const QString group = storedName(s->childGroups(), section);
    if (!s->childGroups().contains(group)) return true; // nothing to delete
    s->remove(group);
    s->sync();
    if (s->status() == QSettings::NoError) return true;
    lastError_ = native_ ? QStringLiteral("ошибка записи в реестр") : whyNotWritable(fileFor(app));
    return false;
}

QStringList SettingsStore::sections(const QString& app) const {
    return open(app)->childGroups();
}

} // namespace common
