// The channel table's arithmetic: bytes sent and read back, labels, the
// slider's limits and the mask bits, without a window. (The requests are
// checked byte for byte on the windows.)
#include "adjust/Channels.h"
#include "common/ProgramState.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace kvintor::adjust;

namespace {

const Channel& channel(int window, int i) {
    return windowEntry(window).channels[static_cast<std::size_t>(i)];
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
    for (const WindowEntry& w : windows())
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

// ------------------------------------------------------------ the masks

TEST(ChannelRequests, EachChannelOwnsOneBitOfItsMask) {
    common::ProgramState state;
    std::map<std::pair<int, int>, int> owners;
    for (const WindowEntry& w : windows()) {
        for (const Channel& ch : w.channels) {
            ++owners[{ch.maskVariable, ch.bit}];
            EXPECT_EQ(&maskOf(state, ch),
                      ch.maskVariable == 11 ? &state.OverrideMaskA : &state.OverrideMaskB);
        }
    }
    EXPECT_EQ(owners.size(), 12u) << "twelve channels, twelve bits";
    // Only the ignition offset and the CO correction stay in force on close.
    std::vector<std::pair<int, int>> staying;
    for (const WindowEntry& w : windows())
        for (const Channel& ch : w.channels)
            if (!ch.releasedOnClose) staying.push_back({ch.maskVariable, ch.bit});
    EXPECT_EQ(staying, (std::vector<std::pair<int, int>>{{11, 0x08}, {12, 0x08}, {12, 0x10}}));
}
