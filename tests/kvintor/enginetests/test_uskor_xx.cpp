// The idle acceleration test window against the simulated ECU: the
// precondition, the settling, the override, the run and its result, and
// mask 11 given back on every way out.
#include "EngineTestRig.h"
#include "EventLoop.h"
#include "tfUskorXX.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using kvintor::tfUskorXX;

namespace {

const Request kPrecondition{0x61, 0x06, 0x5C};
const Request kStartRead{0x61, 0x2C, 0x5C};
const Request kSettle{0x61, 0x1A, 0x2C, 0x20};
const Request kSample{0x61, 0x1A, 0x2C, 0x3F, 0x20};
// With the idle speed held by the adjustment window (bit 6) before the test.
const Request kOverride{0x62, 0x0B, 0xE0, 0x1A, 0x4F, 0x5B, 0xFF};
const Request kRelease{0x62, 0x0B, 0x40};
const Request kStopRelease{0x62, 0x0B, 0xC0}; // Stop: the valve first

const QString kNoValve = QStringLiteral(
    "Даный  двигатель  не  имеет  РДВ,  дальнейшее  продолжение  теста  не  целесообразно");

struct UskorXX : EngineTestRig {
    tfUskorXX* w = nullptr;
    void SetUp() override {
        EngineTestRig::SetUp();
        otherOverride();
        w = openXX();
        ASSERT_NE(w, nullptr);
        rig.requests();
    }
    tfUskorXX* openXX() {
        auto* window = open<tfUskorXX>(2);
        QCoreApplication::processEvents(); // the first activation
        if (window && window->Timer1) window->Timer1->stop();
        return window;
    }
    // Every way out: the controls back, the live panel on, both bits clear
    // in the program's copy and in the ECU, the other window's bit kept.
    void expectGivenBack() {
        EXPECT_TRUE(w->Command1->isEnabled());
        EXPECT_FALSE(w->ProgressBar1->isVisible());
        EXPECT_TRUE(w->Timer1->isActive());
        EXPECT_FALSE(w->inRun());
        EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(rig.program.state.OverrideMaskA, 0x40);
        EXPECT_EQ(mask11(), 0x40);
        EXPECT_FALSE(rig.program.ledger.owes());
    }
    std::vector<Request> after(const std::vector<Request>& log, const Request& r) {
        auto it = std::find(log.begin(), log.end(), r);
        return it == log.end() ? std::vector<Request>{} : std::vector<Request>(it + 1, log.end());
    }
};

} // namespace

// ============================================================ opening

TEST_F(UskorXX, OpeningChecksTheEngineAndStartsTheLivePanel) {
    EXPECT_EQ(w->windowTitle(),
              QStringLiteral("Тест разгона на холостом ходу  Kvintor  (версия 2.4)"));
    EXPECT_EQ(w->Label5->text(), QStringLiteral("Длит. импульса впрыка (Ms) ="));
    EXPECT_EQ(w->Label6->text(), "");
    EXPECT_EQ(w->Label2->marks().back(), "2,5");
    EXPECT_EQ(w->ProgressBar1->maximum(), 26);
    EXPECT_EQ(w->ProgressBar1->accessibleName(), "ProgressBar1");
    EXPECT_FALSE(w->ProgressBar1->isVisible());
    EXPECT_EQ(w->findChild<QLabel*>("Label7(0)"), w->Label7[0]);
    // Each activation from another window checks again.
    w->activated();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kPrecondition}));
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    // A link failure there refuses nothing, silently.
    w->Timer1->stop();
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    w->activated();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(UskorXX, ACarburettorEngineOrADeadValveClosesTheWindow) {
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.sim->ecu.setFuelling(sim::Fuelling::Carburettor);
    QPointer<tfUskorXX> carb = openXX();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kNoValve);
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(carb) << "closed";

    rig.sim->ecu.setFuelling(sim::Fuelling::Injection4062);
    for (int step : {255, 0}) {
        rig.dialogs.messages.clear();
        rig.sim->ecu.setVariable(92, step);
        QPointer<tfUskorXX> dead = openXX();
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text,
                  QStringLiteral("Дальнейшее  продолжение  теста  невозможно\r\nШаг  РДВ=") +
                      QString::number(step));
        EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(dead);
    }
    EXPECT_EQ(mask11(), 0x40);
}

