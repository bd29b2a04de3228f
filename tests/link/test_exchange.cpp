// The request/reply exchange against a scripted port: result codes, the
// settle pause, the echo and reply rules, the error messages.
#include "ScriptedPort.h"
#include "TestContext.h"
#include "link/CodePage866.h"
#include "common/Time.h"
#include "link/EcuLink.h"

#include <gtest/gtest.h>

using namespace kline;

namespace {

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        common::setPauseHook([this](int ms) { pauses.push_back(ms); });
        ports.setDevice(1, QStringLiteral("/dev/kline"));
        ASSERT_EQ(ecu.OpenPort(1), 0);
        script->log.clear();
    }
    void TearDown() override { common::setPauseHook(nullptr); }

    // Runs one exchange after forcing the previous result.
    int exchangeAfter(int previous) {
        if (previous != kOk) {
            script->echo = PortScript::Echo::None;
            // Reach the wanted result through the script.
            switch (previous) {
            case kAdapterError:
                script->echo = PortScript::Echo::WrongByte;
                break;
            case kAdapterOff: break;
            case kEcuSilent: script->echo = PortScript::Echo::Full; break;
            case kOverflow:
                script->echo = PortScript::Echo::Full;
                script->queueReply(QByteArray(600, 1));
                break;
            case kBadChecksum:
                script->echo = PortScript::Echo::Full;
                script->queueReply(bytes({1, 2, 3, 13}));
                break;
            case kPortError: script->shortWrite = true; break;
            }
            EXPECT_EQ(ecu.EcuExchange({1}), previous);
            script->echo = PortScript::Echo::Full;
            script->shortWrite = false;
        }
        pauses.clear();
        script->queueReply(encodeFrame({0}));
        return ecu.EcuExchange({1});
    }

    std::shared_ptr<PortScript> script = std::make_shared<PortScript>();
    TestContext t;
    PortMap ports;
    EcuLink ecu{t.ctx, ports, scriptedFactory(script)};
    std::vector<int> pauses;
};

} // namespace

// ============================================================ success

TEST_F(Exchange, WorkedExampleBothDirections) {
    script->queueReply(bytes({0, 64, 205, 243, 13}));
    EXPECT_EQ(ecu.EcuExchange({97, 64}), kOk);
    EXPECT_EQ(script->log, (QStringList{"purge", "write 61 40 00 5f 0d"}));
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0, 13}));
    EXPECT_EQ(ecu.LastExchangeResult(), kOk);
}

TEST_F(Exchange, RequestWhoseChecksumIs13GetsItsRealReply) {
    // 97 + 146 = 243: the frame is 97,146,13,13. The first 13 of the echo
    // is the checksum, not the end of the echo.
    script->queueReply(encodeFrame({0, 7, 8}));
    EXPECT_EQ(ecu.EcuExchange({97, 146}), kOk);
    EXPECT_EQ(script->writes.back(), bytes({97, 146, 13, 13}));
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0, 7, 8}));
}

TEST_F(Exchange, RepliesWithChecksum64Or13ArriveWhole) {
    for (int chunk = 1; chunk <= 5; ++chunk) {
        script->queueReply(bytes({0, 243, 13, 13}), chunk);
        ASSERT_EQ(ecu.EcuExchange({1}), kOk) << chunk;
        EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0, 243}));
        script->queueReply(bytes({0, 192, 64, 13}), chunk);
        ASSERT_EQ(ecu.EcuExchange({1}), kOk) << chunk;
        EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0, 192}));
    }
}

TEST_F(Exchange, FullTableWithEveryByteEscapedIsReadable) {
    Request table(256, 64);
    for (std::size_t i = 0; i < table.size(); i += 2) table[i] = 13;
    const QByteArray frame = encodeFrame(table);
    ASSERT_GT(frame.size(), 271);
    script->queueReply(frame);
    ASSERT_EQ(ecu.EcuExchange({97, 73}), kOk);
    ASSERT_EQ(ecu.EcuReply().size(), 256u);
    EXPECT_EQ(ecu.EcuReply()[0], 13);
    EXPECT_EQ(ecu.EcuReply()[1], 64);
}

TEST_F(Exchange, ReplyWithChecksumOnlyKeepsThatElement) {
    script->queueReply(bytes({0, 13}));
    EXPECT_EQ(ecu.EcuExchange({1}), kOk);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
}

// ============================================================ failures

TEST_F(Exchange, NoEchoIsAdapterOffAfterElevenReads) {
    script->echo = PortScript::Echo::None;
    EXPECT_EQ(ecu.EcuExchange({1}), kAdapterOff);
    EXPECT_EQ(script->reads, 11);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
    EXPECT_EQ(ecu.LastExchangeResult(), kAdapterOff);
}

