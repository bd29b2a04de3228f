// The acceleration test window against the simulated ECU: inputs, the
// waits, the samples, the ways out, the live panel, the stored speeds.
#include "EngineTestRig.h"
#include "EventLoop.h"
#include "tfUskor.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using kvintor::tfUskor;

namespace {

struct Uskor : EngineTestRig {
    tfUskor* w = nullptr;
    void SetUp() override {
        EngineTestRig::SetUp();
        otherOverride();
        w = open<tfUskor>(1);
        ASSERT_NE(w, nullptr);
        rig.requests();
    }
    void start(const QString& from, const QString& to) {
        w->Combo2->setEditText(from);
        w->Combo1->setEditText(to);
        w->Command1->click();
    }
    // Every way out: the controls back, the live panel on, and the ECU as
    // it was (this window only reads).
    void expectIdleAndEcuUntouched(const std::vector<Request>& log) {
        EXPECT_TRUE(w->Command1->isEnabled());
        EXPECT_TRUE(w->Combo1->isEnabled());
        EXPECT_TRUE(w->Combo2->isEnabled());
        EXPECT_TRUE(w->Timer1->isActive());
        EXPECT_FALSE(w->inRun());
        EXPECT_FALSE(writes(log));
        EXPECT_EQ(mask11(), 0x40);
        EXPECT_EQ(rig.program.state.OverrideMaskA, 0x40);
    }
    std::vector<int> ys() const {
        std::vector<int> out;
        for (const QPoint& p : w->Picture1->canvas().points())
            out.push_back(p.y());
        return out;
    }
};

} // namespace

// ============================================================ the window

TEST_F(Uskor, CaptionControlsAndStoredSpeeds) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Тест разгона  Kvintor  (версия 2.4)"));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Command1->text(), QStringLiteral("Старт"));
    EXPECT_EQ(w->Command2->text(), QStringLiteral("Стоп"));
    EXPECT_EQ(w->Label5->text(), QStringLiteral("СТОП"));
    EXPECT_FALSE(w->Label5->isVisible());
    EXPECT_EQ(w->Combo1->currentText(), "2000") << "default end speed";
    EXPECT_EQ(w->Combo2->currentText(), "1000") << "default start speed";
    EXPECT_EQ(w->Label2->marks().back(), "1,4");
    EXPECT_EQ(w->findChild<QWidget*>("Picture1")->accessibleName(), "Picture1");
    EXPECT_EQ(w->Picture1->canvas().width(), 421);
    EXPECT_EQ(w->findChild<QGroupBox*>("Frame1")->title(),
              QStringLiteral("Температура  о.ж.  (град. С)"));
    EXPECT_EQ(w->findChild<QGroupBox*>("Frame2")->title(),
              QStringLiteral("Обороты/мин. (холостой ход)"));
    EXPECT_EQ(w->findChild<QLabel*>("Label6(1)"), w->Label6[1]);
    EXPECT_EQ(w->Timer1->interval(), 1);

    // The same item again brings the same window; a closed one is gone.
    EXPECT_EQ(open<tfUskor>(1), w);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(rig.main().findChild<tfUskor*>(), nullptr);
    rig.store("tfUskor", "Конечн", "3500");
    rig.store("tfUskor", "Начальн", "1200");
    w = open<tfUskor>(1);
    EXPECT_EQ(w->Combo1->currentText(), "3500");
    EXPECT_EQ(w->Combo2->currentText(), "1200");
}

TEST_F(Uskor, LivePanelShowsCoolantAndIdleSpeedAndGreysOnAFailure) {
    rig.sim->ecu.setVariable(26, 125);
    rig.sim->ecu.setVariable(44, 85);
    w->livePanel->tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{0x61, 0x1A, 0x2C}}));
    EXPECT_EQ(w->Label3->text(), "85");
    EXPECT_EQ(w->Label4->text(), "850");
    EXPECT_EQ(w->Label6[0]->width(), 128);
    EXPECT_EQ(w->Label6[0]->palette().color(QPalette::Window), QColor(128, 0, 0));
    EXPECT_EQ(w->Label6[1]->width(), 123);
    EXPECT_EQ(w->Label6[1]->palette().color(QPalette::Window), QColor(0, 123, 123));
    EXPECT_EQ(w->Timer1->interval(), 1);

    // The adapter unplugged: blank values, grey bars, and a timer that does
    // not spin on a line that fails at once.
    rig.sim->adapter.setFault(sim::LineFault::PortGone);
    w->livePanel->tick();
    EXPECT_EQ(w->Label3->text(), "");
    EXPECT_EQ(w->Label4->text(), "");
    EXPECT_EQ(w->Label6[0]->palette().color(QPalette::Window),
              w->palette().color(QPalette::Button));
    EXPECT_EQ(w->Label6[1]->palette().color(QPalette::Window),
              w->palette().color(QPalette::Button));
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "no message";
    EXPECT_EQ(w->Timer1->interval(), 15);
    int ticks = 0;
    const QMetaObject::Connection counting =
        QObject::connect(w->Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    w->Timer1->start();
    runEventsFor(300);
    w->Timer1->stop();
    QObject::disconnect(counting);
    EXPECT_GT(ticks, 0);
    EXPECT_LE(ticks, 300 / 15 + 2);
}

