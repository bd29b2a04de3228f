// What the ECU is owed back outlives the window that owed it: every window
// that overrides something, closed while the line is down, and the line
// back. The ECU's masks and outputs must read as before the window opened,
// whichever window it was.
#include "EngineTestRig.h"
#include "adjust/AdjustWindows.h"
#include "tfMexan.h"
#include "tfRegCrb.h"
#include "tfUskorXX.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

using kvintor::tfMexan;

namespace {

// Outputs 9, 10, masks 11, 12, cut mask 13.
using EcuState = std::array<int, 5>;

struct Ledger : EngineTestRig {
    EcuState before{};

    void SetUp() override {
        kvintor::installAdjustWindows(rig.program);
        EngineTestRig::SetUp();
        rig.program.state.EngineVariant = 62;
        before = state();
        rig.requests();
    }
    EcuState state() {
        auto& e = rig.sim->ecu;
        return {e.variable(9), e.variable(10), e.variable(11), e.variable(12), e.variable(13)};
    }
    void lineDown() { rig.sim->adapter.setFault(sim::LineFault::NoEcho); }
    void lineBack() { rig.sim->adapter.setFault(sim::LineFault::None); }
    // The main window searching for the ECU, as it does after a failure.
    void mainPolls(int ticks) {
        for (int i = 0; i < ticks; ++i)
            rig.main().timer1Tick();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    kvintor::AdjustmentWindow* adjust(int item) {
        rig.main().Reg[static_cast<std::size_t>(item)]->trigger();
        settle();
        return rig.main().findChild<kvintor::AdjustmentMenu*>()->window(item);
    }
    static void apply(kvintor::AdjustmentWindow* w, int value, int slider = 0) {
        QSlider* s = w->Slider1[static_cast<std::size_t>(slider)];
        s->setValue(value);
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(4, 4), s->mapToGlobal(QPointF(4, 4)),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(s, &up);
    }
    template <class W> W* test(int item) {
        W* w = open<W>(item);
        settle();
        if (w) w->Timer1->stop();
        return w;
    }
    // Runs fn from the event loop after n balance polls following the
    // cut-out of injector mask m.
    void afterCut(QObject* w, int m, int n, std::function<void()> fn) {
        onRequest = [w, m, n, fn, since = -1](const Request& r) mutable {
            if (r == Request{0x62, 0x0D, static_cast<std::uint8_t>(m), 0x0D,
                             static_cast<std::uint8_t>(m)})
                since = 0;
            if (r == Request{0x61, 0x2C, 0x1A, 0x20} && since >= 0 && ++since == n)
                QTimer::singleShot(0, w, fn);
        };
    }
};

struct LostRelease {
    const char* name;
    std::function<void(Ledger&)> loseIt; // ends with the window closed, the line down
};

} // namespace

TEST_F(Ledger, EveryReleaseLostWithItsWindowReachesTheEcuOnceTheLineAnswers) {
    const std::vector<LostRelease> cases{
        {"idle speed window closed",
         [](Ledger& t) {
             auto* w = t.adjust(1);
             t.apply(w, 254);
             t.lineDown();
             w->close();
         }},
        {"coolant and valve windows closed",
         [](Ledger& t) {
             auto* coolant = t.adjust(0);
             t.apply(coolant, 100);
             auto* valve = t.adjust(3);
             t.apply(valve, 200);
             t.lineDown();
             coolant->close();
             valve->close();
         }},
        {"carburettor window with the ignition held",
         [](Ledger& t) {
             t.rig.sim->ecu.setFuelling(sim::Fuelling::Carburettor);
             auto* w = t.test<kvintor::tfRegCrb>(4);
             w->Check1->click();
             t.lineDown();
             w->close();
         }},
        {"idle acceleration run cut off by the line",
         [](Ledger& t) {
             auto* w = t.test<kvintor::tfUskorXX>(2);
             t.onPause = [&t](int) {
                 if (t.pauses.size() == 5) t.lineDown();
             };
             w->Command1->click();
             t.onPause = nullptr;
             w->close();
         }},
        {"balance test cut off by the line with cylinder 2 out",
         [](Ledger& t) {
             auto* w = t.test<tfMexan>(0);
             t.afterCut(w, 2, 30, [&t] { t.lineDown(); });
             w->Command1->click();
             t.onRequest = nullptr;
             w->close();
         }},
        {"actuators switched by hand",
         [](Ledger& t) {
             auto* w = t.test<tfMexan>(0);
             w->Check1[2]->click(); // the fan
             w->Check1[6]->click(); // injector 2 out
             t.lineDown();
             w->close();
         }},
    };
    for (const LostRelease& c : cases) {
        SCOPED_TRACE(c.name);
        c.loseIt(*this);
        settle();
        EXPECT_TRUE(rig.program.ledger.owes()) << "something was lost";
        EXPECT_NE(state(), before);
        lineBack();
        mainPolls(2);
        EXPECT_EQ(state(), before) << "given back after the window had gone";
        EXPECT_FALSE(rig.program.ledger.owes());
        rig.sim->ecu.setFuelling(sim::Fuelling::Injection4062);
        rig.dialogs.messages.clear();
        rig.requests();
    }
}

TEST_F(Ledger, AnOutputStateStillOwedIsNotTakenForTheEcusOwn) {
    // The first window's write-back is lost; the ECU then refuses the cut
    // mask for a while, so the debt is still unpaid when the next window opens.
    auto* first = test<tfMexan>(0);
    first->Check1[6]->click(); // injector 2 out
    lineDown();
    first->close();
    settle();
    lineBack();
    rig.sim->ecu.refuseWrites(13, 5);
    auto* second = test<tfMexan>(0);
    EXPECT_EQ(rig.sim->ecu.variable(13), 2) << "still cut";
    EXPECT_EQ(second->saved().cutMask, before[4]) << "the owed state, not the stuck one";
    // A whole balance test later, its close writes what the ECU had before
    // the first window.
    rig.sim->ecu.acceptWrites();
    second->Command1->click();
    second->close();
    settle();
    mainPolls(1);
    EXPECT_EQ(state(), before);
}

TEST_F(Ledger, ARefusedPaymentIsTriedAgainNoFasterThanItsPace) {
    qint64 now = 1000;
    rig.program.ledger.clock = [&now] { return now; };
    auto* w = adjust(1);
    apply(w, 200);
    rig.sim->ecu.refuseWrites(11, 3);
    w->close();
    settle();
    ASSERT_EQ(rig.program.ledger.owedMaskA(), 0x40);
    const Request payment{0x62, 0x0B, 0x00};
    rig.requests();
    const auto tries = [&] {
        const auto log = rig.requests();
        return std::count(log.begin(), log.end(), payment);
    };
    mainPolls(3); // one identification is several exchanges
    EXPECT_EQ(tries(), 1);
    now += kvintor::ReleaseLedger::kFirstRetryMs - 1;
    mainPolls(1);
    EXPECT_EQ(tries(), 0);
    now += 1;
    mainPolls(1);
    EXPECT_EQ(tries(), 1);
    now += kvintor::ReleaseLedger::kFirstRetryMs; // the pace has doubled
    mainPolls(1);
    EXPECT_EQ(tries(), 0);
    rig.sim->ecu.acceptWrites();
    now += 10 * kvintor::ReleaseLedger::kLongestRetryMs;
    mainPolls(1);
    EXPECT_EQ(tries(), 1);
    EXPECT_FALSE(rig.program.ledger.owes());
    EXPECT_EQ(rig.sim->ecu.variable(11), 0);
}

TEST_F(Ledger, ThePaymentPutsNoUnsentSetPointInForce) {
    auto* obor = adjust(1);
    apply(obor, 150);
    rig.sim->ecu.refuseWrites(11, 3);
    obor->close();
    settle();
    // The idle acceleration test has taken its bits while the engine
    // settles and not sent its set-points yet: a debt paid meanwhile goes
    // without them.
    rig.program.state.OverrideMaskA |=
        kvintor::tfUskorXX::kCoolantBit | kvintor::tfUskorXX::kValveBit;
    EXPECT_EQ(rig.program.ledger.payment(), (Request{0x62, 0x0B, 0x00}));
}

TEST_F(Ledger, TheEndSendsWhatIsOwedBeforeItsReset) {
    auto* w = adjust(1);
    apply(w, 200);
    lineDown();
    w->close();
    settle();
    rig.requests();
    lineBack();
    rig.program.endWithReset();
    const auto log = rig.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], (Request{0x62, 0x0B, 0x00}));
    EXPECT_EQ(log[1].size(), 15u) << "then the reset of the working variables";
}
