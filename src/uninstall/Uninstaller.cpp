#include "Uninstaller.h"

#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/RunningLock.h"
#include "common/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace uninstall {

System thisSystem() {
#ifdef Q_OS_WIN
    return System::Windows;
#else
    return System::Unix;
#endif
}

QString programFileName(System system) {
    return system == System::Windows ? QStringLiteral("Kvintor.exe") : QStringLiteral("kvintor");
}

QString uninstallerFileName(System system) {
    return system == System::Windows ? QStringLiteral("Uninstall.exe")
                                     : QStringLiteral("kvintor-uninstall");
}

QString scriptFileName(System system) {
    return system == System::Windows ? QStringLiteral("Uninst.bat") : QStringLiteral("Uninst.sh");
}

QString lineEnd(System system) {
    return system == System::Windows ? QStringLiteral("\r\n") : QStringLiteral("\n");
}

QStringList scriptLines(System system) {
    if (system == System::Windows)
        return {QStringLiteral("@echo off"),
                QStringLiteral("if exist Comctl32.ocx del Comctl32.ocx"),
                QStringLiteral("if exist Comdlg32.ocx del Comdlg32.ocx"),
                QStringLiteral("if exist Mscomm32.ocx del Mscomm32.ocx"),
                QStringLiteral("if exist Msinet.ocx del Msinet.ocx"),
                QStringLiteral("if exist Readme.txt del Readme.txt"),
                QStringLiteral("if exist Speaker.dll del Speaker.dll"),
                QStringLiteral("if exist Otchet.log del Otchet.log"),
                QStringLiteral("if exist Uninstall.exe del Uninstall.exe"),
                QStringLiteral("if exist Uninst.bat del Uninst.bat")};
    // The same files under their names here; the script works in its own
    // folder whoever starts it.
    return {QStringLiteral("#!/bin/sh"),
            QStringLiteral("cd \"$(dirname \"$0\")\" || exit 1"),
            QStringLiteral("rm -f Comctl32.ocx"),
            QStringLiteral("rm -f Comdlg32.ocx"),
            QStringLiteral("rm -f Mscomm32.ocx"),
            QStringLiteral("rm -f Msinet.ocx"),
            QStringLiteral("rm -f Readme.txt"),
            QStringLiteral("rm -f Speaker.dll"),
            QStringLiteral("rm -f Otchet.log"),
            QStringLiteral("rm -f ") + uninstallerFileName(system),
            QStringLiteral("rm -f Uninst.sh")};
}

QString kvintorApp() {
    return QStringLiteral("Kvintor");
}

const QStringList& kvintorSections() {
    static const QStringList sections = {
        QStringLiteral("fNastr"),         QStringLiteral("fGraphik"), QStringLiteral("rfCoefCO"),
        QStringLiteral("rfCoeff12"),      QStringLiteral("rfObor"),   QStringLiteral("rfRegRDV"),
        QStringLiteral("rfSostSm"),       QStringLiteral("rfTemper"), QStringLiteral("rfTempVozd"),
        QStringLiteral("rfUgollVpryska"), QStringLiteral("rfUOZ"),    QStringLiteral("tfTorm"),
        QStringLiteral("tfUskor")};
    return sections;
}

QString installationFolder(const QString& executableFolder) {
    if (executableFolder.isEmpty()) return QString();
    QString folder = QDir::fromNativeSeparators(executableFolder);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

QString packageFromDpkgSearch(const QString& output, const QString& file) {
    // "kvintor: /usr/bin/kvintor", "libc6:amd64, libc6:i386: /usr/share/...";
    // diversions are told on lines of their own.
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("diversion by "))) continue;
        const auto colon = line.indexOf(QLatin1String(": "));
        if (colon <= 0 || line.mid(colon + 2).trimmed() != file) continue;
        return line.left(colon)
            .section(QLatin1String(", "), 0, 0)
            .section(QLatin1Char(':'), 0, 0)
            .trimmed();
    }
    return QString();
}