// ============================================================ the run

TEST_F(UskorXX, TheRunFillsThePlotAndShowsTheAveragePulse) {
    w->Command1->click();
    const std::vector<Request> log = rig.requests();
    std::vector<Request> expected{kPrecondition, kStartRead};
    expected.insert(expected.end(), 26, kSettle);
    expected.push_back(kOverride);
    expected.insert(expected.end(), 26, kSample);
    expected.push_back(kRelease);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(pauses, std::vector<int>(26, 100)) << "one column is 0.1 s of real time";
    EXPECT_TRUE(rig.dialogs.messages.empty());

    const std::vector<QPoint>& points = w->Picture1->canvas().points();
    ASSERT_EQ(points.size(), 26u);
    EXPECT_EQ(points.front().x(), 0);
    EXPECT_EQ(points.back().x(), 725);
    // From idle to above 2000 rpm: the speed byte's height.
    EXPECT_GT(points.front().y(), kvintor::speedByteY(130, 424));
    EXPECT_LT(points.back().y(), kvintor::speedByteY(200, 424));
    const double pulse = w->Label6->text().toDouble();
    EXPECT_GE(pulse, 4.0) << w->Label6->text().toStdString();
    EXPECT_LE(pulse, 6.0);
    EXPECT_EQ(w->Label3->text(), "39")
        << "the live panel followed the run: the coolant the ECU goes by";
    expectGivenBack();
}

TEST_F(UskorXX, TheAverageIsWorkedOutFromTheSamples) {
    w->Label6->setText("old");
    // Pulse widths 538 and 539 in turn: 538.5 / 125 = 4.308 ms.
    std::deque<Request> alternate;
    for (int i = 0; i < 26; ++i)
        alternate.push_back(i % 2 ? Request{0x4F, 151, 0x1B, 0x02, 0}
                                  : Request{0x4F, 150, 0x1A, 0x02, 0});
    script(kSample, alternate);
    w->Command1->click();
    EXPECT_EQ(w->Label6->text(), "4.31");
    EXPECT_EQ(w->Label4->text(), "1510");
    expectGivenBack();
}

TEST_F(UskorXX, ThrottleAtOneIsToleratedWhileSettlingButEndsTheRun) {
    w->Label6->setText("4.4");
    script(kSettle, {{0x7D, 85, 1}});
    script(kSample, {{0x4F, 100, 0x1A, 0x02, 0}, {0x4F, 110, 0x1A, 0x02, 1}});
    w->Command1->click();
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, kSettle), 26) << "throttle 1 settles on";
    EXPECT_EQ(count(log, kOverride), 1);
    EXPECT_EQ(after(log, kOverride), (std::vector<Request>{kSample, kSample, kRelease}))
        << "released before the hint, once";
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Тест  прерван.  Дроссельная  заслонка  не  закрыта"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(w->Label6->text(), "4.4") << "an aborted run leaves the old result";
    expectGivenBack();
}

