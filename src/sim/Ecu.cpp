#include "Ecu.h"

#include "link/CodePage866.h"
#include "link/Commands.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace sim {

using kline::Request;
namespace cmd = kline::cmd;

namespace {

const OverrideChannel* channelFor(int variable) {
    for (const OverrideChannel& c : overrideChannels())
        if (c.variable == variable) return &c;
    return nullptr;
}

std::uint8_t clampByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }
int clampWord(double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 65535L)); }

bool isText(int v) { return v >= 115 && v <= 123; }
bool isTable(int v) { return v >= 73 && v <= 76; }

// The ECU's identification texts, as a Mikas 7.x or 5.4 answers them.
struct Identity {
    const char* type;
    const char* engine;
};
Identity identityFor(Fuelling f) {
    switch (f) {
    case Fuelling::Injection4063: return {"Микас 7.1 Ц1.2 R", "ЗМЗ-4063.10 Евро-2"};
    case Fuelling::Carburettor: return {"Микас 5.4 карб. R", "ЗМЗ-4025 карбюратор"};
    case Fuelling::Injection4062: break;
    }
    return {"Микас 7.1 Ц1.1 R", "ЗМЗ-4062.10 Евро-2"};
}

const char* passportLine(int command, Fuelling f) {
    switch (command) {
    case 82: return f == Fuelling::Carburettor ? "M54 КАРБ 1.03" : "M71 4062 2.17";
    case 83: return "ТС-1 01.04";
    case 84: return f == Fuelling::Carburettor ? "Микас 5.4" : "Микас 7.1";
    case 85: return "ТС-2 01.04";
    case 86: return f == Fuelling::Injection4063 ? "К4063-05 Евро-2" : "К4062-07 Евро-2";
    case 87: return "12.03.2005";
    default: return "";
    }
}

} // namespace

const std::vector<OverrideChannel>& overrideChannels() {
    // Mask A (11): coolant, idle target, idle-air valve, fuel correction 1,
    // ignition offset, ignition test value, injection angle, mixture.
    // Mask B (12): fuel correction 2, CO coefficient, CO offset, air
    // temperature.
    static const std::vector<OverrideChannel> channels = {
        {11, 0x80, 26}, {11, 0x40, 46}, {11, 0x20, 91}, {11, 0x10, 69},
        {11, 0x08, 40}, {11, 0x04, 38}, {11, 0x02, 24}, {11, 0x01, 57},
        {12, 0x80, 70}, {12, 0x10, 66}, {12, 0x08, 65}, {12, 0x01, 28},
    };
    return channels;
}

Ecu::Ecu(std::uint32_t seed, Fuelling fuelling) : seed_(seed), engine_(seed, fuelling) {
    image_ = defaultImage(seed);
    initState();
}

void Ecu::initState() {
    vars_.fill(0);
    held_.fill(0);
    pins_.clear();
    texts_.clear();
    storedTexts_.clear();
    tables_.clear();
    faults_.clear();
    stream_.clear();
    acceptWrites();
    unsilenceAll();
    std::mt19937 rng(seed_ + 7);
    std::uniform_int_distribution<int> learn(-14, 14);
    for (int t = 73; t <= 76; ++t) {
        QByteArray table(256, 0);
        for (int i = 0; i < 256; ++i) table[i] = static_cast<char>(128 + learn(rng));
        tables_[t] = table;
    }
    setText(116, QStringLiteral("М7.1 12.03.05"));
    setText(117, QStringLiteral("0512345"));
    setText(118, QStringLiteral("2.17.4062"));
    setText(119, QStringLiteral("АЦП 5.02"));
    setText(121, QStringLiteral("4062*1012345"));
    setText(122, QStringLiteral("X96330200512345"));
    setText(123, QStringLiteral("05.2005"));
    stored_[40] = 0;
    stored_[65] = 0;
    stored_[66] = 0;
    for (int v : {69, 70, 57}) vars_[static_cast<std::size_t>(v)] = 128;
    vars_[24] = static_cast<std::uint8_t>(-60 & 0xFF); // injection start 30 degrees
    addFault(35, false);
    faults_.back().repeated = true;
    setFuelling(fuelling());
}

void Ecu::resetState() {
    initState();
    silentUntil_ = -1;
}

