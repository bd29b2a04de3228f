#pragma once
// The report log: one line per successful connection, filed under the date
// (the system's short date format) and the time of day "hh:mm", in
// "Otchet.log" in the program's folder.
#include <QDateTime>
#include <QString>

namespace kvintor {

class ReportLog {
public:
    explicit ReportLog(QString folder) : folder_(std::move(folder)) {}
    QString path() const;
    // Creates the folder and makes a read-only file writable first. False
    // when it cannot write; error then says why.
    bool write(const QString& line, const QDateTime& when = QDateTime::currentDateTime(),
               QString* error = nullptr) const;

    static QString section(const QDate& date);
    static QString key(const QTime& time);

    // Whether folder is one of the system's own (/usr/bin, /opt/..., on
    // Windows the Windows and program files folders), never the report's
    // folder, even for a user who may write there.
    static bool isSystemFolder(const QString& folder);

    // The identification line: type, series, ROM version.
    static QString line(const QString* type, const QString* series, const QString* rom);

private:
    QString folder_;
};

} // namespace kvintor
