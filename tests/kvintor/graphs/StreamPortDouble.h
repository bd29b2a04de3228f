#pragma once
// A stream port the test feeds by hand: it records what the window does
// with it (open, writes, RTS, close) in a log that outlives the port.
#include "StreamPort.h"

#include <memory>

struct StreamPortLog {
    QStringList opened; // devices asked for
    QByteArray written;
    bool rts = false;
    int closes = 0;
    bool refuseOpen = false;
    QString events; // "open", "clear", "write", "rts", "close" in order, space separated
};

class StreamPortDouble : public kvintor::StreamPort {
  public:
    explicit StreamPortDouble(std::shared_ptr<StreamPortLog> log) : log_(std::move(log)) {}

    bool open(const QString& device) override {
        log_->opened << device;
        note("open");
        open_ = !log_->refuseOpen;
        return open_;
    }
    bool isOpen() const override { return open_; }
    void close() override {
        if (!open_) return;
        open_ = false;
        ++log_->closes;
        note("close");
    }
    void clearInput() override {
        pending_.clear();
        note("clear");
    }
    QByteArray input() override {
        QByteArray out;
        out.swap(pending_);
        return out;
    }
    qint64 output(const QByteArray& bytes) override {
        log_->written += bytes;
        note("write");
        return bytes.size();
    }
    void setRtsEnable(bool enable) override {
        log_->rts = enable;
        note("rts");
    }

    // Bytes arrive: the receive signal follows.
    void feed(const QByteArray& bytes) {
        pending_ += bytes;
        emit received();
    }

  private:
    void note(const char* what) {
        if (!log_->events.isEmpty()) log_->events += QLatin1Char(' ');
        log_->events += QLatin1String(what);
    }
    std::shared_ptr<StreamPortLog> log_;
    bool open_ = false;
    QByteArray pending_;
};
