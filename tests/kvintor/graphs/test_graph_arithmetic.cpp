// The graph window's arithmetic without widgets: the channel sets, decoding
// and scaling, the segment height, the cursor's sample, the layout rules and
// the recorded history.
#include "GraphChannels.h"
#include "GraphHistory.h"
#include "GraphLayout.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace kvintor;
using kline::Request;

namespace {
struct CLocale : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
};
using Channels = CLocale;
} // namespace

// ================================================================ channels

TEST_F(Channels, RequestsAndReplyLengths) {
    EXPECT_EQ(graphRequest(0), (Request{97, 35, 41, 38, 81, 82, 83, 84}));
    EXPECT_EQ(graphRequest(1), (Request{97, 32, 41, 38, 52, 57, 63, 33}));
    EXPECT_EQ(graphReplyLength(0), 8);
    EXPECT_EQ(graphReplyLength(1), 10);
    EXPECT_EQ(graphRequest(5), graphRequest(0)) << "an unknown set is set 1";
}

TEST_F(Channels, TitlesAndNamesOfTheStrips) {
    const auto& a = graphChannels(0);
    EXPECT_EQ(a[0].title, QStringLiteral("Разряжение за дроссельной заслонкой"));
    EXPECT_EQ(a[3].title,
              QStringLiteral("Смещение угла опережения зажигания при детонации для цилиндра 1"));
    EXPECT_EQ(a[6].title,
              QStringLiteral("Смещение угла опережения зажигания при детонации для цилиндра 4"));
    const auto& b = graphChannels(1);
    QStringList titles;
    for (const auto& c : b)
        titles << c.title;
    EXPECT_EQ(titles,
              (QStringList{"Положение дроссельной заслонки", "Обороты в минуту",
                           "Угол опережения зажигания", "Цикловое наполнение", "Состав смеси",
                           "Длительность импульса впрыска", "Расход воздуха"}));
    EXPECT_EQ(a[1].title, b[1].title);
    EXPECT_EQ(a[2].title, b[2].title);
    std::vector<int> scales;
    for (const auto& c : a)
        scales.push_back(c.fullScale);
    for (const auto& c : b)
        scales.push_back(c.fullScale);
    EXPECT_EQ(scales, (std::vector<int>{1700, 150, 120, 24, 24, 24, 24, 256, 150, 120, 1830, 200,
                                        6300, 12060}));
}

TEST_F(Channels, SetOneDecoding) {
    // PABS 0x0312 = 786, speed 20, advance 31 half degrees, knock 1, 0, 7, 255.
    const std::vector<int> reply{0x12, 0x03, 20, 31, 1, 0, 7, 255};
    const int raws[7] = {786, 20, 31, 1, 0, 7, 255};
    const char* texts[7] = {"786", "800", "15.5", "0.5", "0", "3.5", "127.5"};
    for (int k = 0; k < 7; ++k) {
        const int raw = graphRawValue(0, k, reply);
        EXPECT_EQ(raw, raws[k]) << k;
        EXPECT_EQ(graphPlottedValue(0, k, raw), raw) << k;
        EXPECT_EQ(graphLiveText(0, k, raw), QString::fromLatin1(texts[k])) << k;
        EXPECT_EQ(graphCursorText(0, k, raw), QString::fromLatin1(texts[k])) << k;
    }
}

TEST_F(Channels, SetTwoDecoding) {
    // Throttle 13, speed 75, advance 200 (unsigned), filling 0x0101 = 257,
    // mixture 128, pulse 0x0271 = 625, air flow 0x04D2 = 1234.
    const std::vector<int> reply{13, 75, 200, 0x01, 0x01, 128, 0x71, 0x02, 0xD2, 0x04};
    const int raws[7] = {13, 75, 200, 257, 128, 625, 1234};
    const char* live[7] = {"13", "3000", "100", "42", "1", "5", "123.4"};
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(graphRawValue(1, k, reply), raws[k]) << k;
        EXPECT_EQ(graphLiveText(1, k, raws[k]), QString::fromLatin1(live[k])) << k;
    }
    EXPECT_EQ(graphPlottedValue(1, 3, 257), 42) << "the filling strip plots raw / 6";
    EXPECT_EQ(graphCursorText(1, 3, 257), QStringLiteral("42.8")) << "257 / 5.9988 = 42.84";
    EXPECT_EQ(graphLiveText(1, 4, 1), QStringLiteral("0.504")) << "1/256 + 0.5 to 3 decimals";
    EXPECT_EQ(graphLiveText(1, 5, 1), QStringLiteral("0.01"));
}

TEST_F(Channels, FillingOfElevenShowsOneLiveAndItsQuotientUnderTheCursor) {
    EXPECT_EQ(graphLiveText(1, 3, 11), QStringLiteral("1"));
    EXPECT_EQ(graphCursorText(1, 3, 11), QStringLiteral("1.8"));
}

