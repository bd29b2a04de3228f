// The real Kvintor program on the simulated ECU behind a pseudo-terminal:
// what a signal leaves in the ECU and in the settings, and what a vanished
// adapter costs the processor.
#include "common/RunningLock.h"
#include "common/SettingsStore.h"
#include "sim/PtyServer.h"
#include "sim/Simulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using kline::Request;

namespace {

const Request kReset{98, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0};

class KvintorProcess : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_shared<sim::Simulator>();
        server = std::make_unique<sim::PtyServer>(sim);
        ASSERT_TRUE(server->start());
        link = dir.path() + "/ecu";
        ASSERT_TRUE(server->setLink(link));
        settings = std::make_unique<common::SettingsStore>(dir.path() + "/config/kvintor-workshop");
        settings->SaveSetting("Kvintor", "fNastr", "ВыбрПорт", "1");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_DATA_HOME", dir.path() + "/data");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        kvintor.setProcessEnvironment(env);
        kvintor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        kvintor.start(QStringLiteral(KVINTOR_PATH), {"--port", "1=" + link});
        ASSERT_TRUE(kvintor.waitForStarted(5000));
    }
    void TearDown() override {
        if (kvintor.state() != QProcess::NotRunning) {
            kvintor.kill();
            kvintor.waitForFinished(3000);
        }
        server->stop();
    }
    std::vector<Request> log() {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        std::vector<Request> out;
        for (const auto& r : sim->adapter.log()) out.push_back(r.request);
        return out;
    }
    double now() {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        return sim->now();
    }
    // Waits until the ECU has seen, since the simulated time `since`, a
    // request that starts with command.
    bool waitFor(std::uint8_t command, int timeoutMs, double since = -1) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            {
                std::lock_guard<std::recursive_mutex> lock(sim->mutex);
                for (const auto& r : sim->adapter.log())
                    if (r.timeMs > since && !r.request.empty() && r.request[0] == command) return true;
            }
            QThread::msleep(20);
        }
        return false;
    }
    bool lockHeld() {
        return common::RunningLock::heldElsewhere(
            common::RunningLock::pathFor(*settings, "Kvintor"));
    }
    // Processor time the program has used so far, in seconds.
    double cpuSeconds() {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(kvintor.processId()));
        if (!stat.open(QIODevice::ReadOnly)) return -1;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return (fields[11].toDouble() + fields[12].toDouble()) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    QTemporaryDir dir;
    std::shared_ptr<sim::Simulator> sim;
    std::unique_ptr<sim::PtyServer> server;
    std::unique_ptr<common::SettingsStore> settings;
    QString link;
    QProcess kvintor;
};

} // namespace

TEST_F(KvintorProcess, ATerminationSignalResetsTheEcuAndStoresTheSettings) {
    ASSERT_TRUE(waitFor(7, 15000)) << "the live panel polls";
    {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        sim->ecu.handle({98, 10, 0x0F, 9, 0x03, 11, 0x40, 46, 90});
    }
    EXPECT_TRUE(lockHeld()) << "the uninstaller can tell that Kvintor runs";
    ::kill(static_cast<pid_t>(kvintor.processId()), SIGTERM);
    ASSERT_TRUE(kvintor.waitForFinished(5000));
    EXPECT_EQ(kvintor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(kvintor.exitCode(), 0);
    EXPECT_FALSE(lockHeld());
    EXPECT_FALSE(QFile::exists(common::RunningLock::pathFor(*settings, "Kvintor")))
        << "given back at the end";
    const std::vector<Request> seen = log();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), kReset) << "the last frame gives the working variables back";
    {
        std::lock_guard<std::recursive_mutex> lock(sim->mutex);
        for (int v = 10; v <= 15; ++v) EXPECT_EQ(sim->ecu.variable(v), 0) << v;
    }
    EXPECT_NE(settings->GetSetting("Kvintor", "fNastr", "SysDin", "none"), QStringLiteral("none"))
        << "stored at the end";
    EXPECT_NE(settings->GetSetting("Kvintor", "InitTest", "WindSt", "none"), QStringLiteral("none"));
}

TEST_F(KvintorProcess, AKilledKvintorHoldsNoLock) {
    QElapsedTimer t;
    t.start();
    while (!lockHeld() && t.elapsed() < 10000)
        QThread::msleep(20);
    ASSERT_TRUE(lockHeld());
    kvintor.kill();
    ASSERT_TRUE(kvintor.waitForFinished(5000));
    EXPECT_FALSE(lockHeld())
        << "the uninstaller is not kept from its work by a Kvintor that is gone";
}

TEST_F(KvintorProcess, AHangUpEndsTheSameWay) {
    ASSERT_TRUE(waitFor(7, 15000));
    ::kill(static_cast<pid_t>(kvintor.processId()), SIGHUP);
    ASSERT_TRUE(kvintor.waitForFinished(5000));
    EXPECT_EQ(log().back(), kReset);
}

TEST_F(KvintorProcess, AnUnpluggedAdapterCostsLittleAndIsFoundAgain) {
    ASSERT_TRUE(waitFor(7, 15000));
    server->unplug();
    QThread::msleep(300);
    const double before = cpuSeconds();
    ASSERT_GE(before, 0);
    QThread::sleep(5);
    const double used = cpuSeconds() - before;
    EXPECT_LT(used, 0.25) << "under 5 % of a core for 5 s without an adapter";
    std::cout << "processor time without the adapter: " << used / 5 * 100 << " % of a core\n";
    const double back = now();
    ASSERT_TRUE(server->plugIn());
    ASSERT_TRUE(server->setLink(link));
    EXPECT_TRUE(waitFor(81, 8000, back)) << "identified again once the adapter is back";

    EXPECT_TRUE(waitFor(7, 8000, back)) << "and polling";
}
