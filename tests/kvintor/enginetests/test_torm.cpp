// The coast-down test window against the simulated ECU: the start speed,
// run-up, "OK", run-down, the plot by fuel, and the ways out.
#include "EngineTestRig.h"
#include "tfTorm.h"
#include "tfUskor.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using kvintor::tfTorm;

namespace {

const Request kPoll{0x61, 0x29};
const Request kSample{0x61, 0x29, 0x3F};

struct Torm : EngineTestRig {
    tfTorm* w = nullptr;
    void SetUp() override {
        EngineTestRig::SetUp();
        otherOverride();
        w = open<tfTorm>(3);
        ASSERT_NE(w, nullptr);
        rig.requests();
    }
    void start(const QString& speed) {
        w->Combo1->setEditText(speed);
        w->Command1->click();
    }
    void expectIdleAndEcuUntouched(const std::vector<Request>& log) {
        EXPECT_TRUE(w->Command1->isEnabled());
        EXPECT_TRUE(w->Combo1->isEnabled());
        EXPECT_FALSE(w->Frame3->isVisible());
        EXPECT_TRUE(w->Timer1->isActive());
        EXPECT_FALSE(w->inRun());
        EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
        EXPECT_FALSE(writes(log));
        EXPECT_EQ(mask11(), 0x40);
    }
    // The colour of sample i's line, looked up around its middle.
    QColor colourOfSegment(std::size_t i) const {
        const auto& pts = w->Picture1->canvas().points();
        const QPoint from = i == 0 ? QPoint(0, firstY) : pts[i - 1];
        const QImage& image = w->Picture1->canvas().image();
        const int x = (from.x() + pts[i].x()) / 2;
        const int y = (from.y() + pts[i].y()) / 2;
        for (int dy : {0, -1, 1, -2, 2}) {
            const QColor c = image.pixelColor(x, y + dy);
            if (c != kvintor::plotBackground() && c != QColor(Qt::black)) return c;
        }
        return kvintor::plotBackground();
    }
    int firstY = 0;
};

} // namespace

TEST_F(Torm, CaptionControlsAndTheStoredSpeed) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Тест механических потерь  Kvintor  (версия 2.4)"));
    EXPECT_EQ(w->Label6->text(), QStringLiteral("Начальные обороты"));
    EXPECT_EQ(w->Label5->text(), "OK");
    EXPECT_FALSE(w->Frame3->isVisible());
    EXPECT_EQ(w->Combo1->currentText(), "2000");
    EXPECT_EQ(w->Label2->marks().back(), "4,4");
    EXPECT_EQ(w->findChild<QGroupBox*>("Frame1")->title(),
              QStringLiteral("Температура  о.ж. (град. С)"));
    EXPECT_EQ(w->findChild<QLabel*>("Label7(1)"), w->Label7[1]);
    EXPECT_EQ(w->Shape1->accessibleName(), "Shape1");
}

TEST_F(Torm, CoastDownIsPlottedYellowWithFuelAndPaleWithout) {
    engine().setThrottle(70);
    // The mechanic lets go of the throttle when "OK" shows.
    onRequest = [this](const Request& r) {
        if (r == kPoll && w->Frame3->isVisible()) engine().setThrottle(0);
    };
    start("3500");
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, kSample), 22);
    EXPECT_EQ(count(log, kPoll) + 22, static_cast<long>(log.size()));
    EXPECT_EQ(std::vector<Request>(log.end() - 22, log.end()), std::vector<Request>(22, kSample));
    EXPECT_EQ(pauses, std::vector<int>(22, 200)) << "one column is 0.2 s of real time";
    const auto& points = w->Picture1->canvas().points();
    ASSERT_EQ(points.size(), 22u);
    EXPECT_EQ(points.front().x(), 29);
    EXPECT_EQ(points.back().x(), 638);
    EXPECT_LE(points.front().y(), kvintor::speedCodeY(87, 341) + 40) << "from about 3500 rpm";
    EXPECT_GT(points.back().y(), kvintor::speedCodeY(30, 341)) << "down to idle";
    // The ECU cuts the fuel on the overrun and takes it back near idle.
    EXPECT_EQ(colourOfSegment(3), kvintor::noFuelColour());
    EXPECT_EQ(colourOfSegment(21), kvintor::traceColour());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    expectIdleAndEcuUntouched(log);
    w->close();
    EXPECT_EQ(rig.setting("tfTorm", "Начальн"), "3500");
}

