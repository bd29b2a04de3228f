#include "CommandLine.h"

#include "link/PortMap.h"

#ifndef FERMEL_VERSION
#define FERMEL_VERSION "0"
#endif

namespace editor {

CommandLine parseCommandLine(const QStringList& arguments, kline::PortMap& ports) {
    CommandLine out;
    const QStringList rest = ports.applyArguments(arguments, &out.error);
    if (!out.error.isEmpty()) return out;
    bool filesOnly = false;
    for (const QString& a : rest) {
        if (!filesOnly && a == QLatin1String("--help")) {
            out.help = true;
        } else if (!filesOnly && a == QLatin1String("--version")) {
            out.version = true;
        } else if (!filesOnly && a == QLatin1String("--")) {
            filesOnly = true;
        } else if (!filesOnly && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            out.error = QStringLiteral("unknown option %1").arg(a);
            return out;
        } else if (out.file.isEmpty()) {
            out.file = a;
        } else {
            out.error = QStringLiteral("only one FILE may be given");
            return out;
        }
    }
    return out;
}

QString versionText() {
    return QStringLiteral("fermel " FERMEL_VERSION);
}

QString usageText(const QString& settingsFile) {
    return QStringLiteral(
               "usage: fermel [--port N=DEVICE ...] [FILE]\n"
               "       fermel --help | --version\n"
               "\n"
               "Fermel edits the four ignition advance tables of a 65536-byte Mikas 7.x\n"
               "firmware image, or reads them from the ECU through a K-line adapter.\n"
               "\n"
               "Options:\n"
               "  --port N=DEVICE  use DEVICE as port COM N (N from 1 to 4) for this run,\n"
               "                   e.g. --port 1=/dev/ttyUSB0 or a pseudo-terminal\n"
               "  --help           print this text and exit\n"
               "  --version        print the version and exit\n"
               "  FILE             a firmware image to open at start, checked as one chosen\n"
               "                   in the open dialogue\n"
               "\n"
               "Files:\n"
               "  ") +
           settingsFile +
           QStringLiteral(
               "\n"
               "                   settings: engine type (section Redact), the port of\n"
               "                   the ECU window (section Chten), port devices (section\n"
               "                   Ports, keys COM1 to COM4)\n"
               "\n"
               "Exit status:\n"
               "  0   the program ended normally, or --help / --version\n"
               "  64  a wrong command line\n");
}

} // namespace editor
