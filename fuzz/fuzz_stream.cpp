// The ECU's data stream decoder fed arbitrary bytes: fed in pieces it finds
// the same frames as fed all at once; every good frame has eight bytes and
// comes out the same when encoded and read again.
#include "link/StreamDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int piece = 1 + data[0] % 7;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    kline::StreamDecoder whole;
    const std::vector<kline::StreamFrame> all = whole.feed(bytes);
    kline::StreamDecoder pieces;
    std::vector<kline::StreamFrame> fed;
    for (int i = 0; i < bytes.size(); i += piece)
        for (auto& f : pieces.feed(bytes.mid(i, piece)))
            fed.push_back(f);
    if (fed.size() != all.size()) __builtin_trap();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (fed[i].ok != all[i].ok || fed[i].data != all[i].data) __builtin_trap();
        if (!all[i].ok) continue;
        if (all[i].data.size() != 8) __builtin_trap();
        kline::Request body;
        for (int b : all[i].data) {
            if (b < 0 || b > 255) __builtin_trap();
            body.push_back(static_cast<std::uint8_t>(b));
        }
        kline::StreamDecoder again;
        const auto back = again.feed(kline::encodeFrame(body));
        if (back.size() != 1 || !back[0].ok || back[0].data != all[i].data) __builtin_trap();
    }
    return 0;
}
