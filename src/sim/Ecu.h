#pragma once
// The simulated engine control unit: numbered variables with the widths of
// the command set, text and table variables, a 64 KB memory image, the fault
// list, variable 14 as command register, override masks 11 and 12 that put
// written set-points in force, outputs 9, 10 and 13, the data stream, restart.
// Besides the requests, a test or the control panel can stage what a real
// ECU does on a bad day: refuse writes, stay silent to one command, answer
// a chosen value, carry faults that come and go.
#include "Engine.h"
#include "link/FrameCodec.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace sim {

struct Fault {
    int code;
    bool presentNow;
    bool repeated;
};

// One set-point that an override bit puts in force: bit `bit` of mask
// variable 11 or 12 makes the ECU go by the value written to `variable`.
struct OverrideChannel {
    int maskVariable;
    std::uint8_t bit;
    int variable;
};
// All of them, mask A (11) first.
const std::vector<OverrideChannel>& overrideChannels();

class Ecu {
  public:
    explicit Ecu(std::uint32_t seed = 1, Fuelling fuelling = Fuelling::Injection4062);

    // Answers a request (command first); no value when the ECU stays silent.
    std::optional<kline::Request> handle(const kline::Request& request);
    // Moves the engine and the ECU's clock on.
    void advance(double ms);
    double timeMs() const { return engine_.timeMs(); }

    // ---- the car ----
    Engine& engine() { return engine_; }
    const Engine& engine() const { return engine_; }
    void setFuelling(Fuelling f);
    Fuelling fuelling() const { return engine_.fuelling(); }
    // 62 or 63: which bit layout the ECU uses for its outputs.
    int variant() const { return engine_.fuelling() == Fuelling::Injection4063 ? 63 : 62; }
    // Bits of output variable 9 in this variant.
    int lampBit() const { return variant() == 63 ? 0x01 : 0x08; }
    int pumpBit() const { return variant() == 63 ? 0x08 : 0x01; }
    static constexpr int kFanBit = 0x02;
    static constexpr int kAirConditionerBit = 0x04;

    // ---- what a test or the control panel may look at or change ----
    // Value of a one-byte variable as the ECU answers it now.
    int variable(int number);
    // The bytes the ECU answers for a variable (width of the command set).
    QByteArray variableBytes(int number);
    // Sets what the ECU answers for a variable: the value it keeps (its
    // configuration, working and adjustment variables; for 40, 65 and 66
    // the value in non-volatile memory), or, for a variable the ECU works
    // out from the engine, a pinned answer that stays until released. The
    // engine itself goes on as before.
    void setVariable(int number, int value);
    void releaseVariable(int number);
    void releaseAllVariables() { pins_.clear(); }
    bool pinned(int number) const { return pins_.count(number) != 0; }
    // Variables worked out from the engine (answered, never kept).
    static bool computed(int number);

    // A text variable (115..123) without its padding of spaces or zeros;
    // the 16 bytes the ECU answers for it.
    QString text(int number) const;
    QByteArray textBytes(int number) const;
    // Stores the ECU's own text (padded with spaces), also across restarts.
    void setText(int number, const QString& text);
    QByteArray table(int number) const;
    void setTable(int number, const QByteArray& bytes);
    // Non-volatile copy of an adjustment (40, 65, 66).
    int storedAdjustment(int number) const;
    // Saves to non-volatile memory (adjustments and passport fields).
    int saveCount() const { return saveCount_; }

    std::vector<Fault>& faults() { return faults_; }
    // A fault is found: new, or again (then "repeated").
    void addFault(int code, bool presentNow);
    // A present fault goes away; it stays stored as a past one.
    bool endFault(int code);
    // The fault memory reset: faults still present are found again at once.
    void clearFaults();

    // The memory image answered by command 37.
    const QByteArray& image() const { return image_; }
    bool setImage(const QByteArray& image); // false unless 65536 bytes
    static QByteArray defaultImage(std::uint32_t seed = 1);

    // Writes refused with a status: writes of one variable (command 98), or
    // every write and the restart (commands 98 and 65).
    void refuseWrites(int variable, int status) { refusals_[variable] = status; }
    void refuseAllWrites(int status) { refuseAll_ = status; }
    void acceptWrites() {
        refusals_.clear();
        refuseAll_ = 0;
    }
    int refusalStatus() const { return refuseAll_; }

    // A command that gets no answer at all (the exchange then times out).
    void silence(int command) { silenced_.insert(command & 0xFF); }
    void unsilence(int command) { silenced_.erase(command & 0xFF); }
    void unsilenceAll() { silenced_.clear(); }
    const std::set<int>& silencedCommands() const { return silenced_; }

    // Back to the state of a new ECU: variables, overrides, texts, tables,
    // stored adjustments and faults as made, nothing staged, no stream. The
    // engine and the memory image stay as they are.
    void resetState();

    // The data stream asked for with command 113 (empty when off).
    const std::vector<std::uint8_t>& streamVariables() const { return stream_; }
    void stopStream() { stream_.clear(); }
    // One stream frame of the current values (wire form).
    QByteArray streamFrame();

    // Lets a test change any answer (or silence it) after the ECU made it.
    std::function<void(const kline::Request& request, std::optional<kline::Request>& reply)>
        replyHook;

    // Silent while it restarts.
    bool restarting() const { return timeMs() < silentUntil_; }
    int restarts() const { return restarts_; }

    static constexpr double kRestartMs = 300;

  private:
    void initState();
    std::optional<kline::Request> answer(const kline::Request& r);
    std::optional<kline::Request> write(const kline::Request& r);
    void writeOne(int variable, int value);
    void commandRegister(int previous, int value);
    void restart();
    EngineInputs inputs();
    int computedValue(int variable);
    int held(int variable, int automatic) const;
    bool maskBit(int variable) const;
    int seenCoolantByte();
    int outputs();
    int modeFlags();
    static QByteArray paddedText(const QString& text);

    std::uint32_t seed_;
    Engine engine_;
    std::array<std::uint8_t, 256> vars_{};
    std::array<std::uint8_t, 256> held_{};
    std::map<int, int> pins_;
    std::map<int, QByteArray> texts_;
    std::map<int, QByteArray> storedTexts_;
    std::map<int, QByteArray> tables_;
    std::map<int, int> stored_; // non-volatile adjustments 40, 65, 66
    std::vector<Fault> faults_;
    QByteArray image_;
    std::map<int, int> refusals_;
    int refuseAll_ = 0;
    std::set<int> silenced_;
    std::vector<std::uint8_t> stream_;
    double silentUntil_ = -1;
    int restarts_ = 0;
    int saveCount_ = 0;
};

} // namespace sim
