#include "LiveRow.h"

namespace kvintor {

QString liveTime(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
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
