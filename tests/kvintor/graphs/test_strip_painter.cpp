// A strip drawn on its own image: the in-place scroll, the segment with its
// mark, the top edge, the title and the drawing position it leaves.
#include "StripPainter.h"

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

} // namespace

TEST(StripPainter, AScrollStepMovesEverythingOneToTheRightAndKeepsColumnZero) {
    StripPainter s = strip();
    // A picture of several segments and marks.
    s.moveTo(0, 3);
    for (int i = 0; i < 6; ++i) {
        s.drawSample(i * 7 % 20, true);
        for (int k = 0; k < 7; ++k)
            s.scrollStep();
    }
    s.drawSample(17, true);
    const QImage before = s.image().copy();
    ASSERT_GT(count(before), 40);
    s.scrollStep();
    for (int y = 0; y < s.height(); ++y) {
        EXPECT_EQ(s.image().pixel(0, y), before.pixel(0, y)) << "column 0 keeps its pixels";
        for (int x = 1; x < s.width(); ++x)
            ASSERT_EQ(s.image().pixel(x, y), before.pixel(x - 1, y)) << x << "," << y;
    }
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
        s.scrollStep();
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