TEST_F(Torm, ColoursAndTheTopEdgeFromTheSamples) {
    script(kPoll, {{160}, {140}});
    script(kSample, {{170, 0, 0}, {140, 1, 0}, {120, 0, 1}, {100, 0, 0}});
    start("6000");
    const auto& points = w->Picture1->canvas().points();
    ASSERT_EQ(points.size(), 22u);
    firstY = kvintor::speedCodeY(140, 341);
    EXPECT_EQ(points[0].y(), 0) << "8000 rpm on the top edge";
    EXPECT_EQ(points[1].y(), kvintor::speedCodeY(140, 341));
    EXPECT_EQ(colourOfSegment(0), kvintor::noFuelColour());
    EXPECT_EQ(colourOfSegment(1), kvintor::traceColour()) << "low byte only";
    EXPECT_EQ(colourOfSegment(2), kvintor::traceColour()) << "high byte only";
    EXPECT_EQ(colourOfSegment(3), kvintor::noFuelColour());
}

TEST_F(Torm, TheStartSpeedIsRoundedAndChecked) {
    start("2100");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, QStringLiteral("Обороты  введены  неверно"));
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Critical);
    EXPECT_EQ(beeps(), 1);
    EXPECT_FALSE(w->inputsValid());
    expectIdleAndEcuUntouched(rig.requests());
    EXPECT_TRUE(rig.requests().empty());

    // 2000.4 is 2000: threshold 50; the idling engine never gets there, and
    // the window waits until Stop. The main window polling when the run
    // starts (it was active a moment ago) keeps off the line meanwhile.
    rig.dialogs.messages.clear();
    rig.main().startPolling();
    rig.main().Timer2->setInterval(0); // its next tick at the first event
    long polls = 0;
    onRequest = [this, &polls](const Request& r) {
        if (r == kPoll && ++polls == 300) QTimer::singleShot(0, w->Command2, &QPushButton::click);
    };
    start("2000.4");
    EXPECT_TRUE(w->inputsValid());
    EXPECT_EQ(polls, 300);
    EXPECT_EQ(rig.requests(), std::vector<Request>(300, kPoll));
    EXPECT_TRUE(rig.dialogs.messages.empty());
    expectIdleAndEcuUntouched({});
    w->close();
    EXPECT_EQ(rig.setting("tfTorm", "Начальн"), "2000.4");
}

TEST_F(Torm, OnlyFailedStartsLeaveTheStoredSpeed) {
    rig.store("tfTorm", "Начальн", "4000");
    start("abc");
    w->close();
    EXPECT_EQ(rig.setting("tfTorm", "Начальн"), "4000");
}

TEST_F(Torm, EngineStoppingOrALinkFailureEndsTheTest) {
    script(kPoll, {{60}, {0}});
    start("2000");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    EXPECT_FALSE(w->Frame3->isVisible());
    expectIdleAndEcuUntouched(rig.requests());

    rig.dialogs.messages.clear();
    script(kPoll, {{60}, {40}});
    script(kSample, {{40, 0, 0}});
    onPause = [this](int) {
        if (pauses.size() == 4) rig.sim->adapter.setFault(sim::LineFault::BadChecksum);
    };
    start("2000");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Операция  не  выполнена   НЕ ВЕРНАЯ КОНТР.СУММА"));
    EXPECT_EQ(w->Picture1->canvas().points().size(), 3u);
    rig.sim->adapter.setFault(sim::LineFault::None);
    expectIdleAndEcuUntouched(rig.requests());
}

TEST_F(Torm, ClosingDuringTheTestShowsHintFourAndStopEndsIt) {
    script(kPoll, {{60}, {40}});
    script(kSample, {{40, 0, 0}});
    onPause = [this](int) {
        if (pauses.size() == 2) w->close();
        if (pauses.size() == 3) w->Command2->click();
    };
    start("2000");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/"));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Picture1->canvas().points().size(), 2u) << "the sample after Stop is not drawn";
    expectIdleAndEcuUntouched(rig.requests());
}

TEST_F(Torm, OtherWindowsKeepOffTheLineAndTheirRepliesOffThePlot) {
    // The acceleration window is open too, its live panel running.
    auto* other = open<kvintor::tfUskor>(1);
    ASSERT_NE(other, nullptr);
    other->Timer1->start();
    rig.requests();
    script(kPoll, {{60}, {40}});
    script(kSample, {{40, 0, 0}});
    // Something else exchanges while the run lets events run: its reply
    // (coolant 0x7D) must not be taken for the sample.
    const Request elsewhere{0x61, 0x1A};
    onRequest = [this, elsewhere](const Request& r) {
        if (r == kSample)
            QTimer::singleShot(0, w, [this, elsewhere] { rig.program.ecu.EcuExchange(elsewhere); });
    };
    start("2000");
    other->Timer1->stop();
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, {0x61, 0x1A, 0x2C}), 0) << "the other panel waited";
    EXPECT_EQ(count(log, elsewhere), 22);
    for (const QPoint& p : w->Picture1->canvas().points())
        EXPECT_EQ(p.y(), kvintor::speedCodeY(40, 341)) << p.x();
    EXPECT_EQ(colourOfSegment(5), kvintor::noFuelColour());
}
