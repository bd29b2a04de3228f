#pragma once
// The ribbon view of a table: one coloured ribbon per engine-speed row,
// stacked upwards, each ribbon's upper edge following the row's sixteen
// values. Pure geometry and painting; the same regions serve drawing and
// hit testing.
#include "FirmwareImage.h"

#include <QPolygon>
#include <QRegion>
#include <QSize>
#include <optional>

class QPainter;

namespace editor {

// The four sliders that shape the view.
struct RibbonShape {
    int s0 = 16; // vertical step from one row's ribbon to the next (5..30)
    int s1 = 5;  // half the ribbon's thickness (-20..20)
    int s2 = 20; // horizontal step from one column to the next (2..20)
    int s3 = -8; // shift of the lower edge against the upper edge (-45..45)
};
struct SliderRange {
    int min, max, initial;
};
constexpr SliderRange kSliderRanges[4] = {{5, 30, 16}, {-20, 20, 5}, {2, 20, 20}, {-45, 45, -8}};

// Rounds half to even, as the view's integer geometry does throughout.
int roundHalfEven(double x);
// x of the first column's upper corner: s3 / 2 + 10, rounded.
int ribbonX0(int s3);

// The 32 corners of row r's ribbon in a view of the given height: the upper
// edge from column 0 to 15, then the lower edge from column 15 back to 0.
QPolygon ribbonPolygon(const Block& block, int table, int row, const RibbonShape& shape,
                       int height);

struct Ribbons {
    std::array<QPolygon, kRows> polygons;
    std::array<QRegion, kRows> regions; // winding fill
    bool empty = true;
    // The first row (0 upwards) whose ribbon holds the point; -1 for none.
    int rowAt(const QPoint& p) const;
};
Ribbons makeRibbons(const Block& block, int table, const RibbonShape& shape, int height);

// The view's hover text at a point: the cell under it, " График " off the
// ribbons, nothing (the text stays) past the last column.
std::optional<QString> hoverText(const Ribbons& ribbons, const Block& block, int table,
                                 const RibbonShape& shape, const QPoint& p);

// Grey grid lines, then every ribbon filled in its row's colour (later rows
// over earlier ones), with a black outline of one pixel when framed.
void paintRibbons(QPainter& painter, const Ribbons& ribbons, bool framed, const QSize& size);
// The pixels of a region's own border (what an outline of one pixel covers).
QRegion regionBorder(const QRegion& region);

} // namespace editor
