#pragma once
// --help and --version, which every program of the tool set answers before
// it opens a window (they need no display): the text goes to the standard
// output and the program ends with status 0.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace common {

enum class InfoOption { None, Help, Version };

// The first --help (or -h) or --version among the arguments, the program's
// name left out. "--" ends the options: a file may be called "--help".
InfoOption findInfoOption(const QStringList& arguments);

// The arguments of main() without the program's name.
QStringList programArguments(int argc, char** argv);

// The arguments without Qt's own options and their values (-platform NAME,
// -style=NAME, -reverse, ..., with one dash or two), as QApplication takes
// them away: what the program itself must understand, known before a
// QApplication exists, so that a wrong command line is told without a display.
QStringList withoutQtOptions(const QStringList& arguments);

// The tool set's version line for a program: "kvintor 2.4".
QString versionLine(const QString& program);

// Answers --help with help() and --version with versionLine(program) on the
// standard output. The exit status when it answered, nothing otherwise.
std::optional<int> answerInfoOption(int argc, char** argv, const QString& program,
                                    const std::function<QString()>& help);

} // namespace common
