#pragma once
// Small helpers shared by the parts of the simulated ECU.
#include "Ecu.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sim::detail {

inline const OverrideChannel* channelFor(int variable) {
    for (const OverrideChannel& c : overrideChannels())
        if (c.variable == variable) return &c;
    return nullptr;
}

inline std::uint8_t clampByte(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}
inline int clampWord(double v) {
    return static_cast<int>(std::clamp(std::lround(v), 0L, 65535L));
}

inline bool isText(int v) {
    return v >= 115 && v <= 123;
}
inline bool isTable(int v) {
    return v >= 73 && v <= 76;
}

} // namespace sim::detail
