#include "CommandLine.h"

namespace finder {

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine c;
    bool options = true;
    for (const QString& a : arguments) {
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            return {CommandLine::Action::Help, {}, {}};
        } else if (options && a == QLatin1String("--version")) {
            return {CommandLine::Action::Version, {}, {}};
        } else if (options && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            c = {CommandLine::Action::Error, {}, QStringLiteral("unknown option ") + a};
        } else if (c.action == CommandLine::Action::Run && c.file.isEmpty()) {
            c.file = a;
        } else if (c.action == CommandLine::Action::Run) {
            c = {CommandLine::Action::Error, {}, QStringLiteral("more than one file: ") + a};
        }
    }
    return c;
}

QString usage() {
    return QStringLiteral(
        "usage: lumeta [FILE]\n"
        "       lumeta --help | --version\n"
        "\n"
        "Lumeta, the table finder: draws 514 bytes of a 64 KB ECU firmware image as a\n"
        "profile of bars, names known tables by the address under the centre line,\n"
        "corrects single bytes and writes the image back.\n"
        "\n"
        "  FILE        a firmware image (exactly 65536 bytes) to open at start, as if\n"
        "              chosen with \"Файл\"\n"
        "  --help      this text\n"
        "  --version   the program's version\n"
        "\n"
        "Files:\n"
        "  FILE                         read on opening; written by \"Сохранить в файл\"\n"
        "  <desktop>/РисунокN.bmp       pictures of the profile (N = 1 … 41), written\n"
        "                               by \"Сохранить рисунок\"\n"
        "  ~/.config/kvintor-workshop/lumeta.ini\n"
        "                               the last address (section Adr, key a); the\n"
        "                               registry's program settings on Windows\n"
        "\n"
        "Exit status:\n"
        "  0   the window was closed, or --help or --version\n"
        "  64  wrong arguments\n");
}

QString versionText(const QString& version) {
    return QStringLiteral("lumeta ") + version;
}

} // namespace finder
