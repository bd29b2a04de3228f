// A strip drawn on its own image: the in-place scroll, the segment with its
// mark, the top edge, the title and the drawing position it leaves.
#include "StripPainter.h"

#include "GraphChannels.h"
#include "PlainStrip.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using kvintor::StripPainter;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

StripPainter strip(int w = 40, int h = 20) {
    StripPainter s;
    s.setColours(Qt::white, Qt::black);
    s.resize(QSize(w, h));
    return s;
}

// The set pixels of a column, top to bottom.
std::vector<int> column(const QImage& image, int x) {
    std::vector<int> ys;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) == kBlack) ys.push_back(y);
    return ys;
}

int count(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == kBlack;
    return n;
}

// Whether every pixel in which two images differ lies in the region.
bool differOnlyIn(const QImage& a, const QImage& b, const QRegion& region) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && !region.contains(QPoint(x, y))) return false;
    return true;
}

} // namespace

// Many samples, steps one by one or eight at once, with and without marks
// and title, both schemes: the picture is the one of copying every column,
// and every pixel that changed lies where the painter says.
TEST(StripPainter, ThePictureIsThatOfCopyingEveryColumn) {
    struct Case {
        int w, h;
        bool marks, title, eightAtOnce, whiteOnBlack;
        unsigned seed;
    };
    const Case cases[] = {
        {120, 40, true, true, false, false, 1},  {120, 40, false, false, true, true, 2},
        {97, 31, true, false, true, false, 3},   {200, 60, true, true, true, true, 4},
        {30, 12, true, false, false, true, 5},   {9, 9, true, false, true, false, 6},
        {300, 50, false, true, false, false, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " seed " << c.seed);
        const QColor back = c.whiteOnBlack ? Qt::black : Qt::white;
        const QColor fore = c.whiteOnBlack ? Qt::white : Qt::black;
        StripPainter s;
        s.setColours(back, fore);
        s.resize(QSize(c.w, c.h));
        s.moveTo(10, c.h / 3.0);
        if (c.title) {
            QFont f;
            f.setPixelSize(std::max(c.h / 4, 6));
            s.setFont(f);
            s.print(QStringLiteral("Обороты в минуту"));
        }
        PlainStrip plain{s.image().copy(), s.currentY()};
        QImage cleared(s.size(), QImage::Format_RGB32);
        cleared.fill(back);
        unsigned r = c.seed;
        for (int i = 0; i < 3 * c.w / 8 + 4; ++i) {
            r = r * 1103515245u + 12345u;
            // Mostly small moves, now and then a jump or a value over the top.
            const int last = c.h - static_cast<int>(plain.y);
            int h = (r >> 16) % 8 == 0
                        ? static_cast<int>((r >> 8) % (c.h + 10))
                        : std::clamp(last + static_cast<int>((r >> 12) % 7) - 3, 0, c.h);
            const QImage before = s.image().copy();
            QRegion said;
            if (c.eightAtOnce) {
                said = s.scroll(kvintor::kScrollSteps);
                for (int k = 0; k < kvintor::kScrollSteps; ++k)
                    plain.step();
            } else {
                for (int k = 0; k < kvintor::kScrollSteps; ++k) {
                    const QImage stepBefore = s.image().copy();
                    const QRegion step = s.scroll(1);
                    plain.step();
                    ASSERT_EQ(s.image(), plain.image) << "sample " << i << " step " << k;
                    ASSERT_TRUE(differOnlyIn(stepBefore, s.image(), step));
                    said += step;
                }
            }
            said += s.drawSample(h, c.marks);
            plain.sample(h, c.marks, fore);
            ASSERT_EQ(s.image(), plain.image) << "sample " << i;
            ASSERT_EQ(s.currentY(), plain.y);
            ASSERT_TRUE(differOnlyIn(before, s.image(), said)) << "sample " << i;
            ASSERT_TRUE(differOnlyIn(cleared, s.image(), s.ink())) << "sample " << i;
        }
    }
}

