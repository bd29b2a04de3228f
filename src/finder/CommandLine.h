#pragma once
// Lumeta's command line:  lumeta [FILE] | --help | --version
#include <QString>
#include <QStringList>

namespace finder {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString file;  // Run: the image to open at start, or empty
    QString error; // Error: what is wrong with the arguments
};

// The arguments without the program's name. "--" ends the options, so that a
// file whose name starts with "-" can be given.
CommandLine parseCommandLine(const QStringList& arguments);

QString usage();                             // the text of --help
QString versionText(const QString& version); // "lumeta " + version

} // namespace finder
