#pragma once
// The oscilloscope's own serial port: it takes over the link's device while
// the ECU streams, and tells when data have come (the receive signal). The
// real one is a QSerialPort; another reads any port of the link's seam by
// polling it (the in-process simulated ECU, which has no receive signal).
#include "link/SerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QTimer;

namespace kvintor {

class StreamPort : public QObject {
    Q_OBJECT
  public:
    // Opens the device at 9600 baud, 8 data bits, no parity, 1 stop bit.
    virtual bool open(const QString& device) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // Discards what has been received and not yet taken.
    virtual void clearInput() = 0;
    // Takes everything received so far.
    virtual QByteArray input() = 0;
    // Sends bytes and waits (briefly) until they are on their way; answers
    // how many the port took.
    virtual qint64 output(const QByteArray& bytes) = 0;
    virtual void setRtsEnable(bool enable) = 0;

  signals:
    // Data have come and wait in input().
    void received();
};

// Makes an unopened stream port for a device.
using StreamPortFactory = std::function<std::unique_ptr<StreamPort>(const QString& device)>;

// The real one: a QSerialPort for every device.
StreamPortFactory serialStreamPorts();

// A stream port over a port of the link's seam, read every pollMs
// milliseconds; each read waits up to readTimeoutMs (0 for a port that runs
// in real time, more for one that only moves on when it is read).
class PolledStreamPort : public StreamPort {
    Q_OBJECT
  public:
    PolledStreamPort(std::unique_ptr<kline::SerialPort> port, int pollMs = 5,
                     int readTimeoutMs = 0);
    ~PolledStreamPort() override;

    bool open(const QString& device) override;
    bool isOpen() const override;
    void close() override;
    void clearInput() override;
    QByteArray input() override;
    qint64 output(const QByteArray& bytes) override;
    void setRtsEnable(bool enable) override;

    // One read of the port (the poll timer's tick).
    void poll();

  private:
    std::unique_ptr<kline::SerialPort> port_;
    QTimer* timer_;
    int readTimeoutMs_;
    QByteArray buffer_;
};

} // namespace kvintor