QString dpkgPackageOf(const QString& file) {
    const QString query = QStandardPaths::findExecutable(QStringLiteral("dpkg-query"));
    if (query.isEmpty()) return QString();
    QProcess dpkg;
    dpkg.start(query, {QStringLiteral("--search"), QStringLiteral("--"), file});
    if (!dpkg.waitForFinished(10000)) {
        dpkg.kill();
        dpkg.waitForFinished(1000);
        return QString();
    }
    if (dpkg.exitStatus() != QProcess::NormalExit || dpkg.exitCode() != 0) return QString();
    return packageFromDpkgSearch(QString::fromLocal8Bit(dpkg.readAllStandardOutput()), file);
}

QString Uninstaller::question() {
    return QStringLiteral("Вы хотите удалить программу Kvintor и все компоненты?");
}
QString Uninstaller::questionTitle() {
    return QStringLiteral("Удаление программы");
}
QString Uninstaller::packageText(const QString& package) {
    return QStringLiteral("Программа Kvintor установлена из пакета %1.\n"
                          "Удалите её менеджером пакетов, например командой:\n"
                          "sudo apt remove %1")
        .arg(package);
}
QString Uninstaller::failureText() {
    return QStringLiteral("Закройте все приложения!");
}
QString Uninstaller::failureTitle() {
    return QStringLiteral("Uninstall");
}

Uninstaller::Uninstaller(common::SettingsStore& settings, common::Dialogs& dialogs,
                         common::Platform& platform, QString executableFolder, System system)
    : settings_(settings), dialogs_(dialogs), platform_(platform),
      executableFolder_(std::move(executableFolder)), system_(system) {
    kvintorRuns = [this] {
        return common::RunningLock::heldElsewhere(
            common::RunningLock::pathFor(settings_, kvintorApp()));
    };
}

Uninstaller::Result Uninstaller::run() {
    const QString folder = installationFolder(executableFolder_);
    // The package manager keeps account of a package's files: deleting them
    // behind its back would leave it wrong about them.
    if (!folder.isEmpty() && packageOf) {
        for (const QString& file : {programFileName(system_), uninstallerFileName(system_)}) {
            const QString package = packageOf(folder + file);
            if (package.isEmpty()) continue;
            dialogs_.message(packageText(package), questionTitle(), common::Icon::Information);
            return Result::Packaged;
        }
    }
    if (dialogs_.message(question(), questionTitle(), common::Icon::Critical,
                         common::Buttons::YesNo, common::Answer::No) != common::Answer::Yes)
        return Result::Declined;

    // A running Kvintor keeps its program file in use and would write its
    // settings back at its end.
    const QString script = folder + scriptFileName(system_);
    const bool ok = !(kvintorRuns && kvintorRuns()) && !folder.isEmpty() &&
                    QFileInfo(folder).isDir() && removeFiles(folder) && writeScript(script);
    bool deleted = true;
    if (ok)
        for (const QString& section : kvintorSections())
            deleted = settings_.DeleteSection(kvintorApp(), section) && deleted;
    if (!ok || !deleted || !startScript(folder, script)) {
        dialogs_.message(failureText(), failureTitle(), common::Icon::Critical);
        return Result::Failed;
    }
    return Result::Done;
}

bool Uninstaller::removeFiles(const QString& folder) {
    // An old script goes whatever its attributes; the program file must be
    // free to delete (a running Kvintor keeps it on Windows).
    const QString script = folder + scriptFileName(system_);
    if (QFileInfo::exists(script)) {
        QFile::setPermissions(script,
                              QFile::permissions(script) | QFile::WriteOwner | QFile::WriteUser);
        if (!QFile::remove(script)) return false;
    }
    const QString program = folder + programFileName(system_);
    return !QFileInfo::exists(program) || QFile::remove(program);
}

bool Uninstaller::writeScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QString eol = lineEnd(system_);
    const QByteArray text = (scriptLines(system_).join(eol) + eol).toLocal8Bit();
    if (file.write(text) != text.size()) return false;
    file.close();
    if (system_ == System::Unix)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return file.error() == QFile::NoError;
}

bool Uninstaller::startScript(const QString& folder, const QString& path) {
    // The script deletes by bare names: it starts in the installation folder.
    return system_ == System::Windows
               ? platform_.startDetached(QStringLiteral("cmd.exe"),
                                         {QStringLiteral("/c"), scriptFileName(system_)}, folder)
               : platform_.startDetached(QStringLiteral("/bin/sh"), {path}, folder);
}

} // namespace uninstall