// ============================================================ inputs

TEST_F(Uskor, EndSpeedIsCheckedFirstThenStartSpeedAndNothingIsSent) {
    rig.store("tfUskor", "Конечн", "4500");
    start("1050", "2100");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u) << "only the end speed's message";
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Конечные  обороты  введены  не  верно"));
    EXPECT_EQ(rig.dialogs.messages[0].caption,
              QStringLiteral("Тест разгона Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(beeps(), 1);
    EXPECT_FALSE(w->inputsValid());

    start("1050", "2500");
    ASSERT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_EQ(rig.dialogs.messages[1].text,
              QStringLiteral("Начальные  обороты  введены  не  верно"))
        << "1050 lies in range but is not in the list";
    EXPECT_EQ(rig.dialogs.messages[1].caption, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[1].icon, common::Icon::Exclamation);
    EXPECT_EQ(beeps(), 2);
    EXPECT_TRUE(rig.requests().empty());
    expectIdleAndEcuUntouched({});

    // Only failed Starts: the stored speeds stay as they were.
    w->close();
    EXPECT_EQ(rig.setting("tfUskor", "Конечн"), "4500");
    EXPECT_EQ(rig.setting("tfUskor", "Начальн"), "<none>");
}

// ============================================================ the run

TEST_F(Uskor, TheMainWindowClickedDuringARunPollsAgainWhenItEnds) {
    engine().setThrottle(100);
    onPause = [this](int) {
        if (pauses.size() != 2) return;
        rig.main().activateWindow();
        QApplication::setActiveWindow(&rig.main());
    };
    start("1000", "4000");
    ASSERT_TRUE(rig.main().isActiveWindow());
    EXPECT_TRUE(rig.main().Timer1->isActive() || rig.main().Timer2->isActive())
        << "its panel is live again";
}

TEST_F(Uskor, FullThrottleIsPlottedUpToTheEndSpeed) {
    engine().setThrottle(100);
    start("1000", "4000");
    const std::vector<Request> log = rig.requests();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(count(log, {0x61, 0x29}), static_cast<long>(log.size())) << "only speed samples";
    const std::vector<QPoint>& points = w->Picture1->canvas().points();
    ASSERT_GE(points.size(), 3u);
    EXPECT_EQ(pauses, std::vector<int>(points.size(), 100)) << "one column is 0.1 s of real time";
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(points[i].x(), 29 * static_cast<int>(i + 1));
    EXPECT_LT(points.size(), 14u) << "stopped at 4000 rpm before the plot filled";
    EXPECT_LE(points.back().y(), kvintor::speedCodeY(100, 341))
        << "the last sample at 4000 rpm or more";
    for (std::size_t i = 1; i < points.size(); ++i)
        EXPECT_LE(points[i].y(), points[i - 1].y() + 3) << i;
    EXPECT_TRUE(w->Label5->isVisible()) << "СТОП";
    EXPECT_TRUE(rig.dialogs.messages.empty());
    expectIdleAndEcuUntouched(log);
    EXPECT_TRUE(w->inputsValid());

    // A valid Start: the speeds are stored when the window closes.
    w->close();
    EXPECT_EQ(rig.setting("tfUskor", "Конечн"), "4000");
    EXPECT_EQ(rig.setting("tfUskor", "Начальн"), "1000");
}

TEST_F(Uskor, WaitsForTheStartSpeedThenFillsThePlot) {
    // 1100 rpm: threshold Int(1100 / 40) = 27.
    script({0x61, 0x29}, {{20},
                          {26},
                          {27},
                          {50},
                          {60},
                          {70},
                          {80},
                          {90},
                          {100},
                          {110},
                          {120},
                          {121},
                          {122},
                          {123},
                          {124},
                          {125},
                          {126},
                          {127}});
    start("1100", "6000");
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(log.size(), 3u + 14u) << "three waits, fourteen samples";
    EXPECT_EQ(pauses.size(), 14u);
    const std::vector<QPoint>& points = w->Picture1->canvas().points();
    ASSERT_EQ(points.size(), 14u);
    EXPECT_EQ(points.back().x(), 406);
    EXPECT_EQ(points[0].y(), kvintor::speedCodeY(50, 341));
    EXPECT_FALSE(w->Label5->isVisible()) << "6000 rpm never reached";
    expectIdleAndEcuUntouched(log);
}

TEST_F(Uskor, ASpeedAboveFullScaleIsDrawnAtTheTopEdgeAtAnySample) {
    // Later sample: 200 x 40 = 8000 rpm would come out of the formula as
    // |341 - 418| = 77, as if the engine were slowing; it runs on the edge.
    script({0x61, 0x29}, {{30}, {100}, {200}});
    start("1000", "6000");
    EXPECT_EQ(ys(), (std::vector<int>{kvintor::speedCodeY(100, 341), 0}));
    EXPECT_TRUE(w->Label5->isVisible());
    // First sample above full scale: the pen starts on the top edge.
    w->Picture1->canvas().drawGrid();
    script({0x61, 0x29}, {{200}, {120}, {170}});
    start("1000", "6000");
    ASSERT_EQ(ys(), (std::vector<int>{kvintor::speedCodeY(120, 341), 0}));
    EXPECT_EQ(w->Picture1->canvas().image().pixelColor(0, 0), kvintor::traceColour())
        << "the first line starts at (0, 0)";
}

// ============================================================ ways out

TEST_F(Uskor, EngineOffAtStartShowsHintOneAtOnce) {
    engine().stop();
    rig.sim->advance(3000);
    start("1000", "2000");
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{0x61, 0x29}}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
    EXPECT_EQ(beeps(), 1);
    expectIdleAndEcuUntouched({});
}

