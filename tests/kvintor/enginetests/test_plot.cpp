// The plot painter on an image, its mappings and scale texts; the live
// panel's arithmetic; how typed speeds are rounded and checked.
#include "TestInputs.h"
#include "TestLivePanel.h"
#include "TestPlot.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace kvintor;

namespace {
QColor at(const PlotCanvas& c, int x, int y) {
    return c.image().pixelColor(x, y);
}
} // namespace

// ============================================================ mappings

TEST(PlotMapping, SpeedCodeHeights) {
    // Int(|H - H x code / 163|) on a 341-pixel plot.
    EXPECT_EQ(speedCodeY(0, 341), 341);
    EXPECT_EQ(speedCodeY(25, 341), 288); // 1000 rpm: 341 - 52.3
    EXPECT_EQ(speedCodeY(150, 341), 27); // 6000 rpm: 341 - 313.8
    EXPECT_EQ(speedCodeY(163, 341), 0);
}

TEST(PlotMapping, EverySampleAboveFullScaleRunsAlongTheTopEdge) {
    // Without the cap 200 would give |341 - 418.4| = 77, drawn as if the
    // engine were slowing down.
    for (int code : {164, 170, 200, 255})
        EXPECT_EQ(speedCodeY(code, 341), 0) << code;
}

TEST(PlotMapping, SpeedByteHeights) {
    // Int(|H - H / 255 x byte|) on the idle plot.
    EXPECT_EQ(speedByteY(0, 424), 424);
    EXPECT_EQ(speedByteY(85, 424), 282); // 850 rpm: 424 - 141.3
    EXPECT_EQ(speedByteY(225, 424), 49); // 2250 rpm: 424 - 374.1
    EXPECT_EQ(speedByteY(255, 424), 0);
    EXPECT_EQ(speedByteY(255, 340), 0) << "a rounding past the top edge stays on it";
}

TEST(PlotScales, TextsAndPlaces) {
    EXPECT_EQ(accelerationSpeedMarks(),
              QStringList({"6000", "5500", "5000", "4500", "4000", "3500", "3000", "2500", "2000",
                           "1500", "1000", "500", "0"}));
    EXPECT_EQ(idleSpeedMarks(),
              QStringList({"2500", "2300", "2150", "2000", "1850", "1700", "1550", "1400", "1250",
                           "1100", "900", "800", "600", "500", "300", "100", "0"}));
    const QStringList tenths = secondMarks(14, 1);
    EXPECT_EQ(tenths.size(), 14);
    EXPECT_EQ(tenths.front(), "0,1");
    EXPECT_EQ(tenths[9], "1,0");
    EXPECT_EQ(tenths.back(), "1,4");
    EXPECT_EQ(secondMarks(25, 1).back(), "2,5");
    const QStringList fifths = secondMarks(22, 2);
    EXPECT_EQ(fifths.front(), "0,2");
    EXPECT_EQ(fifths[4], "1,0");
    EXPECT_EQ(fifths.back(), "4,4");
    // The bottom mark on the bottom edge, each next one a grid row up.
    EXPECT_EQ(verticalMarkY(12, 13, 341), 341);
    EXPECT_EQ(verticalMarkY(0, 13, 341), 341 - 12 * 26);
    EXPECT_EQ(horizontalMarkX(0, 29), 29);
    EXPECT_EQ(horizontalMarkX(13, 29), 14 * 29);
}

// ============================================================ the canvas

TEST(PlotCanvas, GridOfColumnsAndRowsFromTheBottom) {
    PlotCanvas c(QSize(421, 341));
    const QColor bg = plotBackground();
    // Columns at 29, 58, .. 406; rows at 341 (off the picture), 315, .. 3.
    EXPECT_EQ(at(c, 29, 100), QColor(Qt::black));
    EXPECT_EQ(at(c, 406, 100), QColor(Qt::black));
    EXPECT_EQ(at(c, 0, 100), bg) << "no line at x = 0";
    EXPECT_EQ(at(c, 30, 100), bg) << "width 1";
    EXPECT_EQ(at(c, 100, 315), QColor(Qt::black));
    EXPECT_EQ(at(c, 100, 341 - 13 * 26), QColor(Qt::black));
    EXPECT_EQ(at(c, 100, 314), bg);
    EXPECT_EQ(at(c, 100, 0), bg) << "341 is no multiple of 26: no line at the top";
}

