#pragma once
// The real serial port on QSerialPort: /dev/ttyS*, USB serial adapters,
// pseudo-terminals (and COMn on Windows).
#include "SerialPort.h"

#include <memory>

class QSerialPort;

namespace kline {

class HardwarePort : public SerialPort {
public:
    HardwarePort();
    ~HardwarePort() override;

    bool open(const QString& device) override;
    void close() override;
    bool isOpen() const override;
    qint64 write(const QByteArray& bytes) override;
    QByteArray read(int maxBytes, int timeoutMs) override;
    void purgeInput() override;
    bool setDtr(bool set) override;
    bool setRts(bool set) override;
    bool probe(const QString& device) override;

private:
    bool hungUp() const;
    std::unique_ptr<QSerialPort> port_;
};

PortFactory hardwarePortFactory();

} // namespace kline
