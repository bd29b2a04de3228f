#include "EcuLink.h"

#include "CodePage866.h"
#include "Commands.h"
#include "common/Dialogs.h"
#include "common/ProgramState.h"
#include "common/SettingsStore.h"
#include "common/Time.h"

#include <QElapsedTimer>
#include <chrono>

namespace kline {

EcuLink::EcuLink(common::Context& ctx, PortMap& ports, PortFactory factory, QString app)
    : ctx_(ctx), ports_(ports), factory_(std::move(factory)), app_(std::move(app)) {
    clock_ = [] {
        static QElapsedTimer monotonic;
        if (!monotonic.isValid()) monotonic.start();
        return monotonic.elapsed();
    };
}

EcuLink::~EcuLink() { ClosePort(); }

// ---------------------------------------------------------------- the port

int EcuLink::OpenPort(int n) {
    ClosePort();
    if (n < 1 || n > 4) {
        handle_ = -1;
        return -1;
    }
    const QString device = ports_.device(n);
    port_ = factory_(device);
    if (!port_ || !port_->open(device)) {
        port_.reset();
        handle_ = -1;
        return -1;
    }
    handle_ = nextHandle_++;
    applyStoredLines();
    return 0;
}

void EcuLink::applyStoredLines() {
    const QString dtr = ctx_.settings.GetSetting(app_, QStringLiteral("fNastr"), QStringLiteral("DTR"), DtrSetting);
    SetControlLine(QStringLiteral("DTR"), dtr.toInt() != 0);
    const QString rts = ctx_.settings.GetSetting(app_, QStringLiteral("fNastr"), QStringLiteral("RTS"), RtsSetting);
    SetControlLine(QStringLiteral("RTS"), rts.toInt() != 0);
}

bool EcuLink::ProbePort(int n) {
    // Opens and closes, nothing more: the control lines of a free port (the
    // adapter's supply among them) are left alone.
    ClosePort();
    handle_ = -1;
    if (n < 1 || n > 4) return false;
    const QString device = ports_.device(n);
    const std::unique_ptr<SerialPort> port = factory_(device);
    if (!port || !port->probe(device)) return false;
    handle_ = 0;
    return true;
}

bool EcuLink::ReopenPort() {
    if (handle_ <= 0) return false;
    const int n = PortNumber.toInt();
    if (PortNumber.size() != 1 || n < 1 || n > 4) return false;
    const QString device = ports_.device(n);
    std::unique_ptr<SerialPort> fresh = factory_(device);
    if (port_) port_->close(); // the device must be free for the new open
    if (!fresh || !fresh->open(device)) return false;
    port_ = std::move(fresh);
    handle_ = nextHandle_++;
    applyStoredLines();
    return true;
}

int EcuLink::FindFreePort() {
    for (int n = 1; n <= 4; ++n)
        if (ProbePort(n)) return n;
    common::BeepSignal(ctx_);
    ctx_.dialogs.message(
        QStringLiteral("На  вашем  компьютере  свободных  коммуникационных  портов  не  найдено.") +
            QStringLiteral("\r\n") +
            QStringLiteral("Закройте  одну  или  несколько  программ  связанных  с  СОМ  портами,  и  "
                           "повторите попытку."),
        ctx_.state.AppTitle, common::Icon::Exclamation);
    if (ctx_.saveSettingsAndQuit) ctx_.saveSettingsAndQuit();
    return 0;
}

void EcuLink::SetControlLine(const QString& name, bool level) {
    if (handle_ <= 0 || !port_) return;
    // The adapter's options are inverted: a ticked option clears the line.
    if (name == QLatin1String("DTR"))
        port_->setDtr(!level);
    else if (name == QLatin1String("RTS"))
        port_->setRts(!level);
}

void EcuLink::ClosePort() {
    if (port_) port_->close();
    port_.reset();
    if (handle_ > 0) handle_ = -1;
}

// ------------------------------------------------------------ the exchange

int EcuLink::fail(int code) {
    last_ = code;
    reply_.assign(1, 0);
    // A disturbed line settles before the next frame.
    if (code == kAdapterError || code == kOverflow || code == kBadChecksum)
        settleUntilMs_ = common::MonotonicMs() + kSettlePauseMs;
    return code;
}

int EcuLink::settleLeftMs() const {
    const long long left = settleUntilMs_ - common::MonotonicMs();
    return left > 0 ? static_cast<int>(left) : 0;
}

int EcuLink::ServedExchange(const Request& request, const std::function<void()>& serve) {
    if (onLine_) return kEcuSilent;
    serve_ = &serve;
    const int result = EcuExchange(request);
    serve_ = nullptr;
    return result;
}

int EcuLink::EcuExchange(const Request& request) {
    // Asked for while a served exchange waits on its reply: the line is
    // taken.
    if (onLine_) return kEcuSilent;
    if (guard_ && !guarding_) {
        guarding_ = true;
        guard_->beforeExchange(request);
        guarding_ = false;
    }
    const int result = observedExchange(request);
    if (guard_) guard_->afterExchange(request, result, reply_);
    return result;
}

int EcuLink::observedExchange(const Request& request) {
    const QByteArray frame = encodeFrame(request);
    receiver_.reset();
    if (!observer_) return exchange(request, frame);
    // Watched: the same exchange, timed, and shown to the observer.
    const auto steadyNs = [] {
        return static_cast<qint64>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count());
    };
    const qint64 start = steadyNs();
    const int result = exchange(request, frame);
    const ExchangeObserver observer = observer_; // it may stop watching inside the call
    observer({request, frame, receiver_.raw(), result, start, steadyNs()});
    return result;
}