// A flat curve moves a band a few pixels high, whatever the strip's size.
TEST(StripPainter, OnlyWhatWasDrawnMoves) {
    StripPainter s = strip(800, 150);
    s.moveTo(0, 140);
    for (int i = 0; i < 200; ++i) {
        s.scroll(kvintor::kScrollSteps);
        s.drawSample(10 + i % 2, true);
    }
    const QRegion moved = s.scroll(1);
    long area = 0;
    for (const QRect& r : moved)
        area += static_cast<long>(r.width()) * r.height();
    EXPECT_GT(area, 0);
    EXPECT_LT(area, 800L * 8) << "a band of the curve's rows, not the strip";
    EXPECT_TRUE(moved.boundingRect().top() >= 150 - 11 - 3);
    s.clear();
    EXPECT_TRUE(s.scroll(1).isEmpty()) << "a cleared strip has nothing to move";
}

TEST(StripPainter, SampleSegmentFromTheDrawingPositionWithItsMark) {
    StripPainter s = strip();
    s.moveTo(0, 5);
    s.drawSample(12, true); // ends at y = 20 - 12 = 8
    EXPECT_EQ(s.currentY(), 8);
    const QImage& im = s.image();
    // The mark: the outline of x 8..10, y 4..6 around the previous point.
    for (int x = 8; x <= 10; ++x) {
        EXPECT_EQ(im.pixel(x, 4), kBlack) << x;
        EXPECT_EQ(im.pixel(x, 6), kBlack) << x;
    }
    EXPECT_EQ(im.pixel(8, 5), kBlack);
    EXPECT_EQ(im.pixel(10, 5), kBlack);
    EXPECT_EQ(im.pixel(11, 5), kWhite);
    EXPECT_EQ(im.pixel(7, 4), kWhite);
    // The segment from (9, 5) to (1, 8).
    EXPECT_EQ(column(im, 1), std::vector<int>{8});
    EXPECT_EQ(im.pixel(9, 5), kBlack);
    EXPECT_EQ(column(im, 0), std::vector<int>{}) << "nothing left of x = 1";
    EXPECT_EQ(column(im, 12), std::vector<int>{});

    StripPainter plain = strip();
    plain.moveTo(0, 5);
    plain.drawSample(12, false);
    EXPECT_EQ(plain.image().pixel(8, 4), kWhite) << "no mark without marks";
    EXPECT_EQ(count(im) - count(plain.image()), 7)
        << "the box's eight pixels, (8, 5) shared with the segment";
}

TEST(StripPainter, AboveFullScaleStaysAtTheTopEdge) {
    StripPainter s = strip();
    s.moveTo(0, 10);
    s.drawSample(500, false);
    EXPECT_EQ(s.currentY(), 0);
    EXPECT_EQ(column(s.image(), 1), std::vector<int>{0});
}

TEST(StripPainter, EightStepsCarryTheLastPointToTheNextSegmentsStart) {
    StripPainter s = strip();
    s.moveTo(0, 15);
    s.drawSample(10, false); // (9,15) -> (1,10)
    for (int i = 0; i < 8; ++i)
        s.scroll(1);
    s.drawSample(18, false); // from (9,10) -> (1,2)
    EXPECT_EQ(column(s.image(), 9), std::vector<int>{10}) << "the two segments meet";
    EXPECT_EQ(column(s.image(), 17), std::vector<int>{15});
    EXPECT_EQ(column(s.image(), 1), std::vector<int>{2});
}

TEST(StripPainter, TitleIsPrintedAtTheDrawingPositionWhichThenMovesALineDown) {
    StripPainter s = strip(400, 90);
    QFont f;
    f.setPointSize(12);
    s.setFont(f);
    s.moveTo(10, 30);
    s.print(QStringLiteral("Обороты в минуту"));
    const int line = QFontMetrics(f, &s.image()).height();
    EXPECT_EQ(s.currentX(), 0);
    EXPECT_EQ(s.currentY(), 30 + line);
    int left = 400, top = 90, bottom = -1;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 400; ++x)
            if (s.image().pixel(x, y) != kWhite) {
                left = std::min(left, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(left, 10);
    EXPECT_LE(left, 12);
    EXPECT_GE(top, 30);
    EXPECT_LT(bottom, 30 + line);
    s.clear();
    EXPECT_EQ(count(s.image()), 0);
    EXPECT_EQ(s.currentY(), 0);
}