void Ecu::setFuelling(Fuelling f) {
    engine_.setFuelling(f);
    // Configuration bytes 1..6; byte 6 bit 2 tells an injection engine.
    const bool injection = f != Fuelling::Carburettor;
    vars_[1] = 0x03;
    vars_[2] = injection ? 0x1D : 0x01;
    vars_[3] = 0x05;
    vars_[4] = injection ? 0x06 : 0x00;
    vars_[5] = 0x01;
    // Fan control, and the idle-air valve (bit 2) or the carburettor's
    // overrun fuel valve (bit 3); bit 2 is how the tests tell injection.
    vars_[6] = injection ? 0x05 : 0x09;
}

// ------------------------------------------------------------- variables

QByteArray Ecu::paddedText(const QString& text) {
    QByteArray b = kline::toCp866(text).left(cmd::kTextLength);
    while (b.size() < cmd::kTextLength) b.append(' ');
    return b;
}

QByteArray Ecu::textBytes(int number) const {
    const auto it = texts_.find(number);
    return it == texts_.end() ? QByteArray(cmd::kTextLength, ' ') : it->second;
}

QString Ecu::text(int number) const {
    QByteArray b = textBytes(number);
    const int zero = static_cast<int>(b.indexOf('\0'));
    if (zero >= 0) b.truncate(zero);
    return kline::fromCp866(b).trimmed();
}

void Ecu::setText(int number, const QString& t) {
    texts_[number] = paddedText(t);
    storedTexts_[number] = texts_[number];
}

QByteArray Ecu::table(int number) const {
    const auto it = tables_.find(number);
    return it == tables_.end() ? QByteArray(256, 0) : it->second;
}

void Ecu::setTable(int number, const QByteArray& bytes) {
    QByteArray t = bytes.left(256);
    t.append(QByteArray(256 - t.size(), 0));
    tables_[number] = t;
}

int Ecu::storedAdjustment(int number) const {
    const auto it = stored_.find(number);
    return it == stored_.end() ? 0 : it->second;
}

bool Ecu::maskBit(int variable) const {
    const OverrideChannel* c = channelFor(variable);
    return c && (vars_[static_cast<std::size_t>(c->maskVariable)] & c->bit);
}

int Ecu::held(int variable, int automatic) const {
    return maskBit(variable) ? held_[static_cast<std::size_t>(variable)] : automatic;
}

int Ecu::seenCoolantByte() { return held(26, clampByte(engine_.coolant() + 40)); }

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
    const bool closedLoop = running && warm && injection && !e.fuelCut() && lambdaOn && e.throttle() < 85;
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
    switch (v) {
    case 8: case 9: case 24: case 26: case 28: case 32: case 33: case 35: case 38: case 40:
    case 41: case 44: case 45: case 46: case 51: case 52: case 53: case 56: case 57: case 60:
    case 63: case 64: case 65: case 66: case 69: case 70: case 77: case 78: case 81: case 82:
    case 83: case 84: case 91: case 92: case 94: case 95: case 97: case 98: case 99: case 100:
    case 101: case 102: case 103: case 104: case 105:
        return true;
    default:
        return false;
    }
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
    case 8: return bytes(modeFlags());
    case 33: return bytes(clampWord(e.airFlowKgH() * 10));
    case 35: return bytes(clampWord(e.vacuumMbar()));
    case 51: return bytes(clampWord(690 * 5.99879));
    case 52: return bytes(clampWord(e.airPerStrokeMg() * 6));
    case 60: return bytes(clampWord(2400));
    case 63: return bytes(clampWord(e.pulseMs() * 125));
    case 64: return bytes(clampWord(e.fuelLph() * 10));
    default: break;
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

void Ecu::releaseVariable(int v) { pins_.erase(v & 0xFF); }