TEST_F(Uskor, StopEndsTheRunBeforeTheNextSample) {
    script({0x61, 0x29}, {{30}, {40}});
    onPause = [this](int) {
        if (pauses.size() == 3) w->Command2->click();
    };
    start("1000", "6000");
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(log.size(), 1u + 2u) << "no sample after the Stop";
    EXPECT_EQ(w->Picture1->canvas().points().size(), 2u);
    EXPECT_FALSE(w->Label5->isVisible());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    expectIdleAndEcuUntouched(log);
}

TEST_F(Uskor, ClosingDuringTheTestShowsHintFourAndTheWindowStays) {
    script({0x61, 0x29}, {{30}, {40}});
    onPause = [this](int) {
        if (pauses.size() == 2) {
            w->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    start("1000", "6000");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Picture1->canvas().points().size(), 14u) << "the run went on";
    expectIdleAndEcuUntouched(rig.requests());
    // Esc closes the window once no test runs.
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(Uskor, ClosingAfterAStopWhileTheLoopWindsDownDeletesTheWindowAfterIt) {
    script({0x61, 0x29}, {{30}, {40}});
    onPause = [this](int) {
        if (pauses.size() == 2) {
            w->Command2->click();
            w->close(); // Command1 is enabled again: the close goes through
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    QPointer<tfUskor> guard(w);
    start("1000", "6000");
    ASSERT_TRUE(guard) << "not deleted under its own loop";
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Timer1->isActive()) << "a closed window does not poll";
    EXPECT_EQ(rig.setting("tfUskor", "Конечн"), "6000");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard);
}

TEST_F(Uskor, LinkFailureDuringTheRunShowsTheLinkError) {
    engine().setThrottle(30);
    onPause = [this](int) {
        if (pauses.size() == 3) rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    };
    start("1000", "6000");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Операция  не  выполнена   ЭБУ НЕ ОТВЕЧАЕТ"));
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Ошибка  Kvintor  (версия 2.4)"));
    EXPECT_EQ(w->Picture1->canvas().points().size(), 2u);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    rig.sim->adapter.setFault(sim::LineFault::None);
    expectIdleAndEcuUntouched(rig.requests());
}

TEST_F(Uskor, StalledEngineDuringTheRunShowsHintOne) {
    script({0x61, 0x29}, {{30}, {40}, {45}, {0}});
    start("1000", "6000");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    EXPECT_EQ(w->Picture1->canvas().points().size(), 2u);
    expectIdleAndEcuUntouched(rig.requests());
}