int EcuLink::exchange(const Request& request, const QByteArray& frame) {
    onLine_ = true;
    const int result = lineExchange(request, frame);
    onLine_ = false;
    return result;
}

int EcuLink::lineExchange(const Request& request, const QByteArray& frame) {
    const int length = static_cast<int>(frame.size());

    // A disturbed line settles before the next frame (what the caller has
    // waited since counts).
    if (last_ == kAdapterError || last_ == kOverflow || last_ == kBadChecksum) {
        const int left = settleLeftMs();
        if (left > 0) common::Pause(left);
    }

    if (handle_ <= 0 || !port_ || !port_->isOpen()) return fail(kPortError);
    const qint64 deadline = clock_() + static_cast<qint64>(wireMs(length + kMaxReplyLength)) + kExchangeSlackMs;
    port_->purgeInput();
    if (port_->write(frame) != length) return fail(kPortError);

    // The adapter echoes the whole frame; it must come back byte for byte.
    QByteArray echo;
    for (int tries = 0;; ++tries) {
        if (tries >= kEchoReads) return fail(kAdapterOff);
        const QByteArray got = port_->read(length - static_cast<int>(echo.size()), kReadTimeoutMs);
        for (char c : got) {
            if (c != frame[echo.size()]) return fail(kAdapterError);
            echo.append(c);
        }
        if (echo.size() == length) break;
    }

    // The reply, in reads of up to 5 bytes, up to its terminator. The ECU
    // is silent after 101 reads that brought nothing; reads that bring bytes
    // do not use up that budget, so the longest legal reply (a table of
    // escaped bytes) can arrive, and a line that never stops talking ends in
    // an overflow.
    // A line that brings a byte now and then ends at the exchange's time
    // bound: silent if nothing came, an overflow otherwise.
    // The window waiting on the exchange answers the mechanic only when it
    // returns: a reply that does not start, stops half-way or trickles ends
    // soon, not after the read budget. A reply that comes ends as ever.
    FrameReceiver& receiver = receiver_;
    int emptyReads = 0;
    const qint64 echoed = clock_();
    const bool slow = cmd::answersSlowly(request);
    const qint64 replyWireMs = static_cast<qint64>(wireMs(cmd::longestReplyBytes(request))) + 1;
    qint64 firstByteAt = -1;
    int reads = 0;
    qint64 lent = 0; // spent serving the window: not the line's time
    while (!receiver.complete()) {
        const qint64 now = clock_() - lent;
        if (now > deadline) return fail(receiver.raw().isEmpty() ? kEcuSilent : kOverflow);
        if (firstByteAt < 0 && !slow && now - echoed > kFirstReplyByteMs) return fail(kEcuSilent);
        if (firstByteAt >= 0 && now - firstByteAt > replyWireMs + kReplyLatencyMs) return fail(kOverflow);
        // The guard's own exchanges (paid before this one) are not served.
        if (serve_ && !guarding_ && ++reads % kServeEveryReads == 0) {
            const qint64 before = clock_();
            (*serve_)();
            lent += clock_() - before;
        }
        const QByteArray got = port_->read(kReplyReadSize, kReadTimeoutMs);
        if (got.isEmpty()) {
            if (++emptyReads >= kReplyReads) return fail(kEcuSilent);
            continue;
        }
        if (firstByteAt < 0) firstByteAt = clock_() - lent;
        receiver.feed(got);
        if (receiver.raw().size() > kMaxReplyLength) return fail(kOverflow);
    }

    const QByteArray& raw = receiver.raw();
    const DecodedFrame decoded = decodeFrameBody(raw.left(raw.size() - 1));
    // A bare terminator has no checksum: it is no reply.
    if (!decoded.checksumOk || decoded.elements.empty()) return fail(kBadChecksum);
    reply_ = decoded.elements;
    if (reply_.size() > 1) reply_.pop_back();
    last_ = kOk;
    return kOk;
}

