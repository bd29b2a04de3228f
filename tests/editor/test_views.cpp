// The ribbon view and the row editor: their geometry as pure functions,
// their drawing on an image, and the main window's views driven by the mouse.
#include "FermelRig.h"
#include "editor/RibbonView.h"
#include "editor/RowEditor.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

using namespace editor;

namespace {

// A block whose cell (k, r) of table t holds base + k + 2r + 10t.
Block rampBlock(int base = 20) {
    Block b{};
    for (int t = 0; t < kTables; ++t)
        for (int k = 0; k < kColumns; ++k)
            for (int r = 0; r < kRows; ++r)
                b[static_cast<std::size_t>(cellOffset(t, k, r))] =
                    static_cast<std::uint8_t>(base + k + 2 * r + 10 * t);
    return b;
}

QColor pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

} // namespace

// ======================================================= ribbon geometry

TEST(RibbonGeometry, CornersForTheInitialSliders) {
    const Block b = rampBlock();
    const RibbonShape shape; // 16, 5, 20, -8
    EXPECT_EQ(ribbonX0(shape.s3), 6);
    const QPolygon row0 = ribbonPolygon(b, 3, 0, shape, 360);
    ASSERT_EQ(row0.size(), 32);
    for (int k = 0; k < kColumns; ++k) {
        const int v = 20 + k + 30;
        EXPECT_EQ(row0[k], QPoint(6 + 20 * k, 355 - v - 5)) << k;
        // The lower edge runs back from column 15, 8 pixels to the right.
        EXPECT_EQ(row0[31 - k], QPoint(14 + 20 * k, 355 - v + 5)) << k;
    }
    EXPECT_EQ(row0[15].x(), 306);
    // Each row stands s0 higher than the one before.
    const QPolygon row2 = ribbonPolygon(b, 3, 2, shape, 360);
    EXPECT_EQ(row2[0], QPoint(6, 355 - 32 - (20 + 4 + 30) - 5));
}

TEST(RibbonGeometry, HitTestsFindTheFirstRowAndUseTheDrawnRegions) {
    const Block b = rampBlock();
    RibbonShape shape;
    Ribbons ribbons = makeRibbons(b, 0, shape, 360);
    // Inside row 0's ribbon under column 3 (upper edge 355-23-5, lower +10).
    EXPECT_EQ(ribbons.rowAt(QPoint(6 + 60 + 4, 355 - 23)), 0);
    EXPECT_EQ(ribbons.rowAt(QPoint(2, 2)), -1);
    EXPECT_EQ(Ribbons().rowAt(QPoint(100, 300)), -1);
    // Thick ribbons close together overlap: the lower row wins.
    shape.s0 = 5;
    shape.s1 = 20;
    ribbons = makeRibbons(b, 0, shape, 360);
    const QPoint p(100, 355 - 25 - 5);
    EXPECT_TRUE(ribbons.regions[1].contains(p));
    EXPECT_EQ(ribbons.rowAt(p), 0);
    // A negative thickness turns the ribbon inside out; winding fill keeps it whole.
    shape = RibbonShape{};
    shape.s1 = -10;
    ribbons = makeRibbons(b, 0, shape, 360);
    EXPECT_EQ(ribbons.rowAt(QPoint(6 + 60 + 4, 355 - 23)), 0);
}

TEST(RibbonGeometry, HoverTexts) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Block b = rampBlock();
    b[static_cast<std::size_t>(cellOffset(1, 3, 0))] = 45;
    RibbonShape shape;
    const Ribbons ribbons = makeRibbons(b, 1, shape, 360);
    EXPECT_EQ(hoverText(ribbons, b, 1, shape, QPoint(70, 355 - 45)),
              QStringLiteral(" Расход воздуха-186 мг/такт  УОЗ-22,5 град   Обороты-440 "));
    EXPECT_EQ(hoverText(ribbons, b, 1, shape, QPoint(3, 3)), QStringLiteral(" График "));
    // Past the last column the text stays as it was.
    shape.s2 = 2;
    const Ribbons narrow = makeRibbons(b, 1, shape, 360);
    const QPoint beyond(40, 355 - 40);
    ASSERT_EQ(narrow.rowAt(beyond), 0);
    EXPECT_EQ(hoverText(narrow, b, 1, shape, beyond), std::nullopt);
    QLocale::setDefault(QLocale::c());
}

