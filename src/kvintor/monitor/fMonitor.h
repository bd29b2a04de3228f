#pragma once
// The link monitor "Монитор линии": the latest 2000 exchanges of the ECU
// link as they went over the wire (time, request frame, the request's name,
// reply bytes, result, round trip), the rate of exchanges and its share of
// the wire's limit, a count per result code since it opened; "Сохранить"
// writes the list as a trace that kline-sim can serve again. It watches the
// link while it is open and talks to the ECU itself never.
#include "MonitorLog.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace kvintor {

class MonitorModel;
class Program;

class fMonitor : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRefreshMs = 250;

    fMonitor(Program& program, QWidget* owner);
    ~fMonitor() override;

    QLabel* rateLabel;
    QLabel* shareLabel;
    std::array<QLabel*, MonitorLog::kResults> countLabels{};
    QTableView* exchangeList;
    QPushButton* saveButton;
    QTimer* refreshTimer;

    const MonitorLog& log() const { return log_; }
    MonitorModel& model() { return *model_; }
    // Brings the list and the figures up to date (the timer does it too).
    void refresh();
    // "Сохранить".
    void save();
    // The monitor's clock (monotonic nanoseconds; tests give their own).
    std::function<qint64()> clock;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void stopWatching();

    Program& p_;
    MonitorLog log_;
    MonitorModel* model_;
    bool watching_ = false;
};

} // namespace kvintor
