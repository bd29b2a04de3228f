// The report log and its window.
#include "KvintorRig.h"
#include "common/IniFile.h"
#include "main/fOtchet.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using kvintor::ReportLog;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(IniFile, ProfileRules) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/x.ini";
    QFile seed(file);
    ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
    seed.write("; kept\n[One]\na=1\n\nb=2\n\n[Two]\nc=3\n");
    seed.close();
    ASSERT_TRUE(common::WriteProfileString(file, "one", "B", "20"));   // replaced in place
    ASSERT_TRUE(common::WriteProfileString(file, "ONE", "d", "4"));    // appended to its section
    ASSERT_TRUE(common::WriteProfileString(file, "Three", "e", "5"));  // new section at the end
    EXPECT_EQ(readAll(file), QByteArray("; kept\n[One]\na=1\n\nb=20\nd=4\n\n[Two]\nc=3\n[Three]\ne=5\n"));
    EXPECT_EQ(common::ReadProfileString(file, "two", "C"), "3");
    EXPECT_EQ(common::ReadProfileString(file, "two", "x", "none"), "none");
}

TEST(ReportLog, LineAndPlace) {
    const QString t = "Микас 7.1", s = "0512345", r = "2.17";
    EXPECT_EQ(ReportLog::line(&t, &s, &r), QStringLiteral("Микас 7.1    0512345      2.17"));
    EXPECT_EQ(ReportLog::line(nullptr, nullptr, nullptr),
              QStringLiteral("Не опр.      Не определена            Не определена"));
    QTemporaryDir dir;
    ReportLog log(dir.path() + "/");
    const QDateTime when(QDate(2026, 3, 5), QTime(9, 7, 30));
    ASSERT_TRUE(log.write("first", when));
    ASSERT_TRUE(log.write("second", when.addSecs(20))); // same minute: replaced
    ASSERT_TRUE(log.write("third", when.addSecs(60)));
    EXPECT_EQ(common::ReadProfileString(log.path(), ReportLog::section(when.date()), "09:07"), "second");
    EXPECT_EQ(common::ReadProfileString(log.path(), ReportLog::section(when.date()), "09:08"), "third");
    EXPECT_EQ(QString::fromUtf8(readAll(log.path())).count("09:07"), 1);
}

TEST(ReportLog, ReadOnlyFileIsMadeWritable) {
    QTemporaryDir dir;
    ReportLog log(dir.path() + "/");
    ASSERT_TRUE(log.write("old"));
    QFile::setPermissions(log.path(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    EXPECT_TRUE(log.write("new", QDateTime::currentDateTime().addSecs(3600)));
    EXPECT_TRUE(QString::fromUtf8(readAll(log.path())).contains("new"));
}

TEST(ReportLog, IdentificationWritesOnlyWithTheOptionOn) {
    for (int option : {0, 1}) {
        KvintorRig rig;
        rig.store("fNastr", "Otchet", QString::number(option));
        ASSERT_TRUE(rig.startOnCom1());
        rig.main().timer1Tick();
        const QString path = rig.program.report().path();
        EXPECT_EQ(QFile::exists(path), option == 1);
        if (option == 1) {
            const QString text = QString::fromUtf8(readAll(path));
            EXPECT_TRUE(text.contains(QStringLiteral("=Микас 7.1 Ц1.1 R    0512345      2.17.4062"))) << text.toStdString();
        }
    }
}

TEST(ReportWindow, EscClosesAndTheCaretGoesToTheEnd) {
    KvintorRig rig;
    ASSERT_TRUE(rig.program.report().write("line"));
    kvintor::fOtchet w(rig.program, nullptr);
    w.show();
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(w.Text1, &focus);
    EXPECT_EQ(w.Text1->textCursor().position(), w.Text1->toPlainText().size());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w.Text1, &esc);
    EXPECT_FALSE(w.isVisible());
}

TEST(ReportWindow, MissingSmallAndLargeFiles) {
    KvintorRig rig;
    const QString path = rig.program.report().path();
    {
        kvintor::fOtchet w(rig.program, nullptr);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Отчёт  Kvintor  (версия 2.4)"));
        EXPECT_EQ(w.Text1->toPlainText(), QStringLiteral("\n\n\n           Отчет  еще  не  создан.\n"));
        EXPECT_FALSE(w.Text1->isEnabled());
        EXPECT_EQ(w.Text1->font().pointSize(), 14);
    }
    auto writeFile = [&](qint64 size) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray data(size, 'a');
        data[0] = 'S';
        data[size - 3] = 'x';
        data[size - 2] = 'Y';
        data[size - 1] = 'Z';
        f.write(data);
    };
    writeFile(54800);
    {
        kvintor::fOtchet w(rig.program, nullptr);
        EXPECT_EQ(w.Text1->toPlainText().size(), 54800);
        EXPECT_TRUE(rig.dialogs.messages.empty());
    }
    for (qint64 size : {54801, 54802, 60000}) {
        rig.dialogs.messages.clear();
        writeFile(size);
        kvintor::fOtchet w(rig.program, nullptr);
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text,
                  QStringLiteral("Файл  отчета  слишком  дольшой,  будет  показан  не  полностью."));
        EXPECT_EQ(rig.dialogs.messages[0].caption, rig.program.state.AppTitle);
        EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
        const QString shown = w.Text1->toPlainText();
        // The last two bytes are left out; 54 800 bytes where the file has them.
        EXPECT_EQ(shown.size(), std::min<qint64>(54800, size - 2)) << size;
        EXPECT_EQ(shown.back(), 'x') << size;
        EXPECT_EQ(shown.front(), size <= 54802 ? 'S' : 'a') << size;
    }
}

