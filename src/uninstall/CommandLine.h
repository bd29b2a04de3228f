#pragma once
// The uninstaller's command line:  kvintor-uninstall [--help | --version]
#include <QString>
#include <QStringList>

namespace uninstall {

enum class Action { Run, Help, Version, Error };

// The arguments without the program's name; *error says what is wrong.
Action parseCommandLine(const QStringList& arguments, QString* error = nullptr);

QString usage();                             // the text of --help
QString versionText(const QString& version); // "kvintor-uninstall " + version

} // namespace uninstall
