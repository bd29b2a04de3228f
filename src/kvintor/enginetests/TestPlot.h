#pragma once
// The speed-against-time plot of the engine test windows: a painter on a
// persistent image (grid, pen, trace lines) with the mappings from ECU
// speed readings to heights, the widget that shows the image (Picture1)
// and the scale marks beside and under it (Label1, Label2). No link here.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <vector>

class QLabel;

namespace kvintor {

// Grid columns are one sample wide, rows about 500 rpm (or 150 rpm) high.
constexpr int kPlotColumn = 29;
constexpr int kPlotRow = 26;
// Full scale of the 40 rpm speed code: 163 x 40 = 6520 rpm at the top edge.
constexpr int kFullScaleCode = 163;
// Full scale of the 10 rpm speed byte: 255 x 10 = 2550 rpm.
constexpr int kFullScaleByte = 255;

// Trace colours: the engine is fuelled (yellow), or the ECU has cut the
// fuel (pale).
inline QColor traceColour() {
    return QColor(255, 255, 50);
}
inline QColor noFuelColour() {
    return QColor(192, 255, 255);
}
// The plot's background, dark enough for both trace colours and light
// enough for the black grid.
inline QColor plotBackground() {
    return QColor(0, 104, 139);
}

// Height on a plot of height h for a speed code (40 rpm steps): the code is
// capped at full scale, so a faster engine runs along the top edge.
int speedCodeY(int code, int h);
// Height for a speed byte (10 rpm steps, full scale 255).
int speedByteY(int speedByte, int h);

// Where the scale marks stand: vertical mark i of n (top to bottom) at the
// grid row n-1-i counted up from the bottom edge; horizontal mark i at the
// column line firstX + 29 i.
int verticalMarkY(int i, int n, int h);
int horizontalMarkX(int i, int firstX);

// The scale texts of the three plots, exactly as the windows show them.
QStringList accelerationSpeedMarks(); // "6000" .. "500", "0"
QStringList idleSpeedMarks();         // "2500" .. "100", "0"
// Seconds "0,1" .. of `count` columns `step` tenths apart.
QStringList secondMarks(int count, int stepTenths);

// The persistent picture: what the window draws stays until the next grid.
class PlotCanvas {
  public:
    explicit PlotCanvas(QSize size);

    const QImage& image() const { return image_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    // Clears the picture and draws the grid: black lines of width 1, columns
    // at x = 29, 58, .. while x <= W, rows at y = H, H - 26, .. while y >= 0.
    // The pen goes back to x = 0.
    void drawGrid();
    void moveTo(int x, int y) { pen_ = QPoint(x, y); }
    // A trace line of width 2 from the pen; the pen ends at (x, y).
    void lineTo(int x, int y, const QColor& colour);
    QPoint pen() const { return pen_; }
    // Trace lines drawn since the last grid (for a window's own checks).
    const std::vector<QPoint>& points() const { return points_; }

  private:
    QImage image_;
    QPoint pen_;
    std::vector<QPoint> points_;
};

// Picture1: shows the canvas, redrawn on request.
class PlotView : public QWidget {
  public:
    PlotView(QSize size, QWidget* parent);
    PlotCanvas& canvas() { return canvas_; }
    const PlotCanvas& canvas() const { return canvas_; }
    // Shows what has been drawn at once (the test loops run without the
    // event loop between samples).
    void refresh();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PlotCanvas canvas_;
};

// A scale beside or under the plot: one label per mark, each centred on
// its grid line; the marks are found by their texts.
class ScaleMarks : public QWidget {
  public:
    enum class Axis { Vertical, Horizontal };
    // For a vertical scale `length` is the plot's height and the marks are
    // right-aligned at the widget's right edge; for a horizontal one it is
    // the plot's width, with the first mark at firstX.
    ScaleMarks(Axis axis, const QStringList& marks, int length, int firstX, QWidget* parent);
    QStringList marks() const;
    const std::vector<QLabel*>& labels() const { return labels_; }
    // Moves the scale beside (vertical) or under (horizontal) the plot.
    void placeBy(const QWidget* plot);

  private:
    Axis axis_;
    std::vector<QLabel*> labels_;
};

} // namespace kvintor