TEST(ReportWindow, TheCutOfALargeFileKeepsWholeCharacters) {
    KvintorRig rig;
    const QString path = rig.program.report().path();
    // Two-byte characters after one odd byte: the byte offset of the cut
    // falls inside a character.
    QByteArray data = "x" + QStringLiteral("ж").repeated(30000).toUtf8() + "\n";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    const qint64 start = data.size() - 54802; // 0-based byte where the cut starts
    ASSERT_EQ(start % 2, 0) << "the cut must fall mid-character for this test";
    kvintor::fOtchet w(rig.program, nullptr);
    const QString shown = w.Text1->toPlainText();
    EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(shown, QStringLiteral("ж").repeated(shown.size()));
    EXPECT_EQ(shown.size(), 54800 / 2 - 1) << "every whole character of the 54 800 bytes";
}

TEST(ReportLog, AnInstalledProgramWritesIntoTheUsersDataFolder) {
    KvintorRig rig;
    rig.program.state.AppFolder = rig.dir.path() + "/no-such-program-folder/";
    rig.program.dataFolder = rig.dir.path() + "/data/Kvintor/"; // not there yet
    QStringList warnings;
    rig.program.warn = [&](const QString& w) { warnings << w; };
    rig.store("fNastr", "Otchet", "1");
    ASSERT_TRUE(rig.startOnCom1());
    rig.main().timer1Tick();
    EXPECT_EQ(rig.program.report().path(), rig.program.dataFolder + "Otchet.log");
    EXPECT_TRUE(QString::fromUtf8(readAll(rig.program.report().path())).contains(QStringLiteral("Микас")));
    EXPECT_TRUE(warnings.isEmpty());
    // And the report window finds it there.
    kvintor::fOtchet w(rig.program, nullptr);
    EXPECT_TRUE(w.Text1->toPlainText().contains(QStringLiteral("Микас")));
}

TEST(ReportLog, AReportThatCannotBeWrittenIsToldOncePerRun) {
    KvintorRig rig;
    rig.program.state.AppFolder = rig.dir.path() + "/no-such-program-folder/";
    QFile blocker(rig.dir.path() + "/blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    rig.program.dataFolder = rig.dir.path() + "/blocked/Kvintor/";
    QStringList warnings;
    rig.program.warn = [&](const QString& w) { warnings << w; };
    rig.store("fNastr", "Otchet", "1");
    ASSERT_TRUE(rig.startOnCom1());
    rig.main().timer1Tick();
    rig.main().stopTimers();
    rig.main().clearPanel();
    rig.main().Label1->clear();
    rig.main().timer1Tick(); // a second connection in the same run
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(rig.program.dataFolder + "Otchet.log")) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("находится файл"))) << warnings[0].toStdString();
}

TEST(ReportLog, ASystemFolderIsNeverTheReportFolder) {
    KvintorRig rig;
    rig.program.dataFolder = rig.dir.path() + "/data/Kvintor/";
    const QString linked = rig.dir.path() + "/bin-link/"; // a link to /usr/bin
    ASSERT_TRUE(QFile::link("/usr/bin", linked.chopped(1)));
    const struct {
        QString folder;
        bool system;
    } cases[] = {
        {"/usr/bin/", true},
        {"/usr/local/bin", true},
        {"/bin/", true},
        {"/opt/kvintor/bin/", true},
        {"/usr/bin/../lib/", true},
        {"/", true},
        {linked, true},
        {"/usrlocal/bin/", false},
        {"/home/master/Kvintor/", false},
        {"/root/Kvintor/", false},
        {rig.dir.path() + "/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReportLog::isSystemFolder(c.folder), c.system) << c.folder.toStdString();
        // Where this user may write (root may write in /usr/bin).
        const QFileInfo folder(c.folder);
        if (!folder.isDir() || !folder.isWritable()) continue;
        rig.program.state.AppFolder = c.folder;
        EXPECT_EQ(rig.program.report().path().toStdString(),
                  ((c.system ? rig.program.dataFolder : c.folder) + "Otchet.log").toStdString());
    }
}
