#pragma once
// The ECU's texts are in the DOS Cyrillic code page 866.
#include <QByteArray>
#include <QString>

namespace kline {

QString fromCp866(const QByteArray& bytes);
// Characters that code page 866 lacks become '?'.
QByteArray toCp866(const QString& text);

} // namespace kline
