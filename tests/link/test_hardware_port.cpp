// The hardware port on a pseudo-terminal, with a small adapter-and-ECU on
// the master side in a thread: echo, then the scripted reply.
#include "TestContext.h"
#include "link/EcuLink.h"
#include "link/FrameCodec.h"
#include "link/HardwarePort.h"

#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace kline;

namespace {

class PtyAdapter {
public:
    PtyAdapter() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) == 0) device_ = name;
    }
    ~PtyAdapter() {
        stop();
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    QString device() const { return QString::fromLocal8Bit(device_.c_str()); }

    // Echoes each request frame and answers `reply`; with unplugAfterEcho
    // the master side goes away right after the echo.
    void serve(QByteArray reply, bool unplugAfterEcho = false) {
        // Our own slave descriptor only kept the terminal alive until now.
        if (slave_ >= 0) {
            ::close(slave_);
            slave_ = -1;
        }
        thread_ = std::thread([this, reply, unplugAfterEcho] {
            QByteArray frame;
            while (!stop_) {
                pollfd p{master_, POLLIN, 0};
                if (poll(&p, 1, 10) <= 0) continue;
                char buf[64];
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n <= 0) continue;
                frame.append(buf, static_cast<int>(n));
                if (!frame.endsWith('\r') || frame.size() < 2) continue;
                (void)!::write(master_, frame.constData(), static_cast<size_t>(frame.size()));
                frame.clear();
                if (unplugAfterEcho) {
                    usleep(2000);
                    ::close(master_);
                    master_ = -1;
                    return;
                }
                (void)!::write(master_, reply.constData(), static_cast<size_t>(reply.size()));
            }
        });
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

struct HardwareLink {
    TestContext t;
    PortMap ports;
    EcuLink ecu{t.ctx, ports, hardwarePortFactory()};
    explicit HardwareLink(const QString& device) { ports.setDevice(1, device); }
};

} // namespace

TEST(HardwarePort, ExchangeOverPseudoTerminal) {
    PtyAdapter pty;
    ASSERT_FALSE(pty.device().isEmpty());
    HardwareLink h(pty.device());
    ASSERT_EQ(h.ecu.OpenPort(1), 0) << "DTR/RTS refused by a pseudo-terminal must not fail";
    pty.serve(encodeFrame({0, 13, 64}));
    EXPECT_EQ(h.ecu.EcuExchange({97, 64}), kOk);
    EXPECT_EQ(h.ecu.EcuReply(), (std::vector<int>{0, 13, 64}));
    // A request whose own checksum is 13.
    EXPECT_EQ(h.ecu.EcuExchange({97, 146}), kOk);
    EXPECT_EQ(h.ecu.EcuReply(), (std::vector<int>{0, 13, 64}));
}

TEST(HardwarePort, BusyAndMissingDevices) {
    PtyAdapter pty;
    HardwareLink first(pty.device());
    ASSERT_EQ(first.ecu.OpenPort(1), 0);
    HardwareLink second(pty.device());
    EXPECT_FALSE(second.ecu.ProbePort(1)) << "a port held by another must not probe free";
    EXPECT_EQ(second.ecu.PortHandle(), -1);
    first.ecu.ClosePort();
    EXPECT_TRUE(second.ecu.ProbePort(1));

    HardwareLink none(QStringLiteral("/dev/no-such-serial-port"));
    EXPECT_EQ(none.ecu.OpenPort(1), -1);
    EXPECT_FALSE(none.ecu.ProbePort(1));
}

TEST(HardwarePort, UnpluggedDuringExchangeEndsWithinTheTimeouts) {
    PtyAdapter pty;
    HardwareLink h(pty.device());
    ASSERT_EQ(h.ecu.OpenPort(1), 0);
    pty.serve(QByteArray(), true);
    QElapsedTimer timer;
    timer.start();
    const int result = h.ecu.EcuExchange({1});
    EXPECT_NE(result, kOk);
    EXPECT_LT(timer.elapsed(), 2000);
    // And the next exchange on the dead line fails too, without hanging.
    EXPECT_NE(h.ecu.EcuExchange({1}), kOk);
    EXPECT_LT(timer.elapsed(), 4000);
}
