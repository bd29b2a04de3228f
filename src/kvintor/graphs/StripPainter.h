#pragma once
// One strip of the graph window as a persistent image: scrolled right in
// place one pixel at a time, the newest sample drawn at its left edge, the
// title printed into it. The drawing position is the strip's only memory of
// where the last segment ended. No widgets and no link here.
//
// The strip knows where it has drawn since it was last cleared (its ink, a
// few rectangles that cover every pixel drawn); everywhere else it is the
// one colour it was cleared to. A scroll moves only the ink and the columns
// it moves into, and answers them, so that the screen repaints only what
// moved: the picture is the same as if every column had been copied.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>
#include <vector>

namespace kvintor {

class StripPainter {
  public:
    StripPainter();

    // A new image of that size, cleared; the drawing position at (0, 0).
    void resize(const QSize& size);
    QSize size() const { return image_.size(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    void setColours(const QColor& background, const QColor& foreground);
    QColor background() const { return background_; }
    QColor foreground() const { return foreground_; }
    void setFont(const QFont& font) { font_ = font; }
    const QFont& font() const { return font_; }

    // Fills the strip with the background colour; drawing position (0, 0).
    void clear();
    void moveTo(double x, double y);
    double currentX() const { return x_; }
    double currentY() const { return y_; }
    // Prints a line of text in the foreground colour with its top at the
    // drawing position; the position then moves to the start of the next
    // line (x 0, y one text line lower).
    void print(const QString& text);

    // `steps` one-pixel steps, each a copy of columns 0 .. W-2 one pixel to
    // the right onto themselves (column 0 keeps its pixels, so the columns
    // it leaves behind take them), done at once. Answers the pixels that
    // may have changed.
    QRegion scroll(int steps = 1);
    // The newest sample, h pixels above the bottom edge (at most the
    // strip's height): a segment from the previous sample, now at x = 9, to
    // x = 1; with marks, a small box around the previous sample first.
    // Answers the pixels it may have drawn.
    QRect drawSample(int h, bool marks);

    // Where the strip may differ from the colour it was cleared to.
    QRegion ink() const;

    const QImage& image() const { return image_; }

  private:
    // Takes in a rectangle just drawn; a sample's joins the newest ink
    // rectangle while together they stay narrow.
    void addInk(const QRect& drawn, bool join);

    QImage image_;
    QColor background_;
    QColor foreground_;
    QFont font_;
    double x_ = 0;
    double y_ = 0;
    QRgb cleared_ = 0;         // the pixel everywhere outside the ink
    std::vector<QRect> ink_;   // oldest first
    bool newestJoins_ = false; // the newest rectangle is a sample's
};

} // namespace kvintor
