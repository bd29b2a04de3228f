#include "Ecu.h"
#include "EcuDetail.h"

#include "link/CodePage866.h"
#include "link/Commands.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace sim {

using kline::Request;
namespace cmd = kline::cmd;
using namespace detail;

namespace {

// The ECU's identification texts, as a Mikas 7.x or 5.4 answers them.
struct Identity {
    const char* type;
    const char* engine;
};
Identity identityFor(Fuelling f) {
    switch (f) {
    case Fuelling::Injection4063:
        return {"Микас 7.1 Ц1.2 R", "ЗМЗ-4063.10 Евро-2"};
    case Fuelling::Carburettor:
        return {"Микас 5.4 карб. R", "ЗМЗ-4025 карбюратор"};
    case Fuelling::Injection4062:
        break;
    }
    return {"Микас 7.1 Ц1.1 R", "ЗМЗ-4062.10 Евро-2"};
}

const char* passportLine(int command, Fuelling f) {
    switch (command) {
    case 82:
        return f == Fuelling::Carburettor ? "M54 КАРБ 1.03" : "M71 4062 2.17";
    case 83:
        return "ТС-1 01.04";
    case 84:
        return f == Fuelling::Carburettor ? "Микас 5.4" : "Микас 7.1";
    case 85:
        return "ТС-2 01.04";
    case 86:
        return f == Fuelling::Injection4063 ? "К4063-05 Евро-2" : "К4062-07 Евро-2";
    case 87:
        return "12.03.2005";
    default:
        return "";
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
        for (int i = 0; i < 256; ++i)
            table[i] = static_cast<char>(128 + learn(rng));
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
    for (int v : {69, 70, 57})
        vars_[static_cast<std::size_t>(v)] = 128;
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
    while (b.size() < cmd::kTextLength)
        b.append(' ');
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
        for (char c : variableBytes(v))
            body.push_back(static_cast<std::uint8_t>(c));
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
    case cmd::kConnect:
        return Request{0};
    case cmd::kFaults: {
        if (faults_.empty()) return Request{0};
        Request out{static_cast<std::uint8_t>(faults_.size())};
        for (const Fault& f : faults_) {
            out.push_back(static_cast<std::uint8_t>(f.code));
            out.push_back(
                static_cast<std::uint8_t>((f.presentNow ? 0x80 : 0) | (f.repeated ? 0x20 : 0)));
        }
        return out;
    }
    case cmd::kReadList:
    case cmd::kReadVariables: {
        Request out;
        for (std::size_t i = 1; i < r.size(); ++i)
            for (char c : variableBytes(r[i]))
                out.push_back(static_cast<std::uint8_t>(c));
        return out;
    }
    case cmd::kWriteVariables:
        return write(r);
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
    case cmd::kEcuType:
        return textReply(QString::fromUtf8(identityFor(fuelling()).type));
    case cmd::kEngineText:
        return textReply(QString::fromUtf8(identityFor(fuelling()).engine));
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
        for (std::size_t k = 0; k < n; ++k)
            value.append(static_cast<char>(r[i + 1 + k]));
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
            const int item = value == cmd::kSaveIgnition       ? 40
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
        if ((previous & bit) && !(value & bit) && previous != 1)
            tables_[73 + t] = QByteArray(256, static_cast<char>(128));
    }
    vars_[14] = static_cast<std::uint8_t>(value);
}

void Ecu::restart() {
    // Overrides and working variables go; what is stored stays.
    for (int v = 9; v <= 15; ++v)
        vars_[static_cast<std::size_t>(v)] = 0;
    held_.fill(0);
    stream_.clear();
    texts_ = storedTexts_;
    silentUntil_ = timeMs() + kRestartMs;
    ++restarts_;
}

} // namespace sim