TEST_F(UskorXX, ThrottleOpenedWhileSettling) {
    script(kSettle, {{0x7D, 85, 0}, {0x7D, 85, 0}, {0x7D, 90, 2}});
    w->Command1->click();
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, kSettle), 3);
    EXPECT_EQ(count(log, kOverride), 0) << "the override was never sent";
    EXPECT_EQ(after(log, kSettle), (std::vector<Request>{kSettle, kSettle, kRelease}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Тест  прерван.  Дроссельная  заслонка  не  закрыта"));
    expectGivenBack();
}

TEST_F(UskorXX, EngineStallsWhileSettlingOrDuringTheRun) {
    script(kSettle, {{0x7D, 85, 0}, {0x7D, 0, 0}});
    w->Command1->click();
    std::vector<Request> log = rig.requests();
    EXPECT_EQ(after(log, kSettle), (std::vector<Request>{kSettle, kRelease}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    expectGivenBack();

    // The engine dies under the override.
    scripted.clear();
    rig.dialogs.messages.clear();
    script(kSample, {{0x4F, 100, 0x1A, 0x02, 0}, {0x4F, 110, 0x1A, 0x02, 0}, {0x4F, 0, 0, 0, 0}});
    w->Command1->click();
    log = rig.requests();
    EXPECT_EQ(after(log, kOverride), (std::vector<Request>{kSample, kSample, kSample, kRelease}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    expectGivenBack();
}

TEST_F(UskorXX, StartChecksTheSpeedAndTheValveFirst) {
    engine().stop();
    script(kPrecondition, {{0x04, 40}});
    rig.sim->advance(3000);
    w->Command1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kPrecondition, kStartRead}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));

    engine().start();
    rig.sim->advance(3000);
    rig.dialogs.messages.clear();
    script(kStartRead, {{85, 0}});
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Дальнейшее  продолжение  теста  невозможно  шаг  РДВ = 0"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kPrecondition, kStartRead}));
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0x40) << "no bit taken";

    // Refused at Start: the window stays, nothing else is sent.
    rig.dialogs.messages.clear();
    script(kPrecondition, {{0x00, 40}});
    w->Command1->click();
    EXPECT_EQ(rig.dialogs.messages.at(0).text, kNoValve);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kPrecondition}));
    EXPECT_EQ(mask11(), 0x40);
}

// ============================================================ ways out

TEST_F(UskorXX, StopReleasesTheValveThenBoth) {
    w->Label6->setText("4.4");
    onPause = [this](int) {
        if (pauses.size() == 5) w->Command2->click();
    };
    w->Command1->click();
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(after(log, kOverride),
              (std::vector<Request>{kSample, kSample, kSample, kSample, kStopRelease, kRelease}));
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(w->Label6->text(), "4.4");
    expectGivenBack();
}

TEST_F(UskorXX, EveryBoxWaitsOnlyOnceTheOverrideIsGivenBack) {
    struct Case {
        const char* name;
        std::function<void()> during; // what happens in the run
        QString text;                 // the box it brings
    };
    int samples = 0;
    const auto rigHook = rig.sim->ecu.replyHook;
    const std::vector<Case> cases{
        {"a sample lost on the line",
         [this, &samples, rigHook] {
             rig.sim->ecu.replyHook = [&samples, rigHook](const Request& r,
                                                          std::optional<Request>& reply) {
                 rigHook(r, reply);
                 if (r == kSample && ++samples == 3) reply.reset();
             };
         },
         QStringLiteral("Операция  не  выполнена   ЭБУ НЕ ОТВЕЧАЕТ")},
        {"the engine stalling",
         [this] {
             script(kSample, {{0x4F, 100, 0x1A, 0x02, 0}, {0x4F, 0, 0, 0, 0}});
         },
         QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель")},
        {"the throttle opening",
         [this] {
             script(kSample, {{0x4F, 100, 0x1A, 0x02, 0}, {0x4F, 110, 0x1A, 0x02, 3}});
         },
         QStringLiteral("Тест  прерван.  Дроссельная  заслонка  не  закрыта")},
        {"a close request",
         [this] {
             onPause = [this](int) {
                 if (pauses.size() == 3) w->close();
             };
         },
         QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pauses.clear();
        int maskUnderTheBox = -1;
        rig.dialogs.whileOpen = [&](const common::MessageCall&) { maskUnderTheBox = mask11(); };
        c.during();
        w->Command1->click();
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text, c.text);
        EXPECT_EQ(maskUnderTheBox, 0x40) << "coolant and valve are the ECU's again";
        expectGivenBack();
        rig.dialogs.messages.clear();
        scripted.clear();
        onPause = nullptr;
        rig.sim->ecu.replyHook = rigHook;
        samples = 0;
    }
}

TEST_F(UskorXX, AValveHeldByTheValveWindowStaysItsOwn) {
    // "Положение РДВ" holds the valve at 80 steps besides the idle speed.
    rig.sim->ecu.handle({98, 11, 0x60, 91, 80});
    rig.program.state.OverrideMaskA = 0x60;
    w->Command2->click();
    EXPECT_TRUE(rig.requests().empty())
        << "Stop in an idle window gives back nothing it did not take";
    EXPECT_EQ(mask11(), 0x60);

    w->Command1->click();
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, Request{0x61, 0x5B}), 1) << "the valve hold it takes over is read first";
    EXPECT_EQ(count(log, Request{0x62, 0x0B, 0xE0, 0x1A, 0x4F, 0x5B, 0xFF}), 1);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], (Request{0x62, 0x0B, 0x60})) << "only the coolant goes back";
    EXPECT_EQ(log.back(), (Request{0x62, 0x0B, 0x60, 0x5B, 80}))
        << "the valve window's own step again";
    EXPECT_EQ(mask11(), 0x60);
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0x60);
    EXPECT_EQ(rig.sim->ecu.variable(91), 80);
}

