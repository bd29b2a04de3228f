#pragma once
// Fermel's own exchange with the ECU, on the shared wire frame and serial
// port seam. It differs from the diagnostic program's exchange: stale input
// is drained by reading instead of purged, the echo may come in up to 41
// reads and may fall short by less than half, and the reply is read in
// pieces of up to 255 bytes into a 512-byte buffer within 189 reads. Every
// read waits at most 4 ms.
#include "FirmwareImage.h"
#include "link/FrameCodec.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <functional>
#include <memory>
#include <vector>

namespace editor {

enum LinkResult : int {
    kLinkOk = 0,
    kLinkAdapterError = 1, // echo byte differs, or 2 bytes or fewer written
    kLinkAdapterOff = 2,   // echo too short after 41 reads
    kLinkEcuSilent = 3,    // no terminator after 189 reads
    kLinkOverflow = 4,     // the reply does not fit the 512-byte buffer
    kLinkBadSum = 5,       // the reply's bytes do not sum to 0
};

class FermelLink {
  public:
    static constexpr int kReadTimeoutMs = 4;
    static constexpr int kReadSize = 255;
    static constexpr int kDrainReadsAfterFault = 125;
    static constexpr int kEchoReads = 41;
    static constexpr int kReplyReads = 189;
    static constexpr int kReplyBuffer = 512;

    FermelLink(kline::PortMap& ports, kline::PortFactory factory);
    ~FermelLink();
    FermelLink(const FermelLink&) = delete;
    FermelLink& operator=(const FermelLink&) = delete;

    // Opens COM n (through the port map) at 9600 baud, 8 data bits, no
    // parity, one stop bit. The control lines are left alone.
    bool OpenPort(int n);
    void ClosePort();
    bool isOpen() const { return port_ != nullptr; }

    int Exchange(const kline::Request& request);
    // De-escaped reply without its checksum; one element 0 after a failure.
    const std::vector<int>& Reply() const { return reply_; }
    int LastResult() const { return last_; }
    static QString ResultText(int code);

    // Called on the first echo read and on reply reads 0, 39, 78, 117 and
    // 156: the window shows that the line is alive.
    std::function<void()> activity;

  private:
    int fail(int code);
    void blink() {
        if (activity) activity();
    }

    kline::PortMap& ports_;
    kline::PortFactory factory_;
    std::unique_ptr<kline::SerialPort> port_;
    int last_ = kLinkOk;
    std::vector<int> reply_{0};
};

// Command 37 for table t of the block: address low byte, high byte, 0.
kline::Request tableRequest(EngineType engine, int table);
// The request's reply carries the 256 table bytes from element 3 on.
constexpr int kTableReplyLength = 3 + kTableSize;

} // namespace editor
