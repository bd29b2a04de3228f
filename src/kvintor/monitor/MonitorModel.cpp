#include "MonitorModel.h"

#include "RequestNames.h"
#include "link/Trace.h"

#include <QLocale>

namespace kvintor {

MonitorModel::MonitorModel(const kline::ExchangeLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log) {}

bool MonitorModel::refresh() {
    const long added = log_.total() - shownTotal_;
    if (added <= 0) return false;
    shownTotal_ = log_.total();
    const auto& entries = log_.entries();
    const auto fresh = static_cast<std::size_t>(std::min<long>(added, static_cast<long>(entries.size())));
    const std::size_t keep = std::min(rows_.size(), kline::ExchangeLog::kCapacity - fresh);
    if (rows_.size() > keep) {
        const int gone = static_cast<int>(rows_.size() - keep);
        beginRemoveRows({}, 0, gone - 1);
        rows_.erase(rows_.begin(), rows_.begin() + gone);
        endRemoveRows();
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(fresh) - 1);
    for (std::size_t i = entries.size() - fresh; i < entries.size(); ++i) rows_.push_back(entries[i]);
    endInsertRows();
    return true;
}

int MonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MonitorModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns; }

QString MonitorModel::text(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return QString();
    const kline::LoggedExchange& e = rows_[static_cast<std::size_t>(row)];
    switch (column) {
    case Time:
        return e.exchange.time.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case Request: return kline::trace::hex(e.exchange.frame);
    case Name: return requestName(e.request);
    case Reply: return kline::trace::hex(e.exchange.reply);
    case Code: return QString::number(e.exchange.result);
    case Result: return resultText(e.exchange.result);
    case Ms: return QLocale().toString(e.exchange.ms, 'f', 1);
    default: return QString();
    }
}

QVariant MonitorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Code || index.column() == Ms))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant MonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[Columns] = {"Время", "Запрос", "Название", "Ответ", "Код", "Результат", "мс"};
    return section >= 0 && section < Columns ? QString::fromUtf8(titles[section]) : QString();
}

} // namespace kvintor
