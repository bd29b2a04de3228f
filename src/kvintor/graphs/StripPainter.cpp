#include "StripPainter.h"

#include "main/LivePanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstring>

namespace kvintor {

StripPainter::StripPainter() : background_(Qt::white), foreground_(Qt::black) {}

void StripPainter::resize(const QSize& size) {
    image_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    clear();
}

void StripPainter::setColours(const QColor& background, const QColor& foreground) {
    background_ = background;
    foreground_ = foreground;
}

void StripPainter::clear() {
    image_.fill(background_);
    x_ = 0;
    y_ = 0;
}

void StripPainter::moveTo(double x, double y) {
    x_ = x;
    y_ = y;
}

void StripPainter::print(const QString& text) {
    const QFontMetrics metrics(font_, &image_);
    {
        QPainter p(&image_);
        p.setFont(font_);
        p.setPen(foreground_);
        p.drawText(QPointF(x_, y_ + metrics.ascent()), text);
    }
    x_ = 0;
    y_ += metrics.height();
}

void StripPainter::scrollStep() {
    const int w = image_.width();
    if (w < 2) return;
    const auto depth = static_cast<std::size_t>(image_.depth() / 8);
    const auto bytes = static_cast<std::size_t>(w - 1) * depth;
    for (int y = 0; y < image_.height(); ++y) {
        uchar* line = image_.scanLine(y);
        std::memmove(line + depth, line, bytes);
    }
}

void StripPainter::drawSample(int h, bool marks) {
    const int H = image_.height();
    const int yPrev = static_cast<int>(roundTo(y_, 0));
    if (h > H) h = H;
    QPainter p(&image_);
    p.setPen(QPen(foreground_, 0));
    p.setBrush(Qt::NoBrush);
    // The box spans x 8 .. 10 and yPrev-1 .. yPrev+1: the previous sample
    // now lies at x = 9.
    if (marks) p.drawRect(QRect(8, yPrev - 1, 2, 2));
    p.drawLine(QPoint(9, yPrev), QPoint(1, H - h));
    x_ = 1;
    y_ = H - h;
}

} // namespace kvintor
