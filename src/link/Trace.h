#pragma once
// The trace of a link: the exchanges as they went over the wire, one JSON
// object a line (JSON Lines), oldest first:
//   {"time":"2024-05-01T12:34:56.789+03:00","request":"07 08 51 ... 0D",
//    "reply":"00 12 ... 0D","result":0,"ms":31.4}
// "request" is the frame written, "reply" the raw bytes received up to the
// terminator (empty when none came), "result" the exchange's result code and
// "ms" its round trip. The link monitor saves it; kline-sim serves it again.
#include "FrameCodec.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace kline {

struct TraceEntry {
    QDateTime time;   // when the exchange began
    QByteArray frame; // the request frame written
    QByteArray reply; // the raw reply bytes received
    int result = 0;
    double ms = 0; // round trip

    bool operator==(const TraceEntry& o) const {
        return time == o.time && frame == o.frame && reply == o.reply && result == o.result &&
               ms == o.ms;
    }
};

namespace trace {

// Bytes as spaced upper-case hex ("61 75 2A 0D") and back; nothing when the
// text is not such a list.
QString hex(const QByteArray& bytes);
std::optional<QByteArray> fromHex(const QString& text);

// One line of the file, line feed included.
QByteArray line(const TraceEntry& entry);
// A line read back; nothing, with the reason, when it is not an exchange.
std::optional<TraceEntry> parse(const QByteArray& line, QString* why = nullptr);

bool save(const QString& path, const std::vector<TraceEntry>& entries, QString* why = nullptr);
// The whole file; nothing, with the line and the reason, when a line is
// not an exchange. Empty lines are skipped.
std::optional<std::vector<TraceEntry>> load(const QString& path, QString* why = nullptr);

// The request a frame carries (command first), nothing when the frame is
// damaged (no terminator, a wrong checksum).
std::optional<Request> requestOf(const QByteArray& frame);

} // namespace trace
} // namespace kline
