#pragma once
// A strip drawn the plain way, to hold the graph's pictures against: every
// column copied at every step, the same segment and box as the strip
// draws, no knowledge of where anything was drawn.
#include "main/LivePanel.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

struct PlainStrip {
    QImage image;
    double y;

    void step() {
        for (int row = 0; row < image.height(); ++row) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
            for (int x = image.width() - 1; x >= 1; --x)
                line[x] = line[x - 1];
        }
    }
    void sample(int h, bool marks, const QColor& foreground) {
        const int H = image.height();
        const int yPrev = static_cast<int>(kvintor::roundTo(y, 0));
        h = std::min(h, H);
        QPainter p(&image);
        p.setPen(QPen(foreground, 0));
        if (marks) p.drawRect(QRect(8, yPrev - 1, 2, 2));
        p.drawLine(QPoint(9, yPrev), QPoint(1, H - h));
        y = H - h;
    }
};
