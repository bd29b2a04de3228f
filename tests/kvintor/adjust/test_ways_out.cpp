// Opening and closing the adjustment windows: the menu's ticks, every way
// out and what it leaves in the ECU, the stored places, and the simulated
// engine following what the windows put in force.
#include "AdjustRig.h"
#include "main/fNastr.h"

using kline::Request;
using kvintor::AdjustmentWindow;

namespace {
const char* const kNames[9] = {"rfTemper",       "rfObor",    "rfUOZ",      "rfRegRDV", "rfSostSm",
                               "rfUgollVpryska", "rfCoeff12", "rfTempVozd", "rfCoefCO"};
// A value for each slider that differs from what the ECU holds.
const std::vector<std::vector<int>> kValues{{120}, {110},     {-6, 40}, {70},     {150},
                                            {20},  {150, 90}, {70},     {-30, 25}};
} // namespace

// ------------------------------------------------------------- the menu

TEST_F(AdjustTest, TheTickFollowsTheWindowWhicheverWayItCloses) {
    for (int item = 0; item < 9; ++item) {
        QAction* tick = rig.main().Reg[static_cast<std::size_t>(item)];
        AdjustmentWindow* w = open(item);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), QLatin1String(kNames[item]));
        EXPECT_EQ(QString::fromLatin1(w->metaObject()->className()),
                  QString::fromLatin1("kvintor::") + kNames[item]);
        EXPECT_TRUE(tick->isChecked());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->parentWidget(), &rig.main()) << "owned by the main window";
        switch (item % 3) {
        case 0:
            key(slider(w), Qt::Key_Escape);
            break;
        case 1:
            w->close();
            break; // the close box
        case 2:
            tick->trigger();
            break; // unticked in the menu
        }
        settle();
        EXPECT_FALSE(tick->isChecked()) << kNames[item];
        EXPECT_EQ(window(item), nullptr) << kNames[item];
        EXPECT_EQ(rig.main().findChild<AdjustmentWindow*>(QLatin1String(kNames[item])), nullptr)
            << "deleted";
    }
}

TEST_F(AdjustTest, OpeningStopsThePollingOfTheMainWindow) {
    rig.main().startPolling();
    ASSERT_TRUE(rig.main().Timer2->isActive());
    open(4);
    EXPECT_FALSE(rig.main().Timer1->isActive());
    EXPECT_FALSE(rig.main().Timer2->isActive());
    EXPECT_EQ(rig.requests(), (Requests{{0x61, 0x39}})) << "only the window talks";
}

TEST_F(AdjustTest, ValueClicksOnThePanelOpenAndCloseTheWindows) {
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.main().values[0][3], &left); // ignition advance
    settle();
    ASSERT_NE(window(2), nullptr);
    EXPECT_TRUE(rig.main().Reg[2]->isChecked());
    QApplication::sendEvent(rig.main().values[0][3], &left);
    settle();
    EXPECT_EQ(window(2), nullptr);
    EXPECT_FALSE(rig.main().Reg[2]->isChecked());
}

// ------------------------------------------------------------- ways out

namespace {
// Opens every window and applies every slider.
void applyAll(AdjustTest& t) {
    for (int item = 0; item < 9; ++item) {
        AdjustmentWindow* w = t.open(item);
        ASSERT_NE(w, nullptr);
        for (std::size_t i = 0; i < kValues[static_cast<std::size_t>(item)].size(); ++i)
            AdjustTest::dragTo(AdjustTest::slider(w, static_cast<int>(i)),
                               kValues[static_cast<std::size_t>(item)][i]);
    }
    ASSERT_TRUE(t.rig.dialogs.messages.empty());
}
} // namespace

