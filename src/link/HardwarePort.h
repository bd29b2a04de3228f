#pragma once
// The real serial port on QSerialPort: /dev/ttyS*, USB serial adapters,
// pseudo-terminals (and COMn on Windows).
#include "PortPermission.h"
#include "SerialPort.h"

#include <memory>

class QSerialPort;

namespace kline {

class HardwarePort : public SerialPort {
public:
    // onDenied hears permissionHint(device) when a device exists but this
    // user may not open it; the program's own messages stay as they are.
    explicit HardwarePort(PortNotice onDenied = {});
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
    PortNotice onDenied_;
};

// Ports whose refusals for lack of permission are told to onDenied, once per
// device for all ports the factory makes.
PortFactory hardwarePortFactory(PortNotice onDenied = noticeOnStandardError);

} // namespace kline
