#include "ActivationWatch.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

namespace common {

namespace {
const char* const kBoxProperty = "kvMessageBox";
}

ActivationWatch::ActivationWatch() : QObject(QCoreApplication::instance()) {
    QCoreApplication::instance()->installEventFilter(this);
}

ActivationWatch& ActivationWatch::instance() {
    static ActivationWatch* watch = new ActivationWatch; // owned by the application
    return *watch;
}

bool ActivationWatch::takeReturnFromMessageBox() {
    const bool was = lastWasBox_;
    lastWasBox_ = false;
    return was;
}

bool ActivationWatch::isMessageBox(const QWidget* window) {
    return window && (qobject_cast<const QMessageBox*>(window) || window->property(kBoxProperty).toBool());
}

void ActivationWatch::markAsMessageBox(QWidget* window) { window->setProperty(kBoxProperty, true); }

bool ActivationWatch::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t == QEvent::Hide || t == QEvent::WindowDeactivate) {
        if (watched->isWidgetType()) {
            const auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && (t == QEvent::WindowDeactivate || w->isActiveWindow() || isMessageBox(w)))
                lastWasBox_ = isMessageBox(w);
        }
    }
    return false;
}

} // namespace common
