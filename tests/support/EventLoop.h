#pragma once
// Lets the event loop run for a while, as a real message box or another
// window's own loop would.
#include <QCoreApplication>
#include <QElapsedTimer>

inline void runEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