TEST(RibbonGeometry, PaintingGridFillsOutlinesAndOrder) {
    const Block b = rampBlock();
    RibbonShape shape;
    QImage image(RibbonView::kWidth, RibbonView::kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        paintRibbons(p, Ribbons(), false, image.size());
    }
    EXPECT_EQ(pixel(image, 12, 0), gridColour());
    EXPECT_EQ(pixel(image, 312, 359), gridColour());
    EXPECT_EQ(pixel(image, 0, 352), gridColour());
    EXPECT_EQ(pixel(image, 13, 13), QColor(Qt::white));

    const Ribbons ribbons = makeRibbons(b, 2, shape, 360);
    {
        QPainter p(&image);
        paintRibbons(p, ribbons, false, image.size());
    }
    for (int r : {0, 5, 15}) {
        const QPolygon& poly = ribbons.polygons[static_cast<std::size_t>(r)];
        // Middle of the ribbon under column 8 (no grid line there).
        const QPoint mid((poly[8].x() + poly[23].x()) / 2 + 1, (poly[8].y() + poly[23].y()) / 2);
        EXPECT_EQ(pixel(image, mid.x(), mid.y()), rowColour(r)) << r;
    }
    // Framed: the border of a ribbon is black, its inside keeps its colour.
    {
        QPainter p(&image);
        paintRibbons(p, ribbons, true, image.size());
    }
    const QRegion border = regionBorder(ribbons.regions[7]);
    ASSERT_FALSE(border.isEmpty());
    for (const QRect& rect : border)
        EXPECT_EQ(pixel(image, rect.left(), rect.top()), QColor(Qt::black));
    const QRegion inside = ribbons.regions[7].subtracted(border);
    const QPolygon& seven = ribbons.polygons[7];
    const QPoint centre((seven[8].x() + seven[23].x()) / 2 + 1, (seven[8].y() + seven[23].y()) / 2);
    ASSERT_TRUE(inside.contains(centre));
    EXPECT_EQ(pixel(image, centre.x(), centre.y()), rowColour(7));

    // Overlapping ribbons: the later row covers the earlier one.
    shape.s0 = 5;
    shape.s1 = 20;
    const Ribbons thick = makeRibbons(b, 2, shape, 360);
    const QPoint both(101, 305);
    int last = -1;
    for (int r = 0; r < kRows; ++r)
        if (thick.regions[static_cast<std::size_t>(r)].contains(both)) last = r;
    ASSERT_EQ(thick.rowAt(both), 0);
    ASSERT_GT(last, 0);
    {
        QPainter p(&image);
        paintRibbons(p, thick, false, image.size());
    }
    EXPECT_EQ(pixel(image, both.x(), both.y()), rowColour(last));
}

// =================================================== row editor geometry

TEST(RowGeometry, MarkersColumnsAndDragLimits) {
    EXPECT_EQ(markerLeft(0), 7);
    EXPECT_EQ(markerLeft(15), 337);
    EXPECT_EQ(markerTop(0), 123);
    EXPECT_EQ(markerTop(120), 3);
    EXPECT_EQ(valueAtTop(3), 120);
    EXPECT_EQ(valueLabelTop(16), 0);
    EXPECT_EQ(valueLabelTop(15), 23);
    EXPECT_EQ(columnAt(6), -1);
    EXPECT_EQ(columnAt(7), 0);
    EXPECT_EQ(columnAt(11), 0);
    EXPECT_EQ(columnAt(12), -1);
    EXPECT_EQ(columnAt(29), 1);
    EXPECT_EQ(columnAt(341), 15);
    EXPECT_EQ(columnAt(342), -1);
    EXPECT_TRUE(dragAccepted(3, 0));
    EXPECT_FALSE(dragAccepted(2, 0));
    EXPECT_TRUE(dragAccepted(123, 4));
    EXPECT_FALSE(dragAccepted(124, 2));
    EXPECT_FALSE(dragAccepted(50, -1));
    EXPECT_FALSE(dragAccepted(50, 5));
}

