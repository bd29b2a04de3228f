// A serial device that exists but that this user may not open gets a
// one-line hint about the dialout group; a busy or missing device does not
// (their messages stay the program's own).
#include "TestContext.h"
#include "link/EcuLink.h"
#include "link/HardwarePort.h"

#include <QFile>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace kline;

namespace {

constexpr uid_t kNobody = 65534;

// A pseudo-terminal, kept open on both sides while the test runs.
class Terminal {
  public:
    Terminal() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) == 0)
            device_ = QString::fromLocal8Bit(name);
    }
    ~Terminal() {
        if (!device_.isEmpty()) ::chmod(QFile::encodeName(device_).constData(), mode_);
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    const QString& device() const { return device_; }
    // Nobody but root may open it: mode 0. (Root still may; the test then
    // opens it as an ordinary user, see Unprivileged.)
    void forbid() {
        struct stat st {};
        const QByteArray path = QFile::encodeName(device_);
        if (::stat(path.constData(), &st) == 0) mode_ = st.st_mode & 07777;
        ::chmod(path.constData(), 0);
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    mode_t mode_ = 0620;
};

// Root opens every device; while this lives the test's effective user is
// nobody, who may not open a terminal of root's.
class Unprivileged {
  public:
    Unprivileged() {
        if (::geteuid() != 0) return;
        active_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    }
    ~Unprivileged() {
        if (!active_) return;
        (void)!::seteuid(0);
        (void)!::setegid(0);
    }
    bool ok() const { return active_ || ::geteuid() != 0; }

  private:
    bool active_ = false;
};

struct Told {
    QStringList lines;
    PortNotice notice() {
        return [this](const QString& line) { lines << line; };
    }
};

} // namespace

TEST(PortPermission, ARefusedDeviceIsToldOnceWithTheDialoutHint) {
    Terminal terminal;
    ASSERT_FALSE(terminal.device().isEmpty());
    terminal.forbid();
    Told told;
    const PortFactory factory = hardwarePortFactory(told.notice());
    QString expected;
    {
        Unprivileged user;
        ASSERT_TRUE(user.ok());
        EXPECT_FALSE(factory(terminal.device())->open(terminal.device()));
        // Start-up, the settings window and a reopen try it again: one line.
        EXPECT_FALSE(factory(terminal.device())->open(terminal.device()));
        expected = permissionHint(terminal.device()); // names this user
    }
    ASSERT_EQ(told.lines.size(), 1);
    const QString& hint = told.lines[0];
    EXPECT_TRUE(hint.contains(terminal.device())) << qPrintable(hint);
    EXPECT_TRUE(hint.contains(QStringLiteral("sudo usermod -aG dialout "))) << qPrintable(hint);
    EXPECT_FALSE(hint.contains(QLatin1Char('\n'))) << "one line";
    EXPECT_EQ(hint, expected);
}

TEST(PortPermission, EachRefusedDeviceIsToldThroughTheLink) {
    Terminal first, second;
    first.forbid();
    second.forbid();
    Told told;
    TestContext t;
    PortMap ports;
    ports.setDevice(1, first.device());
    ports.setDevice(2, second.device());
    EcuLink ecu(t.ctx, ports, hardwarePortFactory(told.notice()));
    {
        Unprivileged user;
        ASSERT_TRUE(user.ok());
        EXPECT_EQ(ecu.OpenPort(1), -1);
        EXPECT_EQ(ecu.OpenPort(2), -1);
    }
    ASSERT_EQ(told.lines.size(), 2);
    EXPECT_TRUE(told.lines[0].contains(first.device()));
    EXPECT_TRUE(told.lines[1].contains(second.device()));
    EXPECT_TRUE(t.dialogs.messages.empty()) << "the link's own messages are the caller's";
}

TEST(PortPermission, BusyAndMissingDevicesGetNoHint) {
    Told told;
    const PortFactory factory = hardwarePortFactory(told.notice());
    EXPECT_FALSE(factory(QStringLiteral("/dev/no-such-serial-port"))
                     ->open(QStringLiteral("/dev/no-such-serial-port")));

    Terminal terminal;
    auto holder = factory(terminal.device());
    ASSERT_TRUE(holder->open(terminal.device()));
    EXPECT_FALSE(factory(terminal.device())->open(terminal.device())) << "held by another";
    EXPECT_TRUE(told.lines.isEmpty()) << qPrintable(told.lines.join(QLatin1Char('\n')));

    // A free device opens without a word.
    holder->close();
    EXPECT_TRUE(factory(terminal.device())->open(terminal.device()));
    EXPECT_TRUE(told.lines.isEmpty());
}
