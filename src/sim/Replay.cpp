#include "Replay.h"

#include "link/EcuLink.h"

namespace sim {

Replay::Outcome outcomeOf(const kline::TraceEntry& e) {
    Replay::Outcome o;
    o.result = e.result;
    // The reply's elements as the ECU sent them (checksum dropped): the
    // adapter frames them again the same way.
    kline::Request payload;
    const QByteArray& raw = e.reply;
    const int body = static_cast<int>(raw.size()) - (raw.endsWith(static_cast<char>(kline::kTerminator)) ? 1 : 0);
    const kline::DecodedFrame d = kline::decodeFrameBody(raw.left(body));
    for (std::size_t i = 0; i + 1 < d.elements.size(); ++i)
        payload.push_back(static_cast<std::uint8_t>(d.elements[i]));
    if (d.elements.size() == 1) payload.push_back(static_cast<std::uint8_t>(d.elements[0]));

    switch (e.result) {
    case kline::kOk:
        o.reply = payload;
        break;
    case kline::kBadChecksum:
        o.reply = payload;
        o.fault = LineFault::BadChecksum;
        break;
    case kline::kOverflow:
        o.reply = payload;
        o.fault = LineFault::OverlongReply;
        break;
    default: // silent, and the echo failures: no answer
        break;
    }
    return o;
}

Replay::Replay(const std::vector<kline::TraceEntry>& trace) {
    for (const kline::TraceEntry& e : trace) {
        // A frame the port never took reached no ECU.
        if (e.result == kline::kPortError) continue;
        const auto request = kline::trace::requestOf(e.frame);
        if (!request) continue;
        queues_[*request].outcomes.push_back(outcomeOf(e));
    }
}

std::optional<Replay::Outcome> Replay::next(const kline::Request& request) {
    const auto it = queues_.find(request);
    if (it == queues_.end()) {
        ++unknown_;
        return std::nullopt;
    }
    Queue& q = it->second;
    const Outcome& o = q.outcomes[q.next];
    if (q.next + 1 < q.outcomes.size()) ++q.next;
    ++served_;
    return o;
}

void Replay::serve(Simulator& simulator) {
    Adapter& adapter = simulator.adapter;
    // A reply's fault is staged on the wire only while that reply goes out;
    // the wire's own fault (console, panel) is put back at the next request
    // and, while set, wins.
    struct Wire {
        LineFault own = LineFault::None;
        LineFault staged = LineFault::None;
    };
    auto wire = std::make_shared<Wire>();
    simulator.ecu.replyHook = [this, &adapter, wire](const kline::Request& request,
                                                     std::optional<kline::Request>& reply) {
        const LineFault now = adapter.fault();
        if (wire->staged == LineFault::None || now != wire->staged) wire->own = now;
        adapter.setFault(wire->own);
        wire->staged = LineFault::None;
        const std::optional<Outcome> o = next(request);
        reply = o ? o->reply : std::nullopt;
        if (o && o->fault != LineFault::None && wire->own == LineFault::None) {
            adapter.setFault(o->fault);
            wire->staged = o->fault;
        }
    };
}

} // namespace sim
