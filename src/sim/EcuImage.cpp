// The ECU's 64 KB memory image: our own generated firmware image, or one
// loaded from a file.
#include "Ecu.h"
#include "EcuDetail.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace sim {

using detail::clampByte;

QByteArray Ecu::defaultImage(std::uint32_t seed) {
    QByteArray image(65536, 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(byte(rng));
    // Four ignition tables at both engine types' block offsets: advance in
    // half degrees growing with speed (row) and falling with air flow (column).
    for (int base : {0x98F9, 0x9D1B}) {
        for (int t = 0; t < 4; ++t) {
            for (int k = 0; k < 16; ++k) {
                for (int r = 0; r < 16; ++r) {
                    const double deg = 10 + r * 1.9 - k * 1.1 +
                                       (t == 1   ? 2
                                        : t == 3 ? -2
                                        : t == 2 ? 1
                                                 : 0);
                    image[base + 256 * t + 16 * k + r] = static_cast<char>(clampByte(deg * 2));
                }
            }
        }
        image[base + 1024] = 0x5A;
    }
    return image;
}

bool Ecu::setImage(const QByteArray& image) {
    if (image.size() != 65536) return false;
    image_ = image;
    return true;
}

} // namespace sim
