#include "RowGeometry.h"

#include "FirmwareImage.h"

#include <QPainter>

namespace editor {

int columnAt(int x) {
    for (int k = 0; k < kColumns; ++k)
        if (markerLeft(k) - 1 < x && x < markerLeft(k) + kMarkerSize) return k;
    return -1;
}

bool dragAccepted(int t, int grabOffset, int scaleHeight) {
    if (grabOffset < 0 || grabOffset > kMarkerSize - 1) return false;
    return t >= kTopLimit && t + kMarkerSize + 1 <= scaleHeight;
}

void paintRowBackground(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(gridColour(), 1));
    for (int x = 9; x <= 339; x += 22)
        painter.drawLine(x, 0, x, 262);
    for (int y = 5; y <= 125; y += 10)
        painter.drawLine(0, y, 700, y);
    painter.restore();
}

} // namespace editor
