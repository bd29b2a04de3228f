// The uninstaller in a temporary installation folder with a temporary
// settings store: the question, the files, the script, the settings sections.
#include "CommandLine.h"
#include "Uninstaller.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/RunningLock.h"
#include "common/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using uninstall::System;
using uninstall::Uninstaller;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

struct UninstallRig {
    explicit UninstallRig(System s = System::Unix) : system(s) {
        QDir().mkpath(folder);
        const QStringList installed =
            s == System::Windows
                ? QStringList{"Kvintor.exe", "Fermel.exe", "Lumeta.exe",  "Uninstall.exe",
                              "Readme.txt",  "Otchet.log", "Speaker.dll", "Comctl32.ocx"}
                : QStringList{"kvintor",           "fermel",     "lumeta",
                              "kvintor-uninstall", "Readme.txt", "Otchet.log"};
        for (const QString& f : installed)
            touch(folder + f);
        // Every Kvintor section, one more of Kvintor's, and Fermel's and Lumeta's.
        for (const QString& section : uninstall::kvintorSections())
            settings.SaveSetting("Kvintor", section, "Left", "100");
        settings.SaveSetting("Kvintor", "InitTest", "WindSt", "2");
        settings.SaveSetting("fermel", "fRedact", "Left", "5");
        settings.SaveSetting("lumeta", "Adr", "a", "39915");
    }
    Uninstaller::Result run(common::Platform& p) {
        Uninstaller u(settings, dialogs, p, executableFolder, system);
        u.packageOf = [this](const QString& file) { return packages.value(file); };
        return u.run();
    }
    Uninstaller::Result run() { return run(platform); }
    QStringList files() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    System system;
    QTemporaryDir dir;
    QString folder = dir.path() + "/Kvintor/";
    QString executableFolder = dir.path() + "/Kvintor"; // no trailing separator
    common::SettingsStore settings{dir.path() + "/settings"};
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    QMap<QString, QString> packages; // file -> the package that owns it
};

} // namespace

TEST(Uninstall, NoChangesNothing) {
    UninstallRig rig;
    const QStringList before = rig.files();
    const QStringList sections = rig.settings.sections("Kvintor");
    EXPECT_EQ(rig.run(), Uninstaller::Result::Declined); // No is the default
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    const common::MessageCall& q = rig.dialogs.messages[0];
    EXPECT_EQ(q.text, QStringLiteral("Вы хотите удалить программу Kvintor и все компоненты?"));
    EXPECT_EQ(q.caption, QStringLiteral("Удаление программы"));
    EXPECT_EQ(q.icon, common::Icon::Critical);
    EXPECT_EQ(q.buttons, common::Buttons::YesNo);
    EXPECT_EQ(q.defaultButton, common::Answer::No);
    EXPECT_EQ(rig.files(), before);
    EXPECT_EQ(rig.settings.sections("Kvintor"), sections);
    EXPECT_TRUE(rig.platform.calls.isEmpty());
}

TEST(Uninstall, YesRemovesKvintorAndStartsTheScript) {
    UninstallRig rig;
    rig.settings.DeleteSection("Kvintor", "rfUOZ");
    rig.settings.SaveSetting("Kvintor", "rfUoz", "Left", "7"); // any case of the name
    rig.dialogs.answerNext(common::Answer::Yes);
    EXPECT_EQ(rig.run(), Uninstaller::Result::Done);
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);

    // The program file is gone; everything else waits for the script.
    EXPECT_EQ(rig.files(), (QStringList{"Otchet.log", "Readme.txt", "Uninst.sh", "fermel",
                                        "kvintor-uninstall", "lumeta"}));
    EXPECT_EQ(readFile(rig.folder + "Uninst.sh"), QByteArray("#!/bin/sh\n"
                                                             "cd \"$(dirname \"$0\")\" || exit 1\n"
                                                             "rm -f Comctl32.ocx\n"
                                                             "rm -f Comdlg32.ocx\n"
                                                             "rm -f Mscomm32.ocx\n"
                                                             "rm -f Msinet.ocx\n"
                                                             "rm -f Readme.txt\n"
                                                             "rm -f Speaker.dll\n"
                                                             "rm -f Otchet.log\n"
                                                             "rm -f kvintor-uninstall\n"
                                                             "rm -f Uninst.sh\n"));
    // Exactly the thirteen sections went.
    EXPECT_EQ(rig.settings.sections("Kvintor"), QStringList{"InitTest"});
    EXPECT_EQ(rig.settings.GetSetting("Kvintor", "InitTest", "WindSt"), "2");
    EXPECT_EQ(rig.settings.GetSetting("fermel", "fRedact", "Left"), "5");
    EXPECT_EQ(rig.settings.GetSetting("lumeta", "Adr", "a"), "39915");
    EXPECT_EQ(rig.platform.calls,
              QStringList{"start /bin/sh " + rig.folder + "Uninst.sh in " + rig.folder});
}