int Ecu::computedValue(int v) {
    const Engine& e = engine_;
    const double volts = 256.0 / 5.0199;
    switch (v) {
    case 9: return outputs();
    case 26: return seenCoolantByte();
    case 28: return held(28, clampByte(e.airTemp() + 40));
    case 32: return clampByte(e.throttle());
    case 38: {
        const int half = static_cast<int>(std::lround(e.ignitionDeg() * 2));
        return held(38, half & 0xFF);
    }
    case 40: case 65: case 66: return held(v, storedAdjustment(v));
    case 41: return clampByte(e.rpm() / 40);
    case 44: return clampByte(e.rpm() / 10);
    case 45: return clampByte(e.speedMismatch());
    case 46: {
        // The idle target: 850 rpm warm, up to 1200 rpm on a cold engine.
        const double celsius = seenCoolantByte() - 40;
        return held(46, clampByte(85 + std::clamp((70 - celsius) / 2, 0.0, 35.0)));
    }
    case 53: return 128 - 3;
    case 56: {
        const int speedIndex = std::clamp(static_cast<int>(e.rpm() / 400), 0, 15);
        const int loadIndex = std::clamp(static_cast<int>(e.airPerStrokeMg() / 45), 0, 15);
        return speedIndex * 16 + loadIndex;
    }
    case 57: return held(57, clampByte((e.mixture() - 0.5) * 256));
    case 24: case 69: case 70: return held(v, vars_[static_cast<std::size_t>(v)]);
    case 77: return clampByte(e.lambdaVolts(1) * volts);
    case 78: return clampByte(e.lambdaVolts(2) * volts);
    case 81: case 82: case 83: case 84:
        return e.running() && (vars_[13] & (1 << (v - 81))) ? 1 : 0;
    case 91: return held(91, clampByte(e.valveSteps()));
    case 92: return clampByte(e.valveSteps());
    case 94: return (modeFlags() & (1 << 9)) ? 22 : 0;
    case 95: return 0;
    case 97: return clampByte((4.6 - 0.037 * (seenCoolantByte() - 40)) * volts);
    case 98: return clampByte((4.4 - 0.03 * (computedValue(28) - 40)) * volts);
    case 99: return clampByte(e.batteryVolts() / 0.09093);
    case 100: return clampByte((0.5 + e.throttle() * 0.04) * volts);
    case 101: return clampByte(2.5 * volts);
    case 102: return 0;
    case 103: return clampByte((4.5 - e.vacuumMbar() / 250.0) * volts);
    case 104: return clampByte(e.knockLevel() * 60);
    case 105: return clampByte(e.knockLevel() * 1.2 * volts);
    default: return vars_[static_cast<std::size_t>(v & 0xFF)];
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

// ---------------------------------------------------------------- faults

void Ecu::addFault(int code, bool presentNow) {
    for (Fault& f : faults_) {
        if (f.code == (code & 0xFF)) {
            f.repeated = true;
            f.presentNow = presentNow;
            return;
        }
    }
    faults_.push_back({code & 0xFF, presentNow, false});
}

bool Ecu::endFault(int code) {
    for (Fault& f : faults_) {
        if (f.code == (code & 0xFF) && f.presentNow) {
            f.presentNow = false;
            return true;
        }
    }
    return false;
}

void Ecu::clearFaults() {
    // Faults that are still there come straight back, as new ones.
    std::vector<Fault> still;
    for (const Fault& f : faults_)
        if (f.presentNow) still.push_back({f.code, true, false});
    faults_ = still;
}

// ---------------------------------------------------------------- stream

QByteArray Ecu::streamFrame() {
    Request body;
    for (std::uint8_t v : stream_)
        for (char c : variableBytes(v)) body.push_back(static_cast<std::uint8_t>(c));
    return kline::encodeFrame(body);
}

// -------------------------------------------------------------- requests

std::optional<Request> Ecu::handle(const Request& r) {
    std::optional<Request> reply = answer(r);
    if (replyHook) replyHook(r, reply);
    return reply;
}

std::optional<Request> Ecu::answer(const Request& r) {
    if (r.empty() || restarting() || silenced_.count(r[0])) return std::nullopt;
    const auto textReply = [](const QString& t) {
        const QByteArray b = kline::toCp866(t);
        return Request(b.begin(), b.end());
    };
    switch (r[0]) {
    case cmd::kConnect: return Request{0};
    case cmd::kFaults: {
        if (faults_.empty()) return Request{0};
        Request out{static_cast<std::uint8_t>(faults_.size())};
        for (const Fault& f : faults_) {
            out.push_back(static_cast<std::uint8_t>(f.code));
            out.push_back(static_cast<std::uint8_t>((f.presentNow ? 0x80 : 0) | (f.repeated ? 0x20 : 0)));
        }
        return out;
    }
    case cmd::kReadList:
    case cmd::kReadVariables: {
        Request out;
        for (std::size_t i = 1; i < r.size(); ++i)
            for (char c : variableBytes(r[i])) out.push_back(static_cast<std::uint8_t>(c));
        return out;
    }
    case cmd::kWriteVariables: return write(r);
    case cmd::kRestart:
        if (refuseAll_) return Request{static_cast<std::uint8_t>(refuseAll_)};
        if (r.size() != 3 || r[1] != 0 || r[2] != 0) return Request{1};
        restart();
        return Request{0};
    case cmd::kReadMemory: {
        if (r.size() < 3) return std::nullopt;
        const int address = r[1] | (r[2] << 8);
        Request out{0, r[1], r[2]};
        for (int i = 0; i < 256; ++i)
            out.push_back(static_cast<std::uint8_t>(image_[(address + i) & 0xFFFF]));
        return out;
    }
    case cmd::kEcuType: return textReply(QString::fromUtf8(identityFor(fuelling()).type));
    case cmd::kEngineText: return textReply(QString::fromUtf8(identityFor(fuelling()).engine));
    case cmd::kStartStream:
        if (r.size() != 7) return Request{1};
        stream_.assign(r.begin() + 1, r.end());
        return Request{0};
    default:
        if (r[0] >= cmd::kPassportFirst && r[0] <= cmd::kPassportLast)
            return textReply(QString::fromUtf8(passportLine(r[0], fuelling())));
        return std::nullopt; // an unknown command gets no answer
    }
}

std::optional<Request> Ecu::write(const Request& r) {
    // Pairs of variable and value; a text variable after 14 := 1 takes the
    // 16 bytes of a passport field, or one byte 0xFF (the closing write).
    struct Item {
        int variable;
        QByteArray value;
    };
    std::vector<Item> items;
    for (std::size_t i = 1; i < r.size();) {
        const int v = r[i];
        const std::size_t left = r.size() - i - 1;
        if (left == 0) return Request{2}; // a variable without its value
        const bool passport = isText(v) && !items.empty() && items.back().variable == 14 &&
                              items.back().value == QByteArray(1, 1) && left >= 16;
        const std::size_t n = passport ? 16 : 1;
        QByteArray value;
        for (std::size_t k = 0; k < n; ++k) value.append(static_cast<char>(r[i + 1 + k]));
        items.push_back({v, value});
        i += 1 + n;
    }
    if (refuseAll_) return Request{static_cast<std::uint8_t>(refuseAll_)};
    for (const Item& it : items) {
        const auto ref = refusals_.find(it.variable);
        if (ref != refusals_.end()) return Request{static_cast<std::uint8_t>(ref->second)};
    }
    for (const Item& it : items) {
        if (isText(it.variable)) {
            // A passport field is stored as written, zero padding and all;
            // the closing writes only end the passport write.
            if (it.value.size() == cmd::kTextLength) {
                texts_[it.variable] = it.value;
                storedTexts_[it.variable] = it.value;
                ++saveCount_;
            }
            continue;
        }
        writeOne(it.variable, static_cast<std::uint8_t>(it.value[0]));
    }
    return Request{0};
}

void Ecu::writeOne(int v, int value) {
    if (v == 11 || v == 12) {
        // A bit that comes on freezes its set-point at what the ECU has now,
        // unless the same request writes the set-point next.
        const int old = vars_[static_cast<std::size_t>(v)];
        for (const OverrideChannel& c : overrideChannels()) {
            if (c.maskVariable == v && (value & c.bit) && !(old & c.bit))
                held_[static_cast<std::size_t>(c.variable)] =
                    static_cast<std::uint8_t>(computedValue(c.variable));
        }
        vars_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(value);
        return;
    }
    if (v == 14) {
        commandRegister(vars_[14], value);
        return;
    }
    if (v == 124) {
        // Save an adjustment in non-volatile memory when 14 holds 1.
        if (vars_[14] == 1) {
            const int item = value == cmd::kSaveIgnition      ? 40
                             : value == cmd::kSaveCoOffset     ? 65
                             : value == cmd::kSaveCoCorrection ? 66
                                                               : 0;
            if (item) {
                stored_[item] = computedValue(item);
                ++saveCount_;
            }
        }
        vars_[124] = static_cast<std::uint8_t>(value);
        return;
    }
    // A set-point goes to its held value only: what the ECU works out by
    // itself stays, and comes back when the override bit is cleared.
    if (channelFor(v)) {
        held_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(value);
        return;
    }
    vars_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(value);
}

void Ecu::commandRegister(int previous, int value) {
    // 8 then 0 clears the fault memory; 0x10, 0x20, 0x40, 0x80 then 0
    // resets adaptation table 73, 74, 75, 76.
    if ((previous & 0x08) && !(value & 0x08) && previous != 1) clearFaults();
    for (int t = 0; t < 4; ++t) {
        const int bit = 0x10 << t;
        if ((previous & bit) && !(value & bit) && previous != 1) tables_[73 + t] = QByteArray(256, static_cast<char>(128));
    }
    vars_[14] = static_cast<std::uint8_t>(value);
}

void Ecu::restart() {
    // Overrides and working variables go; what is stored stays.
    for (int v = 9; v <= 15; ++v) vars_[static_cast<std::size_t>(v)] = 0;
    held_.fill(0);
    stream_.clear();
    texts_ = storedTexts_;
    silentUntil_ = timeMs() + kRestartMs;
    ++restarts_;
}

} // namespace sim
