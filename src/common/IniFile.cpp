#include "IniFile.h"

#include "WriteFailure.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace common {

namespace {

QString sectionOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool isSection(const QString& line) {
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

QString keyOf(const QString& line) {
    const auto eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq).trimmed();
}

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

bool WriteProfileString(const QString& file, const QString& section, const QString& key,
                        const QString& value, QString* error) {
    const auto failed = [&] {
        if (error) *error = whyNotWritable(file);
        return false;
    };
#ifdef Q_OS_WIN
    QString eol = QStringLiteral("\r\n");
#else
    QString eol = QStringLiteral("\n");
#endif
    QStringList lines;
    QFile in(file);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly)) return failed();
        const QString text = QString::fromUtf8(in.readAll());
        if (text.contains(QStringLiteral("\r\n"))) eol = QStringLiteral("\r\n");
        lines = text.split(QLatin1Char('\n'));
        for (QString& l : lines)
            if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    }

    const QString entry = key + QLatin1Char('=') + value;
    int start = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (isSection(lines[i]) && same(sectionOf(lines[i]), section)) {
            start = i;
            break;
        }
    }
    if (start < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else {
        int lastEntry = start;
        bool replaced = false;
        for (int i = start + 1; i < lines.size() && !isSection(lines[i]); ++i) {
            if (lines[i].trimmed().isEmpty()) continue;
            lastEntry = i;
            if (same(keyOf(lines[i]), key)) {
                lines[i] = keyOf(lines[i]) + QLatin1Char('=') + value; // the stored spelling stays
                replaced = true;
                break;
            }
        }
        if (!replaced) lines.insert(lastEntry + 1, entry);
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return failed();
    out.write((lines.join(eol) + eol).toUtf8());
    return out.commit() || failed();
}

QString ReadProfileString(const QString& file, const QString& section, const QString& key,
                          const QString& defaultValue) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return defaultValue;
    bool inSection = false;
    for (QString line : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (isSection(line)) {
            inSection = same(sectionOf(line), section);
            continue;
        }
        if (inSection && same(keyOf(line), key)) return line.mid(line.indexOf(QLatin1Char('=')) + 1);
    }
    return defaultValue;
}

} // namespace common
