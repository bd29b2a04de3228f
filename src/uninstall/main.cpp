// Uninstall: removes Kvintor from the folder it lies in.
//
//   kvintor-uninstall [--help | --version]
#include "CommandLine.h"
#include "Uninstaller.h"
#include "common/Platform.h"
#include "common/ProgramIcon.h"
#include "common/ProgramOptions.h"
#include "common/QtDialogs.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // The command line needs no display, a wrong one neither.
    QString error;
    switch (uninstall::parseCommandLine(
        common::withoutQtOptions(common::programArguments(argc, argv)), &error)) {
    case uninstall::Action::Help:
        std::fputs(uninstall::usage().toLocal8Bit().constData(), stdout);
        return 0;
    case uninstall::Action::Version:
        std::printf("%s\n", qPrintable(uninstall::versionText(QStringLiteral(KV_VERSION))));
        return 0;
    case uninstall::Action::Error:
        std::fprintf(stderr, "kvintor-uninstall: %s\n%s", qPrintable(error),
                     qPrintable(uninstall::usage()));
        return 64;
    case uninstall::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Uninstall"));
    common::installRussianTranslations(app);
    common::showAsDesktopProgram(app, common::DesktopProgram::Uninstall);
    common::SettingsStore settings;
    common::QtDialogs dialogs;
    common::DesktopPlatform platform;
    uninstall::Uninstaller uninstaller(settings, dialogs, platform,
                                       QApplication::applicationDirPath());
    switch (uninstaller.run()) {
    case uninstall::Uninstaller::Result::Failed:
        return 1;
    case uninstall::Uninstaller::Result::Packaged:
        return 2;
    default:
        return 0;
    }
}