TEST(Uninstall, WindowsBatchScript) {
    UninstallRig rig(System::Windows);
    touch(rig.folder + "Uninst.bat");
    QFile::setPermissions(rig.folder + "Uninst.bat", QFileDevice::ReadOwner); // read-only goes too
    rig.dialogs.answerNext(common::Answer::Yes);
    EXPECT_EQ(rig.run(), Uninstaller::Result::Done);
    EXPECT_FALSE(QFile::exists(rig.folder + "Kvintor.exe"));
    EXPECT_TRUE(QFile::exists(rig.folder + "Otchet.log"));
    EXPECT_EQ(readFile(rig.folder + "Uninst.bat"),
              QByteArray("@echo off\r\n"
                         "if exist Comctl32.ocx del Comctl32.ocx\r\n"
                         "if exist Comdlg32.ocx del Comdlg32.ocx\r\n"
                         "if exist Mscomm32.ocx del Mscomm32.ocx\r\n"
                         "if exist Msinet.ocx del Msinet.ocx\r\n"
                         "if exist Readme.txt del Readme.txt\r\n"
                         "if exist Speaker.dll del Speaker.dll\r\n"
                         "if exist Otchet.log del Otchet.log\r\n"
                         "if exist Uninstall.exe del Uninstall.exe\r\n"
                         "if exist Uninst.bat del Uninst.bat\r\n"));
    EXPECT_EQ(rig.platform.calls, QStringList{"start cmd.exe /c Uninst.bat in " + rig.folder});
}

TEST(Uninstall, ASecondRunStillWritesAndStartsTheScript) {
    UninstallRig rig;
    for (int run = 0; run < 2; ++run) {
        rig.dialogs.answerNext(common::Answer::Yes);
        EXPECT_EQ(rig.run(), Uninstaller::Result::Done) << run;
    }
    EXPECT_EQ(rig.dialogs.messages.size(), 2u); // two questions, no failure
    EXPECT_EQ(rig.platform.count("start /bin/sh"), 2);
    EXPECT_TRUE(QFile::exists(rig.folder + "Uninst.sh"));
    EXPECT_EQ(rig.settings.sections("Kvintor"), QStringList{"InitTest"});
}

TEST(Uninstall, TheScriptRemovesTheRestInItsOwnFolder) {
    UninstallRig rig;
    rig.dialogs.answerNext(common::Answer::Yes);
    ASSERT_EQ(rig.run(), Uninstaller::Result::Done);
    QProcess sh;
    sh.setWorkingDirectory(rig.dir.path()); // not the installation folder
    sh.start("/bin/sh", {rig.folder + "Uninst.sh"});
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_EQ(sh.exitCode(), 0);
    EXPECT_EQ(rig.files(), (QStringList{"fermel", "lumeta"}));
}

TEST(Uninstall, FailuresAskToCloseTheApplications) {
    const auto expectFailure = [](const common::RecordingDialogs& d) {
        ASSERT_EQ(d.messages.size(), 2u);
        EXPECT_EQ(d.messages[1].text, QStringLiteral("Закройте все приложения!"));
        EXPECT_EQ(d.messages[1].caption, QStringLiteral("Uninstall"));
        EXPECT_EQ(d.messages[1].icon, common::Icon::Critical);
        EXPECT_EQ(d.messages[1].buttons, common::Buttons::Ok);
    };
    { // the program file cannot be deleted: nothing more happens
        UninstallRig rig;
        QFile::remove(rig.folder + "kvintor");
        QDir().mkpath(rig.folder + "kvintor/busy");
        rig.dialogs.answerNext(common::Answer::Yes);
        EXPECT_EQ(rig.run(), Uninstaller::Result::Failed);
        expectFailure(rig.dialogs);
        EXPECT_FALSE(QFile::exists(rig.folder + "Uninst.sh"));
        EXPECT_EQ(rig.settings.sections("Kvintor").size(), 14);
        EXPECT_TRUE(rig.platform.calls.isEmpty());
    }
    { // no installation folder
        UninstallRig rig;
        rig.executableFolder = rig.dir.path() + "/gone";
        rig.dialogs.answerNext(common::Answer::Yes);
        EXPECT_EQ(rig.run(), Uninstaller::Result::Failed);
        expectFailure(rig.dialogs);
        EXPECT_EQ(rig.settings.sections("Kvintor").size(), 14);
    }
    { // the script does not start: what was done stays done
        UninstallRig rig;
        common::RecordingPlatform noStart;
        noStart.startWorks = false;
        rig.dialogs.answerNext(common::Answer::Yes);
        EXPECT_EQ(rig.run(noStart), Uninstaller::Result::Failed);
        expectFailure(rig.dialogs);
        EXPECT_FALSE(QFile::exists(rig.folder + "kvintor"));
        EXPECT_TRUE(QFile::exists(rig.folder + "Uninst.sh"));
        EXPECT_EQ(rig.settings.sections("Kvintor"), QStringList{"InitTest"});
    }
}

