#pragma once
// "Регулировка карбюратора": a live aid for setting the idle mixture of a
// carburettor engine. Coolant temperature, engine speed and intake vacuum
// are read continuously; a chart shows a horizontal line at the speed and
// a vertical line at the vacuum, pale yellow while the vacuum is in its
// band around 300 mbar. Check1 lets the mechanic hold the ignition advance
// meanwhile. An injection engine is refused.
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QTimer;

namespace kvintor {

class PlotView;
class Program;
class ScaleMarks;

// One line of the chart: a vertical one stands at x1 = x2, a horizontal
// one at y1 = y2, across the whole chart.
class ChartLine : public QWidget {
  public:
    enum class Direction { Vertical, Horizontal };
    static constexpr int kThickness = 2;
    ChartLine(Direction direction, const QString& name, QWidget* chart);
    void moveTo(int position);
    int position() const { return position_; }
    int x1() const { return direction_ == Direction::Vertical ? position_ : 0; }
    int y1() const { return direction_ == Direction::Horizontal ? position_ : 0; }
    void setColour(const QColor& colour);
    QColor colour() const;

  private:
    Direction direction_;
    int position_ = 0;
};

// Where the chart's lines stand for a reading (chart w x h pixels).
int speedLineY(int speedCode, int h);   // speed in 40 rpm steps
int vacuumLineX(int vacuumMbar, int w); // 201 mbar at the left edge
bool vacuumInBand(int x);               // the line turns pale yellow
QColor vacuumColour(int x);

class tfRegCrb : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kChartWidth = 530;
    static constexpr int kChartHeight = 338;
    // Override mask A bit 2: the ignition advance held.
    static constexpr std::uint8_t kIgnitionBit = 0x04;

    tfRegCrb(Program& program, QWidget* parent);

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QLabel* Label6; // coolant temperature
    QLabel* Label7; // speed
    QLabel* Label8; // vacuum
    QCheckBox* Check1;
    PlotView* Picture1;
    ChartLine* Line1; // vacuum
    ChartLine* Line2; // speed
    ScaleMarks* Label1;
    QLabel* Label2;
    QLabel* Label9;
    QLabel* Label11;
    QLabel* Label3;
    QLabel* Label5;
    QTimer* Timer1;

    void tick(); // Timer1
    bool isClosed() const { return closed_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void check1Clicked(bool checked);
    void showFailure();
    void releaseIgnition();
    bool testRunsElsewhere() const;

    Program& p_;
    bool closed_ = false;
};

} // namespace kvintor
