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

QString versionLine(const QString& program) {
    return program + QStringLiteral(" " KV_VERSION);
}

std::optional<int> answerInfoOption(int argc, char** argv, const QString& program,
                                    const std::function<QString()>& help) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    switch (findInfoOption(arguments)) {
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
