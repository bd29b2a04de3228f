#include "FrameCodec.h"

namespace kline {

QByteArray encodeFrame(const Request& body) {
    QByteArray frame;
    frame.reserve(static_cast<int>(body.size()) * 2 + 2);
    unsigned cs = 0;
    auto put = [&](std::uint8_t b) {
        frame.append(static_cast<char>(b));
        cs = (cs + 256 - b) % 256;
    };
    for (std::uint8_t b : body) {
        if (b == kEscape || b == kTerminator) {
            put(kEscape);
            put(b == kEscape ? 0 : 205);
        } else {
            put(b);
        }
    }
    frame.append(static_cast<char>(cs));
    frame.append(static_cast<char>(kTerminator));
    return frame;
}

bool FrameReceiver::feed(const QByteArray& bytes) {
    for (char c : bytes) {
        if (complete_) break;
        const auto b = static_cast<std::uint8_t>(c);
        raw_.append(c);
        if (b == kTerminator && sum_ != 243) {
            complete_ = true;
            break;
        }
        sum_ = (sum_ + b) % 256;
    }
    return complete_;
}

void FrameReceiver::reset() {
    raw_.clear();
    sum_ = 0;
    complete_ = false;
}

DecodedFrame decodeFrameBody(const QByteArray& body) {
    DecodedFrame out;
    unsigned sum = 0;
    const int n = static_cast<int>(body.size());
    for (int i = 0; i < n; ++i) {
        unsigned e = static_cast<std::uint8_t>(body[i]);
        sum += e;
        if (e == kEscape && i + 1 < n) {
            const auto next = static_cast<std::uint8_t>(body[++i]);
            sum += next;
            e = (e + next) % 256;
        }
        out.elements.push_back(static_cast<int>(e));
    }
    out.checksumOk = sum % 256 == 0;
    return out;
}

} // namespace kline