TEST_F(UskorXX, StopWhileSettling) {
    // The click is queued while the ECU answers the seventh poll and runs
    // when the loop lets events run.
    bool clicked = false;
    onRequest = [this, &clicked](const Request& r) {
        if (r == kSettle && w->ProgressBar1->value() == 5 && !clicked) {
            clicked = true;
            QTimer::singleShot(0, w->Command2, &QPushButton::click);
        }
    };
    w->Command1->click();
    std::vector<Request> expected{kPrecondition, kStartRead};
    expected.insert(expected.end(), 7, kSettle);
    expected.push_back(kStopRelease);
    expected.push_back(kRelease);
    EXPECT_EQ(rig.requests(), expected);
    expectGivenBack();
}

TEST_F(UskorXX, ClosingDuringTheRunStopsItAndKeepsTheWindow) {
    onPause = [this](int) {
        if (pauses.size() == 5) w->close();
    };
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/"));
    EXPECT_TRUE(w->isVisible());
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(after(log, kOverride).back(), kRelease);
    EXPECT_EQ(count(log, kStopRelease), 1) << "the close ran Stop";
    expectGivenBack();
    // A second close request succeeds now that the test has ended.
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mask11(), 0x40);
}

TEST_F(UskorXX, ALinkFailureReleasesWhenTheLineIsBack) {
    onPause = [this](int) {
        if (pauses.size() == 5) rig.sim->adapter.setFault(sim::LineFault::NoEcho);
    };
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Операция  не  выполнена   АДАПТЕР НЕ ВКЛЮЧЕН"));
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0x40);
    EXPECT_EQ(mask11(), 0xE0) << "the release was lost on the line";
    EXPECT_EQ(rig.program.ledger.owedMaskA(), 0xA0);
    // The panel's ticks go on while the line is down, without spinning.
    w->livePanel->tick();
    EXPECT_EQ(w->Timer1->interval(), 15);
    EXPECT_EQ(w->Label3->text(), "");
    rig.sim->adapter.setFault(sim::LineFault::None);
    rig.requests();
    // Once the line has answered, the release goes before the next read.
    w->livePanel->tick();
    w->livePanel->tick();
    EXPECT_EQ(rig.requests(),
              (std::vector<Request>{{0x61, 0x1A, 0x2C}, kRelease, {0x61, 0x1A, 0x2C}}));
    w->Timer1->start();
    expectGivenBack();
}

TEST_F(UskorXX, ALostSampleAloneIsReleasedAtOnce) {
    int samples = 0;
    rig.sim->ecu.replyHook = [&samples](const Request& r, std::optional<Request>& reply) {
        if (r == kSample && ++samples == 3) reply.reset();
    };
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.requests().back(), kRelease);
    expectGivenBack();
}

TEST_F(UskorXX, AnOverrideTheEcuRefusesIsReportedAndReleased) {
    rig.sim->ecu.refuseWrites(26, 7);
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  7"));
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(after(log, kOverride), (std::vector<Request>{kRelease}));
    EXPECT_EQ(w->Picture1->canvas().points().size(), 0u);
    expectGivenBack();
}

TEST_F(UskorXX, TheProgramEndingDuringTheRunLeavesTheEcuReset) {
    onPause = [this](int) {
        if (pauses.size() == 3) rig.program.endWithReset();
    };
    w->Command1->click();
    EXPECT_EQ(rig.ends, 1);
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "the program ends quietly";
    EXPECT_EQ(mask11(), 0) << "the end resets the working variables";
    EXPECT_FALSE(w->Timer1->isActive());
}
