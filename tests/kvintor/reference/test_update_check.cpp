// The update check against a real FTP server on the loopback address, the
// private temporary file, and the rules that judge the version file.
#include "FtpServer.h"
#include "KvintorRig.h"
#include "reference/DialUp.h"
#include "reference/ReferenceMenus.h"
#include "reference/UpdateCheck.h"
#include "reference/fmAbout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include "common/Numbers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using kvintor::FetchState;
using kvintor::fmAbout;
using kvintor::Verdict;

namespace {

const QString kNoUpdate =
    QStringLiteral("В данный момент обновления к программе Kvintor\r\nеще не выпущены");
const QString kDownloadError = QStringLiteral("Ошибка загрузки с сервера или отмена операции");
const QString kPage = QStringLiteral("http://updates.example.test/UpdateKvintor.htm");

// A dial-up layer with one active connection, recording its hang-ups.
struct RecordingDialUp : kvintor::DialUp {
    std::vector<kvintor::DialUpConnection> active{{7, QByteArray("Провайдер\0\x01\x02", 21)}};
    std::vector<quintptr> hungUp;
    bool enumerate(std::vector<kvintor::DialUpConnection>& out) override {
        out = active;
        return true;
    }
    void hangUp(quintptr handle) override { hungUp.push_back(handle); }
};

class UpdateCheck : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server = new FtpServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    static FtpServer* server;

    KvintorRig rig;
    RecordingDialUp dialUp;
    std::unique_ptr<fmAbout> about;

    void SetUp() override {
        ASSERT_TRUE(server->running()) << server->error().toStdString();
        useServer(server->address());
        rig.store("fmAbout", "DownloadPage", kPage);
        rig.store("fmAbout", "DialUpEntry", QStringLiteral(" Провайдер "));
        // Owned here, as the program owns its splash (not released on close).
        about = std::make_unique<fmAbout>(rig.program, nullptr, fmAbout::Use::Splash);
        about->dialUp = &dialUp;
    }
    void useServer(const QString& address) { rig.store("fmAbout", "UpdateServer", address); }
    void check(const QByteArray& versionFile) {
        server->serve(versionFile);
        about->checkForUpdate();
    }
    QStringList urls() const { return rig.platform.calls.filter(QRegularExpression("^url ")); }
    // Clears what one check left behind, for the next one in a loop.
    void forget() {
        rig.dialogs.messages.clear();
        rig.platform.calls.clear();
        dialUp.hungUp.clear();
    }
};

FtpServer* UpdateCheck::server = nullptr;

} // namespace

// ============================================================ against the server

TEST_F(UpdateCheck, NewerVersionOpensTheDownloadPage) {
    for (const char* file : {"5", "12", "9\r\n", " 7 "}) {
        SCOPED_TRACE(file);
        forget();
        check(file);
        EXPECT_EQ(urls(), QStringList{"url " + kPage});
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_TRUE(dialUp.hungUp.empty()) << "the browser still needs the line";
        EXPECT_FALSE(about->checking());
    }
}

TEST_F(UpdateCheck, SameOrOlderVersionTellsThatNoUpdateExists) {
    for (const char* file : {"4", "3", "0", "", "4\n", "-1"}) {
        SCOPED_TRACE(file);
        forget();
        check(file);
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        const common::MessageCall& m = rig.dialogs.messages.front();
        EXPECT_EQ(m.text, kNoUpdate);
        EXPECT_EQ(m.caption, QStringLiteral("Kvintor  (версия 2.4)"));
        EXPECT_EQ(m.icon, common::Icon::Information);
        EXPECT_EQ(m.buttons, common::Buttons::Ok);
        EXPECT_TRUE(urls().isEmpty());
        EXPECT_EQ(dialUp.hungUp, std::vector<quintptr>{7});
    }
}

TEST_F(UpdateCheck, TextLongerThanTwoCharactersDoesNothing) {
    for (const QByteArray& file :
         {QByteArray("123"), QByteArray("4.1"), QByteArray("5 5"), QByteArray("abc"),
          QByteArray("<html>"), QByteArray(5000, '9')}) {
        SCOPED_TRACE(file.left(10).toStdString());
        forget();
        check(file);
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_TRUE(urls().isEmpty());
        EXPECT_EQ(dialUp.hungUp, std::vector<quintptr>{7});
    }
}

TEST_F(UpdateCheck, DownloadFailuresShowTheErrorOnly) {
    // No server at all, and a server without the file: the error message,
    // and no "no update" message after it.
    for (bool serverDown : {true, false}) {
        SCOPED_TRACE(serverDown ? "no server" : "no file");
        forget();
        if (serverDown) {
            useServer(QStringLiteral("ftp://127.0.0.1:%1").arg(closedPort()));
        } else {
            useServer(server->address());
            server->removeFile();
        }
        about->checkForUpdate();
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text, kDownloadError);
        EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Kvintor  (версия 2.4)"));
        EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Critical);
        EXPECT_TRUE(urls().isEmpty());
        EXPECT_EQ(dialUp.hungUp, std::vector<quintptr>{7});
    }
}

TEST_F(UpdateCheck, ServerWithUserAndPassword) {
    FtpServer privateServer(QStringLiteral("kvintor"), QStringLiteral("s3cret"));
    ASSERT_TRUE(privateServer.running()) << privateServer.error().toStdString();
    privateServer.serve("6");
    useServer(privateServer.address() + QStringLiteral("/"));
    rig.store("fmAbout", "UpdateUser", QStringLiteral("kvintor"));
    rig.store("fmAbout", "UpdatePassword", QStringLiteral("s3cret"));
    about->checkForUpdate();
    EXPECT_EQ(urls(), QStringList{"url " + kPage});

    forget();
    rig.store("fmAbout", "UpdatePassword", QStringLiteral("wrong"));
    about->checkForUpdate();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kDownloadError);
}

