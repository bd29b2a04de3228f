#include "StreamDecoder.h"

namespace kline {

StreamDecoder::StreamDecoder(int dataBytes) : dataBytes_(dataBytes < 1 ? 1 : dataBytes) {}

void StreamDecoder::reset() {
    receiver_.reset();
    resynchronising_ = false;
}

StreamFrame StreamDecoder::finish() {
    const QByteArray& raw = receiver_.raw();
    const DecodedFrame decoded = decodeFrameBody(raw.left(raw.size() - 1));
    receiver_.reset();
    StreamFrame frame;
    const auto expected = static_cast<std::size_t>(dataBytes_) + 1; // data and checksum
    if (!decoded.checksumOk || decoded.elements.size() != expected) return frame;
    frame.ok = true;
    frame.data.assign(decoded.elements.begin(), decoded.elements.end() - 1);
    return frame;
}

std::vector<StreamFrame> StreamDecoder::feed(const QByteArray& bytes) {
    std::vector<StreamFrame> frames;
    for (const char c : bytes) {
        if (resynchronising_) {
            // Bytes that ran past the longest frame: whatever they were, a
            // frame starts after the next terminator.
            if (static_cast<std::uint8_t>(c) == kTerminator) resynchronising_ = false;
            continue;
        }
        if (receiver_.feed(QByteArray(1, c))) {
            frames.push_back(finish());
        } else if (receiver_.raw().size() >= maxFrameLength()) {
            // No frame is this long without its terminator.
            receiver_.reset();
            resynchronising_ = true;
            frames.push_back(StreamFrame{});
        }
    }
    return frames;
}

} // namespace kline
