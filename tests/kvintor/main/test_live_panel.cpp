// The live panel's arithmetic, one case per row of the four page tables.
#include "main/LivePanel.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace kvintor;

namespace {

struct Row {
    int page;
    int k;
    std::vector<std::pair<int, int>> elements; // element index, value
    bool fullRange;
    const char* text;
    int bar;
};

std::vector<int> reply(const Row& r) {
    std::vector<int> e(18, 0);
    for (auto [i, v] : r.elements) e[static_cast<std::size_t>(i)] = v;
    return e;
}

class PanelRows : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
};

// ctest shows a row by what it checks: page, value and shown text.
void PrintTo(const Row& r, std::ostream* os) {
    *os << "page " << r.page + 1 << " value " << r.k << " -> \"" << r.text << "\" bar " << r.bar;
}
std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    return "value" + std::to_string(info.param.k) + "_row" + std::to_string(info.index);
}

} // namespace

TEST_P(PanelRows, ValueAndBar) {
    const Row& r = GetParam();
    const PageValues v = decodePage(r.page, reply(r), r.fullRange);
    EXPECT_EQ(v[static_cast<std::size_t>(r.k)].text.toStdString(), std::string(r.text));
    EXPECT_EQ(v[static_cast<std::size_t>(r.k)].bar, r.bar);
}

INSTANTIATE_TEST_SUITE_P(Page1, PanelRows, ::testing::Values(
    Row{0, 0, {{6, 125}}, false, "85", 128},
    Row{0, 1, {{7, 150}}, false, "13.64", 130},
    Row{0, 1, {{7, 10}}, false, "0.91", 0},            // a negative bar is drawn empty
    Row{0, 2, {{8, 50}}, true, "2000", 100},
    Row{0, 2, {{8, 85}}, false, "850", 128},
    Row{0, 3, {{9, 19}}, false, "9.5", 84},
    Row{0, 3, {{9, 250}}, false, "-3", 255},            // capped
    Row{0, 3, {{9, 128}}, false, "-64", 255},            // the sign bit
    Row{0, 3, {{9, 127}}, false, "63.5", 255},
    Row{0, 4, {{10, 125}}, false, "-3", 125},
    Row{0, 5, {{11, 65}, {12, 1}}, false, "321", 137},
    Row{0, 6, {{13, 74}}, false, "74", 146},
    Row{0, 7, {{14, 34}, {15, 3}}, false, "133", 102}), rowName);

INSTANTIATE_TEST_SUITE_P(Page2, PanelRows, ::testing::Values(
    Row{1, 0, {{6, 125}}, false, "85", 125},
    Row{1, 1, {{7, 70}}, false, "30", 70},
    Row{1, 2, {{8, 3}}, false, "3", 3},
    Row{1, 3, {{9, 13}}, false, "0.051", 140},
    Row{1, 3, {{9, 243}}, false, "-0.051", 116},
    Row{1, 4, {{10, 0}}, false, "0.5", 0},
    Row{1, 4, {{10, 255}}, false, "1.496", 255},
    Row{1, 5, {{11, 244}, {12, 1}}, false, "4", 98},
    Row{1, 6, {{13, 136}}, false, "13.6", 53},
    Row{1, 7, {{15, 9}}, false, "0.9", 9}), rowName);

INSTANTIATE_TEST_SUITE_P(Page3, PanelRows, ::testing::Values(
    Row{2, 0, {{6, 100}}, false, "1.961", 100},
    Row{2, 3, {{9, 255}}, false, "5", 255},
    Row{2, 7, {{13, 1}}, false, "0.02", 1}), rowName);

INSTANTIATE_TEST_SUITE_P(Page4, PanelRows, ::testing::Values(
    Row{3, 0, {{6, 23}}, false, "0.451", 23},
    Row{3, 1, {{7, 200}}, false, "3.922", 200},
    Row{3, 2, {{8, 5}}, false, "5", 5},
    Row{3, 3, {{9, 0x35}}, false, "3  5", 53},
    Row{3, 4, {{10, 22}}, false, "22", 22},
    Row{3, 5, {{11, 0}}, false, "0", 0},
    Row{3, 6, {{12, 43}, {13, 16}}, false, "689.97", 106},
    Row{3, 7, {{14, 96}, {15, 9}}, false, "2400", 9}), rowName);