TEST_F(AdjustTest, AfterEveryWindowOnlyTheIgnitionOffsetAndCoCorrectionStay) {
    applyAll(*this);
    EXPECT_EQ(var(11), 0xFF);
    EXPECT_EQ(var(12), 0x99);
    // Closed one after another, each its own way.
    for (int item = 0; item < 9; ++item) {
        switch (item % 3) {
        case 0:
            key(slider(window(item)), Qt::Key_Escape);
            break;
        case 1:
            window(item)->close();
            break;
        case 2:
            rig.main().Reg[static_cast<std::size_t>(item)]->trigger();
            break;
        }
        settle();
    }
    for (QAction* tick : rig.main().Reg)
        EXPECT_FALSE(tick->isChecked());
    EXPECT_EQ(var(11), 0x08) << "the ignition offset";
    EXPECT_EQ(var(12), 0x18) << "the CO offset and coefficient";
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0x08);
    EXPECT_EQ(rig.program.state.OverrideMaskB, 0x18);
    EXPECT_EQ(var(40), 6) << "the offset of -3 degrees stays in force";
    EXPECT_EQ(var(65), 256 - 30);
    EXPECT_EQ(var(66), 25);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(AdjustTest, AnEcuRestartClosesAllWindows) {
    applyAll(*this);
    rig.requests();
    rig.main().restartEcu();
    for (QAction* tick : rig.main().Reg)
        EXPECT_FALSE(tick->isChecked());
    settle();
    for (int item = 0; item < 9; ++item)
        EXPECT_EQ(window(item), nullptr);
    const Requests sent = rig.requests();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), (Request{0x41, 0, 0}));
    // The ECU is silent while it restarts: the releases fail quietly.
    EXPECT_TRUE(rig.dialogs.messages.empty());
    // Nothing stays in force: the restart dropped every override and the
    // program's copies follow it, so no release carries an old bit back.
    EXPECT_EQ(var(11), 0);
    EXPECT_EQ(var(12), 0);
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0);
    EXPECT_EQ(rig.program.state.OverrideMaskB, 0);
}

TEST_F(AdjustTest, TheSettingsWindowClosesAllWindowsFirst) {
    applyAll(*this);
    rig.requests();
    int masksAtSettings = -1;
    rig.modal.push_back([&](QDialog&) { masksAtSettings = var(11) * 256 + var(12); });
    rig.main().DopInd[3]->trigger();
    EXPECT_EQ(masksAtSettings, 0x08 * 256 + 0x18)
        << "released before the port is given to the settings";
    for (QAction* tick : rig.main().Reg)
        EXPECT_FALSE(tick->isChecked());
    const Requests sent = rig.requests();
    EXPECT_EQ(sent, (Requests{{0x62, 0x0B, 0x7F},
                              {0x62, 0x0B, 0x3F},
                              {0x62, 0x0B, 0x3B},
                              {0x62, 0x0B, 0x1B},
                              {0x62, 0x0B, 0x1A},
                              {0x62, 0x0B, 0x18},
                              {0x62, 0x0B, 0x08},
                              {0x62, 0x0C, 0x19},
                              {0x62, 0x0C, 0x18}}))
        << "menu order; the fuel correction gives back channel 1, then 2";
}

TEST_F(AdjustTest, TheExitAndASignalGiveEverythingBack) {
    applyAll(*this);
    // "Выйти": the question lists the three that stay; No writes back the
    // values read at connection, then the working variables are reset.
    rig.dialogs.answerNext(common::Answer::No);
    rig.main().close();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_TRUE(
        rig.dialogs.messages[0].text.contains(QStringLiteral("Угол  опережения  зажигания")));
    EXPECT_TRUE(rig.dialogs.messages[0].text.contains(QStringLiteral("Коэфициент  корекции СО")));
    EXPECT_EQ(rig.ends, 1);
    for (int v = 10; v <= 15; ++v)
        EXPECT_EQ(var(v), 0) << v;
    EXPECT_EQ(var(40), 0);

    KvintorRig other;
    kvintor::installAdjustWindows(other.program);
    ASSERT_TRUE(other.startOnCom1());
    settle();
    other.main().Reg[1]->trigger();
    settle();
    other.main().Reg[8]->trigger();
    settle();
    auto* menu = other.main().findChild<kvintor::AdjustmentMenu*>();
    dragTo(slider(menu->window(1)), 100);
    dragTo(slider(menu->window(8), 1), 10);
    ASSERT_EQ(other.sim->ecu.variable(11), 0x40);
    other.program.endWithReset(); // what a signal does
    EXPECT_EQ(other.sim->ecu.variable(11), 0);
    EXPECT_EQ(other.sim->ecu.variable(12), 0);
    EXPECT_EQ(other.ends, 1);
}

