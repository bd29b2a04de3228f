#pragma once
// The oscilloscope "Осциллографический тест": checks the connection, asks
// the ECU to stream six values (request 113), takes the link's port over
// with a port of its own that reads the stream, shows the values as numbers
// and three of them as pulses, and gives the port back to the link when it
// closes. Timer2 runs the start, Timer1 watches the stream.
#include "PulseView.h"
#include "StreamPort.h"
#include "link/StreamDecoder.h"

#include <QDialog>
#include <array>
#include <memory>

class QLabel;
class QTimer;

namespace kvintor {

class Program;

class fOscll : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kStartTickMs = 1;
    // After a failed check the start ticks no faster than this.
    static constexpr int kFailedStartTickMs = 15;
    static constexpr int kWatchdogMs = 2500;
    static constexpr int kStartChecks = 6;
    static constexpr int kPictureWidth = 680;
    static constexpr int kPictureHeight = 100;

    fOscll(Program& program, StreamPortFactory streams, QWidget* parent);
    ~fOscll() override;

    // ---- controls, under their names ----
    std::array<QLabel*, 6> Label1{}; // values
    std::array<QLabel*, 6> Label2{}; // captions
    PulseView* Picture1 = nullptr;   // GBC
    PulseView* Picture2 = nullptr;   // VALF
    PulseView* Picture3 = nullptr;   // INJ
    QTimer* Timer1 = nullptr;        // stream watchdog
    QTimer* Timer2 = nullptr;        // start
    // The port that reads the stream; none until the start succeeded.
    StreamPort* MSComm1() const { return port_.get(); }

    // ---- handlers ----
    void timer2Tick();
    void timer1Tick();
    void received();
    // Gives everything back (each step goes on whatever the last did);
    // runs once, on every way out.
    void unload();

    int failures() const { return failures_; }
    std::array<PulseView*, 3> pictures() const { return {Picture1, Picture2, Picture3}; }

  protected:
    void done(int result) override;

  private:
    void showFrame(const std::vector<int>& bytes);
    void noAnswer();
    bool takeOverPort();

    Program& p_;
    StreamPortFactory streams_;
    std::unique_ptr<StreamPort> port_;
    kline::StreamDecoder decoder_;
    int failures_ = 0;
    int W_ = kPictureWidth;
    bool unloaded_ = false;
    bool messageOpen_ = false;
};

} // namespace kvintor