TEST(LivePanel, RoundingIsHalfToEvenAndLocaleShowsTheComma) {
    EXPECT_EQ(roundTo(2.5, 0), 2);
    EXPECT_EQ(roundTo(3.5, 0), 4);
    EXPECT_EQ(roundTo(0.125, 2), 0.12);
    QLocale::setDefault(QLocale(QLocale::Russian));
    EXPECT_EQ(numberText(13.64), QStringLiteral("13,64"));
    EXPECT_EQ(numberText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(numberText(2400), QStringLiteral("2400")) << "no group separator";
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(numberText(12000.5), QStringLiteral("12000.5"));
    QLocale::setDefault(QLocale::c());
}

TEST(LivePanel, BarsColoursAndLamps) {
    EXPECT_EQ(barWidthTwips(300), 255 * 15);
    EXPECT_EQ(barWidthTwips(-4), 0);
    EXPECT_EQ(barColour(128), QColor(128, 0, 0));
    EXPECT_EQ(barColour(127), QColor(0, 127, 127));
    EXPECT_EQ(barColour(255), QColor(128, 127, 127));
    const std::vector<int> e{0x05, 0x80, 0, 1, 0, 2, 0, 0};
    EXPECT_TRUE(lampLit(0, e));
    EXPECT_FALSE(lampLit(1, e));
    EXPECT_TRUE(lampLit(2, e));
    EXPECT_TRUE(lampLit(15, e));
    EXPECT_TRUE(lampLit(8, {0, 0x01, 0, 0, 0, 0})) << "lamp 8 is bit 0 of the second flag byte";
    EXPECT_FALSE(lampLit(8, {0x01, 0x02, 0, 0, 0, 0}));
    EXPECT_FALSE(lampLit(16, e));
    EXPECT_TRUE(lampLit(17, e));
    EXPECT_TRUE(lampLit(19, e));
    EXPECT_EQ(lampColour(true), QColor(255, 192, 128));
    EXPECT_EQ(lampColour(false), QColor(128, 128, 128));
    EXPECT_EQ(checkEngineLit(63, 0x01), true);
    EXPECT_EQ(checkEngineLit(63, 0x08), false);
    EXPECT_EQ(checkEngineLit(62, 0x08), true);
    EXPECT_EQ(checkEngineLit(62, 0x01), false);
    EXPECT_FALSE(checkEngineLit(0, 0xFF).has_value());
    EXPECT_EQ(checkEngineColour(false), QColor(128, 64, 64));
}

TEST(LivePanel, SpeedRangeSwitchesBothWays) {
    EXPECT_FALSE(nextFullRange(true, 63));
    EXPECT_TRUE(nextFullRange(true, 64));
    EXPECT_TRUE(nextFullRange(false, 255));
    EXPECT_FALSE(nextFullRange(false, 254));
    EXPECT_EQ(frameCaption(0, 2, true), QStringLiteral("Обороты/мин."));
    EXPECT_EQ(frameCaption(0, 2, false), QStringLiteral("Обороты/мин. (холостой ход)"));
}

TEST(LivePanel, CaptionsAndNorms) {
    EXPECT_EQ(frameCaption(0, 0, false), QStringLiteral("Температура  о.ж. (град. С)"));
    EXPECT_EQ(frameCaption(2, 3, false), QStringLiteral("Напр.  сигнала   детонации (В.)"));
    EXPECT_EQ(frameCaption(3, 0, false), QStringLiteral("Напряжение L-зонда 1  (В.)"));
    EXPECT_EQ(normText(0, 6), QStringLiteral(" Норма  60 - 90 шагов  "));
    EXPECT_EQ(normText(1, 2), QStringLiteral(" На  холостом  ходу  норма  0% "));
    EXPECT_EQ(normText(1, 0), QStringLiteral(" Норма  75 - 95 град.С. "));
    EXPECT_TRUE(normText(0, 7).isEmpty());
    EXPECT_TRUE(normText(2, 0).isEmpty());
    EXPECT_EQ(lampCaption(3), QStringLiteral("Блокировка выхода из холостого хода"));
    EXPECT_EQ(lampCaption(15), QStringLiteral("Миним. частота вращения колен.вала"));
    EXPECT_EQ(lampCaption(16), QStringLiteral("1 цил."));
    EXPECT_EQ(lampCaption(19), QStringLiteral("4 цил."));
}
