// The channel table's arithmetic: bytes sent and read back, labels, the
// slider's limits and the requests, without a window.
#include "adjust/Channels.h"
#include "common/ProgramState.h"

#include <QLocale>
#include <gtest/gtest.h>

using kline::Request;
using namespace kvintor::adjust;

namespace {

const Channel& channel(int window, int i) {
    return windowSpec(window).channels[static_cast<std::size_t>(i)];
}
const Channel& uozOffset() {
    return channel(2, 0);
}
const Channel& coOffset() {
    return channel(8, 0);
}

struct RussianLabels : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

} // namespace

// ------------------------------------------------------------ the bytes

TEST(ChannelBytes, IgnitionOffsetIsSentNegated) {
    EXPECT_EQ(encode(uozOffset(), -20), 0x14); // -10 degrees
    EXPECT_EQ(decode(uozOffset(), 0x14), -20);
    EXPECT_EQ(decode(uozOffset(), 0xF0), 16); // +8 degrees
    EXPECT_EQ(encode(uozOffset(), 16), 0xF0);
    EXPECT_EQ(decode(uozOffset(), 0), 0);
    EXPECT_EQ(decode(uozOffset(), 0x80), 128) << "-(-128)";
    // The injection angle travels the same way.
    EXPECT_EQ(encode(channel(5, 0), 60), 196);
    EXPECT_EQ(decode(channel(5, 0), 196), 60);
    EXPECT_EQ(encode(channel(5, 0), -56), 56);
}

TEST(ChannelBytes, CoCorrectionIsSignedAndEveryValueRoundTrips) {
    EXPECT_EQ(encode(coOffset(), -64), 0xC0);
    EXPECT_EQ(decode(coOffset(), 0xC0), -64);
    EXPECT_EQ(decode(coOffset(), 127), 127);
    EXPECT_EQ(decode(coOffset(), 128), -128);
    for (const WindowSpec& w : windows())
        for (const Channel& ch : w.channels)
            for (int v = ch.minimum; v <= ch.maximum; ++v)
                ASSERT_EQ(decode(ch, encode(ch, v)), v) << w.name.toStdString() << " " << v;
}

TEST(ChannelBytes, ValuesBeyondTheSliderAreKeptInRange) {
    EXPECT_EQ(sliderPosition(channel(0, 0), 200), 160) << "coolant byte above 160";
    EXPECT_EQ(sliderPosition(channel(6, 0), 0), 1) << "the 0 after a failed apply";
    EXPECT_EQ(sliderPosition(uozOffset(), decode(uozOffset(), 0x80)), 40);
    EXPECT_EQ(sliderPosition(coOffset(), -100), -64);
    EXPECT_EQ(sliderPosition(coOffset(), 12), 12);
}

// ------------------------------------------------------------ the labels

TEST_F(RussianLabels, EachRuleInTheUsersLocale) {
    EXPECT_EQ(labelText(uozOffset(), -20), QStringLiteral("-10"));
    EXPECT_EQ(labelText(uozOffset(), 25), QStringLiteral("12,5"));
    EXPECT_EQ(labelText(channel(0, 0), 0), QStringLiteral("-40"));
    EXPECT_EQ(labelText(channel(0, 0), 160), QStringLiteral("120"));
    EXPECT_EQ(labelText(channel(1, 0), 255), QStringLiteral("2550")) << "no group separator";
    EXPECT_EQ(labelText(channel(3, 0), 77), QStringLiteral("77"));
    EXPECT_EQ(labelText(channel(4, 0), 0), QStringLiteral("0,5"));
    EXPECT_EQ(labelText(channel(4, 0), 255), QStringLiteral("1,496"));
    EXPECT_EQ(labelText(channel(6, 1), 128), QStringLiteral("0"));
    EXPECT_EQ(labelText(channel(6, 1), 1), QStringLiteral("-0,496"));
    EXPECT_EQ(labelText(channel(6, 0), 255), QStringLiteral("0,496"));
    EXPECT_EQ(labelText(channel(7, 0), 255), QStringLiteral("215"));
    EXPECT_EQ(labelText(coOffset(), -64), QStringLiteral("-0,25"));
    EXPECT_EQ(labelText(channel(8, 1), 1), QStringLiteral("0,004"));
    EXPECT_EQ(labelText(channel(8, 1), 0), QStringLiteral("0"));
}

TEST(ChannelLabels, PointInTheCLocale) {
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(labelText(channel(5, 0), -55), QStringLiteral("-27.5"));
    EXPECT_EQ(labelText(channel(4, 0), 128), QStringLiteral("1"));
}

// ------------------------------------------------------------ the requests

TEST(ChannelRequests, ReadsOfEachWindow) {
    const std::vector<Request> expected{{0x61, 0x1A},       {0x61, 0x2E}, {0x61, 0x28},
                                        {0x61, 0x5C},       {0x61, 0x39}, {0x61, 0x18},
                                        {0x61, 0x45, 0x46}, {0x61, 0x1C}, {0x61, 0x41, 0x42}};
    for (int w = 0; w < kWindows; ++w)
        EXPECT_EQ(readRequest(windowSpec(w)), expected[static_cast<std::size_t>(w)]) << w;
    EXPECT_EQ(readChannels(windowSpec(2)), std::vector<int>{0}) << "the test value is not read";
}

TEST(ChannelRequests, ApplyAndReleaseCarryTheWholeMask) {
    EXPECT_EQ(applyRequest(uozOffset(), 0x48, -20), (Request{0x62, 0x0B, 0x48, 0x28, 0x14}));
    EXPECT_EQ(applyRequest(channel(2, 1), 0x0C, 37), (Request{0x62, 0x0B, 0x0C, 0x26, 37}));
    EXPECT_EQ(applyRequest(channel(3, 0), 0x20, 90), (Request{0x62, 0x0B, 0x20, 0x5B, 90}))
        << "written to 91";
    EXPECT_EQ(applyRequest(channel(6, 1), 0x81, 200), (Request{0x62, 0x0C, 0x81, 0x46, 200}));
    EXPECT_EQ(applyRequest(channel(8, 1), 0x18, -1), (Request{0x62, 0x0C, 0x18, 0x42, 0xFF}));
    EXPECT_EQ(releaseRequest(channel(7, 0), 0x80), (Request{0x62, 0x0C, 0x80}));
    EXPECT_EQ(releaseRequest(channel(1, 0), 0x80), (Request{0x62, 0x0B, 0x80}));
}

TEST(ChannelRequests, EachChannelOwnsOneBitOfItsMask) {
    common::ProgramState state;
    std::map<std::pair<int, int>, int> owners;
    for (const WindowSpec& w : windows()) {
        for (const Channel& ch : w.channels) {
            ++owners[{ch.maskVariable, ch.bit}];
            EXPECT_EQ(&maskOf(state, ch),
                      ch.maskVariable == 11 ? &state.OverrideMaskA : &state.OverrideMaskB);
        }
    }
    EXPECT_EQ(owners.size(), 12u) << "twelve channels, twelve bits";
    // Only the ignition offset and the CO correction stay in force on close.
    std::vector<std::pair<int, int>> staying;
    for (const WindowSpec& w : windows())
        for (const Channel& ch : w.channels)
            if (!ch.releasedOnClose) staying.push_back({ch.maskVariable, ch.bit});
    EXPECT_EQ(staying, (std::vector<std::pair<int, int>>{{11, 0x08}, {12, 0x08}, {12, 0x10}}));
}
