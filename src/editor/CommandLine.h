#pragma once
// Fermel's command line:
//   fermel [--port N=DEVICE ...] [FILE]
//   fermel --help | --version
#include <QString>
#include <QStringList>

namespace kline {
class PortMap;
}

namespace editor {

struct CommandLine {
    QString file; // an image to open at start, as if chosen in the open dialogue
    bool help = false;
    bool version = false;
    QString error; // a malformed or unknown argument
};

// Reads the arguments after the program name; --port goes into the map.
CommandLine parseCommandLine(const QStringList& arguments, kline::PortMap& ports);

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 64;

QString versionText(); // "fermel " + the project's version
// settingsFile: where Fermel keeps its settings on this computer.
QString usageText(const QString& settingsFile);

} // namespace editor
