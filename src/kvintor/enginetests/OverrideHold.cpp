#include "OverrideHold.h"

#include "link/Commands.h"
#include "main/Program.h"

namespace kvintor {

void OverrideHold::take() {
    p_.state.OverrideMaskA |= bits_;
}

bool OverrideHold::release(std::uint8_t bits) {
    p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~(bits & bits_));
    return send();
}

bool OverrideHold::retry() {
    return !owed_ || send();
}

bool OverrideHold::send() {
    // The copy as it is now: a retry carries whatever the other windows
    // have set or cleared meanwhile.
    const int result = p_.ecu.EcuExchange(
        kline::cmd::writeVariables({{kline::cmd::kVarMaskA, p_.state.OverrideMaskA}}));
    owed_ = result != kline::kOk;
    return !owed_;
}

} // namespace kvintor
