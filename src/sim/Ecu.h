#pragma once
// The simulated engine control unit: numbered variables with the widths of
// the command set, text and table variables, a 64 KB memory image, the fault
// list, variable 14 as command register, override masks 11 and 12 that put
// written set-points in force, outputs 9, 10 and 13, the data stream, restart.
#include "Engine.h"
#include "link/FrameCodec.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace sim {

struct Fault {
    int code;
    bool presentNow;
    bool repeated;
};

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

    // ---- what a test or the control panel may look at or change ----
    // Current value of a one-byte variable as the ECU would answer it.
    int variable(int number);
    // The bytes the ECU answers for a variable (width of the command set).
    QByteArray variableBytes(int number);
    void setVariable(int number, int value) { vars_[static_cast<std::size_t>(number & 0xFF)] = static_cast<std::uint8_t>(value); }
    QString text(int number) const;
    void setText(int number, const QString& text);
    QByteArray table(int number) const;
    void setTable(int number, const QByteArray& bytes);
    // Non-volatile copy of an adjustment (40, 65, 66) or a passport text.
    int storedAdjustment(int number) const;
    int saveCount() const { return saveCount_; }

    std::vector<Fault>& faults() { return faults_; }
    void addFault(int code, bool presentNow);
    void clearFaults();

    // The memory image answered by command 37.
    const QByteArray& image() const { return image_; }
    bool setImage(const QByteArray& image); // false unless 65536 bytes
    static QByteArray defaultImage(std::uint32_t seed = 1);

    // Writes refused with a status: for one variable, or all writes.
    void refuseWrites(int variable, int status) { refusals_[variable] = status; }
    void refuseAllWrites(int status) { refuseAll_ = status; }
    void acceptWrites() { refusals_.clear(); refuseAll_ = 0; }

    // The data stream asked for with command 113 (empty when off).
    const std::vector<std::uint8_t>& streamVariables() const { return stream_; }
    void stopStream() { stream_.clear(); }
    // One stream frame of the current values (wire form).
    QByteArray streamFrame();

    // Lets a test change any answer (or silence it) after the ECU made it.
    std::function<void(const kline::Request& request, std::optional<kline::Request>& reply)> replyHook;

    // Silent while it restarts.
    bool restarting() const { return timeMs() < silentUntil_; }
    int restarts() const { return restarts_; }

    static constexpr double kRestartMs = 300;

private:
    std::optional<kline::Request> answer(const kline::Request& r);
    std::optional<kline::Request> write(const kline::Request& r);
    void writeOne(int variable, int value);
    void commandRegister(int previous, int value);
    void restart();
    EngineInputs inputs();
    int held(int variable, int automatic) const;
    int seenCoolantByte();
    int outputs();
    int modeFlags();
    static QByteArray paddedText(const QString& text);

    Engine engine_;
    std::array<std::uint8_t, 256> vars_{};
    std::array<std::uint8_t, 256> held_{};
    std::map<int, QByteArray> texts_;
    std::map<int, QByteArray> storedTexts_;
    std::map<int, QByteArray> tables_;
    std::map<int, int> stored_; // non-volatile adjustments 40, 65, 66
    std::vector<Fault> faults_;
    QByteArray image_;
    std::map<int, int> refusals_;
    int refuseAll_ = 0;
    std::vector<std::uint8_t> stream_;
    double silentUntil_ = -1;
    int restarts_ = 0;
    int saveCount_ = 0;
};

} // namespace sim
