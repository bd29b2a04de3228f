#pragma once
// Removes Kvintor from its installation folder: after one confirmation it
// deletes Kvintor's program file and its stored window settings, and starts a
// script that deletes the remaining installed files, the uninstaller
// included, once the uninstaller has ended. Fermel, Lumeta and their
// settings stay. A Kvintor installed by the package manager is the package
// manager's to remove, and a running Kvintor is not removed.
#include <QString>
#include <QStringList>
#include <functional>

namespace common {
class Dialogs;
class Platform;
class SettingsStore;
} // namespace common

namespace uninstall {

// The installed files are named after the system: Windows program files and
// a batch script there, a program without extension and a shell script
// elsewhere.
enum class System { Windows, Unix };
System thisSystem();

QString programFileName(System system);     // Kvintor's program file
QString uninstallerFileName(System system); // this program's file
QString scriptFileName(System system);      // the script left behind
QStringList scriptLines(System system);     // its lines, in order
QString lineEnd(System system);             // CR LF on Windows

// The settings application and the sections of Kvintor's windows removed.
QString kvintorApp();
const QStringList& kvintorSections();

// The folder of the uninstaller's executable with a trailing separator.
QString installationFolder(const QString& executableFolder);

// The package that owns file as dpkg knows it, empty when none does (or
// there is no dpkg).
QString dpkgPackageOf(const QString& file);
// The package that "dpkg-query --search FILE" names for file in output.
QString packageFromDpkgSearch(const QString& output, const QString& file);

class Uninstaller {
  public:
    enum class Result { Declined, Done, Failed, Packaged };

    Uninstaller(common::SettingsStore& settings, common::Dialogs& dialogs,
                common::Platform& platform, QString executableFolder, System system = thisSystem());

    // Asks, then removes; a running Kvintor or any failure after the
    // answer shows "Закройте все приложения!" and stops, keeping what was
    // done. A folder of a package: says how to remove it, and nothing else.
    Result run();

    // The package that owns a file, empty when none does (dpkg's answer by
    // default).
    std::function<QString(const QString& file)> packageOf = dpkgPackageOf;
    // Whether Kvintor runs (by default: whether a program holds the lock
    // beside Kvintor's settings).
    std::function<bool()> kvintorRuns;

    static QString question();
    static QString packageText(const QString& package);
    static QString questionTitle();
    static QString failureText();
    static QString failureTitle();

  private:
    bool removeFiles(const QString& folder);
    bool writeScript(const QString& path);
    bool startScript(const QString& folder, const QString& path);

    common::SettingsStore& settings_;
    common::Dialogs& dialogs_;
    common::Platform& platform_;
    QString executableFolder_;
    System system_;
};

} // namespace uninstall
