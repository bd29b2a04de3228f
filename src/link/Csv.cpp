#include "Csv.h"

#include "common/WriteFailure.h"

#include <cstdio>

namespace kline::csv {

QString field(const QString& text) {
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
                        (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted) return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray record(const QStringList& fields) {
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0) line += QLatin1Char(',');
        line += field(fields[i]);
    }
    return line.toUtf8() + QByteArrayLiteral("\r\n");
}

bool Writer::open(const QString& path) {
    close();
    path_ = path;
    error_.clear();
    records_ = 0;
    file_.setFileName(path);
    // Unbuffered: a buffered record the disk did not take would stay in the
    // buffer and go out at the close, after the cut.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error_ = common::whyNotWritable(path, file_.errorString());
        return false;
    }
    regular_ = !file_.isSequential();
    return put(byteOrderMark());
}

bool Writer::openStandardOutput() {
    close();
    path_.clear();
    error_.clear();
    records_ = 0;
    regular_ = false;
    if (!file_.open(stdout, QIODevice::WriteOnly)) {
        error_ = file_.errorString();
        return false;
    }
    return true;
}

bool Writer::put(const QByteArray& bytes) {
    if (!file_.isOpen()) return false;
    const qint64 before = regular_ ? file_.size() : 0;
    const qint64 written = file_.write(bytes);
    if (written == bytes.size() && file_.flush()) return true;
    // A short write tells no reason; the rest, tried once more, does.
    if (written > 0 && written < bytes.size()) file_.write(bytes.mid(written));
    error_ = regular_ ? common::whyNotWritable(path_, file_.errorString()) : file_.errorString();
    // Nothing half-written stays behind.
    if (regular_) file_.resize(before);
    file_.close();
    return false;
}

bool Writer::write(const QStringList& fields) {
    if (!put(record(fields))) return false;
    ++records_;
    return true;
}

void Writer::close() {
    if (file_.isOpen()) file_.close();
}

} // namespace kline::csv
