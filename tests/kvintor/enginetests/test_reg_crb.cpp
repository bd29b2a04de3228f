// The carburettor adjustment aid against the simulated ECU: where the lines
// stand and their colour, a failed read, the refusal of an injection
// engine, the ignition hold and the mask it gives back on every way out.
#include "EngineTestRig.h"
#include "TestPlot.h"
#include "tfRegCrb.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

using kvintor::tfRegCrb;

namespace {

const Request kTick{0x61, 0x1A, 0x29, 0x23, 0x06};
const Request kHold{0x62, 0x0B, 0x0C}; // with another window's bit 3 kept
const Request kRelease{0x62, 0x0B, 0x08};
const QColor kPaleYellow(255, 255, 192);
const QColor kGreen(0, 255, 0);

// A carburettor engine's reply: temperature + 40, speed / 40, vacuum (two
// bytes), status.
Request answer(int temp, int code, int vacuum) {
    return {static_cast<std::uint8_t>(temp + 40), static_cast<std::uint8_t>(code),
            static_cast<std::uint8_t>(vacuum & 0xFF), static_cast<std::uint8_t>(vacuum >> 8), 0x09};
}

struct RegCrb : EngineTestRig {
    tfRegCrb* w = nullptr;
    QPointer<tfRegCrb> guard;
    bool timerAtLoad = false;
    void SetUp() override {
        EngineTestRig::SetUp();
        rig.sim->ecu.setFuelling(sim::Fuelling::Carburettor);
        // Another window holds the ignition correction (bit 3).
        rig.sim->ecu.handle({98, 11, 0x08});
        rig.program.state.OverrideMaskA = 0x08;
        rig.main().tst[4]->trigger();
        w = rig.main().findChild<tfRegCrb*>();
        ASSERT_NE(w, nullptr);
        // Reading from the start; the test decides each tick from here on.
        timerAtLoad = w->Timer1->isActive();
        w->Timer1->stop();
        rig.main().stopTimers();
        guard = w;
        rig.requests();
    }
    void tickWith(int temp, int code, int vacuum) {
        script(kTick, {answer(temp, code, vacuum)});
        w->tick();
    }
    void expectGivenBack() {
        EXPECT_EQ(rig.program.state.OverrideMaskA, 0x08);
        EXPECT_EQ(mask11(), 0x08);
    }
};

} // namespace

TEST_F(RegCrb, OpeningShowsTheChartAndStartsReading) {
    EXPECT_EQ(
        w->windowTitle(),
        QStringLiteral("Регулировка карбюратора  (Двигатель 406 - 4063)  Kvintor  (версия 2.4)"));
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("Темпер. о.ж."));
    EXPECT_EQ(w->Frame2->title(), QStringLiteral("Обороты"));
    EXPECT_EQ(w->Frame3->title(), QStringLiteral("Разряжение"));
    EXPECT_EQ(w->Label6->toolTip(), QStringLiteral("  Норма 75-95 град.  "));
    EXPECT_EQ(w->Label7->toolTip(), QStringLiteral("  Холостой ход норма 800-900 обор/мин.  "));
    EXPECT_EQ(w->Label8->toolTip(), QStringLiteral("  Норма 300 мБар.  "));
    EXPECT_EQ(w->Check1->text(), QStringLiteral("Регул УОЗ"));
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_EQ(w->Label2->text(), QStringLiteral("О Б О Р О Т Ы   В   М И Н У Т У"));
    EXPECT_EQ(w->Label9->text(), QStringLiteral("  БОГАТАЯ    60   50"));
    EXPECT_EQ(w->Label11->text(), QStringLiteral("  40    30   20   10"));
    EXPECT_EQ(w->Label3->text(), QStringLiteral("10    20    30   40    50    60    БЕДНАЯ"));
    EXPECT_EQ(w->Label5->text(),
              QStringLiteral("ВНИМАНИЕ!  Убедитесь, что все дополнительные потребители "
                             "электрознергии автомобиля, ОТКЛЮЧЕНЫ."));
    EXPECT_EQ(w->Label1->marks().front(), "6000");
    EXPECT_EQ(w->Label1->marks().back(), "0");
    EXPECT_EQ(w->Picture1->canvas().width(), 530);
    EXPECT_EQ(w->Picture1->canvas().height(), 338);
    EXPECT_EQ(w->Line1->accessibleName(), "Line1");
    EXPECT_TRUE(timerAtLoad);
    EXPECT_EQ(w->Timer1->interval(), 1);
    EXPECT_FALSE(w->Line1->isVisible()) << "until the first reading";

    // The simulated engine idles on its mixture screw at about 300 mbar.
    w->tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kTick}));
    EXPECT_TRUE(w->Line1->isVisible());
    EXPECT_TRUE(w->Line2->isVisible());
    const int vacuum = w->Label8->text().toInt();
    EXPECT_NEAR(vacuum, 300, 30);
    EXPECT_EQ(w->Line1->x1(), kvintor::vacuumLineX(vacuum, 530));
    EXPECT_EQ(w->Line2->y1(), kvintor::speedLineY(w->Label7->text().toInt() / 40, 338));
}

