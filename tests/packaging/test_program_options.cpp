// --help and --version as every program finds them among its arguments.
#include "common/ProgramOptions.h"

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
