// Code page 866 both ways, and the frame decoder, on arbitrary bytes.
#include "link/CodePage866.h"
#include "link/FrameCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const QString text = kline::fromCp866(bytes);
    if (text.size() != bytes.size()) __builtin_trap();
    if (kline::toCp866(text) != bytes) __builtin_trap();
    (void)kline::toCp866(QString::fromUtf8(bytes));

    kline::FrameReceiver rx;
    rx.feed(bytes);
    if (rx.raw().size() > bytes.size()) __builtin_trap();
    if (rx.complete()) {
        const kline::DecodedFrame d = kline::decodeFrameBody(rx.raw().left(rx.raw().size() - 1));
        for (int e : d.elements)
            if (e < 0 || e > 255) __builtin_trap();
    }
    // An encoded frame always decodes back to its body.
    kline::Request body(data, data + std::min<std::size_t>(size, 300));
    const QByteArray frame = kline::encodeFrame(body);
    kline::FrameReceiver back;
    if (!back.feed(frame) || back.raw() != frame) __builtin_trap();
    const kline::DecodedFrame d = kline::decodeFrameBody(frame.left(frame.size() - 1));
    if (!d.checksumOk || d.elements.size() != body.size() + 1) __builtin_trap();
    for (std::size_t i = 0; i < body.size(); ++i)
        if (d.elements[i] != body[i]) __builtin_trap();
    return 0;
}
