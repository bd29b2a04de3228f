#include "ProgramOptions.h"

#include <cstdio>

#ifndef KV_VERSION
#define KV_VERSION "0"
#endif

namespace common {

InfoOption findInfoOption(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (a == QLatin1String("--")) break;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) return InfoOption::Help;
        if (a == QLatin1String("--version")) return InfoOption::Version;
    }
    return InfoOption::None;
}

QStringList programArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QStringList withoutQtOptions(const QStringList& arguments) {
    // Those of QGuiApplication, QApplication and the X11 platform.
    static const QStringList withValue = {QStringLiteral("platform"),
                                          QStringLiteral("platformpluginpath"),
                                          QStringLiteral("platformtheme"),
                                          QStringLiteral("plugin"),
                                          QStringLiteral("qwindowgeometry"),
                                          QStringLiteral("geometry"),
                                          QStringLiteral("qwindowtitle"),
                                          QStringLiteral("title"),
                                          QStringLiteral("qwindowicon"),
                                          QStringLiteral("icon"),
                                          QStringLiteral("session"),
                                          QStringLiteral("display"),
                                          QStringLiteral("name"),
                                          QStringLiteral("visual"),
                                          QStringLiteral("style"),
                                          QStringLiteral("stylesheet")};
    static const QStringList alone = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"),  QStringLiteral("dograb"),
                                      QStringLiteral("sync"),    QStringLiteral("testability")};
    // Given as -style=fusion.
    static const QStringList joined = {QStringLiteral("style"), QStringLiteral("stylesheet"),
                                       QStringLiteral("qmljsdebugger")};
    QStringList own;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const int dashes = a.startsWith(QLatin1String("--")) ? 2
                           : a.startsWith(QLatin1Char('-'))  ? 1
                                                             : 0;
        const QString word = a.mid(dashes);
        const QString name =
            word.contains(QLatin1Char('=')) ? word.section(QLatin1Char('='), 0, 0) : QString();
        if (dashes == 0 || word.isEmpty()) {
            own << a;
        } else if (withValue.contains(word)) {
            ++i; // and its value
        } else if (!alone.contains(word) && !joined.contains(name)) {
            own << a;
        }
    }
    return own;
}

QString versionLine(const QString& program) {
    return program + QStringLiteral(" " KV_VERSION);
}

std::optional<int> answerInfoOption(int argc, char** argv, const QString& program,
                                    const std::function<QString()>& help) {
    switch (findInfoOption(programArguments(argc, argv))) {
    case InfoOption::Help:
        std::fputs(help().toLocal8Bit().constData(), stdout);
        break;
    case InfoOption::Version:
        std::printf("%s\n", versionLine(program).toLocal8Bit().constData());
        break;
    case InfoOption::None:
        return std::nullopt;
    }
    std::fflush(stdout);
    return 0;
}

} // namespace common
