// Lumeta, the table finder.
//
//   lumeta [FILE] | --help | --version
//
// FILE opens at start as if chosen with "Файл".
#include "CommandLine.h"
#include "common/Platform.h"
#include "common/QtDialogs.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"
#include "fTabl.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>


namespace {


QStringList rawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version need no display.
    const finder::CommandLine early = finder::parseCommandLine(rawArguments(argc, argv));
    if (early.action == finder::CommandLine::Action::Help) {
        std::fputs(finder::usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.action == finder::CommandLine::Action::Version) {
        std::printf("%s\n", qPrintable(finder::versionText(QStringLiteral(KV_VERSION))));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumeta"));
    common::installRussianTranslations(app);
    // Qt's own options (-platform, -display, ...) are gone from these.
    const finder::CommandLine cl = finder::parseCommandLine(app.arguments().mid(1));
    if (cl.action == finder::CommandLine::Action::Error) {
        std::fprintf(stderr, "lumeta: %s\n%s", qPrintable(cl.error), qPrintable(finder::usage()));
        return 64;
    }

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
