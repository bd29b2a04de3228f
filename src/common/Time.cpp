#include "Time.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace common {

namespace {
std::function<void(int)>& pauseHook() {
    static std::function<void(int)> hook;
    return hook;
}
long long& pausedMs() {
    static long long ms = 0;
    return ms;
}
} // namespace

void Pause(int ms) {
    if (ms <= 0) return;
    if (pauseHook()) {
        pausedMs() += ms;
        pauseHook()(ms);
        return;
    }
#ifdef Q_OS_LINUX
    // The kernel may let a sleep run on by the thread's timer slack (50 µs
    // by default); the graph window sleeps eight times a sample, and the
    // strips keep the wire's pace only if a pause ends when it should.
    thread_local const bool exact = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)exact;
#endif
    QThread::msleep(static_cast<unsigned long>(ms));
}

void PauseWithEvents(int ms) {
    if (ms <= 0) return;
    if (pauseHook() || !QCoreApplication::instance()) {
        Pause(ms);
        return;
    }
    QEventLoop wait;
    QTimer::singleShot(ms, Qt::PreciseTimer, &wait, &QEventLoop::quit);
    wait.exec();
}

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void DoEventsExceptInput() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void setPauseHook(std::function<void(int)> hook) { pauseHook() = std::move(hook); }

long long MonotonicMs() {
    if (pauseHook()) return pausedMs();
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock.elapsed();
}

} // namespace common
