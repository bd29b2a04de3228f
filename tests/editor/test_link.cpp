// Fermel's own exchange on a scripted port and on the simulated ECU: the
// bytes on the wire, draining, the echo and its shortfall rule, the reply
// buffer, the result codes and the activity blink.
#include "FermelRig.h"
#include "editor/FermelLink.h"

#include <gtest/gtest.h>

using namespace editor;
using kline::Request;

namespace {

struct Scripted : ::testing::Test {
    std::shared_ptr<PortScript> script = std::make_shared<PortScript>();
    kline::PortMap ports;
    FermelLink link{ports, scriptedFactory(script)};
    int blinks = 0;
    void SetUp() override {
        ports.setDevice(1, QStringLiteral("/dev/fermel-test"));
        link.activity = [this] { ++blinks; };
        ASSERT_TRUE(link.OpenPort(1));
    }
    // The reply frame of a body, queued after the next write's echo.
    void reply(const Request& body, int chunk = 255) {
        script->queueReply(kline::encodeFrame(body), chunk);
    }
};

Request tableReply(const Request& address, int fill) {
    Request r{0, address[1], address[2]};
    for (int i = 0; i < 256; ++i)
        r.push_back(static_cast<std::uint8_t>((fill + i) & 0xFF));
    return r;
}

} // namespace

// ========================================================== on the wire

TEST(TableRequests, AddressesOfBothEngineTypes) {
    EXPECT_EQ(tableRequest(EngineType::Zmz4063, 1), (Request{37, 249, 153, 0}));
    EXPECT_EQ(tableRequest(EngineType::Zmz4063, 0), (Request{37, 249, 152, 0}));
    EXPECT_EQ(tableRequest(EngineType::Standard, 0), (Request{37, 27, 157, 0}));
    EXPECT_EQ(tableRequest(EngineType::Standard, 3), (Request{37, 27, 160, 0}));
}

TEST_F(Scripted, FramesAreEscapedAndTheControlLinesLeftAlone) {
    EXPECT_EQ(script->log.first(), QStringLiteral("open /dev/fermel-test"));
    reply({0});
    EXPECT_EQ(link.Exchange(tableRequest(EngineType::Zmz4063, 1)), kLinkOk);
    EXPECT_EQ(script->writes.back(), bytes({0x25, 0xF9, 0x99, 0x00, 0x49, 0x0D}));
    reply({0});
    EXPECT_EQ(link.Exchange({64, 13}), kLinkOk);
    // 64,0 and 64,205; checksum (0 - 64 - 0 - 64 - 205) mod 256 = 179.
    EXPECT_EQ(script->writes.back(), bytes({64, 0, 64, 205, 179, 13}));
    for (const QString& entry : script->log) {
        EXPECT_FALSE(entry.startsWith(QStringLiteral("dtr")));
        EXPECT_FALSE(entry.startsWith(QStringLiteral("rts")));
        EXPECT_NE(entry, QStringLiteral("purge")) << "stale input is read, not purged";
    }
}

TEST_F(Scripted, RepliesAreDeEscapedWithoutTheirChecksum) {
    reply({0, 64, 13, 200});
    EXPECT_EQ(link.Exchange({1}), kLinkOk);
    EXPECT_EQ(link.Reply(), (std::vector<int>{0, 64, 13, 200}));
    EXPECT_EQ(link.LastResult(), kLinkOk);
    // A checksum of 64 stays out of the de-escaping.
    reply({0, 192}); // sum 192: checksum 64
    EXPECT_EQ(link.Exchange({1}), kLinkOk);
    EXPECT_EQ(link.Reply(), (std::vector<int>{0, 192}));
}

TEST_F(Scripted, AReplyWhoseChecksumIs13IsReadToItsEnd) {
    // Body sum 243 (escaping keeps the sum): the checksum byte is 13, sent
    // as it is.
    Request body = tableReply({37, 27, 157, 0}, 0);
    unsigned sum = 0;
    for (auto b : body)
        sum += b;
    body[200] = static_cast<std::uint8_t>((body[200] + 243 + 256 * 64 - sum) % 256);
    const QByteArray frame = kline::encodeFrame(body);
    ASSERT_EQ(static_cast<std::uint8_t>(frame[frame.size() - 2]), 13);
    script->queueReply(frame, 7);
    EXPECT_EQ(link.Exchange(tableRequest(EngineType::Standard, 0)), kLinkOk);
    EXPECT_EQ(link.Reply(), std::vector<int>(body.begin(), body.end()));
}

// ================================================================ draining

TEST_F(Scripted, StaleInputIsDrainedOnceOrAfterAFaultFor125Reads) {
    script->input.push_back(bytes({1, 2, 3}));
    reply({0});
    EXPECT_EQ(link.Exchange({1}), kLinkOk) << "the stale bytes were read away first";
    // A bad sum, then stale bytes in many pieces: all read away.
    script->queueReply(bytes({0, 7, 13}));
    EXPECT_EQ(link.Exchange({1}), kLinkBadSum);
    EXPECT_EQ(link.Reply(), std::vector<int>{0});
    for (int i = 0; i < 100; ++i)
        script->input.push_back(bytes({9}));
    const int before = script->reads;
    reply({0, 5});
    EXPECT_EQ(link.Exchange({1}), kLinkOk);
    EXPECT_EQ(link.Reply(), (std::vector<int>{0, 5}));
    EXPECT_GE(script->reads - before, 125 + 1);
}