TEST_F(RegCrb, TheLinesStandByTheReadings) {
    tickWith(80, 22, 300);
    EXPECT_EQ(w->Label6->text(), "80");
    EXPECT_EQ(w->Label7->text(), "880");
    EXPECT_EQ(w->Label8->text(), "300");
    EXPECT_EQ(w->Line1->x1(), 261) << "Int(300 / 201 x 530 - 530)";
    EXPECT_EQ(w->Line1->colour(), kPaleYellow);
    EXPECT_EQ(w->Line2->y1(), 292) << "Int(338 - 338 x 22 / 163)";
    EXPECT_EQ(w->Line1->geometry(), QRect(261, 0, 2, 338));
    EXPECT_EQ(w->Line2->geometry(), QRect(0, 292, 530, 2));

    // The band: 258..264.
    for (const auto& [vacuum, x, colour] :
         {std::tuple{298, 255, kGreen}, std::tuple{299, 258, kPaleYellow},
          std::tuple{301, 263, kPaleYellow}, std::tuple{302, 266, kGreen}}) {
        tickWith(80, 22, vacuum);
        EXPECT_EQ(w->Line1->x1(), x) << vacuum;
        EXPECT_EQ(w->Line1->colour(), colour) << vacuum;
    }
    // The limits of both lines; a vacuum above 255 takes its second byte.
    tickWith(80, 0, 150);
    EXPECT_EQ(w->Line1->x1(), 2);
    EXPECT_EQ(w->Line2->y1(), 335) << "the bottom, limited";
    tickWith(80, 163, 1000);
    EXPECT_EQ(w->Label8->text(), "1000");
    EXPECT_EQ(w->Line1->x1(), 530);
    EXPECT_EQ(w->Line2->y1(), 3);
    tickWith(80, 255, 402);
    EXPECT_EQ(w->Line2->y1(), 3);
    EXPECT_EQ(w->Line1->x1(), 530);
}

TEST_F(RegCrb, TheMixtureScrewMovesTheVacuumLine) {
    // Rich to the left of the band, lean to the right.
    std::vector<int> xs;
    for (double screw : {15.0, 50.0, 85.0}) {
        engine().setMixtureScrew(screw);
        rig.sim->advance(4000);
        w->tick();
        xs.push_back(w->Line1->x1());
    }
    EXPECT_LT(xs[0] + 40, xs[1]) << xs[0] << " " << xs[1];
    EXPECT_LT(xs[1] + 40, xs[2]) << xs[1] << " " << xs[2];
    EXPECT_NEAR(xs[1], 261, 20) << "the right setting is near the band";
}

TEST_F(RegCrb, AFailedReadParksAndHidesTheLinesWithoutSpinning) {
    tickWith(80, 22, 300);
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    w->tick();
    EXPECT_FALSE(w->Line1->isVisible());
    EXPECT_FALSE(w->Line2->isVisible());
    EXPECT_EQ(w->Line1->x1(), 8);
    EXPECT_EQ(w->Line2->y1(), 324);
    EXPECT_EQ(w->Label6->text(), "");
    EXPECT_EQ(w->Label7->text(), "");
    EXPECT_EQ(w->Label8->text(), "");
    EXPECT_EQ(w->Timer1->interval(), 15);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    rig.sim->adapter.setFault(sim::LineFault::None);
    w->tick();
    EXPECT_TRUE(w->Line1->isVisible());
    EXPECT_EQ(w->Timer1->interval(), 1);
}

TEST_F(RegCrb, AnInjectionEngineIsRefused) {
    rig.sim->ecu.setFuelling(sim::Fuelling::Injection4062);
    bool tickingBehindTheBox = true;
    rig.dialogs.whileOpen = [&](const common::MessageCall&) {
        tickingBehindTheBox = w->Timer1->isActive();
    };
    w->tick();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Этот  двигатель  не  оснащен  карбюратором!\r\n"
                             "Дальнейшее  продолжение  теста  не  целесообразно."));
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
    EXPECT_EQ(beeps(), 1);
    EXPECT_FALSE(tickingBehindTheBox);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kTick, kRelease}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard) << "closed";
    expectGivenBack();
}

TEST_F(RegCrb, Check1HoldsTheIgnitionAdvance) {
    w->Check1->click();
    EXPECT_FALSE(w->Check1->isChecked());
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kHold}));
    EXPECT_EQ(mask11(), 0x0C);
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0x0C);
    w->Check1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kRelease}));
    expectGivenBack();

    // A refusal is told; the box stays unchecked.
    rig.sim->ecu.refuseWrites(11, 6);
    w->Check1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  6"));
    EXPECT_FALSE(w->Check1->isChecked());
    // Checking again sends the release without looking at the answer.
    w->Check1->click();
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);
    rig.sim->ecu.acceptWrites();
    expectGivenBack();
}

// ============================================================ ways out

TEST_F(RegCrb, ClosingLetsTheIgnitionGo) {
    w->Check1->click();
    // The engine stalls meanwhile: the speed line drops to the bottom.
    engine().stop();
    rig.sim->advance(5000);
    w->tick();
    EXPECT_EQ(w->Line2->y1(), 335);
    rig.requests();
    w->close();
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kRelease}));
    expectGivenBack();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard);
}

TEST_F(RegCrb, EscClosesAfterALinkFailure) {
    w->Check1->click();
    rig.sim->adapter.setFault(sim::LineFault::NoEcho);
    w->tick();
    EXPECT_EQ(mask11(), 0x0C) << "held while the line is down";
    rig.sim->adapter.setFault(sim::LineFault::None);
    w->tick();
    rig.requests();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kRelease}));
    expectGivenBack();
}

TEST_F(RegCrb, TheProgramEndingLetsTheIgnitionGoFirst) {
    w->Check1->click();
    rig.requests();
    rig.program.endWithReset();
    EXPECT_EQ(rig.ends, 1);
    const std::vector<Request> log = rig.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], kRelease);
    EXPECT_EQ(log[1].size(), 15u) << "then the reset of the working variables";
    EXPECT_EQ(mask11(), 0);
    EXPECT_FALSE(w->Timer1->isActive());
}
