#pragma once
// The ECU link of a program run: the one serial port, the request/reply
// exchange and the program-wide values that go with them.
#include "FrameCodec.h"
#include "PortMap.h"
#include "SerialPort.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace common {
struct Context;
}

namespace kline {

// Exchange results.
enum ExchangeResult : int {
    kOk = 0,
    kAdapterError = 1,   // echo differs from the frame sent
    kAdapterOff = 2,     // echo not complete after 11 reads
    kEcuSilent = 3,      // no reply terminator after 101 reads
    kOverflow = 4,       // reply longer than the longest legal reply
    kBadChecksum = 5,    // reply bytes do not sum to 0
    kPortError = 6,      // the port did not take the whole frame
};

// How an exchange ended: its result and the ECU's status element (element 0
// of the reply), kept so that its message can be shown after other
// exchanges (a release sent before the message box).
struct ExchangeOutcome {
    int result = 0;
    int status = 0;
    // A failure, or with checkStatus 1 also a refusal by the ECU.
    bool failed(int checkStatus) const { return result != 0 || (checkStatus == 1 && status != 0); }
};

// What one exchange put on the wire and got back, handed to the observer of
// the link (the link monitor) right after the exchange. The references live
// only for the call.
struct ExchangeSeen {
    const Request& request;
    const QByteArray& frame; // the frame written (escaped, checksum, terminator)
    const QByteArray& reply; // the raw reply bytes received, up to the terminator
    int result;
    qint64 startNs; // on a monotonic clock, nanoseconds
    qint64 endNs;
};
using ExchangeObserver = std::function<void(const ExchangeSeen&)>;

// Keeps watch over every exchange of the link for the program (what the ECU
// is still owed back). Before each exchange it sees the request about to go
// and may send requests of its own (those run without the guard's "before"
// step); after each exchange, its own included, it sees the request, the
// result and the reply. It must not exchange in afterExchange.
class ExchangeGuard {
  public:
    virtual ~ExchangeGuard() = default;
    virtual void beforeExchange(const Request& next) = 0;
    virtual void afterExchange(const Request& request, int result,
                               const std::vector<int>& reply) = 0;
};

class EcuLink {
public:
    static constexpr int kReadTimeoutMs = 4;
    static constexpr int kEchoReads = 11;
    static constexpr int kReplyReads = 101;
    static constexpr int kReplyReadSize = 5;
    static constexpr int kSettlePauseMs = 500;
    // After the echo the ECU's reply must start within this (USB serial
    // adapters add up to 16 ms a read, the ECU its own answer time), or the
    // ECU is silent (result 3) at once rather than after 101 reads. Writes
    // of the command register, which may store into non-volatile memory,
    // keep the whole read budget.
    static constexpr int kFirstReplyByteMs = 60;
    // Once started, a reply ends within the wire time of the longest reply
    // the request can bring, plus this (the adapter's latency and a margin);
    // a reply that stops half-way or a line that trickles ends there
    // (result 4: bytes came, but no end).
    static constexpr int kReplyLatencyMs = 30;
    // No exchange lasts longer than the wire time of its frame and of the
    // longest legal reply, plus this.
    static constexpr int kExchangeSlackMs = 500;
    // Wire time of n bytes at 9600 baud (10 bits a byte), in milliseconds.
    static constexpr double wireMs(int bytes) { return bytes * 10.0 * 1000.0 / 9600.0; }

    EcuLink(common::Context& ctx, PortMap& ports, PortFactory factory,
            QString app = QStringLiteral("Kvintor"));
    ~EcuLink();
    EcuLink(const EcuLink&) = delete;
    EcuLink& operator=(const EcuLink&) = delete;

    // ---- the port ----
    // Positive while the port is open, -1 after a failed open or a close,
    // 0 after a successful probe.
    int PortHandle() const { return handle_; }
    bool isOpen() const { return handle_ > 0; }
    QString PortNumber = QStringLiteral("1"); // "1".."4"
    QString DtrSetting = QStringLiteral("0");
    QString RtsSetting = QStringLiteral("0");