TEST_F(Exchange, PartialEchoIsAdapterOff) {
    script->echo = PortScript::Echo::Partial;
    script->partialEcho = 2;
    EXPECT_EQ(ecu.EcuExchange({97, 65, 66, 40}), kAdapterOff);
}

TEST_F(Exchange, WrongEchoByteIsAdapterErrorAtOnce) {
    script->echo = PortScript::Echo::WrongByte;
    script->wrongEchoIndex = 1;
    EXPECT_EQ(ecu.EcuExchange({97, 40}), kAdapterError);
    EXPECT_EQ(script->reads, 1);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
}

TEST_F(Exchange, EchoButNoReplyIsEcuSilentAfter101Reads) {
    EXPECT_EQ(ecu.EcuExchange({1}), kEcuSilent);
    EXPECT_EQ(script->reads, 1 + 101);
}

TEST_F(Exchange, ReplyCutOffMidFrameIsEcuSilent) {
    script->queueReply(bytes({0, 1, 2}));
    EXPECT_EQ(ecu.EcuExchange({1}), kEcuSilent);
}

TEST_F(Exchange, OverlongReplyIsOverflowEvenWithItsTerminator) {
    QByteArray longReply(515, 1);
    longReply.append(char(13)); // 516 bytes with the terminator
    script->queueReply(longReply);
    EXPECT_EQ(ecu.EcuExchange({1}), kOverflow);
    // Without a terminator: overflow as soon as the bound is passed.
    script->queueReply(QByteArray(700, 2));
    EXPECT_EQ(ecu.EcuExchange({1}), kOverflow);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
}

TEST_F(Exchange, BadChecksumLeavesSingleZero) {
    script->queueReply(bytes({5, 6, 7, 13}));
    EXPECT_EQ(ecu.EcuExchange({1}), kBadChecksum);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
}

TEST_F(Exchange, BareTerminatorIsNoReply) {
    script->queueReply(bytes({13}));
    EXPECT_EQ(ecu.EcuExchange({1}), kBadChecksum);
}

TEST_F(Exchange, GarbageBeforeTheRequestIsPurgedAndAfterTheEchoFailsTheChecksum) {
    script->input.push_back(bytes({0xAA, 13, 0x55}));
    script->queueReply(encodeFrame({0, 42}));
    EXPECT_EQ(ecu.EcuExchange({1}), kOk);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0, 42}));

    script->replies.push_back({bytes({0x11, 0x22}), encodeFrame({0, 42})});
    EXPECT_EQ(ecu.EcuExchange({1}), kBadChecksum);
}

TEST_F(Exchange, ShortWriteAndClosedPortArePortErrors) {
    script->shortWrite = true;
    EXPECT_EQ(ecu.EcuExchange({1}), kPortError);
    script->shortWrite = false;
    ecu.ClosePort();
    EXPECT_EQ(ecu.EcuExchange({1}), kPortError);
    EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
}

