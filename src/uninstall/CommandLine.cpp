#include "CommandLine.h"

namespace uninstall {

Action parseCommandLine(const QStringList& arguments, QString* error) {
    for (const QString& a : arguments) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) return Action::Help;
        if (a == QLatin1String("--version")) return Action::Version;
    }
    if (!arguments.isEmpty()) {
        if (error) *error = QStringLiteral("unknown argument ") + arguments.first();
        return Action::Error;
    }
    return Action::Run;
}

QString usage() {
    return QStringLiteral(
        "usage: kvintor-uninstall\n"
        "       kvintor-uninstall --help | --version\n"
        "\n"
        "Removes Kvintor from the folder this program lies in, after asking once:\n"
        "Kvintor's program file and the stored settings of its windows go at once;\n"
        "a script left in the folder deletes the remaining installed files, this\n"
        "program included, after it has ended. Fermel and Lumeta stay.\n"
        "\n"
        "Kvintor installed by the package manager (dpkg knows its files) is removed\n"
        "by the package manager: then this program only says how, and removes\n"
        "nothing. While Kvintor runs it removes nothing either.\n"
        "\n"
        "Files:\n"
        "  kvintor (Kvintor.exe on Windows)   deleted\n"
        "  Uninst.sh (Uninst.bat on Windows)  written and started; deletes Readme.txt,\n"
        "                                     Otchet.log, kvintor-uninstall and itself\n"
        "  ~/.config/kvintor-workshop/Kvintor.ini\n"
        "                                     the sections of Kvintor's windows are\n"
        "                                     removed (the registry on Windows)\n"
        "  ~/.config/kvintor-workshop/Kvintor.lock\n"
        "                                     held by Kvintor while it runs\n"
        "\n"
        "Exit status:\n"
        "  0   removed, or the question answered No, or --help or --version\n"
        "  1   Kvintor runs, or a file could not be removed or the script not\n"
        "      written or started\n"
        "  2   Kvintor belongs to a package: nothing removed\n"
        "  64  wrong arguments\n");
}

QString versionText(const QString& version) {
    return QStringLiteral("kvintor-uninstall ") + version;
}

} // namespace uninstall
