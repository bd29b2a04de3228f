#pragma once
// The link monitor "Монитор линии": the exchanges the program keeps from its
// start (the latest 20 000 of the ECU link as they went over the wire: time,
// request frame, the request's name, reply bytes, result, round trip), the
// rate of exchanges and its share of the wire's limit, a count per result
// code since the start; "Сохранить" writes the list as a trace that
// kline-sim can serve again, identification included. It only shows what
// the program keeps, opened or not, and talks to the ECU itself never.
#include "link/ExchangeLog.h"

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

    QLabel* rateLabel;
    QLabel* shareLabel;
    std::array<QLabel*, kline::ExchangeLog::kResults> countLabels{};
    QTableView* exchangeList;
    QPushButton* saveButton;
    QTimer* refreshTimer;

    const kline::ExchangeLog& log() const;
    MonitorModel& model() { return *model_; }
    // Brings the list and the figures up to date (the timer does it too).
    void refresh();
    // "Сохранить".
    void save();
    // The monitor's clock (monotonic nanoseconds; tests give their own).
    std::function<qint64()> clock;

  signals:
    // The trace was saved in this file.
    void saved(const QString& path);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Program& p_;
    MonitorModel* model_;
};

} // namespace kvintor
