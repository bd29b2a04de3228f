// --help and --version as every program finds them among its arguments.
#include "common/ProgramOptions.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using common::findInfoOption;
using common::InfoOption;

TEST(ProgramOptions, HelpAndVersionAnywhereBeforeTheEndOfOptions) {
    EXPECT_EQ(findInfoOption({}), InfoOption::None);
    EXPECT_EQ(findInfoOption({"--port", "1=/dev/ttyUSB0"}), InfoOption::None);
    EXPECT_EQ(findInfoOption({"--help"}), InfoOption::Help);
    EXPECT_EQ(findInfoOption({"-h"}), InfoOption::Help);
    EXPECT_EQ(findInfoOption({"--version"}), InfoOption::Version);
    EXPECT_EQ(findInfoOption({"--port", "1=/dev/ttyS0", "--version"}), InfoOption::Version);
    EXPECT_EQ(findInfoOption({"send", "--device", "x", "--help", "1"}), InfoOption::Help);
    // The first one asked for is answered.
    EXPECT_EQ(findInfoOption({"--version", "--help"}), InfoOption::Version);
    // A file may be called so.
    EXPECT_EQ(findInfoOption({"--", "--help"}), InfoOption::None);
    EXPECT_EQ(findInfoOption({"image.bin", "--", "--version"}), InfoOption::None);
    // Values that merely contain the words are not the options.
    EXPECT_EQ(findInfoOption({"--port", "1=--help", "--helpful"}), InfoOption::None);
}

TEST(ProgramOptions, AnswersOnlyWhenAsked) {
    char program[] = "kline";
    char send[] = "send";
    char* plain[] = {program, send, nullptr};
    EXPECT_FALSE(common::answerInfoOption(2, plain, QStringLiteral("kline"), [] {
                     ADD_FAILURE() << "no help asked for";
                     return QString();
                 }).has_value());
    char version[] = "--version";
    char* asked[] = {program, version, nullptr};
    EXPECT_EQ(common::answerInfoOption(2, asked, QStringLiteral("kline"), [] { return QString(); }),
              std::optional<int>(0));
    EXPECT_TRUE(
        common::versionLine(QStringLiteral("kline")).startsWith(QStringLiteral("kline 2.")));
}

// Each program as a process on a desktop without a display: a wrong command
// line ends with the usage and status 64 before a window is needed; Qt's own
// options are not the mistake.
TEST(ProgramOptions, AWrongCommandLineWithoutADisplayEndsWithTheUsage) {
    struct Case {
        const char* program;
        QStringList arguments;
        int status;
        const char* told; // in the standard error output, with "usage: <program>"
    };
    const Case cases[] = {
        {KVINTOR_PATH, {"--prot", "1=/dev/ttyUSB0"}, 64, "--prot"},
        {KVINTOR_PATH, {"--port", "9=/dev/ttyUSB0"}, 64, "9=/dev/ttyUSB0"},
        {KVINTOR_PATH, {"-style", "fusion", "--simulatr"}, 64, "--simulatr"},
        {LUMETA_PATH, {"--bogus"}, 64, "--bogus"},
        {LUMETA_PATH, {"-platform", "offscreen", "a.bin", "b.bin"}, 64, "b.bin"},
        {KLINE_SIM_PATH, {"--headlss"}, 64, "--headlss"},
        {KLINE_SIM_PATH, {"--engine", "4064"}, 64, "--engine"},
        {FERMEL_PATH, {"--reverse", "--bogus"}, 64, "--bogus"},
        {FERMEL_PATH, {"-style=fusion", "--version"}, 0, ""},
        {UNINSTALL_PATH, {"--now"}, 64, "--now"},
    };
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_CONFIG_HOME", home.path());
    for (const Case& c : cases) {
        const QString name = QFileInfo(c.program).fileName();
        const std::string what = (name + ' ' + c.arguments.join(' ')).toStdString();
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(c.program, c.arguments);
        ASSERT_TRUE(p.waitForFinished(10000)) << what;
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << what << ": " << err.toStdString();
        EXPECT_EQ(p.exitCode(), c.status) << what << ": " << err.toStdString();
        if (c.status == 0) continue;
        EXPECT_TRUE(err.contains("usage: " + name)) << what << ": " << err.toStdString();
        EXPECT_TRUE(err.contains(c.told)) << what << ": " << err.toStdString();
    }
}
