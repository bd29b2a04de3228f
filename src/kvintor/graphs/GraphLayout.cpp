#include "GraphLayout.h"

#include <algorithm>

namespace kvintor {

namespace {
constexpr int kStripLeftTwips = 1380;
constexpr int kStripTopTwips = 60;
constexpr int kLabelLeftTwips = 90;
constexpr int kLabelWidthTwips = 1200;
constexpr int kLabelHeightTwips = 300;
constexpr int kValueBelowTwips = 350;
constexpr double kNameDivisors[7] = {50, 6.4, 3.41, 2.31, 1.72, 1.38, 1.15};
} // namespace

GraphGeometry graphGeometry(const QSize& inner) {
    const double wf = inner.width() * kTwipsPerPixel;
    const double hf = inner.height() * kTwipsPerPixel;
    GraphGeometry g;
    const int width = std::max(twipsToPx(wf - 1500), 1);
    const int height = std::max(twipsToPx((hf - 230) / 7), 1);
    int top = twipsToPx(kStripTopTwips);
    for (std::size_t k = 0; k < 7; ++k) {
        if (k > 0) top += height + twipsToPx(20);
        g.strips[k] = QRect(twipsToPx(kStripLeftTwips), top, width, height);
        const int nameTop = twipsToPx(hf / kNameDivisors[k]);
        g.nameLabels[k] = QRect(twipsToPx(kLabelLeftTwips), nameTop, twipsToPx(kLabelWidthTwips),
                                twipsToPx(kLabelHeightTwips));
        g.valueLabels[k] = g.nameLabels[k].translated(0, twipsToPx(kValueBelowTwips));
    }
    return g;
}

int titlePointSize(int previousStripHeightPx) {
    return std::max(previousStripHeightPx * kTwipsPerPixel / 100, 1);
}

int clampCursorX(int x, int stripWidth) {
    if (x > stripWidth) x = stripWidth - 2;
    if (x < 2) x = 2;
    return x;
}

} // namespace kvintor
