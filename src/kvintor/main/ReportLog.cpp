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

bool ReportLog::isSystemFolder(const QString& folder) {
    const QFileInfo info(folder);
    const QString path =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
#ifdef Q_OS_WIN
    QStringList roots;
    for (const char* name : {"SystemRoot", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString root = qEnvironmentVariable(name);
        if (!root.isEmpty()) roots << QDir::cleanPath(QDir::fromNativeSeparators(root));
    }
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    // Where the system keeps its programs, libraries and configuration.
    static const QStringList roots = {QStringLiteral("/bin"),    QStringLiteral("/boot"),
                                      QStringLiteral("/etc"),    QStringLiteral("/lib"),
                                      QStringLiteral("/lib32"),  QStringLiteral("/lib64"),
                                      QStringLiteral("/libx32"), QStringLiteral("/opt"),
                                      QStringLiteral("/sbin"),   QStringLiteral("/usr")};
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
    if (path == QLatin1String("/")) return true;
#endif
    for (const QString& root : roots)
        if (path.compare(root, cs) == 0 || path.startsWith(root + QLatin1Char('/'), cs))
            return true;
    return false;
}

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
