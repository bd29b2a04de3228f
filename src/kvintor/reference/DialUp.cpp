#include "DialUp.h"

namespace kvintor {

DialUp& systemDialUp() {
    static NoDialUp none;
    return none;
}

QString dialUpEntryName(const QByteArray& raw) {
    const qsizetype end = raw.indexOf('\0');
    return QString::fromLocal8Bit(end < 0 ? raw : raw.left(end)).trimmed();
}

void hangUpRemembered(DialUp& dialUp, const QString& remembered) {
    const QString name = remembered.trimmed();
    if (name.isEmpty()) return;
    std::vector<DialUpConnection> active;
    if (!dialUp.enumerate(active)) return;
    for (const DialUpConnection& c : active)
        if (dialUpEntryName(c.entryName) == name) dialUp.hangUp(c.handle);
}

} // namespace kvintor
