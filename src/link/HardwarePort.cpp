#include "HardwarePort.h"

#include "FrameCodec.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSet>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace kline {

HardwarePort::HardwarePort(PortNotice onDenied)
    : port_(std::make_unique<QSerialPort>()), onDenied_(std::move(onDenied)) {}
HardwarePort::~HardwarePort() { close(); }

bool HardwarePort::open(const QString& device) {
    close();
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite)) {
        if (onDenied_ && permissionDenied(device)) onDenied_(permissionHint(device));
        return false;
    }
    const bool configured = port_->setBaudRate(QSerialPort::Baud9600) &&
                            port_->setDataBits(QSerialPort::Data8) &&
                            port_->setParity(QSerialPort::NoParity) &&
                            port_->setStopBits(QSerialPort::OneStop) &&
                            port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        port_->close();
        return false;
    }
    port_->clearError();
    return true;
}

void HardwarePort::close() {
    if (port_->isOpen()) port_->close();
}

bool HardwarePort::isOpen() const { return port_->isOpen(); }

bool HardwarePort::hungUp() const {
#ifdef Q_OS_UNIX
    // An unplugged adapter hangs its terminal up; QSerialPort may still take
    // bytes into its buffer and report nothing, so ask the terminal itself.
    const auto fd = static_cast<int>(port_->handle());
    if (fd < 0) return true;
    pollfd p{fd, POLLOUT, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return port_->error() == QSerialPort::ResourceError;
#endif
}

qint64 HardwarePort::write(const QByteArray& bytes) {
    if (!port_->isOpen() || hungUp()) return -1;
    const qint64 n = port_->write(bytes);
    if (n < 0) return -1;
    // Hand the bytes to the driver now; the write time-out is 100 ms.
    QElapsedTimer t;
    t.start();
    while (port_->bytesToWrite() > 0 && t.elapsed() < 100) {
        if (!port_->waitForBytesWritten(static_cast<int>(100 - t.elapsed()))) break;
    }
    return port_->bytesToWrite() > 0 ? n - port_->bytesToWrite() : n;
}

QByteArray HardwarePort::read(int maxBytes, int timeoutMs) {
    if (!port_->isOpen() || maxBytes <= 0) return {};
    // Returns when maxBytes are in, when the time-out has passed, when the
    // bytes in hold a frame's terminator, or when bytes have come and the
    // line has then been quiet for two byte times: the caller reads again
    // anyway, and the end of a frame is not kept waiting for the rest of
    // the time-out (a 13 that is a checksum only ends this read early).
    constexpr int kQuietMs = 2;
    const auto holdsTerminator = [this, maxBytes] {
        const qint64 have = std::min<qint64>(port_->bytesAvailable(), maxBytes);
        return have > 0 && port_->peek(have).contains(static_cast<char>(kTerminator));
    };
    QElapsedTimer t;
    t.start();
    while (port_->bytesAvailable() < maxBytes && !holdsTerminator()) {
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0) break;
        const bool some = port_->bytesAvailable() > 0;
        const int wait = static_cast<int>(some ? std::min<qint64>(left, kQuietMs) : left);
        if (!port_->waitForReadyRead(wait)) {
            if (some) break;
            // A device that has gone answers at once; do not spin on it.
            if (port_->error() != QSerialPort::NoError &&
                port_->error() != QSerialPort::TimeoutError)
                break;
        }
    }
    return port_->read(maxBytes);
}

void HardwarePort::purgeInput() {
    if (!port_->isOpen()) return;
    port_->clear(QSerialPort::Input);
    port_->readAll();
}

bool HardwarePort::setDtr(bool set) {
    const bool ok = port_->isOpen() && port_->setDataTerminalReady(set);
    port_->clearError();
    return ok;
}

bool HardwarePort::setRts(bool set) {
    const bool ok = port_->isOpen() && port_->setRequestToSend(set);
    port_->clearError();
    return ok;
}

bool HardwarePort::probe(const QString& device) {
    // QSerialPort's open takes the device's lock as any other holder would,
    // so a port in use elsewhere does not probe free; nothing is configured.
    close();
    QSerialPort port;
    port.setPortName(device);
    if (!port.open(QIODevice::ReadWrite)) return false;
    port.close();
    return true;
}

PortFactory hardwarePortFactory(PortNotice onDenied) {
    if (!onDenied) return [](const QString&) { return std::make_unique<HardwarePort>(); };
    // Start-up, the settings window and a reopen may try the same device
    // again; the hint is worth one line.
    auto told = std::make_shared<QSet<QString>>();
    PortNotice once = [told, onDenied](const QString& line) {
        if (told->contains(line)) return;
        told->insert(line);
        onDenied(line);
    };
    return [once](const QString&) { return std::make_unique<HardwarePort>(once); };
}

} // namespace kline
