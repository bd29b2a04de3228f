#pragma once
// The wire frame shared by requests, replies and the ECU's data stream:
// escaped body bytes, one checksum byte, the terminator 13.
//   - a body byte 64 goes out as 64,0 and 13 as 64,205; on reception 64,x
//     stands for (64 + x) mod 256;
//   - the checksum makes all bytes before the terminator sum to 0 mod 256;
//     it is sent as it is, never escaped, even when it is 64 or 13.
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace kline {

using Request = std::vector<std::uint8_t>;

constexpr std::uint8_t kTerminator = 13;
constexpr std::uint8_t kEscape = 64;
// Longest legal reply: 256 bytes all escaped, an escaped checksum and the
// terminator.
constexpr int kMaxReplyLength = 256 * 2 + 2 + 1;

// The frame for a request or a reply body.
QByteArray encodeFrame(const Request& body);

// Collects a frame from raw bytes as they arrive and tells where it ends.
// A 13 ends the frame unless the bytes before it sum to 243 mod 256: then it
// is an unescaped checksum of 13 (with it the sum is 0) and the frame goes
// on to its terminator.
class FrameReceiver {
public:
    // Adds bytes; answers true once the terminator has come. Bytes after
    // the terminator are not kept.
    bool feed(const QByteArray& bytes);
    bool complete() const { return complete_; }
    // Raw bytes kept so far, terminator included once it has come.
    const QByteArray& raw() const { return raw_; }
    void reset();

private:
    QByteArray raw_;
    unsigned sum_ = 0;
    bool complete_ = false;
};

struct DecodedFrame {
    std::vector<int> elements; // de-escaped, checksum element included
    bool checksumOk = false;   // the raw bytes sum to 0 mod 256
};

// De-escapes the bytes before the terminator. A 64 right before the
// terminator is a plain byte (an unescaped checksum of 64).
DecodedFrame decodeFrameBody(const QByteArray& bodyWithChecksum);

} // namespace kline
