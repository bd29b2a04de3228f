// The oscilloscope's real path: the link on a pseudo-terminal served by the
// simulated ECU at 9600-baud timing, the stream read through a QSerialPort
// and its receive signal, and the port given back to the link afterwards.
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "fOscll.h"
#include "link/HardwarePort.h"
#include "main/Program.h"
#include "sim/PtyServer.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using kline::Request;

namespace {

struct OnAPseudoTerminal : ::testing::Test {
    QTemporaryDir dir;
    std::shared_ptr<sim::Simulator> sim = std::make_shared<sim::Simulator>();
    sim::PtyServer server{sim};
    common::SettingsStore settings{dir.path() + QStringLiteral("/settings")};
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    kline::PortMap ports{&settings};
    std::unique_ptr<kvintor::Program> program;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(server.start());
        ports.setDevice(1, server.devicePath());
        program = std::make_unique<kvintor::Program>(settings, dialogs, platform, ports,
                                                     kline::hardwarePortFactory(), dir.path());
        ASSERT_EQ(program->ecu.OpenPort(1), 0);
    }
    void TearDown() override {
        program.reset();
        server.stop();
    }
    std::vector<Request> log() {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        std::vector<Request> out;
        for (const auto& r : sim->adapter.log())
            out.push_back(r.request);
        return out;
    }
    bool streaming() {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        return !sim->ecu.streamVariables().empty();
    }
};

} // namespace

TEST_F(OnAPseudoTerminal, TheStreamIsReadThroughTheSerialPortAndThePortGoesBack) {
    {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        sim->ecu.engine().setThrottle(64); // an escape pair in every frame
    }
    {
        kvintor::fOscll w(*program, kvintor::serialStreamPorts(), nullptr);
        // Timer2 starts the stream; the frames then come by themselves.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return w.Label1[0]->text() == QStringLiteral("64"); }, 5000));
        EXPECT_EQ(log(), (std::vector<Request>{{1}, {113, 32, 41, 38, 52, 57, 63}}));
        EXPECT_EQ(program->ecu.PortHandle(), -1);
        EXPECT_TRUE(streaming());
        EXPECT_NE(w.Label1[1]->text(), QStringLiteral("0"));
        QTest::qWait(300);
        EXPECT_TRUE(w.Timer1->isActive());
        EXPECT_TRUE(dialogs.messages.empty()) << "frames come every few milliseconds";
        w.reject();
    }
    EXPECT_GT(program->ecu.PortHandle(), 0) << "the link has its port again";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !streaming(); }, 1000))
        << "the six zero bytes ended the stream";
    EXPECT_EQ(log().back(), Request{1}) << "the link's connection check after closing";
    EXPECT_EQ(program->ecu.EcuExchange({1}), kline::kOk);
    EXPECT_EQ(program->ecu.EcuExchange({97, 32}), kline::kOk);
    EXPECT_EQ(program->ecu.EcuReply(), std::vector<int>{64});
}