TEST(Uninstall, CommandLine) {
    using uninstall::Action;
    EXPECT_EQ(uninstall::parseCommandLine({}), Action::Run);
    EXPECT_EQ(uninstall::parseCommandLine({"--help"}), Action::Help);
    EXPECT_EQ(uninstall::parseCommandLine({"--version"}), Action::Version);
    QString error;
    EXPECT_EQ(uninstall::parseCommandLine({"--now"}, &error), Action::Error);
    EXPECT_EQ(error, QStringLiteral("unknown argument --now"));
    EXPECT_EQ(uninstall::versionText("2.4"), QStringLiteral("kvintor-uninstall 2.4"));
}

TEST(Uninstall, APackagesFilesAreLeftToThePackageManagerAndARunningKvintorStays) {
    { // dpkg knows the program file: no question, nothing removed
        UninstallRig rig;
        rig.packages.insert(rig.folder + "kvintor", "kvintor");
        const QStringList before = rig.files();
        EXPECT_EQ(rig.run(), Uninstaller::Result::Packaged);
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text,
                  QStringLiteral("Программа Kvintor установлена из пакета kvintor.\n"
                                 "Удалите её менеджером пакетов, например командой:\n"
                                 "sudo apt remove kvintor"));
        EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Удаление программы"));
        EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
        EXPECT_EQ(rig.files(), before);
        EXPECT_EQ(rig.settings.sections("Kvintor").size(), 14);
        EXPECT_TRUE(rig.platform.calls.isEmpty());
    }
    { // Kvintor runs (it holds its lock): Yes removes nothing
        UninstallRig rig;
        common::RunningLock kvintor(common::RunningLock::pathFor(rig.settings, "Kvintor"));
        ASSERT_TRUE(kvintor.lock());
        const QStringList before = rig.files();
        rig.dialogs.answerNext(common::Answer::Yes);
        EXPECT_EQ(rig.run(), Uninstaller::Result::Failed);
        ASSERT_EQ(rig.dialogs.messages.size(), 2u);
        EXPECT_EQ(rig.dialogs.messages[1].text, QStringLiteral("Закройте все приложения!"));
        EXPECT_EQ(rig.files(), before);
        EXPECT_EQ(rig.settings.sections("Kvintor").size(), 14);
        EXPECT_TRUE(rig.platform.calls.isEmpty());
        // Once it has ended, the removal goes through.
        kvintor.unlock();
        rig.dialogs.answerNext(common::Answer::Yes);
        EXPECT_EQ(rig.run(), Uninstaller::Result::Done);
    }
}

TEST(Uninstall, DpkgNamesThePackageThatOwnsAFile) {
    struct Case {
        const char* output;
        const char* file;
        const char* package;
    };
    const Case cases[] = {
        {"kvintor: /usr/bin/kvintor\n", "/usr/bin/kvintor", "kvintor"},
        {"libc6:amd64: /usr/lib/x86_64-linux-gnu/libc.so.6\n",
         "/usr/lib/x86_64-linux-gnu/libc.so.6", "libc6"},
        {"diversion by dash from: /bin/sh\ndiversion by dash to: /bin/sh.distrib\ndash: /bin/sh\n",
         "/bin/sh", "dash"},
        {"kvintor, kvintor-extra: /usr/share/doc/kvintor\n", "/usr/share/doc/kvintor", "kvintor"},
        {"kvintor: /usr/bin/kvintor-uninstall\n", "/usr/bin/kvintor", ""}, // another file
        {"", "/usr/bin/kvintor", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(uninstall::packageFromDpkgSearch(c.output, c.file), QString(c.package))
            << c.output;

    // This computer's dpkg, where there is one.
    if (QStandardPaths::findExecutable("dpkg-query").isEmpty()) GTEST_SKIP() << "no dpkg here";
    EXPECT_EQ(uninstall::dpkgPackageOf("/usr/bin/dpkg-query"), "dpkg");
    QTemporaryDir dir;
    EXPECT_EQ(uninstall::dpkgPackageOf(dir.path() + "/kvintor"), "");
}
