#pragma once
// The text of "kvintor --help".
#include <QString>

namespace kvintor {

// settingsFile: where Kvintor keeps its settings on this computer;
// dataFolder: the user's data folder, where the report log goes when the
// program's folder is not writable.
QString usageText(const QString& settingsFile, const QString& dataFolder);

} // namespace kvintor
