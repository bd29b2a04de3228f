#pragma once
// The latest exchanges of the link as they went over the wire, kept for the
// whole run of a program: the latest 20 000 from its start (about a quarter
// of an hour of the panel's polling at 9600 baud), a count per result code
// since the start, and the rate of exchanges with its share of what the
// wire allows. The link monitor shows it and saves it as a trace. No widgets.
#include "EcuLink.h"
#include "Trace.h"

#include <QDateTime>
#include <array>
#include <deque>
#include <vector>

namespace kline {

struct LoggedExchange {
    TraceEntry exchange; // its time in UTC, cheap to take (trace() gives local time)
    Request request;
    qint64 startNs = 0; // monotonic, for the rate
    qint64 endNs = 0;
};

class ExchangeLog {
  public:
    static constexpr std::size_t kCapacity = 20000;
    static constexpr int kResults = 7; // result codes 0..6
    // The rate is taken over the exchanges of the last two seconds.
    static constexpr qint64 kRateWindowNs = 2'000'000'000;
    // Bytes a second at 9600 baud, 10 bits a byte.
    static constexpr double kWireBytesPerSecond = 960.0;

    // One exchange; `now` is the wall clock at its end.
    void add(const ExchangeSeen& seen, const QDateTime& now = QDateTime::currentDateTimeUtc());
    const std::deque<LoggedExchange>& entries() const { return entries_; }
    // Exchanges added since the start (also those that fell off the list).
    long total() const { return total_; }
    long count(int result) const;

    // Exchanges a second at monotonic time nowNs (0 with fewer than two).
    double rate(qint64 nowNs) const;
    // Exchanges a second the wire allows for the last exchange's frames
    // (request frame and reply bytes); 0 before the first.
    double wireLimit() const;
    // rate / wireLimit.
    double wireShare(qint64 nowNs) const;

    // The exchanges kept, oldest first, in local time.
    std::vector<TraceEntry> trace() const;

  private:
    std::deque<LoggedExchange> entries_;
    std::array<long, kResults> counts_{};
    long total_ = 0;
};

} // namespace kline
