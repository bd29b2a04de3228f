// What the ECU answers for its numbered variables: kept values, set-points
// held under the override masks, values worked out from the engine, pinned
// answers; and what it commands the engine.
#include "Ecu.h"
#include "EcuDetail.h"

#include "link/Commands.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace sim {

namespace cmd = kline::cmd;
using namespace detail;

bool Ecu::maskBit(int variable) const {
    const OverrideChannel* c = channelFor(variable);
    return c && (vars_[static_cast<std::size_t>(c->maskVariable)] & c->bit);
}

int Ecu::held(int variable, int automatic) const {
    return maskBit(variable) ? held_[static_cast<std::size_t>(variable)] : automatic;
}

int Ecu::seenCoolantByte() {
    return held(26, clampByte(engine_.coolant() + 40));
}

int Ecu::outputs() {
    int automatic = 0;
    if (engine_.running()) automatic |= pumpBit();
    if (seenCoolantByte() - 40 > 98) automatic |= kFanBit;
    for (const Fault& f : faults_)
        if (f.presentNow) automatic |= lampBit();
    // Variable 10 puts the outputs of its bits under the tester's control.
    const int controlled = vars_[10] & 0x0F;
    return (automatic & ~controlled) | (vars_[9] & controlled);
}

int Ecu::modeFlags() {
    const Engine& e = engine_;
    const bool running = e.running();
    const bool warm = seenCoolantByte() - 40 >= 50;
    const bool lambdaOn = !(vars_[14] & 0x02);
    const bool knockOn = !(vars_[14] & 0x04);
    const bool injection = e.fuelling() != Fuelling::Carburettor;
    const bool closedLoop =
        running && warm && injection && !e.fuelCut() && lambdaOn && e.throttle() < 85;
    const double load = e.airPerStrokeMg() / 700.0;
    int f = 0;
    if (!running) f |= 1 << 0;
    if (e.cranking()) f |= 1 << 1;
    if (e.idling()) f |= 1 << 2;
    if (e.idling() && !warm) f |= 1 << 3;
    if (e.fuelCut()) f |= 1 << 4;
    if (running && e.throttle() >= 85) f |= 1 << 5;
    if (closedLoop) f |= 1 << 6;
    if (running && knockOn && load > 0.35) f |= 1 << 7;
    if (running && (!warm || e.throttle() >= 85)) f |= 1 << 8;
    if (running && warm && !e.idling() && injection) f |= 1 << 9;
    if (closedLoop && e.idling()) f |= 1 << 10;
    if (closedLoop && !e.idling()) f |= 1 << 11;
    if (closedLoop && e.lambdaVolts(1) < 0.3) f |= 1 << 12;
    if (running && knockOn && e.knockLevel() > 0.8) f |= 1 << 14;
    if (running && e.rpm() < 400) f |= 1 << 15;
    return f;
}

bool Ecu::computed(int v) {
    static const std::set<int> fromTheEngine = {8,  9,  24, 26,  28,  32,  33,  35,  38, 40, 41, 44,
                                                45, 46, 51, 52,  53,  56,  57,  60,  63, 64, 65, 66,
                                                69, 70, 77, 78,  81,  82,  83,  84,  91, 92, 94, 95,
                                                97, 98, 99, 100, 101, 102, 103, 104, 105};
    return fromTheEngine.count(v) != 0;
}

QByteArray Ecu::variableBytes(int v) {
    if (isText(v)) return textBytes(v);
    if (isTable(v)) return table(v);
    const int width = cmd::variableWidth(static_cast<std::uint8_t>(v));
    auto bytes = [width](int value) {
        QByteArray b(1, static_cast<char>(value & 0xFF));
        if (width == 2) b.append(static_cast<char>((value >> 8) & 0xFF));
        return b;
    };
    const auto pin = pins_.find(v);
    if (pin != pins_.end()) return bytes(pin->second);
    const Engine& e = engine_;
    switch (v) {
    case 8:
        return bytes(modeFlags());
    case 33:
        return bytes(clampWord(e.airFlowKgH() * 10));
    case 35:
        return bytes(clampWord(e.vacuumMbar()));
    case 51:
        return bytes(clampWord(690 * 5.99879));
    case 52:
        return bytes(clampWord(e.airPerStrokeMg() * 6));
    case 60:
        return bytes(clampWord(2400));
    case 63:
        return bytes(clampWord(e.pulseMs() * 125));
    case 64:
        return bytes(clampWord(e.fuelLph() * 10));
    default:
        break;
    }
    return bytes(computedValue(v));
}

int Ecu::variable(int v) {
    const auto pin = pins_.find(v);
    return pin != pins_.end() ? pin->second & 0xFF : computedValue(v);
}

