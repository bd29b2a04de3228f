#pragma once
// The ECU's actuator outputs as the actuator test switches them: which bit
// of output variable 9 drives what, by engine variant, and what the tester
// saved of them to give back.
#include <array>
#include <cstdint>
#include <optional>

namespace kvintor {

constexpr std::uint8_t kVarOutputs = 0x09;     // output states
constexpr std::uint8_t kVarOutputMask = 0x0A;  // outputs under the tester's control
constexpr std::uint8_t kVarInjectorCut = 0x0D; // bit c-1 cuts the injector of cylinder c
constexpr std::uint8_t kAllOutputs = 0x0F;

// The four switchable outputs in the order of the actuator boxes 1..4.
enum class Output { Lamp = 1, Fan = 2, AirConditioner = 3, Pump = 4 };

// The bit of variable 9 that drives an output; no bit for the lamp and the
// pump while the engine variant (62 or 63) is unknown.
std::optional<std::uint8_t> outputBit(Output output, int engineVariant);

// The output byte with each box's bit set or cleared by its state (boxes
// 1..4 as elements 0..3); bits without a box, or without a known place,
// stay as read.
std::uint8_t outputsFromBoxes(std::uint8_t read, const std::array<bool, 4>& checked,
                              int engineVariant);

// The cut mask from the injector boxes (element c-1 = cylinder c working).
std::uint8_t cutMaskFromBoxes(const std::array<bool, 4>& working);

// What the window found in the ECU and writes back when it goes.
struct ActuatorState {
    std::uint8_t outputs = 0;
    std::uint8_t outputMask = 0;
    std::uint8_t cutMask = 0;
};

} // namespace kvintor