TEST_F(UpdateCheck, OnlyFtpAddressesAreFetched) {
    // The address is a setting: a local file behind it is not read.
    QTemporaryDir dir;
    QFile f(dir.filePath("Versiy.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("9");
    f.close();
    useServer(QUrl::fromLocalFile(dir.path()).toString());
    about->checkForUpdate();
    EXPECT_TRUE(urls().isEmpty());
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kDownloadError);
}

// ============================================================ the temporary file

// The files this process holds open in a folder, with their modes (a file
// made without a name in the folder shows as "#inode (deleted)").
std::vector<std::pair<QString, unsigned>> openFilesIn(const QString& folder) {
    std::vector<std::pair<QString, unsigned>> out;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (!target.startsWith(folder + QLatin1Char('/'))) continue;
        struct stat st {};
        if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &st) == 0)
            out.emplace_back(target, static_cast<unsigned>(st.st_mode & 0777));
    }
    return out;
}

TEST_F(UpdateCheck, VersionFileIsPrivateAndRemoved) {
    QTemporaryDir temp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    server->serve("5");
    kvintor::UpdateSource source;
    source.server = server->address();
    std::vector<std::pair<QString, unsigned>> seen;
    const kvintor::FetchResult r = kvintor::fetchVersionFile(source, [&] {
        for (const auto& f : openFilesIn(temp.path()))
            seen.push_back(f);
        return true;
    });
    const QStringList left = QDir(temp.path()).entryList(QDir::Files | QDir::Hidden);
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);

    EXPECT_EQ(r.state, FetchState::Completed);
    EXPECT_EQ(r.text, QStringLiteral("5"));
    ASSERT_FALSE(seen.empty()) << "the file is made in the user's temporary folder";
    for (const auto& [name, mode] : seen) {
        EXPECT_EQ(mode & 077, 0u) << name.toStdString() << ": nobody else may read or change it";
        EXPECT_FALSE(name.endsWith(QLatin1String("/Versiy.txt"))) << "no fixed, guessable name";
    }
    EXPECT_TRUE(left.isEmpty()) << "and it is gone afterwards";
}

TEST_F(UpdateCheck, CancelledTransferLeavesNothing) {
    QTemporaryDir temp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    kvintor::UpdateSource source;
    source.server = server->address();
    const kvintor::FetchResult r = kvintor::fetchVersionFile(source, [] { return false; });
    const QStringList left = QDir(temp.path()).entryList(QDir::Files);
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
    EXPECT_EQ(r.state, FetchState::Cancelled);
    EXPECT_TRUE(left.isEmpty());
}

// ============================================================ the window during a check

TEST_F(UpdateCheck, ClosingTheWindowDuringACheckEndsItQuietly) {
    // A server that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    useServer(QStringLiteral("ftp://127.0.0.1:%1").arg(silent.serverPort()));
    about->show();
    bool secondClickReturned = false;
    QTimer::singleShot(50, about.get(), [&] {
        EXPECT_TRUE(about->checking());
        about->checkForUpdate(); // a second click while one runs
        secondClickReturned = true;
        about->close();
    });
    QElapsedTimer clock;
    clock.start();
    about->checkForUpdate();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(secondClickReturned);
    EXPECT_FALSE(about->checking());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_TRUE(urls().isEmpty());
    EXPECT_TRUE(rig.platform.calls.contains("layout 04090409"));
}

TEST(UpdateCheckSplash, SplashReleasedDuringACheck) {
    // The main window's activation releases the splash while its check runs.
    KvintorRig rig;
    kvintor::installReferenceWindows(rig.program);
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    rig.store("fmAbout", "UpdateServer",
              QStringLiteral("ftp://127.0.0.1:%1").arg(silent.serverPort()));
    ASSERT_TRUE(rig.startOnCom1());
    auto* splash = qobject_cast<fmAbout*>(rig.program.splash());
    ASSERT_NE(splash, nullptr);
    QTimer::singleShot(50, &rig.main(), [&] { rig.main().activated(); });
    splash->checkForUpdate();
    EXPECT_EQ(rig.program.splash(), nullptr);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

// ============================================================ judging the text

TEST(VersionText, Verdicts) {
    struct Case {
        const char* text;
        Verdict verdict;
    };
    const Case cases[] = {
        {"5", Verdict::Newer},         {"12", Verdict::Newer},
        {" 5\r\n", Verdict::Newer},    {"5a", Verdict::Newer},
        {"4", Verdict::NotNewer},      {"04", Verdict::NotNewer},
        {"", Verdict::NotNewer},       {"a5", Verdict::NotNewer},
        {"-9", Verdict::NotNewer},     {"123", Verdict::NotAVersion},
        {"4.1", Verdict::NotAVersion}, {"\t5 5 ", Verdict::NotAVersion},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kvintor::judgeVersionText(QString::fromLatin1(c.text), 4), c.verdict) << c.text;
    EXPECT_EQ(common::leadingNumber(QStringLiteral("  42xyz")), 42);
    EXPECT_EQ(common::leadingNumber(QStringLiteral("-3")), -3);
    EXPECT_EQ(common::leadingNumber(QStringLiteral("x1")), 0);
    EXPECT_EQ(kvintor::versionFileUrl(QStringLiteral("ftp://h:21/pub")),
              QStringLiteral("ftp://h:21/pub/Versiy.txt"));
    EXPECT_EQ(kvintor::versionFileUrl(QStringLiteral("ftp://h/")),
              QStringLiteral("ftp://h/Versiy.txt"));
}