void Ecu::setVariable(int v, int value) {
    v &= 0xFF;
    if (v == 40 || v == 65 || v == 66) {
        stored_[v] = value & 0xFF;
    } else if (v == 24 || v == 69 || v == 70 || !computed(v)) {
        if (v == 11 || v == 12)
            writeOne(v, value & 0xFF); // set-points freeze as with a write
        else
            vars_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(value);
    } else {
        pins_[v] = value & 0xFFFF;
    }
}

void Ecu::releaseVariable(int v) {
    pins_.erase(v & 0xFF);
}

int Ecu::computedValue(int v) {
    const Engine& e = engine_;
    const double volts = 256.0 / 5.0199;
    switch (v) {
    case 9:
        return outputs();
    case 26:
        return seenCoolantByte();
    case 28:
        return held(28, clampByte(e.airTemp() + 40));
    case 32:
        return clampByte(e.throttle());
    case 38: {
        const int half = static_cast<int>(std::lround(e.ignitionDeg() * 2));
        return held(38, half & 0xFF);
    }
    case 40:
    case 65:
    case 66:
        return held(v, storedAdjustment(v));
    case 41:
        return clampByte(e.rpm() / 40);
    case 44:
        return clampByte(e.rpm() / 10);
    case 45:
        return clampByte(e.speedMismatch());
    case 46: {
        // The idle target: 850 rpm warm, up to 1200 rpm on a cold engine.
        const double celsius = seenCoolantByte() - 40;
        return held(46, clampByte(85 + std::clamp((70 - celsius) / 2, 0.0, 35.0)));
    }
    case 53:
        return 128 - 3;
    case 56: {
        const int speedIndex = std::clamp(static_cast<int>(e.rpm() / 400), 0, 15);
        const int loadIndex = std::clamp(static_cast<int>(e.airPerStrokeMg() / 45), 0, 15);
        return speedIndex * 16 + loadIndex;
    }
    case 57:
        return held(57, clampByte((e.mixture() - 0.5) * 256));
    case 24:
    case 69:
    case 70:
        return held(v, vars_[static_cast<std::size_t>(v)]);
    case 77:
        return clampByte(e.lambdaVolts(1) * volts);
    case 78:
        return clampByte(e.lambdaVolts(2) * volts);
    case 81:
    case 82:
    case 83:
    case 84:
        return e.running() && (vars_[13] & (1 << (v - 81))) ? 1 : 0;
    case 91:
        return held(91, clampByte(e.valveSteps()));
    case 92:
        return clampByte(e.valveSteps());
    case 94:
        return (modeFlags() & (1 << 9)) ? 22 : 0;
    case 95:
        return 0;
    case 97:
        return clampByte((4.6 - 0.037 * (seenCoolantByte() - 40)) * volts);
    case 98:
        return clampByte((4.4 - 0.03 * (computedValue(28) - 40)) * volts);
    case 99:
        return clampByte(e.batteryVolts() / 0.09093);
    case 100:
        return clampByte((0.5 + e.throttle() * 0.04) * volts);
    case 101:
        return clampByte(2.5 * volts);
    case 102:
        return 0;
    case 103:
        return clampByte((4.5 - e.vacuumMbar() / 250.0) * volts);
    case 104:
        return clampByte(e.knockLevel() * 60);
    case 105:
        return clampByte(e.knockLevel() * 1.2 * volts);
    default:
        return vars_[static_cast<std::size_t>(v & 0xFF)];
    }
}

EngineInputs Ecu::inputs() {
    EngineInputs in;
    in.idleTargetRpm = computedValue(46) * 10.0;
    in.valveHeld = maskBit(91);
    in.heldValveSteps = held_[91];
    in.injectorCutMask = vars_[13] & 0x0F;
    in.ignitionOffsetDeg = -static_cast<std::int8_t>(computedValue(40)) / 2.0;
    in.ignitionHeld = maskBit(38);
    in.heldIgnitionDeg = static_cast<std::int8_t>(held_[38]) / 2.0;
    in.mixtureHeld = maskBit(57);
    in.heldMixture = held_[57] / 256.0 + 0.5;
    in.ecuCoolant = seenCoolantByte() - 40;
    // The two fuel correction channels, each (v - 128) / 256.
    in.fuelCorrection = 1.0 + (computedValue(69) + computedValue(70) - 256) / 512.0;
    return in;
}

void Ecu::advance(double ms) {
    // The fuel pump switched off by the tester stops the engine.
    if ((vars_[10] & pumpBit()) && !(vars_[9] & pumpBit()) && engine_.running()) engine_.stop();
    engine_.advance(ms, inputs());
}

} // namespace sim
