#pragma once
// The link monitor's list: the exchanges of the program's log as table rows,
// brought up to date by refresh() (new rows at the end, the oldest dropped
// at the front, so a list scrolled back stays where it is).
#include "link/ExchangeLog.h"

#include <QAbstractTableModel>

namespace kvintor {

class MonitorModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Time, Request, Name, Reply, Code, Result, Ms, Columns };

    MonitorModel(const kline::ExchangeLog& log, QObject* parent);
    // True when rows came or went.
    bool refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A row's texts, as the list shows them.
    QString text(int row, int column) const;

  private:
    const kline::ExchangeLog& log_;
    std::deque<kline::LoggedExchange> rows_; // copies: the log drops its old ones at any exchange
    long shownTotal_ = 0;
};

} // namespace kvintor