QString EcuLink::ExchangeErrorText(int code) {
    switch (code) {
    case kAdapterError: return QStringLiteral("Ошибка адаптера");
    case kAdapterOff: return QStringLiteral("Адаптер не включен");
    case kEcuSilent: return QStringLiteral("ЭБУ не отвечает");
    case kOverflow: return QStringLiteral("Буфер переполнен");
    case kBadChecksum: return QStringLiteral("Не верная контр.сумма");
    case kPortError: return QStringLiteral("Ошибка COM порта");
    default: return QString();
    }
}

bool EcuLink::ShowExchangeError(int checkStatus) {
    return ShowExchangeError(checkStatus, lastOutcome());
}

bool EcuLink::ShowExchangeError(int checkStatus, const ExchangeOutcome& outcome) {
    const QString caption = QStringLiteral("Ошибка  ") + ctx_.state.AppTitle;
    if (outcome.result != kOk) {
        common::BeepSignal(ctx_);
        ctx_.dialogs.message(QStringLiteral("Операция  не  выполнена   ") +
                                 ExchangeErrorText(outcome.result).toUpper(),
                             caption, common::Icon::Exclamation);
        return true;
    }
    if (checkStatus == 1 && outcome.status != 0) {
        common::BeepSignal(ctx_);
        ctx_.dialogs.message(QStringLiteral("ЭБУ  не  может  выполнить  операцию  ") +
                                 QStringLiteral("\r\n") + QStringLiteral("Ошибка  ") +
                                 QString::number(outcome.status),
                             caption, common::Icon::Exclamation);
        return true;
    }
    return false;
}

QString EcuLink::ReplyAsText() const {
    // A text ends at its first zero byte: the passport fields the ECU
    // stores as written come back padded with zeros.
    QByteArray bytes;
    bytes.reserve(static_cast<int>(reply_.size()));
    for (int e : reply_) {
        if ((e & 0xFF) == 0) break;
        bytes.append(static_cast<char>(e & 0xFF));
    }
    QString text = fromCp866(bytes);
    // Then only spaces are trimmed, as the ECU pads its own texts with them.
    int start = 0;
    int end = static_cast<int>(text.size());
    while (start < end && text[start] == QLatin1Char(' ')) ++start;
    while (end > start && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(start, end - start);
}

} // namespace kline