TEST(RowGeometry, BackgroundLines) {
    QImage image(kEditorWidth, kEditorHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintRowBackground(p);
    p.end();
    for (int x : {9, 31, 339})
        EXPECT_EQ(pixel(image, x, 60), gridColour()) << x;
    for (int y : {5, 15, 125})
        EXPECT_EQ(pixel(image, 100, y), gridColour()) << y;
    EXPECT_EQ(pixel(image, 10, 60), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 100, 126), QColor(Qt::white));
}

// ================================================ the views in the window

namespace {

struct Views : ::testing::Test {
    FermelRig rig;
    QByteArray image = sim::Ecu::defaultImage(4);
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        rig.open(rig.writeFile(QStringLiteral("a.bin"), image));
        ASSERT_TRUE(rig.dialogs.messages.empty());
    }
    fRedact& w() { return rig.w(); }
    int cell(int t, int k, int r) {
        return w().document.working[static_cast<std::size_t>(cellOffset(t, k, r))];
    }
    // A point well inside row r's ribbon under column k.
    QPoint inside(int r, int k) {
        const QPolygon& p = w().Picture3->ribbons().polygons[static_cast<std::size_t>(r)];
        return QPoint(p[k].x() + 2, p[k].y() + w().Slider1[1]->value());
    }
};

} // namespace

TEST_F(Views, ClickingARibbonSelectsItsRow) {
    const QPoint p = inside(6, 4);
    ASSERT_EQ(w().Picture3->ribbons().rowAt(p), 6);
    w().Picture3->clickAt(p, Qt::RightButton);
    EXPECT_EQ(w().selectedRow(), 0) << "the right button does nothing";
    w().Picture3->clickAt(p, Qt::LeftButton);
    EXPECT_EQ(w().selectedRow(), 6);
    EXPECT_EQ(w().Label5->text(), QStringLiteral("1600"));
    EXPECT_EQ(w().Shape3->palette().color(QPalette::Window), QColor(128, 128, 0));
    for (int k = 0; k < kColumns; ++k) {
        QFrame* m = w().Picture1->Shape1[static_cast<std::size_t>(k)];
        EXPECT_FALSE(m->isHidden());
        EXPECT_EQ(m->geometry(), QRect(7 + 22 * k, 123 - cell(3, k, 6), 5, 5)) << k;
        EXPECT_EQ(m->palette().color(QPalette::Window), QColor(128, 128, 0));
        EXPECT_EQ(w().Picture1->Label3[static_cast<std::size_t>(k)]->text(),
                  degreesText(cell(3, k, 6)));
    }
    // Off the ribbons nothing changes.
    w().Picture3->clickAt(QPoint(1, 1), Qt::LeftButton);
    EXPECT_EQ(w().selectedRow(), 6);
}

TEST_F(Views, RowEditorSegmentsAndLabels) {
    const RowEditor& e = *w().Picture1;
    for (int k = 1; k <= 15; ++k) {
        const auto& s = e.Line1[static_cast<std::size_t>(k)];
        EXPECT_TRUE(s.visible) << k;
        EXPECT_EQ(s.line.p1(), QPoint(9 + 22 * (k - 1), 125 - cell(3, k - 1, 0))) << k;
        EXPECT_EQ(s.line.p2(), QPoint(9 + 22 * k, 125 - cell(3, k, 0))) << k;
    }
    EXPECT_FALSE(e.Line1[16].visible);
    const int top = 123 - cell(3, 0, 0);
    EXPECT_EQ(e.Label3[0]->y(), top > 15 ? top - 16 : 23);
}

