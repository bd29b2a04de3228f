#pragma once
// Comma-separated values as spreadsheet programs open them without
// questions: UTF-8 with a byte-order mark, comma separators, CR LF after
// every record, and a field in double quotes (inner quotes doubled) when it
// holds a comma, a quote, a line break or spaces at its ends.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace kline::csv {

QString field(const QString& text);
// One record, UTF-8, CR LF at the end.
QByteArray record(const QStringList& fields);
inline QByteArray byteOrderMark() { return QByteArrayLiteral("\xEF\xBB\xBF"); }

// A CSV file written record by record. Every record goes to the file at once
// (no buffer of the writer's own), so that whatever ends the program, the
// file holds whole records only: a record the disk took only in part (a
// full disk) is cut off again and the writer closes with the reason.
class Writer {
  public:
    Writer() = default;
    ~Writer() { close(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Creates (or empties) the file and writes the byte-order mark.
    bool open(const QString& path);
    // The standard output: records only, no byte-order mark.
    bool openStandardOutput();
    bool write(const QStringList& fields);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return path_; }
    // Why the last open or write failed.
    QString error() const { return error_; }
    long records() const { return records_; }

  private:
    bool put(const QByteArray& bytes);

    QFile file_;
    QString path_;
    QString error_;
    long records_ = 0;
    bool regular_ = false; // a file on a disk, that can be cut back
};

} // namespace kline::csv
