#pragma once
// What the benchmarks share: the hardware port with a clock on every frame,
// a process's processor time, and an X server of their own.
#include "link/SerialPort.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <memory>
#include <sys/types.h>
#include <vector>

class QProcess;

namespace bench {

// The hardware port with a clock on every frame written and on the last
// read that brought bytes (the end of the exchange).
class TimedPort : public kline::SerialPort {
  public:
    struct Write {
        qint64 ns;
        qint64 lastReadNs;
        QByteArray frame;
    };
    TimedPort(std::unique_ptr<kline::SerialPort> port, const QElapsedTimer& clock,
              std::vector<Write>& writes)
        : port_(std::move(port)), clock_(clock), writes_(writes) {}
    bool open(const QString& device) override { return port_->open(device); }
    void close() override { port_->close(); }
    bool isOpen() const override { return port_->isOpen(); }
    qint64 write(const QByteArray& bytes) override;
    QByteArray read(int maxBytes, int timeoutMs) override;
    void purgeInput() override { port_->purgeInput(); }
    bool setDtr(bool set) override { return port_->setDtr(set); }
    bool setRts(bool set) override { return port_->setRts(set); }

  private:
    std::unique_ptr<kline::SerialPort> port_;
    const QElapsedTimer& clock_;
    std::vector<Write>& writes_;
};

// Starts kline-sim (--headless) in `sim` and answers the device it serves,
// empty (with a line on standard error naming `who`) when it did not start.
QString startSimulator(QProcess& sim, const QString& path, const char* who);

// Processor time a process has used, in milliseconds (0 where unknown).
double cpuMs(pid_t pid);

// An X server of the benchmark's own (Xvfb, 1920 x 1080 at 24 bits, on a
// free display) and openbox on it where installed; DISPLAY names it and Qt
// is told to use it. Ended with the object.
class XServer {
  public:
    XServer() = default;
    ~XServer() { stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    // False (with a line on standard error naming `who`) when Xvfb did not start.
    bool start(const char* who);
    void stop();
    pid_t server() const { return pids_.empty() ? 0 : pids_.front(); }

  private:
    std::vector<pid_t> pids_;
};

} // namespace bench