TEST_F(Channels, NumbersFollowTheUsersLocale) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(graphLiveText(0, 2, 31), QStringLiteral("15,5"));
    EXPECT_EQ(graphLiveText(1, 6, 12345), QStringLiteral("1234,5")) << "no group separator";
}

// ============================================================ strip arithmetic

TEST(StripArithmetic, SegmentHeightRoundsHalvesToEvenAndStopsAtTheTop) {
    EXPECT_EQ(segmentHeight(100, 850, 1700), 50);
    EXPECT_EQ(segmentHeight(100, 1700, 1700), 100);
    EXPECT_EQ(segmentHeight(100, 2000, 1700), 100) << "above full scale: the top edge";
    EXPECT_EQ(segmentHeight(100, 0, 1700), 0);
    // 3 x 1 / 2 = 1.5 -> 2; 5 x 1 / 2 = 2.5 -> 2.
    EXPECT_EQ(segmentHeight(3, 1, 2), 2);
    EXPECT_EQ(segmentHeight(5, 1, 2), 2);
    EXPECT_EQ(segmentHeight(7, 1, 2), 4);
}

TEST(StripArithmetic, CursorSample) {
    EXPECT_EQ(cursorSample(3, 800), 0);
    EXPECT_EQ(cursorSample(4, 800), 0) << "0.5 rounds to 0";
    EXPECT_EQ(cursorSample(12, 800), 2) << "1.5 rounds to 2";
    EXPECT_EQ(cursorSample(20, 800), 2) << "2.5 rounds to 2";
    EXPECT_EQ(cursorSample(0, 800), 0);
    // W = 803: W / 8 = 100.375; sample 100 still lies in the history.
    EXPECT_EQ(cursorSample(800, 803), 100);
    EXPECT_EQ(cursorSample(800, 800), -1) << "j = W / 8 lies beyond";
    EXPECT_EQ(cursorSample(2000, 800), -1);
    EXPECT_EQ(cursorSample(-20, 800), -1);
}

TEST(StripArithmetic, CursorLineStaysInTheStrip) {
    EXPECT_EQ(clampCursorX(900, 800), 798);
    EXPECT_EQ(clampCursorX(800, 800), 800);
    EXPECT_EQ(clampCursorX(1, 800), 2);
    EXPECT_EQ(clampCursorX(300, 800), 300);
}

TEST(StripArithmetic, LayoutRules) {
    // 1200 x 750 pixels = 18000 x 11250 twips.
    const GraphGeometry g = graphGeometry(QSize(1200, 750));
    EXPECT_EQ(g.strips[0].width(), 1100) << "(18000 - 1500) twips";
    EXPECT_EQ(g.strips[0].height(), 105) << "(11250 - 230) / 7 twips = 1574 = 104.9 px";
    for (std::size_t k = 1; k < 7; ++k) {
        EXPECT_EQ(g.strips[k].top(), g.strips[k - 1].bottom() + 1 + 1) << "20 twips apart";
        EXPECT_EQ(g.strips[k].size(), g.strips[0].size());
        EXPECT_EQ(g.strips[k].left(), g.strips[0].left());
    }
    EXPECT_LE(g.strips[6].bottom(), 749);
    EXPECT_EQ(g.strips[0].right(), 1200 - 9) << "the strips fill the width beside the labels";
    const int names[7] = {15, 117, 220, 325, 436, 543, 652}; // 11250 / 50, 6.4, 3.41 ...
    for (std::size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(g.nameLabels[k].top(), names[k]) << k;
        EXPECT_EQ(g.valueLabels[k].top(), names[k] + 23) << "350 twips below";
        EXPECT_LT(g.nameLabels[k].right(), g.strips[k].left()) << "a column left of the strips";
    }
    EXPECT_EQ(titlePointSize(140), 21) << "2100 twips / 100";
}

// ================================================================= history

TEST(History, ShiftsTowardsTheOldEndAndDropsTheOldest) {
    GraphHistory h;
    h.reset(20); // indexes 0 .. 2
    EXPECT_EQ(h.length(), 3);
    h.push({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 8);
    h.push({11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, 8);
    EXPECT_EQ(h.sample(0), (std::vector<int>{11, 12, 13, 14, 15, 16, 17, 18, 0, 0}))
        << "set 1 keeps A0 .. A7";
    EXPECT_EQ(h.sample(1), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 0, 0}));
    h.push({21, 22, 23, 24, 25, 26, 27, 28, 29, 30}, 10);
    h.push({31, 32, 33, 34, 35, 36, 37, 38, 39, 40}, 10);
    EXPECT_EQ(h.sample(0)[9], 40);
    EXPECT_EQ(h.sample(2)[0], 11) << "the first sample fell off";
    EXPECT_EQ(h.stored(), 3);
    EXPECT_EQ(h.sample(3), std::vector<int>(10, 0)) << "beyond the history";
    h.reset(20);
    EXPECT_EQ(h.sample(0), std::vector<int>(10, 0));
    EXPECT_EQ(h.stored(), 0);
}
