#pragma once
// One strip of the graph window as a persistent image: scrolled right in
// place one pixel at a time, the newest sample drawn at its left edge, the
// title printed into it. The drawing position is the strip's only memory of
// where the last segment ended. No widgets and no link here.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

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

    // Copies columns 0 .. W-2 one pixel to the right onto themselves;
    // column 0 keeps its pixels.
    void scrollStep();
    // The newest sample, h pixels above the bottom edge (at most the
    // strip's height): a segment from the previous sample, now at x = 9, to
    // x = 1; with marks, a small box around the previous sample first.
    void drawSample(int h, bool marks);

    const QImage& image() const { return image_; }

  private:
    QImage image_;
    QColor background_;
    QColor foreground_;
    QFont font_;
    double x_ = 0;
    double y_ = 0;
};

} // namespace kvintor
