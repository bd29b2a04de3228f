// End to end through a real pseudo-terminal: kline-sim on one side, the
// hardware port and the exchange (and the kline tool) on the other.
#include "KlineSimProcess.h"
#include "TestContext.h"
#include "common/Time.h"
#include "link/CodePage866.h"
#include "link/Commands.h"
#include "link/EcuLink.h"
#include "link/HardwarePort.h"
#include "sim/Ecu.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace kline;

namespace {

class KlineSim : public ::testing::Test {
  protected:
    void SetUp() override {
        device = kline.start(QStringLiteral(KLINE_SIM_PATH));
        ASSERT_TRUE(device.startsWith("/dev/")) << device.toStdString();
        ports.setDevice(1, device);
        ASSERT_EQ(ecu.OpenPort(1), 0);
    }
    QString readLine() { return kline.readLine(); }
    // A command on kline-sim's standard input, answered with "ok ...".
    void command(const QByteArray& line) { ASSERT_EQ(kline.command(line), QString::fromLatin1("ok " + line)); }

    KlineSimProcess kline;
    QProcess& sim = kline.process;
    QString device;
    TestContext t;
    PortMap ports;
    EcuLink ecu{t.ctx, ports, hardwarePortFactory()};
};

} // namespace

TEST_F(KlineSim, IdentificationAndTheFourLivePages) {
    EXPECT_EQ(ecu.EcuExchange(cmd::connect()), kOk);
    ASSERT_EQ(ecu.EcuExchange(cmd::ecuType()), kOk);
    EXPECT_TRUE(ecu.ReplyAsText().contains(QStringLiteral("Мик")));
    ASSERT_EQ(ecu.EcuExchange(cmd::readVariables({cmd::kVarSerial})), kOk);
    EXPECT_FALSE(ecu.ReplyAsText().isEmpty());
    ASSERT_EQ(ecu.EcuExchange(cmd::readVariables({cmd::kVarRomVersion})), kOk);
    EXPECT_FALSE(ecu.ReplyAsText().isEmpty());
    ASSERT_EQ(ecu.EcuExchange(cmd::engineText()), kOk);
    EXPECT_EQ(cmd::engineVariantFor(ecu.ReplyAsText()), 62);
    ASSERT_EQ(ecu.EcuExchange(cmd::readConnectionValues()), kOk);
    EXPECT_EQ(ecu.EcuReply().size(), 3u);
    for (int page = 0; page < 4; ++page) {
        ASSERT_EQ(ecu.EcuExchange(cmd::livePage(page, page == 0)), kOk) << page;
        EXPECT_EQ(static_cast<int>(ecu.EcuReply().size()), cmd::livePageLength(page)) << page;
    }
    // A request whose checksum is 13.
    EXPECT_EQ(ecu.EcuExchange({97, 146}), kOk);
}

TEST_F(KlineSim, MemoryBlockIsTheImage) {
    const QByteArray image = sim::Ecu::defaultImage(1);
    for (unsigned address : {0x98F9u, 0x9D1Bu, 0x0000u}) {
        ASSERT_EQ(ecu.EcuExchange(cmd::readMemory(address)), kOk);
        ASSERT_EQ(ecu.EcuReply().size(), 259u);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(ecu.EcuReply()[3 + i],
                      static_cast<std::uint8_t>(image[static_cast<int>(address) + i]));
    }
}

