#pragma once
// The dialogs double made to behave as a real message box does: while it is
// open it shows a box that takes the activation, and when it closes it hands
// the activation back to the window below.
#include "EventLoop.h"
#include "common/RecordingDialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <memory>

inline void behaveLikeRealBoxes(common::RecordingDialogs& dialogs, QWidget* below) {
    auto box = std::make_shared<QMessageBox>();
    QPointer<QWidget> window(below);
    dialogs.whileOpen = [box](const common::MessageCall&) {
        box->show();
        box->activateWindow();
        runEventsFor(30);
    };
    dialogs.afterClose = [box, window](const common::MessageCall&) {
        box->hide();
        if (window) window->activateWindow();
        runEventsFor(30);
    };
}
