#pragma once
// The K-line adapter and the wire between the PC and the simulated ECU:
// every byte the PC sends comes back as echo at 9600-baud byte timing, the
// ECU's reply follows the echo, and line faults can be injected. Times are
// in milliseconds on the simulator's clock. Every request frame is recorded.
#include "Ecu.h"

#include <QByteArray>
#include <deque>

namespace sim {

enum class LineFault {
    None,
    NoEcho,        // adapter unpowered: nothing comes back, nothing reaches the ECU
    WrongEcho,     // one echo byte corrupted; the ECU does not answer
    EcuSilent,     // echo, but no reply
    BadChecksum,   // reply with a wrong checksum byte
    OverlongReply, // a reply longer than any legal one
    Garbage,       // stray bytes on the line after every reply
    PortGone,      // the adapter is unplugged (the port layer fails)
};
const char* lineFaultName(LineFault f);

struct RecordedRequest {
    double timeMs;
    QByteArray frame;       // the request frame as it came over the wire
    kline::Request request; // decoded, checksum removed
    QByteArray reply;       // the reply frame sent (empty: no reply)
};

class Adapter {
  public:
    static constexpr double kByteMs = 10.0 * 1000.0 / 9600.0;
    static constexpr double kTurnaroundMs = 0.5;
    static constexpr double kStreamGapMs = 2.0;
    static constexpr std::size_t kLogSize = 2000;
    static constexpr int kBacklogLimit = 4096; // a UART's patience with a reader that never reads

    explicit Adapter(Ecu& ecu) : ecu_(ecu) {}

    // Bytes the PC writes at time now.
    void fromPc(const QByteArray& bytes, double now);
    // Moves the ECU and the stream on to time now.
    void advance(double now);
    // Takes up to max bytes that have reached the PC by time `until`.
    QByteArray toPc(double until, int max);
    // Every scheduled byte, whenever it arrives (instant mode), up to max;
    // arrivedAt gets the arrival time of the last byte taken.
    QByteArray takeScheduled(int max, double* arrivedAt);
    double nextArrival() const;
    int scheduled() const { return static_cast<int>(out_.size()); }
    // Drops what has reached the PC by time now (all with now < 0).
    void purge(double now);

    void setFault(LineFault f) { fault_ = f; }
    LineFault fault() const { return fault_; }

    const std::deque<RecordedRequest>& log() const { return log_; }
    // Requests seen since the start (the log keeps only the latest).
    long requestCount() const { return requests_; }
    void clearLog() { log_.clear(); }
    Ecu& ecu() { return ecu_; }

  private:
    struct Timed {
        double at;
        char byte;
    };
    void schedule(const QByteArray& bytes, double start);
    void requestComplete(double at);

    Ecu& ecu_;
    LineFault fault_ = LineFault::None;
    std::deque<Timed> out_;
    kline::FrameReceiver receiver_;
    double lineFree_ = 0;
    double lastPcByte_ = -1e9;
    double ecuTime_ = 0;
    double nextStream_ = 0;
    int zeros_ = 0;
    unsigned garbageSeed_ = 12345;
    std::deque<RecordedRequest> log_;
    long requests_ = 0;
};

} // namespace sim
