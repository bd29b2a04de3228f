// Fermel, the ignition-table editor.
//
//   fermel [--port N=DEVICE ...] [FILE]
//   fermel --help | --version
#include "CommandLine.h"
#include "Fermel.h"
#include "common/ProgramIcon.h"
#include "common/ProgramOptions.h"
#include "common/QtDialogs.h"
#include "common/SettingsStore.h"
#include "common/Translations.h"
#include "fRedact.h"
#include "link/HardwarePort.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // The command line first: it needs no display. Qt's own options
    // (-platform, -style, ...) are QApplication's.
    common::SettingsStore settings;
    kline::PortMap ports(&settings, editor::settingsApp());
    const editor::CommandLine line = editor::parseCommandLine(
        common::withoutQtOptions(common::programArguments(argc, argv)), ports);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "fermel: %s\nusage: fermel [--port N=DEVICE ...] [FILE]\n",
                     qPrintable(line.error));
        return editor::kExitUsage;
    }
    if (line.help) {
        std::fputs(qPrintable(editor::usageText(settings.fileFor(editor::settingsApp()))), stdout);
        return editor::kExitOk;
    }
    if (line.version) {
        std::printf("%s\n", qPrintable(editor::versionText()));
        return editor::kExitOk;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(editor::settingsApp());
    common::installRussianTranslations(app);
    common::showAsDesktopProgram(app, common::DesktopProgram::Fermel);
    common::QtDialogs dialogs;
    editor::FermelSeams seams{settings, dialogs, ports, kline::hardwarePortFactory(), {}};
    editor::fRedact window(seams);
    dialogs.setParent(&window);
    window.show();
    if (!line.file.isEmpty()) window.openAtStart(line.file);
    return app.exec();
}
