#include "RibbonGeometry.h"

#include <QPainter>
#include <cmath>

namespace editor {

int roundHalfEven(double x) {
    const double f = std::floor(x);
    const double d = x - f;
    auto n = static_cast<long>(f);
    if (d > 0.5 || (d == 0.5 && (n % 2 != 0))) ++n;
    return static_cast<int>(n);
}

int ribbonX0(int s3) {
    return roundHalfEven(s3 / 2.0 + 10);
}

QPolygon ribbonPolygon(const Block& block, int table, int row, const RibbonShape& shape,
                       int height) {
    const int base = height - 5 - row * shape.s0;
    const int x0 = ribbonX0(shape.s3);
    QPolygon p;
    p.reserve(2 * kColumns);
    auto value = [&](int k) {
        return static_cast<int>(block[static_cast<std::size_t>(cellOffset(table, k, row))]);
    };
    for (int k = 0; k < kColumns; ++k)
        p << QPoint(x0 + k * shape.s2, base - value(k) - shape.s1);
    for (int k = kColumns - 1; k >= 0; --k)
        p << QPoint(x0 + k * shape.s2 - shape.s3, base - value(k) + shape.s1);
    return p;
}

int Ribbons::rowAt(const QPoint& p) const {
    if (empty) return -1;
    for (int r = 0; r < kRows; ++r)
        if (regions[static_cast<std::size_t>(r)].contains(p)) return r;
    return -1;
}

Ribbons makeRibbons(const Block& block, int table, const RibbonShape& shape, int height) {
    Ribbons out;
    for (int r = 0; r < kRows; ++r) {
        const auto i = static_cast<std::size_t>(r);
        out.polygons[i] = ribbonPolygon(block, table, r, shape, height);
        out.regions[i] = QRegion(out.polygons[i], Qt::WindingFill);
    }
    out.empty = false;
    return out;
}

std::optional<QString> hoverText(const Ribbons& ribbons, const Block& block, int table,
                                 const RibbonShape& shape, const QPoint& p) {
    const int r = ribbons.rowAt(p);
    if (r < 0) return QStringLiteral(" График ");
    const int k = p.x() / shape.s2;
    if (k < 0 || k >= kColumns) return std::nullopt;
    const int v = block[static_cast<std::size_t>(cellOffset(table, k, r))];
    return QStringLiteral(" Расход воздуха-") + QString::number(airFlow(k)) +
           QStringLiteral(" мг/такт  УОЗ-") + degreesText(v) + QStringLiteral(" град   Обороты-") +
           QString::number(engineSpeed(r)) + QStringLiteral(" ");
}

QRegion regionBorder(const QRegion& region) {
    const QRegion inner = region.intersected(region.translated(1, 0))
                              .intersected(region.translated(-1, 0))
                              .intersected(region.translated(0, 1))
                              .intersected(region.translated(0, -1));
    return region.subtracted(inner);
}

void paintRibbons(QPainter& painter, const Ribbons& ribbons, bool framed, const QSize& size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(gridColour(), 1));
    for (int x = 12; x <= 312; x += 20)
        painter.drawLine(x, 0, x, size.height() - 1);
    for (int y = 12; y <= 352; y += 20)
        painter.drawLine(0, y, size.width() - 1, y);
    if (!ribbons.empty) {
        for (int r = 0; r < kRows; ++r) {
            const QRegion& region = ribbons.regions[static_cast<std::size_t>(r)];
            for (const QRect& rect : region)
                painter.fillRect(rect, rowColour(r));
            if (framed)
                for (const QRect& rect : regionBorder(region))
                    painter.fillRect(rect, Qt::black);
        }
    }
    painter.restore();
}

} // namespace editor
