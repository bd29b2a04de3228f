#pragma once
// A log-out, a shut-down or Ctrl+C in a terminal (SIGTERM, SIGHUP, SIGINT)
// ends Kvintor the way "Выйти" does, without questions, so that the ECU
// gets its working variables back. The signal handler only writes a byte
// into a pipe; the end itself runs in the event loop.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kvintor {

class SignalEnd : public QObject {
public:
    // Installs the handlers; end runs once, on the first of the signals.
    explicit SignalEnd(std::function<void()> end, QObject* parent = nullptr);
    ~SignalEnd() override;
    bool installed() const { return notifier_ != nullptr; }

private:
    std::function<void()> end_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kvintor
