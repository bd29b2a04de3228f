// Uninstall: removes Kvintor from the folder it lies in.
//
//   uninstall [--help | --version]
#include "CommandLine.h"
#include "Uninstaller.h"
#include "common/Platform.h"
#include "common/ProgramIcon.h"
#include "common/QtDialogs.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version need no display.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    switch (uninstall::parseCommandLine(raw)) {
    case uninstall::Action::Help:
        std::fputs(uninstall::usage().toLocal8Bit().constData(), stdout);
        return 0;
    case uninstall::Action::Version:
        std::printf("%s\n", qPrintable(uninstall::versionText(QStringLiteral(KV_VERSION))));
        return 0;
    default:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Uninstall"));
    common::installRussianTranslations(app);
    common::showAsDesktopProgram(app, common::DesktopProgram::Uninstall);
    // Qt's own options (-platform, -display, ...) are gone from these.
    QString error;
    if (uninstall::parseCommandLine(app.arguments().mid(1), &error) == uninstall::Action::Error) {
        std::fprintf(stderr, "uninstall: %s\n%s", qPrintable(error),
                     qPrintable(uninstall::usage()));
        return 64;
    }
    common::SettingsStore settings;
    common::QtDialogs dialogs;
    common::DesktopPlatform platform;
    uninstall::Uninstaller uninstaller(settings, dialogs, platform,
                                       QApplication::applicationDirPath());
    return uninstaller.run() == uninstall::Uninstaller::Result::Failed ? 1 : 0;
}
