// The ECU's stream cut into frames: escape pairs, the sum, frames of the
// wrong length, and finding the frames again after a start in the middle of
// one or after bytes that never end.
#include "link/StreamDecoder.h"

#include <gtest/gtest.h>

using kline::Request;
using kline::StreamDecoder;
using kline::StreamFrame;

namespace {

std::vector<int> ints(const Request& r) {
    return std::vector<int>(r.begin(), r.end());
}

// ok / bad for every frame, and the data of the good ones.
struct Seen {
    std::vector<bool> ok;
    std::vector<std::vector<int>> good;
};
Seen see(const std::vector<StreamFrame>& frames) {
    Seen s;
    for (const auto& f : frames) {
        s.ok.push_back(f.ok);
        if (f.ok) s.good.push_back(f.data);
    }
    return s;
}

const Request kPlain{20, 41, 30, 0x10, 0x02, 120, 0x71, 0x02};

} // namespace

TEST(StreamDecoder, PlainFrame) {
    StreamDecoder d;
    const QByteArray wire = kline::encodeFrame(kPlain);
    ASSERT_EQ(wire.size(), 10);
    const Seen s = see(d.feed(wire));
    EXPECT_EQ(s.ok, std::vector<bool>{true});
    EXPECT_EQ(s.good.front(), ints(kPlain));
}

TEST(StreamDecoder, FramesWithEscapePairsAreRead) {
    // A throttle of 13 % and of 64 %, and a filling whose bytes are 64 and 13.
    for (const Request& body :
         {Request{13, 20, 30, 1, 2, 3, 4, 5}, Request{64, 20, 30, 1, 2, 3, 4, 5},
          Request{13, 64, 30, 64, 13, 13, 64, 13}}) {
        StreamDecoder d;
        const QByteArray wire = kline::encodeFrame(body);
        ASSERT_GT(wire.size(), 10);
        const Seen s = see(d.feed(wire));
        ASSERT_EQ(s.ok, std::vector<bool>{true}) << wire.toHex().toStdString();
        EXPECT_EQ(s.good.front(), ints(body));
    }
}

TEST(StreamDecoder, ChecksumOfThirteenOrSixtyFourIsNotAnEnd) {
    // Data summing to 243 give the checksum 13, sent as it is.
    const Request thirteen{200, 43, 0, 0, 0, 0, 0, 0};
    QByteArray wire = kline::encodeFrame(thirteen);
    ASSERT_EQ(static_cast<std::uint8_t>(wire[wire.size() - 2]), 13);
    const Request sixtyFour{100, 92, 0, 0, 0, 0, 0, 0}; // sum 192: checksum 64
    wire += kline::encodeFrame(sixtyFour);
    StreamDecoder d;
    const Seen s = see(d.feed(wire));
    EXPECT_EQ(s.ok, (std::vector<bool>{true, true}));
    ASSERT_EQ(s.good.size(), 2u);
    EXPECT_EQ(s.good[0], ints(thirteen));
    EXPECT_EQ(s.good[1], ints(sixtyFour));
}

TEST(StreamDecoder, BadSumAndWrongLengthAreBadFrames) {
    QByteArray badSum = kline::encodeFrame(kPlain);
    badSum[3] = static_cast<char>(badSum[3] + 1);
    const QByteArray seven = kline::encodeFrame(Request(kPlain.begin(), kPlain.end() - 1));
    const QByteArray nine = kline::encodeFrame(Request{1, 2, 3, 4, 5, 6, 7, 8, 9});
    StreamDecoder d;
    const Seen s =
        see(d.feed(badSum + seven + nine + QByteArray(1, 13) + kline::encodeFrame(kPlain)));
    EXPECT_EQ(s.ok, (std::vector<bool>{false, false, false, false, true}));
}

TEST(StreamDecoder, AReceiverStartedMidFrameFindsTheNextFrame) {
    const Request second{1, 2, 3, 64, 13, 6, 7, 8};
    const QByteArray stream =
        kline::encodeFrame(kPlain) + kline::encodeFrame(second) + kline::encodeFrame(kPlain);
    for (int start = 1; start < 10; ++start) {
        StreamDecoder d;
        const Seen s = see(d.feed(stream.mid(start)));
        ASSERT_EQ(s.ok, (std::vector<bool>{false, true, true})) << "start " << start;
        EXPECT_EQ(s.good[0], ints(second));
    }
}

TEST(StreamDecoder, BytesThatNeverEndAreSkippedToTheNextTerminator) {
    StreamDecoder d;
    Seen s = see(d.feed(QByteArray(40, 0x55)));
    EXPECT_EQ(s.ok, std::vector<bool>{false}) << "one bad frame for the lot";
    // The rest of the run ends at a terminator; the frame after it is read.
    s = see(d.feed(QByteArray(5, 0x55) + QByteArray(1, 13) + kline::encodeFrame(kPlain)));
    EXPECT_EQ(s.ok, std::vector<bool>{true});
    EXPECT_EQ(d.maxFrameLength(), 18);
}

TEST(StreamDecoder, TheLongestLegalFrameIsRead) {
    const Request all{64, 13, 64, 13, 64, 13, 64, 13};
    const QByteArray wire = kline::encodeFrame(all);
    EXPECT_EQ(wire.size(), 18);
    StreamDecoder d;
    EXPECT_EQ(see(d.feed(wire)).ok, std::vector<bool>{true});
}