TEST_F(Views, DraggingAMarkerWritesTheWorkingBlockAtEveryStep) {
    // Cell (1, 0) of table 3 is block byte 784.
    const int v = cell(3, 1, 0);
    const int top = 123 - v;
    const Block ribbonsBefore = w().document.working;
    const QPolygon before = w().Picture3->ribbons().polygons[0];
    w().Picture1->pressAt(QPoint(30, top + 2));
    EXPECT_EQ(w().Label7->text(), QStringLiteral("102"));
    EXPECT_EQ(w().Picture1->grabOffset(), 2);
    w().Picture1->dragTo(QPoint(30, top + 2 - 10));
    EXPECT_EQ(w().document.working[784], v + 10);
    w().Picture1->dragTo(QPoint(30, top + 2 - 15));
    EXPECT_EQ(w().document.working[784], v + 15);
    EXPECT_EQ(w().Picture1->markerTopOf(1), top - 15);
    EXPECT_EQ(w().Picture1->Line1[1].line.p2().y(), top - 15 + 2);
    EXPECT_EQ(w().Picture1->Line1[2].line.p1().y(), top - 15 + 2);
    EXPECT_EQ(w().Picture1->Label3[1]->text(), degreesText(v + 15));
    // Nothing else in the block changed; the ribbons follow on release.
    Block expected = ribbonsBefore;
    expected[784] = static_cast<std::uint8_t>(v + 15);
    EXPECT_EQ(w().document.working, expected);
    EXPECT_EQ(w().Picture3->ribbons().polygons[0], before);
    w().Picture1->releaseAt(Qt::RightButton);
    EXPECT_EQ(w().Picture3->ribbons().polygons[0], before);
    w().Picture1->releaseAt(Qt::LeftButton);
    EXPECT_EQ(w().Picture3->ribbons().polygons[0][1].y(), before[1].y() - 15);
    // The change list shows it, and dragging back removes it.
    EXPECT_EQ(w().document.changeList(), (std::vector<Change>{{784, v, v + 15}}));
    w().Picture1->dragTo(QPoint(30, top + 2));
    EXPECT_TRUE(w().document.changeList().empty());
}

TEST_F(Views, DragLimitsAndPressesBetweenMarkers) {
    const int v = cell(3, 2, 0);
    const int top = 123 - v;
    w().Picture1->pressAt(QPoint(51, top));
    // Above the top limit: ignored, the last accepted value stays.
    w().Picture1->dragTo(QPoint(51, 3));
    EXPECT_EQ(cell(3, 2, 0), 120);
    w().Picture1->dragTo(QPoint(51, 2));
    w().Picture1->dragTo(QPoint(51, -40));
    EXPECT_EQ(cell(3, 2, 0), 120) << "no value above 120 by dragging";
    w().Picture1->dragTo(QPoint(51, 123));
    EXPECT_EQ(cell(3, 2, 0), 0);
    w().Picture1->dragTo(QPoint(51, 124));
    EXPECT_EQ(w().Picture1->markerTopOf(2), 123) << "below the bottom: ignored";
    // A press between two markers grabs nothing: the drag changes nothing.
    const Block before = w().document.working;
    w().Picture1->pressAt(QPoint(20, 60));
    EXPECT_EQ(w().Label7->text(), QStringLiteral("Не выбран"));
    EXPECT_EQ(w().Picture1->grabbedColumn(), 15);
    EXPECT_EQ(w().Picture1->grabOffset(), -1);
    w().Picture1->dragTo(QPoint(20, 50));
    w().Picture1->dragTo(QPoint(341, 50));
    EXPECT_EQ(w().document.working, before);
    // A press in a marker's column but off the marker: no drag either.
    w().Picture1->pressAt(QPoint(30, 0));
    EXPECT_EQ(w().Label7->text(), QStringLiteral("102"));
    w().Picture1->dragTo(QPoint(30, 60));
    EXPECT_EQ(w().document.working, before);
}

