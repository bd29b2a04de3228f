#pragma once
// The number at the start of a text, as the settings and the ECU's texts
// are read: leading spaces skipped, an optional sign, digits with at most
// one decimal point; whatever follows is ignored; 0 when there is none.
#include <QString>

namespace common {

double leadingNumber(const QString& text);

} // namespace common
