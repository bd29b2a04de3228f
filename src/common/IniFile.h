#pragma once
// A file of sections and key=value lines, written the way the Windows
// profile functions write it: section and key are matched without regard to
// case, a key's value is replaced where it stands (the key keeps its spelling), a new key goes to the end
// of its section, a new section to the end of the file, and every other line
// stays as it was. UTF-8.
#include <QString>

namespace common {

// False when the file cannot be read or written; error then says why.
bool WriteProfileString(const QString& file, const QString& section, const QString& key,
                        const QString& value, QString* error = nullptr);
// The value, or defaultValue when the section or key is missing.
QString ReadProfileString(const QString& file, const QString& section, const QString& key,
                          const QString& defaultValue = QString());

} // namespace common
