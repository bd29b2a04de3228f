#include "PulseGeometry.h"

#include "GraphLayout.h"
#include "main/LivePanel.h"

#include <QPainter>

namespace kvintor {

namespace {
int element(const std::vector<int>& b, std::size_t i) {
    return i < b.size() ? b[i] : 0;
}
int word(const std::vector<int>& b, std::size_t i) {
    return element(b, i) + 256 * element(b, i + 1);
}
QLine twipsLine(int x1, int y1, int x2, int y2) {
    return QLine(twipsToPx(x1), twipsToPx(y1), twipsToPx(x2), twipsToPx(y2));
}
} // namespace

const std::vector<std::uint8_t>& streamVariables() {
    static const std::vector<std::uint8_t> v{32, 41, 38, 52, 57, 63};
    return v;
}

std::array<QString, kStreamValues> streamTexts(const std::vector<int>& d) {
    return {numberText(element(d, 0)),
            numberText(element(d, 1) * 40.0),
            numberText(element(d, 2) / 2.0),
            numberText(roundTo(word(d, 3) / 5.9988, 1)),
            numberText(roundTo(element(d, 5) / 256.0 + 0.5, 3)),
            numberText(roundTo(word(d, 6) / 125.0, 2))};
}

std::array<PulseChannel, kPulsePictures> pulseChannels(const std::vector<int>& d) {
    return {PulseChannel{word(d, 3), 4500}, PulseChannel{element(d, 5), 500},
            PulseChannel{word(d, 6), 4000}};
}

PulseOutline designOutline() {
    // Design positions in twips.
    return {twipsLine(120, 600, 0, 1440), twipsLine(120, 600, 1020, 360),
            twipsLine(1020, 360, 1020, 1440), twipsLine(10260, 1380, 1020, 1440)};
}

int pulseEnd(int pictureWidth, int value, int scale, int x0) {
    if (scale <= 0) return x0;
    return static_cast<int>(roundTo(static_cast<double>(pictureWidth) * value / scale + x0, 0));
}

void placePulse(PulseOutline& o, int x) {
    o.top.setP2(QPoint(x, o.top.y2()));
    o.falling = QLine(x, o.falling.y1(), x + 10, o.falling.y2());
    o.base.setP2(QPoint(o.falling.x2(), o.base.y2()));
}

void drawPulseGrid(QPainter& p, int width, int height) {
    p.setPen(QPen(kPulseGrid, 0));
    for (int x = kPulseGridStep; x <= width; x += kPulseGridStep)
        p.drawLine(x, 0, x, height);
    for (int y = kPulseGridStep; y <= height; y += kPulseGridStep)
        p.drawLine(0, y, width, y);
}

void drawPulseOutline(QPainter& p, const PulseOutline& o) {
    p.setPen(QPen(kPulseLine, 0));
    for (const QLine& l : {o.rising, o.top, o.falling, o.base})
        p.drawLine(l);
}

} // namespace kvintor
