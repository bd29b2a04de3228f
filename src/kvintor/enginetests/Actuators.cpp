#include "Actuators.h"

namespace kvintor {

std::optional<std::uint8_t> outputBit(Output output, int engineVariant) {
    switch (output) {
    case Output::Fan:
        return 0x02;
    case Output::AirConditioner:
        return 0x04;
    case Output::Lamp:
        if (engineVariant == 62) return 0x08;
        if (engineVariant == 63) return 0x01;
        return std::nullopt;
    case Output::Pump:
        if (engineVariant == 62) return 0x01;
        if (engineVariant == 63) return 0x08;
        return std::nullopt;
    }
    return std::nullopt;
}

std::uint8_t outputsFromBoxes(std::uint8_t read, const std::array<bool, 4>& checked,
                              int engineVariant) {
    std::uint8_t s = read;
    for (int i = 1; i <= 4; ++i) {
        const auto bit = outputBit(static_cast<Output>(i), engineVariant);
        if (!bit) continue;
        if (checked[static_cast<std::size_t>(i - 1)])
            s = static_cast<std::uint8_t>(s | *bit);
        else
            s = static_cast<std::uint8_t>(s & ~*bit);
    }
    return s;
}

std::uint8_t cutMaskFromBoxes(const std::array<bool, 4>& working) {
    std::uint8_t m = 0;
    for (int c = 0; c < 4; ++c)
        if (!working[static_cast<std::size_t>(c)]) m = static_cast<std::uint8_t>(m | (1 << c));
    return m;
}

} // namespace kvintor
