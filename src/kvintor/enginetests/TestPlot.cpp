#include "TestPlot.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kvintor {

namespace {
// Room beyond the plot's ends for the outermost marks' text.
constexpr int kVerticalMargin = 8;
constexpr int kHorizontalMargin = 16;
constexpr int kMarkHeight = 16;
constexpr int kMarkWidth = 30;
} // namespace

int speedCodeY(int code, int h) {
    code = std::clamp(code, 0, kFullScaleCode);
    return static_cast<int>(
        std::floor(std::fabs(h - static_cast<double>(h) * code / kFullScaleCode)));
}

int speedByteY(int speedByte, int h) {
    speedByte = std::clamp(speedByte, 0, kFullScaleByte);
    // Divided first, then multiplied, as the window has always done; the
    // absolute value keeps a rounding just past the top edge on it.
    return static_cast<int>(
        std::floor(std::fabs(h - static_cast<double>(h) / kFullScaleByte * speedByte)));
}

int verticalMarkY(int i, int n, int h) {
    return h - kPlotRow * (n - 1 - i);
}

int horizontalMarkX(int i, int firstX) {
    return firstX + kPlotColumn * i;
}

QStringList accelerationSpeedMarks() {
    QStringList marks;
    for (int rpm = 6000; rpm >= 0; rpm -= 500)
        marks << QString::number(rpm);
    return marks;
}

QStringList idleSpeedMarks() {
    return {QStringLiteral("2500"), QStringLiteral("2300"), QStringLiteral("2150"),
            QStringLiteral("2000"), QStringLiteral("1850"), QStringLiteral("1700"),
            QStringLiteral("1550"), QStringLiteral("1400"), QStringLiteral("1250"),
            QStringLiteral("1100"), QStringLiteral("900"),  QStringLiteral("800"),
            QStringLiteral("600"),  QStringLiteral("500"),  QStringLiteral("300"),
            QStringLiteral("100"),  QStringLiteral("0")};
}

QStringList secondMarks(int count, int stepTenths) {
    QStringList marks;
    for (int i = 1; i <= count; ++i) {
        const int tenths = i * stepTenths;
        marks << QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10);
    }
    return marks;
}

// ------------------------------------------------------------ the canvas

PlotCanvas::PlotCanvas(QSize size) : image_(size, QImage::Format_RGB32) {
    drawGrid();
}

void PlotCanvas::drawGrid() {
    image_.fill(plotBackground());
    QPainter p(&image_);
    p.setPen(QPen(Qt::black, 1));
    const int w = width();
    const int h = height();
    for (int x = kPlotColumn; x <= w; x += kPlotColumn)
        p.drawLine(x, 0, x, h);
    for (int y = h; y >= 0; y -= kPlotRow)
        p.drawLine(0, y, w, y);
    pen_.setX(0);
    points_.clear();
}

void PlotCanvas::lineTo(int x, int y, const QColor& colour) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pen_, QPoint(x, y));
    pen_ = QPoint(x, y);
    points_.push_back(pen_);
}

// ------------------------------------------------------------ Picture1

PlotView::PlotView(QSize size, QWidget* parent) : QWidget(parent), canvas_(size) {
    setObjectName(QStringLiteral("Picture1"));
    setAccessibleName(QStringLiteral("Picture1"));
    setFixedSize(size);
}

void PlotView::refresh() {
    repaint();
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_.image());
}

// ------------------------------------------------------------ scale marks

ScaleMarks::ScaleMarks(Axis axis, const QStringList& marks, int length, int firstX, QWidget* parent)
    : QWidget(parent), axis_(axis) {
    const int n = static_cast<int>(marks.size());
    if (axis == Axis::Vertical) {
        setFixedSize(kMarkWidth + 6, length + 2 * kVerticalMargin);
        for (int i = 0; i < n; ++i) {
            auto* l = new QLabel(marks[i], this);
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setGeometry(0, kVerticalMargin + verticalMarkY(i, n, length) - kMarkHeight / 2,
                           kMarkWidth + 4, kMarkHeight);
            labels_.push_back(l);
        }
    } else {
        setFixedSize(length + 2 * kHorizontalMargin, kMarkHeight + 2);
        for (int i = 0; i < n; ++i) {
            auto* l = new QLabel(marks[i], this);
            l->setAlignment(Qt::AlignCenter);
            l->setGeometry(kHorizontalMargin + horizontalMarkX(i, firstX) - kMarkWidth / 2, 0,
                           kMarkWidth, kMarkHeight);
            labels_.push_back(l);
        }
    }
}

void ScaleMarks::placeBy(const QWidget* plot) {
    if (axis_ == Axis::Vertical)
        move(plot->x() - width() - 2, plot->y() - kVerticalMargin);
    else
        move(plot->x() - kHorizontalMargin, plot->y() + plot->height() + 2);
}

QStringList ScaleMarks::marks() const {
    QStringList out;
    for (const QLabel* l : labels_)
        out << l->text();
    return out;
}

} // namespace kvintor
