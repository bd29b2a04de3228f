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

// Which override bit puts which written set-point in force.
struct Hold {
    int maskVariable;
    std::uint8_t bit;
    int variable;
};
constexpr Hold kHolds[] = {
    {11, 0x80, 26}, {11, 0x40, 46}, {11, 0x20, 91}, {11, 0x10, 69}, {11, 0x08, 40}, {11, 0x04, 38},
    {11, 0x02, 24}, {11, 0x01, 57}, {12, 0x80, 70}, {12, 0x10, 66}, {12, 0x08, 65}, {12, 0x01, 28},
};

const Hold* holdFor(int variable) {
    for (const Hold& h : kHolds)
        if (h.variable == variable) return &h;
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

Ecu::Ecu(std::uint32_t seed, Fuelling fuelling) : engine_(seed, fuelling) {
    image_ = defaultImage(seed);
    std::mt19937 rng(seed + 7);
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
    storedTexts_ = texts_;
    stored_[40] = 0;
    stored_[65] = 0;
    stored_[66] = 0;
    for (int v : {69, 70, 57}) vars_[static_cast<std::size_t>(v)] = 128;
    vars_[24] = static_cast<std::uint8_t>(-60 & 0xFF); // injection start 30 degrees
    addFault(35, false);
    faults_.back().repeated = true;
    setFuelling(fuelling);
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
    vars_[6] = injection ? 0x04 : 0x00;
}

// ------------------------------------------------------------- variables

QByteArray Ecu::paddedText(const QString& text) {
    QByteArray b = kline::toCp866(text).left(cmd::kTextLength);
    while (b.size() < cmd::kTextLength) b.append(' ');
    return b;
}

QString Ecu::text(int number) const {
    const auto it = texts_.find(number);
    return it == texts_.end() ? QString() : kline::fromCp866(it->second);
}

void Ecu::setText(int number, const QString& t) { texts_[number] = paddedText(t); }

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

int Ecu::held(int variable, int automatic) const {
    const Hold* h = holdFor(variable);
    if (h && (vars_[static_cast<std::size_t>(h->maskVariable)] & h->bit))
        return held_[static_cast<std::size_t>(variable)];
    return automatic;
}

int Ecu::seenCoolantByte() { return held(26, clampByte(engine_.coolant() + 40)); }

int Ecu::outputs() {
    const bool v63 = variant() == 63;
    const int lampBit = v63 ? 0x01 : 0x08;
    const int pumpBit = v63 ? 0x08 : 0x01;
    int automatic = 0;
    if (engine_.running()) automatic |= pumpBit;
    if (seenCoolantByte() - 40 > 98) automatic |= 0x02;
    for (const Fault& f : faults_)
        if (f.presentNow) automatic |= lampBit;
    const int controlled = vars_[10] ? 0x0F : 0;
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

QByteArray Ecu::variableBytes(int v) {
    if (isText(v)) {
        const auto it = texts_.find(v);
        return it == texts_.end() ? QByteArray(cmd::kTextLength, ' ') : it->second;
    }
    if (isTable(v)) return table(v);
    const Engine& e = engine_;
    auto word = [](int w) {
        QByteArray b;
        b.append(static_cast<char>(w & 0xFF));
        b.append(static_cast<char>((w >> 8) & 0xFF));
        return b;
    };
    switch (v) {
    case 8: return word(modeFlags());
    case 33: return word(clampWord(e.airFlowKgH() * 10));
    case 35: return word(clampWord(e.vacuumMbar()));
    case 51: return word(clampWord(690 * 5.99879));
    case 52: return word(clampWord(e.airPerStrokeMg() * 6));
    case 60: return word(clampWord(2400));
    case 63: return word(clampWord(e.pulseMs() * 125));
    case 64: return word(clampWord(e.fuelLph() * 10));
    default: break;
    }
    return QByteArray(1, static_cast<char>(variable(v)));
}

int Ecu::variable(int v) {
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
    case 40: return held(40, storedAdjustment(40));
    case 41: return clampByte(e.rpm() / 40);
    case 44: return clampByte(e.rpm() / 10);
    case 45: return clampByte(e.speedMismatch());
    case 46: {
        const int cold = seenCoolantByte() - 40 < 40;
        return held(46, cold ? 120 : 85);
    }
    case 53: return 128 - 3;
    case 56: {
        const int speedIndex = std::clamp(static_cast<int>(e.rpm() / 400), 0, 15);
        const int loadIndex = std::clamp(static_cast<int>(e.airPerStrokeMg() / 45), 0, 15);
        return speedIndex * 16 + loadIndex;
    }
    case 57: return held(57, clampByte((e.mixture() - 0.5) * 256));
    case 65: return held(65, storedAdjustment(65));
    case 66: return held(66, storedAdjustment(66));
    case 69: case 70: case 24: return held(v, vars_[static_cast<std::size_t>(v)]);
    case 77: return clampByte(e.lambdaVolts(1) * volts);
    case 78: return clampByte(e.lambdaVolts(2) * volts);
    case 81: case 82: case 83: case 84:
        return e.running() && (vars_[13] & (1 << (v - 81))) ? 1 : 0;
    case 91: return held(91, clampByte(e.valveSteps()));
    case 92: return clampByte(e.valveSteps());
    case 94: return (modeFlags() & (1 << 9)) ? 22 : 0;
    case 95: return 0;
    case 97: return clampByte((4.6 - 0.037 * (seenCoolantByte() - 40)) * volts);
    case 98: return clampByte((4.4 - 0.03 * (variable(28) - 40)) * volts);
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
    in.idleTargetRpm = variable(46) * 10.0;
    in.valveHeld = vars_[11] & 0x20;
    in.heldValveSteps = held_[91];
    in.injectorCutMask = vars_[13] & 0x0F;
    in.ignitionOffsetDeg = -static_cast<std::int8_t>(variable(40)) / 2.0;
    in.ignitionHeld = vars_[11] & 0x04;
    in.heldIgnitionDeg = static_cast<std::int8_t>(held_[38]) / 2.0;
    in.mixtureHeld = vars_[11] & 0x01;
    in.heldMixture = held_[57] / 256.0 + 0.5;
    return in;
}

void Ecu::advance(double ms) {
    // The fuel pump switched off by the tester stops the engine.
    const bool v63 = variant() == 63;
    if (vars_[10] && !(vars_[9] & (v63 ? 0x08 : 0x01)) && engine_.running()) engine_.stop();
    engine_.advance(ms, inputs());
}

// ---------------------------------------------------------------- faults

void Ecu::addFault(int code, bool presentNow) {
    for (Fault& f : faults_) {
        if (f.code == code) {
            f.repeated = true;
            f.presentNow = presentNow;
            return;
        }
    }
    faults_.push_back({code & 0xFF, presentNow, false});
}

void Ecu::clearFaults() {
    // Faults that are still there come straight back, as new ones.
    std::vector<Fault> still;
    for (const Fault& f : faults_)
        if (f.presentNow) still.push_back({f.code, true, false});
    faults_ = still;
}

// ---------------------------------------------------------------- image

QByteArray Ecu::defaultImage(std::uint32_t seed) {
    QByteArray image(65536, 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < image.size(); ++i) image[i] = static_cast<char>(byte(rng));
    // Four ignition tables at both engine types' block offsets: advance in
    // half degrees growing with speed (row) and falling with air flow (column).
    for (int base : {0x98F9, 0x9D1B}) {
        for (int t = 0; t < 4; ++t) {
            for (int k = 0; k < 16; ++k) {
                for (int r = 0; r < 16; ++r) {
                    const double deg = 10 + r * 1.9 - k * 1.1 + (t == 1 ? 2 : t == 3 ? -2 : t == 2 ? 1 : 0);
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
    if (r.empty() || restarting()) return std::nullopt;
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
            if (it.value.size() == 16) {
                texts_[it.variable] = it.value;
                storedTexts_[it.variable] = it.value;
                ++saveCount_;
            }
            continue; // the closing writes only end the passport write
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
        for (const Hold& h : kHolds) {
            if (h.maskVariable == v && (value & h.bit) && !(old & h.bit))
                held_[static_cast<std::size_t>(h.variable)] = static_cast<std::uint8_t>(variable(h.variable));
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
            const int item = value == 3 ? 40 : value == 1 ? 65 : value == 2 ? 66 : 0;
            if (item) {
                stored_[item] = variable(item);
                ++saveCount_;
            }
        }
        vars_[124] = static_cast<std::uint8_t>(value);
        return;
    }
    if (holdFor(v)) held_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(value);
    if (v == 91) held_[91] = static_cast<std::uint8_t>(value);
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