TEST_F(KlineSim, EveryLineFaultGivesItsResult) {
    // The real 500 ms pause after results 1, 4 and 5 lets the line settle.
    const struct {
        const char* fault;
        int result;
    } cases[] = {{"no-echo", kAdapterOff},
                 {"wrong-echo", kAdapterError},
                 {"silent", kEcuSilent},
                 {"overlong", kOverflow},
                 {"bad-checksum", kBadChecksum},
                 {"garbage", kOk},
                 {"none", kOk}};
    for (const auto& c : cases) {
        command(QByteArray("fault ") + c.fault);
        // Stray bytes of the previous case must not land in this one: the
        // exchange gives up an overlong reply long before its 600 bytes
        // have passed.
        QThread::msleep(c.result == kBadChecksum ? 700 : 20);
        EXPECT_EQ(ecu.EcuExchange(cmd::livePage(1, false)), c.result) << c.fault;
    }
    // Unplugged: the exchange fails and the port cannot be opened again.
    command("fault port-gone");
    QThread::msleep(50);
    EXPECT_NE(ecu.EcuExchange(cmd::connect()), kOk);
    EXPECT_FALSE(ecu.ProbePort(1));
    // Plugged back in: a new terminal.
    sim.write("fault none\n");
    const QString again = readLine();
    ASSERT_TRUE(again.startsWith("/dev/"));
    ports.setDevice(1, again);
    ASSERT_EQ(ecu.OpenPort(1), 0);
    EXPECT_EQ(ecu.EcuExchange(cmd::connect()), kOk);
}

TEST_F(KlineSim, StreamArrivesAndStopsOnSixZeroBytes) {
    ASSERT_EQ(ecu.EcuExchange(cmd::connect()), kOk);
    ecu.EcuExchange(cmd::startStream({32, 41, 38, 52, 57, 63}));
    ecu.ClosePort();
    HardwarePort raw;
    ASSERT_TRUE(raw.open(device));
    QByteArray line;
    for (int i = 0; i < 40; ++i)
        line += raw.read(255, 5);
    int frames = 0;
    FrameReceiver rx;
    for (char c : line) {
        if (!rx.feed(QByteArray(1, c))) continue;
        const DecodedFrame d = decodeFrameBody(rx.raw().left(rx.raw().size() - 1));
        if (d.checksumOk && d.elements.size() == 9) ++frames;
        rx.reset();
    }
    EXPECT_GE(frames, 8) << "about one frame per 12 ms";
    raw.write(QByteArray(6, 0));
    QThread::msleep(60);
    raw.purgeInput();
    QByteArray after;
    for (int i = 0; i < 20; ++i)
        after += raw.read(255, 5);
    EXPECT_TRUE(after.isEmpty()) << after.toHex().toStdString();
    raw.close();
    ASSERT_EQ(ecu.OpenPort(1), 0);
    EXPECT_EQ(ecu.EcuExchange(cmd::connect()), kOk);
}

TEST_F(KlineSim, PassportWritesOfShortAndEmptyFieldsAnswerAndReadBack) {
    // The passport window's write: each field as 98, 14, 1, variable and 16
    // bytes padded with zeros, then the two closing writes.
    const std::pair<std::uint8_t, QString> fields[] = {
        {116, QStringLiteral("М7.1 05.03.24")},
        {117, QStringLiteral("AB")},
        {118, QString()},
        {119, QStringLiteral("1")},
        {121, QStringLiteral("4062*АБВГДЕЖЗИК")},
        {122, QString()},
        {123, QStringLiteral("03.2024")},
    };
    for (const auto& [variable, text] : fields) {
        Request write{cmd::kWriteVariables, cmd::kVarCommand, 1, variable};
        const QByteArray oem = toCp866(text);
        write.insert(write.end(), oem.begin(), oem.end());
        write.resize(20, 0);
        ASSERT_EQ(ecu.EcuExchange(write), kOk) << variable;
        EXPECT_EQ(ecu.reply(0), 0) << variable;
    }
    for (const std::uint8_t closing : {std::uint8_t{115}, std::uint8_t{120}}) {
        ASSERT_EQ(ecu.EcuExchange({cmd::kWriteVariables, cmd::kVarCommand, 1, closing, 0xFF}), kOk);
        EXPECT_EQ(ecu.reply(0), 0);
    }
    for (const auto& [variable, text] : fields) {
        ASSERT_EQ(ecu.EcuExchange(cmd::readVariables({variable})), kOk);
        EXPECT_EQ(ecu.EcuReply().size(), 16u);
        EXPECT_EQ(ecu.ReplyAsText(), text) << variable;
        EXPECT_FALSE(ecu.ReplyAsText().contains(QChar(0)));
    }
}

