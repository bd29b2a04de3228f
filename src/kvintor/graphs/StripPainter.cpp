#include "StripPainter.h"

#include "main/LivePanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace kvintor {

namespace {
// A sample's ink joins the newest rectangle while both span no more than
// this: a few rectangles a strip, each hugging the curve it covers.
constexpr int kJoinWidth = 64;

// One row of a scroll by `steps` over columns a .. b: each pixel takes the
// one `steps` to its left; those left of `steps` take column 0's.
void moveRow(QRgb* line, int a, int b, int steps) {
    const int from = std::max(a, steps);
    if (b >= from)
        std::memmove(line + from, line + from - steps,
                     static_cast<std::size_t>(b - from + 1) * sizeof(QRgb));
    for (int x = std::max(a, 1); x <= std::min(b, steps - 1); ++x)
        line[x] = line[0];
}
} // namespace

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
    cleared_ = image_.pixel(0, 0);
    ink_.clear();
    newestJoins_ = false;
    x_ = 0;
    y_ = 0;
}

void StripPainter::moveTo(double x, double y) {
    x_ = x;
    y_ = y;
}

void StripPainter::print(const QString& text) {
    const QFontMetrics metrics(font_, &image_);
    const QPointF baseline(x_, y_ + metrics.ascent());
    {
        QPainter p(&image_);
        p.setFont(font_);
        p.setPen(foreground_);
        p.drawText(baseline, text);
    }
    // The ink of the text: what changed round its line, found exactly.
    const int line = metrics.height();
    const QRect around = metrics.boundingRect(text)
                             .translated(baseline.toPoint())
                             .adjusted(-line, -line, line, line) &
                         image_.rect();
    QRect drawn;
    for (int y = around.top(); y <= around.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        for (int x = around.left(); x <= around.right(); ++x)
            if (row[x] != cleared_) drawn |= QRect(x, y, 1, 1);
    }
    addInk(drawn, false);
    x_ = 0;
    y_ += line;
}

QRegion StripPainter::scroll(int steps) {
    steps = std::min(steps, width() - 1);
    if (steps < 1 || ink_.empty()) return {};
    // A pixel can change only where it or the one it takes is ink.
    const QRect bounds = image_.rect();
    QRegion changed;
    for (const QRect& r : ink_)
        changed += QRect(r.left(), r.top(), r.width() + steps, r.height()) & bounds;
    // Band by band (rows of equal rectangles, left to right), each row
    // right to left, so that every pixel is taken before it is written.
    const QRect* const end = changed.end();
    for (const QRect* band = changed.begin(); band != end;) {
        const QRect* bandEnd = band;
        while (bandEnd != end && bandEnd->top() == band->top())
            ++bandEnd;
        for (int y = band->top(); y <= band->bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
            for (const QRect* r = bandEnd; r != band;) {
                --r;
                moveRow(row, r->left(), r->right(), steps);
            }
        }
        band = bandEnd;
    }
    // The ink moves with the picture; ink in column 0 also spreads into the
    // columns it leaves behind.
    for (QRect& r : ink_) {
        if (r.left() == 0)
            r.setRight(r.right() + steps);
        else
            r.translate(steps, 0);
        r &= bounds;
    }
    ink_.erase(std::remove_if(ink_.begin(), ink_.end(), [](const QRect& r) { return r.isEmpty(); }),
               ink_.end());
    return changed;
}

QRect StripPainter::drawSample(int h, bool marks) {
    const int H = image_.height();
    const int yPrev = static_cast<int>(roundTo(y_, 0));
    if (h > H) h = H;
    {
        QPainter p(&image_);
        p.setPen(QPen(foreground_, 0));
        p.setBrush(Qt::NoBrush);
        // The box spans x 8 .. 10 and yPrev-1 .. yPrev+1: the previous sample
        // now lies at x = 9.
        if (marks) p.drawRect(QRect(8, yPrev - 1, 2, 2));
        p.drawLine(QPoint(9, yPrev), QPoint(1, H - h));
    }
    x_ = 1;
    y_ = H - h;
    // The segment's and the box's pixels, with a pixel to spare round them
    // (never into column 0, which nothing here draws into).
    const int top = std::min(yPrev - (marks ? 1 : 0), H - h);
    const int bottom = std::max(yPrev + (marks ? 1 : 0), H - h);
    const QRect drawn = QRect(QPoint(1, top - 1), QPoint(11, bottom + 1)) & image_.rect();
    addInk(drawn, true);
    return drawn;
}

void StripPainter::addInk(const QRect& drawn, bool join) {
    if (drawn.isEmpty()) return;
    if (join && newestJoins_ && !ink_.empty()) {
        const QRect joined = ink_.back() | drawn;
        if (joined.width() <= kJoinWidth) {
            ink_.back() = joined;
            return;
        }
    }
    ink_.push_back(drawn);
    newestJoins_ = join;
}

QRegion StripPainter::ink() const {
    QRegion all;
    for (const QRect& r : ink_)
        all += r;
    return all;
}

} // namespace kvintor
