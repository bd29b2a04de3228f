#include "StreamPort.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

namespace kvintor {

namespace {

class SerialStreamPort : public StreamPort {
  public:
    SerialStreamPort() { connect(&port_, &QSerialPort::readyRead, this, &StreamPort::received); }
    ~SerialStreamPort() override { close(); }

    bool open(const QString& device) override {
        close();
        port_.setPortName(device);
        if (!port_.open(QIODevice::ReadWrite)) return false;
        const bool configured =
            port_.setBaudRate(QSerialPort::Baud9600) && port_.setDataBits(QSerialPort::Data8) &&
            port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
            port_.setFlowControl(QSerialPort::NoFlowControl);
        if (!configured) {
            port_.close();
            return false;
        }
        port_.clearError();
        return true;
    }
    bool isOpen() const override { return port_.isOpen(); }
    void close() override {
        if (port_.isOpen()) port_.close();
    }
    void clearInput() override {
        if (!port_.isOpen()) return;
        port_.clear(QSerialPort::Input);
        port_.readAll();
    }
    QByteArray input() override { return port_.isOpen() ? port_.readAll() : QByteArray(); }
    qint64 output(const QByteArray& bytes) override {
        if (!port_.isOpen()) return -1;
        const qint64 n = port_.write(bytes);
        if (n < 0) return -1;
        // Closing right after would drop what is still queued.
        QElapsedTimer t;
        t.start();
        while (port_.bytesToWrite() > 0 && t.elapsed() < 100)
            if (!port_.waitForBytesWritten(static_cast<int>(100 - t.elapsed()))) break;
        return n - port_.bytesToWrite();
    }
    void setRtsEnable(bool enable) override {
        if (port_.isOpen()) port_.setRequestToSend(enable);
        port_.clearError();
    }

  private:
    QSerialPort port_;
};

} // namespace

StreamPortFactory serialStreamPorts() {
    return [](const QString&) -> std::unique_ptr<StreamPort> {
        return std::make_unique<SerialStreamPort>();
    };
}

PolledStreamPort::PolledStreamPort(std::unique_ptr<kline::SerialPort> port, int pollMs,
                                   int readTimeoutMs)
    : port_(std::move(port)), timer_(new QTimer(this)), readTimeoutMs_(readTimeoutMs) {
    timer_->setInterval(pollMs < 1 ? 1 : pollMs);
    connect(timer_, &QTimer::timeout, this, &PolledStreamPort::poll);
}

PolledStreamPort::~PolledStreamPort() {
    close();
}

bool PolledStreamPort::open(const QString& device) {
    close();
    if (!port_ || !port_->open(device)) return false;
    timer_->start();
    return true;
}

bool PolledStreamPort::isOpen() const {
    return port_ && port_->isOpen();
}

void PolledStreamPort::close() {
    timer_->stop();
    if (port_ && port_->isOpen()) port_->close();
    buffer_.clear();
}

void PolledStreamPort::clearInput() {
    if (!isOpen()) return;
    port_->purgeInput();
    buffer_.clear();
}

QByteArray PolledStreamPort::input() {
    QByteArray out;
    out.swap(buffer_);
    return out;
}

qint64 PolledStreamPort::output(const QByteArray& bytes) {
    return isOpen() ? port_->write(bytes) : -1;
}

void PolledStreamPort::setRtsEnable(bool enable) {
    if (isOpen()) port_->setRts(enable);
}

void PolledStreamPort::poll() {
    if (!isOpen()) return;
    const QByteArray got = port_->read(4096, readTimeoutMs_);
    if (got.isEmpty()) return;
    buffer_ += got;
    emit received();
}

} // namespace kvintor
