#include "Time.h"

#include <QCoreApplication>
#include <QThread>

namespace common {

namespace {
std::function<void(int)>& pauseHook() {
    static std::function<void(int)> hook;
    return hook;
}
} // namespace

void Pause(int ms) {
    if (ms <= 0) return;
    if (pauseHook()) {
        pauseHook()(ms);
        return;
    }
    QThread::msleep(static_cast<unsigned long>(ms));
}

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void setPauseHook(std::function<void(int)> hook) { pauseHook() = std::move(hook); }

} // namespace common
