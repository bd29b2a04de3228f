#include "LiveRow.h"

#include <cstdlib>

namespace kvintor {

QString liveTime(const QDateTime& time) {
    // The offset always as +hh:mm, UTC too, so that the column reads alike
    // on every row and a row from a summer day and one from a winter day
    // compare right.
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QStringList liveHeader(int page) {
    QStringList out{QStringLiteral("Время"), QStringLiteral("Набор")};
    // The speed is in revolutions a minute in either range.
    for (int k = 0; k < kValuesPerPage; ++k) out << frameCaption(page, k, true);
    for (int i = 0; i < kLamps; ++i) out << lampCaption(i);
    return out;
}

QStringList liveRow(const QDateTime& time, int page, const std::vector<int>& reply,
                    const PageValues& shown) {
    QStringList out{liveTime(time), QString::number(page + 1)};
    for (const PanelValue& v : shown) out << v.text;
    for (int i = 0; i < 16; ++i) out << (lampLit(i, reply) ? QStringLiteral("1") : QStringLiteral("0"));
    for (std::size_t i = 2; i < 6; ++i) out << QString::number(i < reply.size() ? reply[i] : 0);
    return out;
}

} // namespace kvintor