// ================================================================ the echo

TEST_F(Scripted, NoEchoGivesAdapterOffAfter41Reads) {
    script->echo = PortScript::Echo::None;
    EXPECT_EQ(link.Exchange({1}), kLinkAdapterOff);
    EXPECT_EQ(script->reads, 1 + 41);
    EXPECT_EQ(FermelLink::ResultText(link.LastResult()), QStringLiteral("Адаптер не включен"));
    EXPECT_EQ(blinks, 1);
}

TEST_F(Scripted, WrongFirstEchoByteFailsAtOnce) {
    script->echo = PortScript::Echo::WrongByte;
    script->wrongEchoIndex = 0;
    EXPECT_EQ(link.Exchange(tableRequest(EngineType::Standard, 2)), kLinkAdapterError);
    EXPECT_EQ(script->reads, 2);
    EXPECT_EQ(FermelLink::ResultText(kLinkAdapterError), QStringLiteral("Ошибка адаптера"));
}

TEST_F(Scripted, TwoBytesOrFewerWrittenIsAnAdapterError) {
    script->shortWrite = true; // a three-byte frame goes out as two
    EXPECT_EQ(link.Exchange({1}), kLinkAdapterError);
    // Three of four bytes are enough; their echo is all that is checked.
    script->echo = PortScript::Echo::Partial;
    script->partialEcho = 3;
    reply({0});
    EXPECT_EQ(link.Exchange({1, 2}), kLinkOk);
}

TEST_F(Scripted, AShortEchoIsToleratedWhileLessThanHalfIsMissing) {
    script->echo = PortScript::Echo::Partial;
    const Request request = tableRequest(EngineType::Standard, 0); // six bytes on the wire
    auto replyAfterQuietEcho = [&](const Request& body) {
        std::vector<QByteArray> chunks(40, QByteArray());
        chunks.push_back(kline::encodeFrame(body));
        script->replies.push_back(chunks);
    };
    script->partialEcho = 3; // three missing, three echoed
    replyAfterQuietEcho({0, 1, 2});
    EXPECT_EQ(link.Exchange(request), kLinkOk);
    EXPECT_EQ(link.Reply(), (std::vector<int>{0, 1, 2}));
    script->input.clear();
    script->partialEcho = 2; // four missing, two echoed
    replyAfterQuietEcho({0, 1, 2});
    EXPECT_EQ(link.Exchange(request), kLinkAdapterOff);
}

// =============================================================== the reply

TEST_F(Scripted, SilentOverlongAndBadReplies) {
    EXPECT_EQ(link.Exchange({1}), kLinkEcuSilent);
    EXPECT_EQ(script->reads, 1 + 1 + 189);
    EXPECT_EQ(blinks, 1 + 5) << "echo read, reply reads 0, 39, 78, 117, 156";
    EXPECT_EQ(FermelLink::ResultText(kLinkEcuSilent), QStringLiteral("ЭБУ не отвечает"));

    script->queueReply(QByteArray(600, 'A'), 255);
    EXPECT_EQ(link.Exchange({1}), kLinkOverflow);
    EXPECT_EQ(link.Reply(), std::vector<int>{0});
    EXPECT_EQ(FermelLink::ResultText(kLinkOverflow), QStringLiteral("Буфер переполнен"));
    script->input.clear();

    // 511 bytes and the terminator still fit.
    QByteArray longest(510, 1);
    longest.append(static_cast<char>((256 - 510 % 256) % 256));
    longest.append('\r');
    script->queueReply(longest, 255);
    EXPECT_EQ(link.Exchange({1}), kLinkOk);
    EXPECT_EQ(link.Reply().size(), 510u);

    script->queueReply(bytes({0, 5, 13}));
    EXPECT_EQ(link.Exchange({1}), kLinkBadSum);
    EXPECT_EQ(FermelLink::ResultText(kLinkBadSum), QStringLiteral("Не верная сумма"));
}

TEST_F(Scripted, AClosedPortFailsWithoutReading) {
    link.ClosePort();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.Exchange({1}), kLinkAdapterError);
    script->missing.insert(QStringLiteral("/dev/fermel-test"));
    EXPECT_FALSE(link.OpenPort(1));
}

// ======================================================= the simulated ECU

TEST(SimulatedEcu, TablesComeFromTheMemoryImage) {
    auto simulator = std::make_shared<sim::Simulator>();
    const QByteArray image = sim::Ecu::defaultImage(8);
    ASSERT_TRUE(simulator->ecu.setImage(image));
    kline::PortMap ports;
    FermelLink link(ports, sim::simulatedPortFactory(simulator, false));
    ASSERT_TRUE(link.OpenPort(1));
    for (int t = 0; t < kTables; ++t) {
        ASSERT_EQ(link.Exchange(tableRequest(EngineType::Zmz4063, t)), kLinkOk);
        ASSERT_EQ(link.Reply().size(), 259u);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(link.Reply()[static_cast<std::size_t>(3 + i)],
                      static_cast<std::uint8_t>(image[0x98F9 + 256 * t + i]));
    }
    ASSERT_GE(simulator->adapter.log().size(), 2u);
    EXPECT_EQ(simulator->adapter.log()[1].request, (Request{37, 249, 153, 0}));
    EXPECT_EQ(simulator->adapter.log()[1].frame, bytes({0x25, 0xF9, 0x99, 0x00, 0x49, 0x0D}));
}
