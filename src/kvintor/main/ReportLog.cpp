#include "ReportLog.h"

#include "common/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace kvintor {

QString ReportLog::path() const { return folder_ + QStringLiteral("Otchet.log"); }

QString ReportLog::section(const QDate& date) { return QLocale::system().toString(date, QLocale::ShortFormat); }

QString ReportLog::key(const QTime& time) { return time.toString(QStringLiteral("hh:mm")); }

QString ReportLog::line(const QString* type, const QString* series, const QString* rom) {
    QString l = type ? *type + QStringLiteral("    ") : QStringLiteral("Не опр.      ");
    l += series ? *series + QStringLiteral("      ") : QStringLiteral("Не определена            ");
    l += rom ? *rom : QStringLiteral("Не определена");
    return l;
}

bool ReportLog::write(const QString& text, const QDateTime& when, QString* error) const {
    QDir().mkpath(folder_);
    const QString file = path();
    QFileInfo info(file);
    if (info.exists() && !info.isWritable())
        QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    return common::WriteProfileString(file, section(when.date()), key(when.time()), text, error);
}

} // namespace kvintor
