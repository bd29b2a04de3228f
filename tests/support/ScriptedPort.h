#pragma once
// A serial port driven by a script: which devices open, what each read
// returns, how the adapter echoes. Every call is logged.
#include "link/SerialPort.h"

#include <QSet>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

struct PortScript {
    enum class Echo { Full, None, WrongByte, Partial };

    QSet<QString> missing;   // devices that do not exist
    QSet<QString> busy;      // devices held by another program
    QSet<QString> openNow;   // devices open through this script
    bool shortWrite = false; // the port takes one byte less than given
    bool linesRefused = false;
    Echo echo = Echo::Full;
    int wrongEchoIndex = 0;
    int partialEcho = 0; // Echo::Partial: bytes echoed
    // What each read returns, front first; an empty chunk is one empty read.
    std::deque<QByteArray> input;
    // Chunks queued after the echo of each written frame, one list per write.
    std::deque<std::vector<QByteArray>> replies;

    QStringList log; // "open DEV", "dtr 1", "rts 0", "purge", "write HEX", "close"
    std::vector<QByteArray> writes;
    int reads = 0;
    int emptyReads = 0;

    // Queues a reply frame split into chunks of the given size.
    void queueReply(const QByteArray& frame, int chunk = 5);
};

class ScriptedPort : public kline::SerialPort {
public:
    explicit ScriptedPort(std::shared_ptr<PortScript> script) : s_(std::move(script)) {}
    bool open(const QString& device) override;
    void close() override;
    bool isOpen() const override { return open_; }
    qint64 write(const QByteArray& bytes) override;
    QByteArray read(int maxBytes, int timeoutMs) override;
    void purgeInput() override;
    bool setDtr(bool set) override;
    bool setRts(bool set) override;

private:
    std::shared_ptr<PortScript> s_;
    QString device_;
    bool open_ = false;
};

kline::PortFactory scriptedFactory(const std::shared_ptr<PortScript>& script);
QByteArray bytes(std::initializer_list<int> values);
