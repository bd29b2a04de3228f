// Lumeta, the table finder.
//
//   lumeta [FILE] | --help | --version
//
// FILE opens at start as if chosen with "Файл".
#include "CommandLine.h"
#include "common/Platform.h"
#include "common/ProgramIcon.h"
#include "common/ProgramOptions.h"
#include "common/QtDialogs.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"
#include "fTabl.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv) {
    // The command line needs no display, a wrong one neither. Qt's own
    // options (-platform, -style, ...) are QApplication's.
    const finder::CommandLine cl =
        finder::parseCommandLine(common::withoutQtOptions(common::programArguments(argc, argv)));
    if (cl.action == finder::CommandLine::Action::Help) {
        std::fputs(finder::usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (cl.action == finder::CommandLine::Action::Version) {
        std::printf("%s\n", qPrintable(finder::versionText(QStringLiteral(KV_VERSION))));
        return 0;
    }
    if (cl.action == finder::CommandLine::Action::Error) {
        std::fprintf(stderr, "lumeta: %s\n%s", qPrintable(cl.error), qPrintable(finder::usage()));
        return 64;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumeta"));
    common::installRussianTranslations(app);
    common::showAsDesktopProgram(app, common::DesktopProgram::Lumeta);

    common::SettingsStore settings;
    common::QtDialogs dialogs;
    common::DesktopPlatform platform;
    finder::fTabl window(settings, dialogs, platform,
                         QFileInfo(QApplication::applicationFilePath()).completeBaseName());
    dialogs.setParent(&window);
    window.show();
    if (!cl.file.isEmpty()) window.openPath(cl.file);
    return app.exec();
}
