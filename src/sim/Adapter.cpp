#include "Adapter.h"

#include <algorithm>
#include <limits>

namespace sim {

const char* lineFaultName(LineFault f) {
    switch (f) {
    case LineFault::None:
        return "none";
    case LineFault::NoEcho:
        return "no-echo";
    case LineFault::WrongEcho:
        return "wrong-echo";
    case LineFault::EcuSilent:
        return "silent";
    case LineFault::BadChecksum:
        return "bad-checksum";
    case LineFault::OverlongReply:
        return "overlong";
    case LineFault::Garbage:
        return "garbage";
    case LineFault::PortGone:
        return "port-gone";
    }
    return "none";
}

void Adapter::schedule(const QByteArray& bytes, double start) {
    double t = std::max(start, lineFree_);
    for (char c : bytes) {
        t += kByteMs;
        out_.push_back({t, c});
    }
    lineFree_ = std::max(lineFree_, t);
    while (static_cast<int>(out_.size()) > kBacklogLimit)
        out_.pop_front();
}

void Adapter::fromPc(const QByteArray& bytes, double now) {
    if (fault_ == LineFault::PortGone || fault_ == LineFault::NoEcho) return;
    advance(now);
    double t = std::max(now, lineFree_);
    for (int i = 0; i < bytes.size(); ++i) {
        t += kByteMs;
        char echo = bytes[i];
        if (fault_ == LineFault::WrongEcho &&
            i == std::min<int>(1, static_cast<int>(bytes.size()) - 1))
            echo = static_cast<char>(echo ^ 0x20);
        out_.push_back({t, echo});
        lineFree_ = t;

        // The ECU listens to the same wire. A pause of 50 ms starts a new
        // frame. While the data stream runs, six zero bytes in a row end it;
        // otherwise zero bytes are ordinary frame bytes (a passport field is
        // padded with them).
        if (t - lastPcByte_ > 50) receiver_.reset();
        lastPcByte_ = t;
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        const bool streaming = !ecu_.streamVariables().empty();
        zeros_ = streaming && b == 0 ? zeros_ + 1 : 0;
        if (zeros_ >= 6) {
            ecu_.stopStream();
            receiver_.reset();
            zeros_ = 0;
            continue;
        }
        if (receiver_.feed(QByteArray(1, bytes[i]))) {
            requestComplete(t);
            receiver_.reset();
        } else if (receiver_.raw().size() > kline::kMaxReplyLength) {
            receiver_.reset();
        }
    }
}

void Adapter::requestComplete(double at) {
    const QByteArray frame = receiver_.raw();
    const kline::DecodedFrame d = kline::decodeFrameBody(frame.left(frame.size() - 1));
    if (!d.checksumOk || d.elements.size() < 2) return; // the ECU ignores a damaged frame
    RecordedRequest rec{at, frame, {}, {}};
    for (std::size_t i = 0; i + 1 < d.elements.size(); ++i)
        rec.request.push_back(static_cast<std::uint8_t>(d.elements[i]));

    if (fault_ != LineFault::WrongEcho) {
        advance(at);
        const bool wasStreaming = !ecu_.streamVariables().empty();
        const std::optional<kline::Request> reply = ecu_.handle(rec.request);
        if (reply && fault_ != LineFault::EcuSilent) {
            QByteArray wire = kline::encodeFrame(*reply);
            if (fault_ == LineFault::BadChecksum)
                wire[wire.size() - 2] = static_cast<char>(wire[wire.size() - 2] + 1);
            if (fault_ == LineFault::OverlongReply)
                wire = QByteArray(600, 0x55) + QByteArray(1, 13);
            schedule(wire, at + kTurnaroundMs);
            rec.reply = wire;
            if (fault_ == LineFault::Garbage) {
                QByteArray junk;
                for (int k = 0; k < 7; ++k) {
                    garbageSeed_ = garbageSeed_ * 1103515245u + 12345u;
                    junk.append(static_cast<char>((garbageSeed_ >> 16) & 0xFF));
                }
                schedule(junk, lineFree_ + 2.0);
            }
        }
        if (!wasStreaming && !ecu_.streamVariables().empty())
            nextStream_ = lineFree_ + kStreamGapMs;
    }
    ++requests_;
    log_.push_back(rec);
    while (log_.size() > kLogSize)
        log_.pop_front();
}

void Adapter::advance(double now) {
    if (now > ecuTime_) {
        ecu_.advance(now - ecuTime_);
        ecuTime_ = now;
    }
    // The stream: one frame after another at the ECU's own pace.
    while (!ecu_.streamVariables().empty() && nextStream_ <= now && fault_ != LineFault::PortGone) {
        const QByteArray frame = ecu_.streamFrame();
        schedule(frame, nextStream_);
        nextStream_ = lineFree_ + kStreamGapMs;
    }
}

QByteArray Adapter::toPc(double until, int max) {
    QByteArray got;
    while (!out_.empty() && out_.front().at <= until && (max < 0 || got.size() < max)) {
        got.append(out_.front().byte);
        out_.pop_front();
    }
    return got;
}

QByteArray Adapter::takeScheduled(int max, double* arrivedAt) {
    QByteArray got;
    while (!out_.empty() && got.size() < max) {
        if (arrivedAt) *arrivedAt = out_.front().at;
        got.append(out_.front().byte);
        out_.pop_front();
    }
    return got;
}

double Adapter::nextArrival() const {
    return out_.empty() ? std::numeric_limits<double>::infinity() : out_.front().at;
}

void Adapter::purge(double now) {
    if (now < 0) {
        out_.clear();
        return;
    }
    while (!out_.empty() && out_.front().at <= now)
        out_.pop_front();
}

} // namespace sim
