#pragma once
// The requests of the ECU data windows. Variable 14 is the ECU's command
// register: 8 then 0 clears the fault memory, 0x10..0x80 then 0 resets one
// adaptation table, 1 together with a text variable writes a passport field.
#include "link/Commands.h"

#include <QByteArray>

namespace kvintor::ecudata::req {

namespace cmd = kline::cmd;

constexpr std::uint8_t kFaultReset = 0x08;
constexpr std::uint8_t kPassportWrite = 0x01;

// 02: the stored faults.
inline kline::Request storedFaults() {
    return cmd::faults();
}
// 62 0E v: variable 14 := v.
inline kline::Request commandRegister(std::uint8_t v) {
    return cmd::writeVariables({{cmd::kVarCommand, v}});
}
// 62 0E s 0E s: the regulator switches given back.
inline kline::Request restoreSwitches(std::uint8_t s) {
    return cmd::writeSwitches(s);
}

// 61 01 02 03 04 05 06: the configuration bytes.
inline kline::Request configuration() {
    return cmd::readVariables({1, 2, 3, 4, 5, 6});
}
// One identification text (51..58).
inline kline::Request identification(std::uint8_t command) {
    return {command};
}
// 61 N: one passport text, or 61 T: one adaptation table.
inline kline::Request readVariable(std::uint8_t variable) {
    return cmd::readVariables({variable});
}

// 62 0E 01 N c1..c16: passport text variable N := the 16 bytes.
inline kline::Request writePassportText(std::uint8_t variable, const QByteArray& sixteen) {
    kline::Request r{cmd::kWriteVariables, cmd::kVarCommand, kPassportWrite, variable};
    for (char c : sixteen)
        r.push_back(static_cast<std::uint8_t>(c));
    return r;
}
// 62 0E 01 N FF: a closing write of the passport.
inline kline::Request closePassport(std::uint8_t variable) {
    return {cmd::kWriteVariables, cmd::kVarCommand, kPassportWrite, variable, 0xFF};
}

} // namespace kvintor::ecudata::req
