#include "OverrideHold.h"

#include "link/Commands.h"
#include "main/Program.h"

namespace kvintor {

void OverrideHold::take() {
    std::uint8_t& mask = p_.state.OverrideMaskA;
    shared_ = static_cast<std::uint8_t>(mask & bits_ & ~taken_);
    taken_ = static_cast<std::uint8_t>(taken_ | (bits_ & ~mask));
    mask = static_cast<std::uint8_t>(mask | bits_);
}

bool OverrideHold::release(std::uint8_t bits) {
    const auto mine = static_cast<std::uint8_t>(bits & taken_);
    if (!mine) return true;
    taken_ = static_cast<std::uint8_t>(taken_ & ~mine);
    p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~mine);
    // The copy as it is now: it carries whatever the other windows hold.
    return p_.ecu.EcuExchange(kline::cmd::writeVariables(
               {{kline::cmd::kVarMaskA, p_.state.OverrideMaskA}})) == kline::kOk;
}

} // namespace kvintor
