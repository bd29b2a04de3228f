// The simulator fed arbitrary bytes from the PC side, in arbitrary pieces
// and at arbitrary times: it must answer or stay silent, never fail.
#include "sim/Adapter.h"
#include "sim/Ecu.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::Ecu ecu(1);
    sim::Adapter adapter(ecu);
    double now = 0;
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t piece = 1 + data[pos] % 24;
        const double gap = (data[pos] >> 5) * 9.0;
        ++pos;
        const std::size_t n = std::min(piece, size - pos);
        now += gap;
        adapter.fromPc(QByteArray(reinterpret_cast<const char*>(data + pos), static_cast<int>(n)),
                       now);
        pos += n;
        now += 30;
        adapter.advance(now);
        (void)adapter.toPc(now, -1);
    }
    // And the same bytes as one request straight to the ECU.
    kline::Request request(data, data + std::min<std::size_t>(size, 600));
    (void)ecu.handle(request);
    return 0;
}
