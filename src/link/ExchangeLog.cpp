#include "ExchangeLog.h"

#include <cmath>

namespace kline {

void ExchangeLog::add(const ExchangeSeen& seen, const QDateTime& now) {
    LoggedExchange e;
    const qint64 tookNs = seen.endNs - seen.startNs;
    // Local time costs microseconds at every exchange; it is worked out
    // only when the exchanges are shown or saved.
    e.exchange.time =
        QDateTime::fromMSecsSinceEpoch(now.toMSecsSinceEpoch() - tookNs / 1'000'000, Qt::UTC);
    e.exchange.frame = seen.frame;
    e.exchange.reply = seen.reply;
    e.exchange.result = seen.result;
    // Microseconds are plenty, and a saved trace reads back the same.
    e.exchange.ms = std::round(static_cast<double>(tookNs) / 1e3) / 1e3;
    e.request = seen.request;
    e.startNs = seen.startNs;
    e.endNs = seen.endNs;
    entries_.push_back(std::move(e));
    while (entries_.size() > kCapacity)
        entries_.pop_front();
    if (seen.result >= 0 && seen.result < kResults)
        ++counts_[static_cast<std::size_t>(seen.result)];
    ++total_;
}

long ExchangeLog::count(int result) const {
    return result >= 0 && result < kResults ? counts_[static_cast<std::size_t>(result)] : 0;
}

double ExchangeLog::rate(qint64 nowNs) const {
    if (entries_.empty()) return 0;
    // The exchanges that ended within the window, counted from the start of
    // the first of them to the end of the last (to now once the link is
    // idle): back-to-back exchanges give count / time, as a stopwatch would.
    const qint64 from = nowNs - kRateWindowNs;
    long n = 0;
    qint64 first = entries_.back().startNs;
    for (auto it = entries_.rbegin(); it != entries_.rend() && it->endNs >= from; ++it) {
        ++n;
        first = it->startNs;
    }
    if (n < 2) return 0;
    const qint64 last = entries_.back().endNs;
    const qint64 idle = nowNs - last;
    const qint64 lastGap = n > 1 ? (last - first) / n : 0; // one exchange's time
    const qint64 end = idle > lastGap ? nowNs : last;
    const qint64 span = end - first;
    return span > 0 ? static_cast<double>(n) * 1e9 / static_cast<double>(span) : 0;
}

double ExchangeLog::wireLimit() const {
    if (entries_.empty()) return 0;
    const auto& last = entries_.back().exchange;
    const auto bytes = last.frame.size() + last.reply.size();
    return bytes > 0 ? kWireBytesPerSecond / static_cast<double>(bytes) : 0;
}

double ExchangeLog::wireShare(qint64 nowNs) const {
    const double limit = wireLimit();
    return limit > 0 ? rate(nowNs) / limit : 0;
}

std::vector<TraceEntry> ExchangeLog::trace() const {
    std::vector<TraceEntry> out;
    out.reserve(entries_.size());
    for (const LoggedExchange& e : entries_) {
        out.push_back(e.exchange);
        out.back().time = e.exchange.time.toLocalTime();
    }
    return out;
}

} // namespace kline
