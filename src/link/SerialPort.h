#pragma once
// The serial port as the ECU link sees it. Reads follow the adapter's timing
// rule: a read returns when maxBytes have arrived or after timeoutMs with
// whatever has arrived (possibly nothing). All calls are synchronous.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace kline {

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens and configures the device: 9600 baud, 8 data bits, no parity,
    // one stop bit, no flow control. False when the device is missing, held
    // by another program or refuses the line settings.
    virtual bool open(const QString& device) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Number of bytes the port accepted (-1 on failure).
    virtual qint64 write(const QByteArray& bytes) = 0;
    virtual QByteArray read(int maxBytes, int timeoutMs) = 0;
    // Discards everything received and not yet read.
    virtual void purgeInput() = 0;
    // Drive the adapter's control lines (true = line set). False when the
    // device refuses (pseudo-terminals have no control lines).
    virtual bool setDtr(bool set) = 0;
    virtual bool setRts(bool set) = 0;
    // Whether the device exists and nobody holds it: opens it and closes it
    // again, without configuring the line or touching the control lines.
    virtual bool probe(const QString& device) {
        if (!open(device)) return false;
        close();
        return true;
    }
};

// Makes an unopened port able to open the given device.
using PortFactory = std::function<std::unique_ptr<SerialPort>(const QString& device)>;

} // namespace kline
