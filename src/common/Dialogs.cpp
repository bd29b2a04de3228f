#include "Dialogs.h"

#include <QRegularExpression>

namespace common {

namespace {

// "description (patterns)": the patterns are the last parenthesised part.
const QRegularExpression& entryForm() {
    static const QRegularExpression form(QStringLiteral("^(.*)\\(([^()]*)\\)\\s*$"));
    return form;
}

QString caseBlindPattern(const QString& pattern) {
    if (pattern == QLatin1String("*.*")) return QStringLiteral("*");
#ifdef Q_OS_WIN
    // The system's own dialogs compare names without regard to case.
    return pattern;
#else
    QString out;
    bool inSet = false; // letters inside [...] are left as they are
    for (const QChar c : pattern) {
        if (c == QLatin1Char('[')) inSet = true;
        if (c == QLatin1Char(']')) inSet = false;
        const QChar lower = c.toLower(), upper = c.toUpper();
        if (inSet || lower == upper) {
            out += c;
            continue;
        }
        out += QLatin1Char('[');
        out += lower;
        out += upper;
        out += QLatin1Char(']');
    }
    return out;
#endif
}

} // namespace

QString caseBlindFilter(const QString& filter) {
    QStringList entries = filter.split(QStringLiteral(";;"));
    for (QString& entry : entries) {
        const QRegularExpressionMatch m = entryForm().match(entry);
        if (!m.hasMatch()) continue;
        QStringList patterns = m.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = caseBlindPattern(p);
        entry =
            m.captured(1) + QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QStringList filterPatterns(const QString& filter, int entry) {
    const QStringList entries = filter.split(QStringLiteral(";;"));
    if (entry < 0 || entry >= entries.size()) return {};
    const QRegularExpressionMatch m = entryForm().match(entries[entry]);
    if (!m.hasMatch()) return {};
    return m.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString filterDescription(const QString& filter, int entry) {
    const QStringList entries = filter.split(QStringLiteral(";;"));
    if (entry < 0 || entry >= entries.size()) return {};
    const QRegularExpressionMatch m = entryForm().match(entries[entry]);
    QString description = m.hasMatch() ? m.captured(1) : entries[entry];
    while (description.endsWith(QLatin1Char(' ')))
        description.chop(1);
    return description;
}

} // namespace common
