#pragma once
// A car's visit served again: the simulated ECU answers from a saved trace.
// A request that is in the trace gets the reply recorded for it, in the
// recorded order per request (the last one repeats); a request never seen
// gets no answer. A failure in the trace comes back as it showed on the
// wire: no reply (the ECU silent), a reply with a wrong checksum, a reply
// that overflows. Echo failures belong to the adapter at the car: the ECU
// never answered such a request, and here it does not either.
#include "Simulator.h"
#include "link/Trace.h"

#include <map>
#include <optional>
#include <vector>

namespace sim {

class Replay {
  public:
    // What the ECU does for one request.
    struct Outcome {
        int result = 0;                 // the recorded result code
        std::optional<kline::Request> reply; // payload to send; none: stay silent
        LineFault fault = LineFault::None;   // what the wire does to the reply
    };

    explicit Replay(const std::vector<kline::TraceEntry>& trace);

    // The outcome for a request, moving on in its recorded order; nothing
    // when the trace never had it.
    std::optional<Outcome> next(const kline::Request& request);
    // The ECU of the simulator answers from the trace from now on. The
    // Replay must outlive the simulator's use of it.
    void serve(Simulator& simulator);

    std::size_t requests() const { return queues_.size(); }
    long served() const { return served_; }
    long unknown() const { return unknown_; }

  private:
    struct Queue {
        std::vector<Outcome> outcomes;
        std::size_t next = 0;
    };
    std::map<kline::Request, Queue> queues_;
    long served_ = 0;
    long unknown_ = 0;
};

// What a recorded exchange asks the ECU to do again.
Replay::Outcome outcomeOf(const kline::TraceEntry& entry);

} // namespace sim