TEST_F(Exchange, SettlePauseOnlyAfterAdapterErrorOverflowAndChecksum) {
    struct {
        int previous;
        bool pause;
    } cases[] = {{kOk, false},         {kAdapterError, true}, {kAdapterOff, false},
                 {kEcuSilent, false},  {kOverflow, true},     {kBadChecksum, true},
                 {kPortError, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(exchangeAfter(c.previous), kOk) << c.previous;
        EXPECT_EQ(pauses, c.pause ? std::vector<int>{500} : std::vector<int>{}) << c.previous;
    }
}

// ============================================================ messages

TEST_F(Exchange, ShowExchangeErrorTextsCaptionIconAndAnswer) {
    // Success with a refusal: only reported when the status is checked.
    script->queueReply(encodeFrame({7}));
    ASSERT_EQ(ecu.EcuExchange({98, 14, 8}), kOk);
    EXPECT_FALSE(ecu.ShowExchangeError(0));
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_TRUE(ecu.ShowExchangeError(1));
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    const auto& refusal = t.dialogs.messages.back();
    EXPECT_EQ(refusal.text, QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  7"));
    EXPECT_EQ(refusal.caption, QStringLiteral("Ошибка  Kvintor  (версия 2.4)"));
    EXPECT_EQ(refusal.icon, common::Icon::Exclamation);
    EXPECT_EQ(t.platform.calls, (QStringList{"beep 1864 200"}));

    // Accepted status: nothing shown.
    script->queueReply(encodeFrame({0}));
    ASSERT_EQ(ecu.EcuExchange({98, 14, 8}), kOk);
    EXPECT_FALSE(ecu.ShowExchangeError(1));

    // A link failure, whatever the flag.
    ecu.ClosePort();
    ecu.EcuExchange({1});
    EXPECT_TRUE(ecu.ShowExchangeError(0));
    EXPECT_EQ(t.dialogs.messages.back().text,
              QStringLiteral("Операция  не  выполнена   ОШИБКА COM ПОРТА"));
    EXPECT_EQ(t.dialogs.messages.back().caption, QStringLiteral("Ошибка  Kvintor  (версия 2.4)"));
    EXPECT_EQ(t.dialogs.messages.size(), 2u);
}

TEST_F(Exchange, ErrorTextsOfEveryCode) {
    const QStringList texts{QString(),           "Ошибка адаптера",       "Адаптер не включен",
                            "ЭБУ не отвечает",   "Буфер переполнен",      "Не верная контр.сумма",
                            "Ошибка COM порта"};
    for (int code = 0; code <= 6; ++code) EXPECT_EQ(EcuLink::ExchangeErrorText(code), texts[code]);
}

TEST_F(Exchange, BeepIsSilentWhenSoundIsOffAndModeTwoWithoutDevice) {
    t.state.SpeakerMode = 0;
    ecu.ClosePort();
    ecu.EcuExchange({1});
    ecu.ShowExchangeError(0);
    EXPECT_TRUE(t.platform.calls.isEmpty());
    t.state.SpeakerMode = 1;
    t.platform.soundDevice = false;
    ecu.ShowExchangeError(0);
    EXPECT_EQ(t.state.SpeakerMode, 2);
}

TEST_F(Exchange, ReplyAsTextConvertsCodePageAndTrimsSpaces) {
    Request body;
    for (char c : QByteArray("  ") + toCp866(QStringLiteral("Микас 7.1  R")) + QByteArray("    "))
        body.push_back(static_cast<std::uint8_t>(c));
    script->queueReply(encodeFrame(body));
    ASSERT_EQ(ecu.EcuExchange({81}), kOk);
    EXPECT_EQ(ecu.ReplyAsText(), QStringLiteral("Микас 7.1  R"));
}

// ============================================================ boundaries

TEST_F(Exchange, TheLongestLegalReplyIsRead) {
    // 256 bytes that all need escaping and a checksum of 64 that the ECU
    // escapes too: 512 + 2 + the terminator = 515 bytes on the wire.
    Request body;
    for (int i = 0; i < 256; ++i) body.push_back(i < 192 ? 13 : 64);
    QByteArray frame = encodeFrame(body);
    ASSERT_EQ(static_cast<std::uint8_t>(frame[frame.size() - 2]), 64) << "the checksum this body needs";
    frame.chop(2);
    frame += bytes({64, 0, 13});
    ASSERT_EQ(frame.size(), 515);
    script->queueReply(frame);
    ASSERT_EQ(ecu.EcuExchange({97, 73}), kOk);
    ASSERT_EQ(ecu.EcuReply().size(), 256u);
    EXPECT_EQ(ecu.EcuReply()[0], 13);
    EXPECT_EQ(ecu.EcuReply()[255], 64);

    // Served while it comes: every few reads the window runs, and an
    // exchange it asks for then is refused without a byte on the line; the
    // reply is the same.
    script->queueReply(frame);
    script->log.clear();
    int served = 0;
    std::vector<int> refused;
    ASSERT_EQ(ecu.ServedExchange({97, 73},
                                 [&] {
                                     ++served;
                                     EXPECT_TRUE(ecu.onLine());
                                     refused.push_back(ecu.EcuExchange({97, 26}));
                                 }),
              kOk);
    EXPECT_FALSE(ecu.onLine());
    EXPECT_GE(served, 515 / EcuLink::kReplyReadSize / EcuLink::kServeEveryReads - 1);
    EXPECT_EQ(refused, std::vector<int>(static_cast<std::size_t>(served), kEcuSilent));
    EXPECT_EQ(script->log.filter(QStringLiteral("write")).size(), 1);
    ASSERT_EQ(ecu.EcuReply().size(), 256u);
    EXPECT_EQ(ecu.EcuReply()[255], 64);
}

TEST_F(Exchange, ReplyAsTextTrimsSpacesOnly) {
    QByteArray raw = QByteArray(" \t") + toCp866(QStringLiteral("АБ")) + QByteArray("\xFF  ", 3);
    Request body(raw.begin(), raw.end());
    script->queueReply(encodeFrame(body));
    ASSERT_EQ(ecu.EcuExchange({81}), kOk);
    EXPECT_EQ(ecu.ReplyAsText(), QStringLiteral("\tАБ") + QChar(0x00A0)) << "a tab and code 255 stay";
}

namespace {
// A line that brings one byte at a time, `every` ms after the last, and
// never a terminator; or (every 0) reads that each wait 20 ms for nothing.
struct TrickleScript {
    qint64 now = 0;
    QByteArray echo;
    int every = 3;
};
class TricklePort : public SerialPort {
public:
    explicit TricklePort(std::shared_ptr<TrickleScript> s) : s_(std::move(s)) {}
    bool open(const QString&) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    qint64 write(const QByteArray& b) override {
        s_->echo = b;
        return b.size();
    }
    QByteArray read(int maxBytes, int) override {
        if (!s_->echo.isEmpty()) {
            const QByteArray e = s_->echo.left(maxBytes);
            s_->echo.remove(0, e.size());
            return e;
        }
        s_->now += s_->every ? s_->every : 20;
        return s_->every ? QByteArray(1, 0x55) : QByteArray();
    }
    void purgeInput() override {}
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }

private:
    std::shared_ptr<TrickleScript> s_;
    bool open_ = false;
};
} // namespace

// The window waiting on an exchange answers the mechanic only when it
// returns: a silent ECU, a reply that stops and a line that trickles end soon
// after the echo, each by its own bound, on the exchange's clock.
TEST(ExchangeTimeBound, ASilentEcuAStoppedReplyAndATrickleEndByTheirBounds) {
    const double tableWire = EcuLink::wireMs(kMaxReplyLength);
    const struct {
        const char* what;
        Request request;
        int every; // ms between bytes, 0: none
        int result;
        double endsAfter, endsBy; // ms after the echo
    } cases[] = {
        {"silent ECU", {97, 26, 44}, 0, kEcuSilent, EcuLink::kFirstReplyByteMs,
         EcuLink::kFirstReplyByteMs + 20},
        {"silent ECU, a table asked", {97, 73}, 0, kEcuSilent, EcuLink::kFirstReplyByteMs,
         EcuLink::kFirstReplyByteMs + 20},
        {"a reply that stops half-way", {97, 26, 44}, 45, kOverflow,
         45 + EcuLink::wireMs(7) + EcuLink::kReplyLatencyMs, 45 + EcuLink::wireMs(7) + EcuLink::kReplyLatencyMs + 46},
        {"a trickle, two values asked", {97, 26, 44}, 3, kOverflow, EcuLink::wireMs(7),
         EcuLink::wireMs(7) + 1 + EcuLink::kReplyLatencyMs + 6},
        {"a trickle, a table asked", {97, 73}, 3, kOverflow, tableWire,
         tableWire + 1 + EcuLink::kReplyLatencyMs + 6},
        // The store keeps the whole read budget: its answer may come late.
        {"silent ECU, a store into non-volatile memory", {98, 14, 1, 124, 3}, 0, kEcuSilent, 400,
         EcuLink::wireMs(7 + kMaxReplyLength) + EcuLink::kExchangeSlackMs + 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto line = std::make_shared<TrickleScript>();
        line->every = c.every;
        TestContext t;
        PortMap ports;
        ports.setDevice(1, QStringLiteral("/dev/kline"));
        EcuLink ecu(t.ctx, ports, [line](const QString&) { return std::make_unique<TricklePort>(line); });
        ecu.setClock([line] { return line->now; });
        ASSERT_EQ(ecu.OpenPort(1), 0);
        EXPECT_EQ(ecu.EcuExchange(c.request), c.result);
        EXPECT_GE(line->now, c.endsAfter);
        EXPECT_LE(line->now, c.endsBy);
        EXPECT_EQ(ecu.EcuReply(), (std::vector<int>{0}));
    }
}

TEST_F(Exchange, ReplyAsTextEndsAtTheFirstZeroByte) {
    // A passport field as written: its text, then zeros up to 16 bytes.
    const struct {
        QByteArray wire;
        QString text;
    } cases[] = {
        {QByteArray("AB") + QByteArray(14, 0), QStringLiteral("AB")},
        {QByteArray(16, 0), QString()},
        {QByteArray(" AB ") + QByteArray(1, 0) + QByteArray("CD  "), QStringLiteral("AB")},
        {toCp866(QStringLiteral("Кузов 1")) + QByteArray(9, 0), QStringLiteral("Кузов 1")},
    };
    for (const auto& c : cases) {
        Request body(c.wire.begin(), c.wire.end());
        script->queueReply(encodeFrame(body));
        ASSERT_EQ(ecu.EcuExchange({97, 117}), kOk);
        EXPECT_EQ(ecu.ReplyAsText(), c.text) << c.wire.toHex().toStdString();
        EXPECT_FALSE(ecu.ReplyAsText().contains(QChar(0)));
    }
}
