#pragma once
// Why a file cannot be written, in words for the user: the folder missing
// and not creatable, a file where the folder should be, no permission, a
// read-only file, a full disk.
#include <QString>

namespace common {

// Looks at the file and its folder as they are now. fallback is the reason
// given when nothing in them explains the failure.
QString whyNotWritable(const QString& file, const QString& fallback = QString());

} // namespace common