TEST_F(KlineSim, StagedErrorPathsOnStandardInput) {
    command("refuse 5");
    ASSERT_EQ(ecu.EcuExchange({0x62, 0x0B, 0x40, 0x2E, 100}), kOk);
    EXPECT_EQ(ecu.reply(0), 5);
    ASSERT_EQ(ecu.EcuExchange(cmd::restart()), kOk);
    EXPECT_EQ(ecu.reply(0), 5);
    command("accept");
    ASSERT_EQ(ecu.EcuExchange({0x62, 0x0B, 0x00}), kOk);
    EXPECT_EQ(ecu.reply(0), 0);

    command("silence 81");
    EXPECT_EQ(ecu.EcuExchange(cmd::connect()), kOk);
    EXPECT_EQ(ecu.EcuExchange(cmd::ecuType()), kEcuSilent);
    command("unsilence all");
    EXPECT_EQ(ecu.EcuExchange(cmd::ecuType()), kOk);

    command("set 92 255");
    ASSERT_EQ(ecu.EcuExchange({0x61, 0x06, 0x5C}), kOk);
    EXPECT_EQ(ecu.reply(1), 255);
    command("add-fault 21 now");
    ASSERT_EQ(ecu.EcuExchange(cmd::faults()), kOk);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{2, 35, 0x20, 21, 0x80}));
    command("end-fault 21");
    ASSERT_EQ(ecu.EcuExchange(cmd::faults()), kOk);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{2, 35, 0x20, 21, 0x00}));
    command("reset");
    ASSERT_EQ(ecu.EcuExchange({0x61, 0x5C}), kOk);
    EXPECT_LT(ecu.reply(0), 255);
}

TEST_F(KlineSim, KlineToolPrintsResultAndReply) {
    ecu.ClosePort();
    QProcess tool;
    tool.start(QStringLiteral(KLINE_PATH), {"send", "--device", device, "--text", "0x61", "117"});
    ASSERT_TRUE(tool.waitForFinished(5000));
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_TRUE(out.startsWith("result 0\nreply: ")) << out.toStdString();
    EXPECT_TRUE(out.contains("text: 0512345")) << out.toStdString();

    command("fault silent");
    tool.start(QStringLiteral(KLINE_PATH), {"send", "--device", device, "1"});
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitCode(), 3);
    EXPECT_TRUE(tool.readAllStandardOutput().startsWith("result 3\n"));
}

TEST(KlineSimOptions, ImageFileAndBadArguments) {
    QTemporaryDir dir;
    QByteArray image(65536, 0);
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7);
    const QString path = dir.path() + "/image.bin";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
    }
    QProcess sim;
    sim.start(QStringLiteral(KLINE_SIM_PATH), {"--headless", "--engine", "carb", "--image", path});
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    TestContext t;
    PortMap ports;
    ports.setDevice(1, device);
    EcuLink ecu(t.ctx, ports, hardwarePortFactory());
    ASSERT_EQ(ecu.OpenPort(1), 0);
    ASSERT_EQ(ecu.EcuExchange(cmd::readMemory(0x1234)), kOk);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(ecu.EcuReply()[3 + i], static_cast<std::uint8_t>(image[0x1234 + i]));
    ASSERT_EQ(ecu.EcuExchange(cmd::readVariables({6})), kOk);
    EXPECT_EQ(ecu.reply(0) & 0x04, 0) << "carburettor engine";
    sim.terminate();
    sim.waitForFinished(3000);

    QProcess bad;
    bad.start(QStringLiteral(KLINE_SIM_PATH),
              {"--headless", "--image", dir.path() + "/missing.bin"});
    ASSERT_TRUE(bad.waitForFinished(5000));
    EXPECT_EQ(bad.exitCode(), 64);
    EXPECT_TRUE(bad.readAllStandardError().contains("not a readable 65536-byte image"));
    bad.start(QStringLiteral(KLINE_SIM_PATH), {"--engine", "v8"});
    ASSERT_TRUE(bad.waitForFinished(5000));
    EXPECT_EQ(bad.exitCode(), 64);
}