TEST_F(Views, LoadedValuesAboveTheScaleAreDrawnAboveTheTop) {
    w().document.working[static_cast<std::size_t>(cellOffset(3, 4, 0))] = 200;
    w().redisplay();
    EXPECT_EQ(w().Picture1->markerTopOf(4), -77);
    EXPECT_EQ(w().Picture1->Label3[4]->y(), 23);
    EXPECT_EQ(w().Picture1->Label3[4]->text(), QStringLiteral("100"));
}

TEST_F(Views, OverlaidTablesPaintOverTheOldRibbons) {
    // Table 0 alone, then table 3 alone.
    w().Option1[0]->click();
    const QImage table0 = w().Picture3->canvas();
    w().Option1[3]->click();
    const QImage table3 = w().Picture3->canvas();
    ASSERT_NE(table0, table3);
    w().Check3->setChecked(true);
    EXPECT_EQ(w().Picture3->canvas(), table3) << "checking does nothing at once";
    w().Option1[0]->click();
    const QImage both = w().Picture3->canvas();
    int fromTable3 = 0;
    for (int y = 0; y < both.height(); ++y)
        for (int x = 0; x < both.width(); ++x) {
            if (both.pixel(x, y) != table0.pixel(x, y)) {
                // Where table 0 has no ribbon, table 3's still shows.
                EXPECT_EQ(both.pixel(x, y), table3.pixel(x, y));
                ++fromTable3;
            }
        }
    EXPECT_GT(fromTable3, 100);
    // Unchecking redraws the checked table on a cleared view.
    w().Check3->setChecked(false);
    EXPECT_EQ(w().currentTable(), 0);
    EXPECT_EQ(w().Picture3->canvas(), table0);
}

TEST_F(Views, TableChoiceSlidersAndFrame) {
    w().Option1[1]->click();
    EXPECT_EQ(w().currentTable(), 1);
    // The row editor follows the table, row 0 included.
    EXPECT_EQ(w().Picture1->markerTopOf(0), 123 - cell(1, 0, 0));
    EXPECT_EQ(w().Picture3->ribbons().polygons[0],
              ribbonPolygon(w().document.working, 1, 0, RibbonShape{}, 360));
    w().Slider1[3]->setValue(20);
    w().Slider1[2]->setValue(10);
    w().Slider1[0]->setValue(30);
    w().Slider1[1]->setValue(-3);
    const RibbonShape s{30, -3, 10, 20};
    for (int r : {0, 9})
        EXPECT_EQ(w().Picture3->ribbons().polygons[static_cast<std::size_t>(r)],
                  ribbonPolygon(w().document.working, 1, r, s, 360));
    EXPECT_EQ(w().Shape3->frameShape(), QFrame::NoFrame);
    w().Check1->setChecked(true);
    EXPECT_EQ(w().Shape3->frameShape(), QFrame::Box);
    const QRegion border =
        regionBorder(w().Picture3->ribbons().regions[1]).intersected(w().Picture3->canvas().rect());
    ASSERT_FALSE(border.isEmpty());
    const QPoint corner = border.begin()->topLeft();
    EXPECT_EQ(QColor(w().Picture3->canvas().pixel(corner)), QColor(Qt::black));
    w().Check1->setChecked(false);
    EXPECT_EQ(QColor(w().Picture3->canvas().pixel(corner)), rowColour(1));
}

TEST_F(Views, HoverTextFollowsTheMouse) {
    QLocale::setDefault(QLocale::c());
    const QPoint p = inside(0, 5);
    w().Picture3->hoverAt(p);
    const int v = cell(3, p.x() / 20, 0);
    EXPECT_EQ(w().Picture3->toolTip(), QStringLiteral(" Расход воздуха-") +
                                           QString::number(airFlow(p.x() / 20)) +
                                           QStringLiteral(" мг/такт  УОЗ-") + degreesText(v) +
                                           QStringLiteral(" град   Обороты-440 "));
    w().Picture3->hoverAt(QPoint(1, 1));
    EXPECT_EQ(w().Picture3->toolTip(), QStringLiteral(" График "));
}
