#pragma once
// The ECU's data stream after command 113: one frame after another, each the
// codec's wire frame around the current values of the streamed variables.
// The decoder cuts the received bytes into frames at their terminators,
// takes the escape pairs apart and checks the sum; a frame that does not sum
// to 0 or does not carry exactly the expected number of data bytes is
// reported as bad. A receiver that starts in the middle of a frame, or
// meets bytes that never reach a terminator, loses only what lies before
// the next terminator: the frame after it is read again.
#include "FrameCodec.h"

#include <QByteArray>
#include <vector>

namespace kline {

struct StreamFrame {
    bool ok = false;       // sums to 0 and holds exactly the expected data bytes
    std::vector<int> data; // the de-escaped data bytes (checksum removed) when ok
};

class StreamDecoder {
  public:
    explicit StreamDecoder(int dataBytes = 8);

    // Adds received bytes; answers every frame they complete, good or bad,
    // in the order of arrival.
    std::vector<StreamFrame> feed(const QByteArray& bytes);
    void reset();

    int dataBytes() const { return dataBytes_; }
    // The longest frame on the wire: every data byte escaped, the checksum
    // (never escaped) and the terminator.
    int maxFrameLength() const { return 2 * dataBytes_ + 2; }

  private:
    StreamFrame finish();

    int dataBytes_;
    FrameReceiver receiver_;
    bool resynchronising_ = false; // skipping to the next terminator
};

} // namespace kline
