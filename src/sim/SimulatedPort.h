#pragma once
// The simulator behind the serial port seam, in the same process. Instant by
// default: time jumps to when the bytes asked for have arrived, so tests run
// fast. Paced: real 9600-baud byte timing on the wall clock.
#include "Simulator.h"
#include "link/SerialPort.h"

#include <memory>

namespace sim {

class SimulatedPort : public kline::SerialPort {
  public:
    SimulatedPort(std::shared_ptr<Simulator> simulator, bool paced);

    bool open(const QString& device) override;
    void close() override;
    bool isOpen() const override { return open_; }
    qint64 write(const QByteArray& bytes) override;
    QByteArray read(int maxBytes, int timeoutMs) override;
    void purgeInput() override;
    bool setDtr(bool set) override;
    bool setRts(bool set) override;

  private:
    bool gone() const;
    double clock();

    std::shared_ptr<Simulator> sim_;
    bool paced_;
    bool open_ = false;
};

// Opens the device name "sim" (or any name) as the given simulator.
kline::PortFactory simulatedPortFactory(std::shared_ptr<Simulator> simulator, bool paced);

} // namespace sim
