#include "FermelLink.h"

#include "link/Commands.h"

#include <algorithm>

namespace editor {

FermelLink::FermelLink(kline::PortMap& ports, kline::PortFactory factory)
    : ports_(ports), factory_(std::move(factory)) {}

FermelLink::~FermelLink() {
    ClosePort();
}

bool FermelLink::OpenPort(int n) {
    ClosePort();
    const QString device = ports_.device(n);
    auto port = factory_ ? factory_(device) : nullptr;
    if (!port || !port->open(device)) return false;
    port_ = std::move(port);
    return true;
}

void FermelLink::ClosePort() {
    if (port_) port_->close();
    port_.reset();
}

QString FermelLink::ResultText(int code) {
    switch (code) {
    case kLinkAdapterError:
        return QStringLiteral("Ошибка адаптера");
    case kLinkAdapterOff:
        return QStringLiteral("Адаптер не включен");
    case kLinkEcuSilent:
        return QStringLiteral("ЭБУ не отвечает");
    case kLinkOverflow:
        return QStringLiteral("Буфер переполнен");
    case kLinkBadSum:
        return QStringLiteral("Не верная сумма");
    default:
        return QString();
    }
}

int FermelLink::fail(int code) {
    last_ = code;
    reply_.assign(1, 0);
    return code;
}

int FermelLink::Exchange(const kline::Request& request) {
    const QByteArray frame = kline::encodeFrame(request);
    if (!port_) return fail(kLinkAdapterError);

    // Stale input is read away; after a disturbed exchange for longer.
    const bool disturbed =
        last_ == kLinkAdapterError || last_ == kLinkOverflow || last_ == kLinkBadSum;
    for (int i = 0, n = disturbed ? kDrainReadsAfterFault : 1; i < n; ++i)
        port_->read(kReadSize, kReadTimeoutMs);

    const qint64 written = port_->write(frame);
    if (written <= 2) return fail(kLinkAdapterError);

    // The echo of what was written, byte for byte.
    const int expected = static_cast<int>(std::min<qint64>(written, frame.size()));
    int echoed = 0;
    for (int reads = 0; reads < kEchoReads && echoed < expected; ++reads) {
        if (reads == 0) blink();
        const QByteArray got = port_->read(expected - echoed, kReadTimeoutMs);
        for (char c : got) {
            if (c != frame[echoed]) return fail(kLinkAdapterError);
            ++echoed;
        }
    }
    // A short echo is tolerated while less than half of it is missing.
    if (echoed < expected && expected - echoed > echoed) return fail(kLinkAdapterOff);

    // The reply, up to its terminator. The receiver takes a 13 that makes
    // the bytes before it sum to 0 for the reply's checksum (sent
    // unescaped), not for its end.
    kline::FrameReceiver receiver;
    for (int reads = 0; reads < kReplyReads; ++reads) {
        if (reads % 39 == 0 && reads <= 156) blink();
        const int room = kReplyBuffer - static_cast<int>(receiver.raw().size());
        if (receiver.feed(port_->read(std::min(kReadSize, room), kReadTimeoutMs))) {
            const QByteArray& raw = receiver.raw();
            kline::DecodedFrame decoded = kline::decodeFrameBody(raw.left(raw.size() - 1));
            if (!decoded.checksumOk) return fail(kLinkBadSum);
            // The checksum is no part of the reply.
            if (!decoded.elements.empty()) decoded.elements.pop_back();
            reply_ = std::move(decoded.elements);
            last_ = kLinkOk;
            return kLinkOk;
        }
        if (receiver.raw().size() >= kReplyBuffer) return fail(kLinkOverflow);
    }
    return fail(kLinkEcuSilent);
}

kline::Request tableRequest(EngineType engine, int table) {
    return kline::cmd::readMemory(static_cast<unsigned>(tableAddress(engine, table)));
}

} // namespace editor
