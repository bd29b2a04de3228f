#pragma once
// The live panel of the engine test windows: two frames, coolant
// temperature and idle speed, each with a value and a bar, refreshed by the
// window's Timer1 while no test runs. One widget for every test window; a
// window describes its two rows (names, captions, the bar's scale) and the
// panel reads them in that order with one request.
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QGroupBox;
class QLabel;
class QTimer;

namespace kvintor {

class Program;

// Variables the panel shows.
constexpr std::uint8_t kVarCoolant = 0x1A;   // coolant temperature + 40 degrees
constexpr std::uint8_t kVarIdleSpeed = 0x2C; // engine speed / 10 rpm

struct LiveRow {
    std::uint8_t variable; // kVarCoolant or kVarIdleSpeed
    QString frameName;     // e.g. "Frame1"
    QString caption;
    QString valueName; // e.g. "Label3"
    QString barName;   // e.g. "Label6(0)"
    int barDivisor;    // bar = value x 128 / divisor
    bool roundBar;     // rounded half to even, else the whole part
    QString valueTip;  // tool tip of the value, if any
};

// The two rows of the acceleration, idle acceleration and coast-down
// windows; the captions are the windows' own.
LiveRow coolantRow(const QString& caption, const QString& barName);
LiveRow idleSpeedRow(const QString& barName);

// What a row shows for the byte v the ECU sent.
QString liveText(const LiveRow& row, int v);
int liveBar(const LiveRow& row, int v); // 0..255

class TestLivePanel : public QWidget {
  public:
    // Frame i of the panel shows row i; row i's variable is element i of
    // the request. The panel owns the window's Timer1 (1 ms, stopped).
    TestLivePanel(Program& program, const std::array<LiveRow, 2>& rows, QWidget* window);

    QTimer* timer() const { return timer_; }
    QGroupBox* frame(int i) const { return frames_[static_cast<std::size_t>(i)]; }
    QLabel* value(int i) const { return values_[static_cast<std::size_t>(i)]; }
    QLabel* bar(int i) const { return bars_[static_cast<std::size_t>(i)]; }

    // Reads both values (0x61, row 0's variable, row 1's variable) and shows
    // them, or greys the bars and blanks the values when the read fails.
    bool poll();
    // Shows elements 0 and 1 of a reply that carries the rows' variables in
    // the panel's order (the test windows' own samples do).
    void show(const std::vector<int>& elements);
    void showFailure();

    // False while the line belongs to someone else (another window's test
    // run): the tick then reads nothing and leaves the panel as it is.
    std::function<bool()> mayTick;
    // Runs after a tick whose read failed (a window's own failure form).
    std::function<void()> afterFailure;

    // One Timer1 tick: the read, and the pace of the next tick (no faster
    // than 15 ms after a failed one, so a dead line does not spin).
    void tick();

    static constexpr int kFrameWidth = 340;
    static constexpr int kFrameHeight = 52;

  private:
    Program& p_;
    std::array<LiveRow, 2> rows_;
    std::array<QGroupBox*, 2> frames_{};
    std::array<QLabel*, 2> values_{};
    std::array<QLabel*, 2> bars_{};
    QTimer* timer_;
};

} // namespace kvintor
