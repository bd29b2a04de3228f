#pragma once
// Where the graph window's controls stand for a given inner size: the seven
// strips one above the other to the right, the name and value labels in a
// column at the left edge. The rules are in twips (15 twips per pixel); the
// answers in pixels. No widgets here.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace kvintor {

constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPx(double twips) {
    return static_cast<int>(twips / kTwipsPerPixel + 0.5);
}

struct GraphGeometry {
    std::array<QRect, 7> strips;      // Picture1(k)
    std::array<QRect, 7> nameLabels;  // Label2(k)
    std::array<QRect, 7> valueLabels; // Label1(k)
};

// Strip width is the inner width less 1500 twips, strip height (inner
// height - 230) / 7 twips, 20 twips between strips; Label2(k) stands at the
// inner height divided by 50, 6.4, 3.41, 2.31, 1.72, 1.38, 1.15 and Label1(k)
// 350 twips below it.
GraphGeometry graphGeometry(const QSize& inner);

// Point size of a strip's title font: its height in twips before the new
// layout, / 100.
int titlePointSize(int previousStripHeightPx);

// A cursor line beyond the strip's width moves to width - 2; one left of
// x = 2 moves to 2.
int clampCursorX(int x, int stripWidth);

} // namespace kvintor
