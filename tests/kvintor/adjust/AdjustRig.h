#pragma once
// Kvintor with the adjustment windows on the simulated ECU: windows are
// opened through the "Регулировки" menu, driven by real mouse and key
// events on their sliders, and the requests the ECU saw are compared byte
// for byte.
#include "EventLoop.h"
#include "KvintorRig.h"
#include "adjust/AdjustWindows.h"
#include "common/Time.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

struct AdjustTest : ::testing::Test {
    KvintorRig rig;

    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        common::setPauseHook([](int) {});
        kvintor::installAdjustWindows(rig.program);
        ASSERT_TRUE(rig.startOnCom1());
        settle();
        quietMain();
    }
    void TearDown() override {
        common::setPauseHook(nullptr);
        QLocale::setDefault(QLocale::c());
    }

    // Lets the queued activations and reads run.
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    // The main window stops polling and the request log starts afresh.
    void quietMain() {
        rig.main().stopTimers();
        rig.requests();
    }
    kvintor::AdjustmentMenu& menu() {
        auto* m = rig.main().findChild<kvintor::AdjustmentMenu*>();
        EXPECT_NE(m, nullptr);
        return *m;
    }
    kvintor::AdjustmentWindow* window(int item) { return menu().window(item); }
    // Opens a window by ticking its menu item.
    kvintor::AdjustmentWindow* open(int item) {
        QAction* a = rig.main().Reg[static_cast<std::size_t>(item)];
        EXPECT_FALSE(a->isChecked());
        a->trigger();
        settle();
        return window(item);
    }

    int var(int v) { return rig.sim->ecu.variable(v); }

    // ---- the user's hands ----
    static QPoint handle(QSlider* s) {
        const double span = s->maximum() - s->minimum();
        const double at = span > 0 ? (s->value() - s->minimum()) / span : 0;
        return QPoint(8 + static_cast<int>(at * (s->width() - 16)), s->height() / 2);
    }
    // Lets go of the slider with a mouse button.
    static void letGo(QSlider* s, Qt::MouseButton button) {
        QMouseEvent release(QEvent::MouseButtonRelease, handle(s), s->mapToGlobal(handle(s)),
                            button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(s, &release);
    }
    // Moves the slider as a drag would, then lets go with the left button.
    static void dragTo(QSlider* s, int value) {
        s->setValue(value);
        letGo(s, Qt::LeftButton);
    }
    static void key(QWidget* w, Qt::Key k) { QTest::keyClick(w, k); }

    static QSlider* slider(kvintor::AdjustmentWindow* w, int i = 0) {
        return w->Slider1[static_cast<std::size_t>(i)];
    }
    static QString label(kvintor::AdjustmentWindow* w, int i = 0) {
        return w->Label1[static_cast<std::size_t>(i)]->text();
    }
};

// Requests in hexadecimal, as they are written in the request table.
using Requests = std::vector<kline::Request>;
