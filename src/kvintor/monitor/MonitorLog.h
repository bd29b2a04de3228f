#pragma once
// What the link monitor keeps: the latest 2000 exchanges as seen on the
// wire, a count per result code since the monitor opened, and the rate of
// exchanges with its share of what the 9600-baud wire allows. No widgets.
#include "link/EcuLink.h"
#include "link/Trace.h"

#include <QDateTime>
#include <array>
#include <deque>
#include <vector>

namespace kvintor {

struct MonitorEntry {
    kline::TraceEntry exchange;
    kline::Request request;
    qint64 startNs = 0; // monotonic, for the rate
    qint64 endNs = 0;
};

class MonitorLog {
  public:
    static constexpr std::size_t kCapacity = 2000;
    static constexpr int kResults = 7; // result codes 0..6
    // The rate is taken over the exchanges of the last two seconds.
    static constexpr qint64 kRateWindowNs = 2'000'000'000;
    // Bytes a second at 9600 baud, 10 bits a byte.
    static constexpr double kWireBytesPerSecond = 960.0;

    // One exchange; `now` is the wall clock at its end.
    void add(const kline::ExchangeSeen& seen, const QDateTime& now);
    const std::deque<MonitorEntry>& entries() const { return entries_; }
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

    std::vector<kline::TraceEntry> trace() const;

  private:
    std::deque<MonitorEntry> entries_;
    std::array<long, kResults> counts_{};
    long total_ = 0;
};

} // namespace kvintor