TEST_F(AdjustTest, AReleaseLostOnTheLineGoesOutOnceTheLineAnswers) {
    AdjustmentWindow* obor = open(1);
    dragTo(slider(obor), 130);
    rig.sim->adapter.setFault(sim::LineFault::NoEcho);
    obor->close();
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "a link failure on release is silent";
    EXPECT_FALSE(rig.main().Reg[1]->isChecked());
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0);
    EXPECT_EQ(var(11), 0x40) << "the ECU never heard the release";
    rig.sim->adapter.setFault(sim::LineFault::None);
    settle();
    quietMain();
    // The next window's read finds the line answering; its apply carries
    // the whole mask, without the bit, and settles what was owed.
    AdjustmentWindow* temper = open(0);
    rig.requests();
    dragTo(slider(temper), 100);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x80, 0x1A, 100}}));
    EXPECT_EQ(var(11), 0x80);
    EXPECT_FALSE(rig.program.ledger.owes());
    EXPECT_NE(var(46), 130) << "the idle target is the ECU's own again";
}

// ------------------------------------------------------------- places

TEST_F(AdjustTest, DefaultPlaceBesideTheMainWindowThenTheStoredOne) {
    rig.main().move(20, 30);
    rig.main().resize(700, 500);
    settle();
    const QRect m = rig.main().frameGeometry();
    AdjustmentWindow* w = open(2); // divisor 2.4
    EXPECT_EQ(w->pos(), QPoint(m.x() + qRound(m.width() / 2.0), m.y() + qRound(m.height() / 2.4)));
    w->move(123, 77);
    w->close();
    EXPECT_EQ(rig.setting("rfUOZ", "Left"), QStringLiteral("1845"));
    EXPECT_EQ(rig.setting("rfUOZ", "Top"), QStringLiteral("1155"));
    settle();
    EXPECT_EQ(open(2)->pos(), QPoint(123, 77));
    window(2)->close();
    settle();

    // Emptied "Left" keys: the default place again (the section name in
    // any case).
    rig.program.ResetWindowPositions();
    EXPECT_EQ(rig.setting("rfUOZ", "Left"), QString());
    EXPECT_EQ(open(2)->pos(),
              QPoint(m.x() + qRound(m.width() / 2.0), m.y() + qRound(m.height() / 2.4)));
    AdjustmentWindow* valve = open(3); // divisor 1.42
    EXPECT_EQ(valve->pos(),
              QPoint(m.x() + qRound(m.width() / 2.0), m.y() + qRound(m.height() / 1.42)));
}

TEST_F(AdjustTest, AStoredPlaceOffEveryScreenIsNotUsed) {
    rig.store("rfObor", "Left", "9000000");
    rig.store("rfObor", "Top", "1500");
    const QRect m = rig.main().frameGeometry();
    EXPECT_EQ(open(1)->pos(),
              QPoint(m.x() + qRound(m.width() / 2.0), m.y() + qRound(m.height() / 2.85)));
    rig.store("rfSostSm", "Left", "1500abc");
    rig.store("rfSostSm", "Top", "x");
    EXPECT_EQ(open(4)->pos(), QPoint(100, 0)) << "the number at the start of the text";
}

// ------------------------------------------------------------- the engine follows

TEST_F(AdjustTest, TheIdleSpeedTargetMovesTheEngine) {
    rig.sim->ecu.engine().setCoolant(85);
    rig.sim->advance(20000);
    const int before = var(44);
    ASSERT_NEAR(before, 85, 6) << "warm idle";
    AdjustmentWindow* w = open(1);
    EXPECT_EQ(label(w), QStringLiteral("850"));
    dragTo(slider(w), 130);
    EXPECT_EQ(var(46), 130);
    rig.sim->advance(20000);
    EXPECT_NEAR(var(44), 130, 8) << "1300 rpm held";
    letGo(slider(w), Qt::RightButton);
    EXPECT_EQ(var(46), 85) << "the ECU's own target again";
    rig.sim->advance(20000);
    EXPECT_NEAR(var(44), 85, 6);
}

TEST_F(AdjustTest, ASubstituteCoolantTemperatureShowsOnTheMainWindow) {
    AdjustmentWindow* w = open(0);
    dragTo(slider(w), 145);
    kvintor::InitTest& m = rig.main();
    m.selectPage(0);
    m.timer1Tick(); // identification, then the first page
    m.timer2Tick();
    EXPECT_EQ(m.values[0][0]->text(), QStringLiteral("105"));
    w->close();
    m.timer2Tick();
    EXPECT_NE(m.values[0][0]->text(), QStringLiteral("105")) << "the sensor's value again";
}