TEST(PlotCanvas, TraceLinesFromThePenAndANewGridClearsThem) {
    PlotCanvas c(QSize(421, 341));
    c.moveTo(5, 300);
    c.lineTo(29, 200, traceColour());
    c.lineTo(58, 200, noFuelColour());
    EXPECT_EQ(c.pen(), QPoint(58, 200));
    EXPECT_EQ(at(c, 45, 200), noFuelColour());
    EXPECT_EQ(at(c, 45, 199), noFuelColour()) << "width 2";
    EXPECT_EQ(at(c, 45, 201), plotBackground());
    EXPECT_EQ(at(c, 17, 250), traceColour()) << "the first line's middle";
    EXPECT_EQ(c.points(), (std::vector<QPoint>{{29, 200}, {58, 200}}));
    EXPECT_EQ(traceColour(), QColor(255, 255, 50));
    EXPECT_EQ(noFuelColour(), QColor(192, 255, 255));

    c.drawGrid();
    EXPECT_EQ(at(c, 45, 200), plotBackground());
    EXPECT_EQ(c.pen().x(), 0);
    EXPECT_TRUE(c.points().empty());
}

// ============================================================ live panel

TEST(LivePanelRows, ValuesAndBars) {
    const LiveRow coolant = coolantRow(QStringLiteral("Температура"), QStringLiteral("Label6(0)"));
    const LiveRow speed = idleSpeedRow(QStringLiteral("Label6(1)"));
    EXPECT_EQ(liveText(coolant, 125), "85");
    EXPECT_EQ(liveText(coolant, 0), "-40");
    EXPECT_EQ(liveBar(coolant, 125), 128);
    EXPECT_EQ(liveBar(coolant, 124), 126) << "(124 x 128) div 125 = 126.9, whole part";
    EXPECT_EQ(liveBar(coolant, 255), 255) << "capped";
    EXPECT_EQ(liveText(speed, 85), "850");
    EXPECT_EQ(liveBar(speed, 85), 123) << "(85 x 128) div 88 = 123.6, whole part";
    EXPECT_EQ(liveBar(speed, 176), 255) << "256 capped";
    EXPECT_EQ(speed.frameName, "Frame2");
    EXPECT_EQ(speed.caption, "Обороты/мин. (холостой ход)");
    // A window whose rows round (the actuator window's form).
    LiveRow rounded = speed;
    rounded.barDivisor = 100;
    rounded.roundBar = true;
    EXPECT_EQ(liveBar(rounded, 85), 109) << "108.8";
    EXPECT_EQ(liveBar(rounded, 25), 32);
    EXPECT_EQ(liveBar(rounded, 100), 128);
}

// ============================================================ typed speeds

TEST(TypedSpeeds, RoundingAndTheLists) {
    EXPECT_EQ(roundHalfEven(2000.4), 2000);
    EXPECT_EQ(roundHalfEven(2000.5), 2000);
    EXPECT_EQ(roundHalfEven(2001.5), 2002);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(1e300), 0);
    EXPECT_TRUE(listed(endSpeeds(), 2000));
    EXPECT_FALSE(listed(endSpeeds(), 2000.4));
    EXPECT_FALSE(listed(startSpeeds(), 1050));
}

TEST(TypedSpeeds, AveragePulseRoundsHalfToEven) {
    // 8 samples summing to 5: 5 / 8 / 125 = 0.005 ms, a tie, down to 0.00.
    EXPECT_EQ(averagePulseHundredths(5, 8), 0);
    EXPECT_EQ(averagePulseHundredths(15, 8), 2) << "0.015 up to 0.02";
    EXPECT_EQ(averagePulseHundredths(25, 8), 2) << "0.025 down to 0.02";
    EXPECT_EQ(averagePulseHundredths(26 * 538, 26), 430) << "4.304 ms";
    EXPECT_EQ(averagePulseHundredths(0, 0), 0);
}