    // 0 on success, -1 on failure (the port is then closed).
    int OpenPort(int n);
    int OpenPort(const QString& n) { return OpenPort(n.toInt()); }
    bool ProbePort(int n);
    // The first free port of COM1..COM4, or 0 after the no-free-port warning
    // and the end of the program.
    int FindFreePort();
    // A ticked option (level true) clears the line. Other names do nothing.
    void SetControlLine(const QString& name, bool level);
    void ClosePort();
    // Opens the device of the open port afresh (an adapter unplugged and
    // plugged in again). On failure the old port stays as it was, still
    // counted as open, so that its holder goes on trying. True when the
    // port is open again.
    bool ReopenPort();

    // ---- the exchange ----
    int EcuExchange(const Request& request);
    const std::vector<int>& EcuReply() const { return reply_; }
    // Element i of the reply, 0 past its end.
    int reply(std::size_t i) const { return i < reply_.size() ? reply_[i] : 0; }
    int LastExchangeResult() const { return last_; }
    // After an adapter error, an overflow or a bad checksum the line settles
    // for 500 ms before the next frame; what is left of that wait (0 when
    // none). A polling window waits it out in its timer rather than in the
    // exchange.
    int settleLeftMs() const;
    static QString ExchangeErrorText(int code);
    // Shows the failure of the last exchange, or with checkStatus 1 a
    // refusal of the ECU (status element non-zero). True if it showed one.
    bool ShowExchangeError(int checkStatus);
    // The same for an outcome kept from an earlier exchange.
    bool ShowExchangeError(int checkStatus, const ExchangeOutcome& outcome);
    ExchangeOutcome lastOutcome() const { return {last_, reply(0)}; }
    QString ReplyAsText() const;

    // ---- watching the exchange (the link monitor) ----
    // One observer at a time; an empty one stops watching. Without an
    // observer the exchange takes no times and keeps nothing extra.
    void setExchangeObserver(ExchangeObserver observer) { observer_ = std::move(observer); }
    bool observed() const { return static_cast<bool>(observer_); }

    // ---- the program's guard over the exchange (one at a time) ----
    void setGuard(ExchangeGuard* guard) { guard_ = guard; }

    // An exchange whose reply is long (an adaptation table: 270 ms on the
    // wire) during which `serve` runs every kServeEveryReads reads of the
    // reply, so that the window can keep its screen and screen readers
    // served. Any exchange asked for meanwhile (from inside `serve`) is
    // refused with result 3 and nothing goes on the line.
    static constexpr int kServeEveryReads = 4;
    int ServedExchange(const Request& request, const std::function<void()>& serve);
    // Whether an exchange is on the line now.
    bool onLine() const { return onLine_; }

    // The clock the exchange's time bound is measured on (milliseconds;
    // tests give a clock of their own).
    void setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

    PortMap& ports() { return ports_; }
    common::Context& context() { return ctx_; }

private:
    int fail(int code);
    int observedExchange(const Request& request);
    int exchange(const Request& request, const QByteArray& frame);
    int lineExchange(const Request& request, const QByteArray& frame);
    // DTR and RTS as stored (the options of the settings window).
    void applyStoredLines();

    common::Context& ctx_;
    PortMap& ports_;
    PortFactory factory_;
    QString app_;
    std::unique_ptr<SerialPort> port_;
    int handle_ = -1;
    int nextHandle_ = 1;
    int last_ = kOk;
    long long settleUntilMs_ = 0; // on common::MonotonicMs()
    std::vector<int> reply_{0};
    std::function<qint64()> clock_;
    FrameReceiver receiver_; // the reply of the last exchange as it came
    ExchangeObserver observer_;
    ExchangeGuard* guard_ = nullptr;
    bool guarding_ = false; // the guard's own requests are on the line
    const std::function<void()>* serve_ = nullptr; // while a served exchange waits
    bool onLine_ = false;
};

} // namespace kline
