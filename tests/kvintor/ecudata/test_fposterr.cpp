// The stored faults window against the simulated ECU.
#include "EcuDataRig.h"
#include "EventLoop.h"
#include "RealBox.h"
#include "ecudata/EcudataWindows.h"
#include "ecudata/fKomplekt.h"
#include "ecudata/fPostErr.h"
#include "ecudata/fTabl.h"

#include <QAction>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <ctime>

using kline::Request;
using kvintor::fPostErr;

namespace {

struct FaultWindow : EcuDataTest {
    std::unique_ptr<fPostErr> w;
    void SetUp() override {
        EcuDataTest::SetUp();
        w = std::make_unique<fPostErr>(rig.program, nullptr);
    }
    // The rows, each as its four columns.
    std::vector<QStringList> rows() {
        std::vector<QStringList> out;
        for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = w->ListView1->topLevelItem(i);
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << item->text(c);
            out.push_back(cells);
        }
        return out;
    }
};

} // namespace

// ============================================================ the window

TEST_F(FaultWindow, CaptionColumnsAndTimer) {
    EXPECT_EQ(
        w->windowTitle(),
        QStringLiteral(
            "Ошибки  ЭБУ  и  неисправности исполнительных механизмов  Kvintor  (версия 2.4)"));
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << w->ListView1->headerItem()->text(c);
    EXPECT_EQ(headers, (QStringList{"код", "текущ", "многокр", "наименование"}));
    EXPECT_EQ(w->ListView1->headerItem()->textAlignment(1), int(Qt::AlignCenter));
    EXPECT_EQ(w->ListView1->headerItem()->textAlignment(2), int(Qt::AlignCenter));
    EXPECT_EQ(w->ListView1->accessibleName(), QStringLiteral("ListView1"));
    EXPECT_EQ(w->Command1->text(), QStringLiteral("Сброс"));
    EXPECT_EQ(w->Timer1->interval(), 50);
    EXPECT_FALSE(w->Timer1->isActive());
    w->activated();
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_TRUE(rig.requests().empty()) << "the first poll comes with the first tick";
}

// ============================================================ the replies

TEST_F(FaultWindow, NoFaultEmptyListAndNoClear) {
    answer(2, {0});
    w->activated();
    w->ReadStoredFaults();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{2}}));
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(w->Command1->isEnabled());
    EXPECT_EQ(w->rebuilds(), 0);
}

TEST_F(FaultWindow, RowsOfTheReplies) {
    w->activated();
    answer(2, {1, 13, 0x80});
    w->ReadStoredFaults();
    EXPECT_EQ(rows(), (std::vector<QStringList>{
                          {"13", "XX", "", "Низкий уровень сигнала с датчика расхода воздуха"}}));
    EXPECT_TRUE(w->Command1->isEnabled());
    EXPECT_EQ(w->ListView1->topLevelItem(0)->textAlignment(1), int(Qt::AlignCenter));

    answer(2, {2, 12, 0x20, 200, 0xA0});
    w->ReadStoredFaults();
    EXPECT_EQ(rows(),
              (std::vector<QStringList>{{"12", "", "XXX", "Короткое замыкание L-линии на массу"},
                                        {"200", "XX", "XXX", "200  не  определена"}}));

    // An unpaired last byte is left out.
    answer(2, {2, 12, 0x20, 200});
    w->ReadStoredFaults();
    EXPECT_EQ(rows(),
              (std::vector<QStringList>{{"12", "", "XXX", "Короткое замыкание L-линии на массу"}}));
    EXPECT_EQ(w->LastFaultReply(), (std::vector<int>{2, 12, 0x20, 200}));
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(FaultWindow, TheSameReplyIsShownOnceAndARowMarkStays) {
    answer(2, {1, 13, 0x80});
    w->show();
    w->activated();
    w->ReadStoredFaults();
    ASSERT_EQ(w->rebuilds(), 1);
    QTreeWidgetItem* row = w->ListView1->topLevelItem(0);
    QTest::mouseClick(w->ListView1->viewport(), Qt::LeftButton, {},
                      w->ListView1->visualItemRect(row).center());
    ASSERT_TRUE(w->ListView1->marked());
    EXPECT_EQ(w->ListView1->markTop(), w->ListView1->visualItemRect(row).top());
    EXPECT_EQ(w->ListView1->markBottom(), w->ListView1->visualItemRect(row).bottom());
    for (int i = 0; i < 5; ++i)
        w->ReadStoredFaults();
    EXPECT_EQ(w->rebuilds(), 1);
    EXPECT_EQ(w->ListView1->topLevelItem(0), row) << "the row itself was not rebuilt";
    EXPECT_TRUE(w->ListView1->marked());
    // The lines are on the list's surface, 10 pixels in from each side.
    const QImage shot = w->ListView1->viewport()->grab().toImage();
    const int y = w->ListView1->markTop();
    EXPECT_EQ(QColor(shot.pixel(10, y)), w->ListView1->palette().color(QPalette::WindowText));
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 10, y)),
              w->ListView1->palette().color(QPalette::WindowText));
    EXPECT_NE(QColor(shot.pixel(5, y)), w->ListView1->palette().color(QPalette::WindowText));
    // A changed reply rebuilds the list, and the mark goes with the old rows.
    answer(2, {1, 13, 0x00});
    w->ReadStoredFaults();
    EXPECT_EQ(w->rebuilds(), 2);
    EXPECT_FALSE(w->ListView1->marked());
    // A window closed with a row marked goes cleanly.
    QTest::mouseClick(w->ListView1->viewport(), Qt::LeftButton, {},
                      w->ListView1->visualItemRect(w->ListView1->topLevelItem(0)).center());
    ASSERT_TRUE(w->ListView1->marked());
    w.reset();
}

TEST_F(FaultWindow, FaultsThatComeAndGoShowWithinOneTick) {
    rig.sim->ecu.faults().clear();
    w->activated();
    w->ReadStoredFaults();
    EXPECT_TRUE(rows().empty());
    rig.sim->ecu.addFault(53, true);
    w->ReadStoredFaults();
    EXPECT_EQ(rows(),
              (std::vector<QStringList>{{"53", "XX", "", "Неисправность  датчика синхронизации"}}));
    rig.sim->ecu.addFault(41, true);
    w->ReadStoredFaults();
    ASSERT_EQ(rows().size(), 2u);
    // Gone now, stored as a past fault.
    rig.sim->ecu.faults()[0].presentNow = false;
    w->ReadStoredFaults();
    EXPECT_EQ(rows()[0], (QStringList{"53", "", "", "Неисправность  датчика синхронизации"}));
    // An ECU whose first byte does not count the faults: the last fault
    // leaves the list although the pair before it stays the same.
    answer(2, {1, 53, 0x00, 41, 0x80});
    w->ReadStoredFaults();
    ASSERT_EQ(rows().size(), 2u);
    answer(2, {1, 53, 0x00});
    w->ReadStoredFaults();
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(FaultWindow, PollsEvery50MsWhileActive) {
    w->show();
    w->activated();
    rig.requests();
    runEventsFor(330);
    const auto seen = rig.requests();
    EXPECT_GE(seen.size(), 4u);
    EXPECT_LE(seen.size(), 8u);
    for (const Request& r : seen)
        EXPECT_EQ(r, Request{2});
    w->hide();
    EXPECT_FALSE(w->Timer1->isActive()) << "closing stops the polling";
}

// ============================================================ clearing

TEST_F(FaultWindow, ClearGivesTheSwitchesBackAndReadsAgainAfter500Ms) {
    rig.program.state.EcuSwitches = 0x06;
    rig.sim->ecu.handle({98, 14, 0x06});
    rig.sim->ecu.addFault(13, false);
    w->activated();
    w->ReadStoredFaults();
    ASSERT_EQ(rows().size(), 2u); // 35 and 13, both past
    rig.requests();
    Qt::CursorShape during = Qt::ArrowCursor;
    bool enabledDuring = true;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>&) {
        if (r == Request{98, 14, 8}) {
            during = w->cursor().shape();
            enabledDuring = w->Command1->isEnabled();
        }
    };
    w->Command1->click();
    EXPECT_EQ(rig.requests(),
              (std::vector<Request>{{98, 14, 8}, {98, 14, 0}, {98, 14, 6, 14, 6}, {2}}));
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].ms, 500);
    EXPECT_EQ(pauses[0].requestsBefore, 3u) << "the re-read comes after the pause";
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.sim->ecu.variable(14), 6);
    EXPECT_EQ(during, Qt::BusyCursor);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(normalPointer(*w)) << "the pointer is back";
    EXPECT_TRUE(w->Timer1->isActive()) << "polling goes on";
    // The next tick finds nothing and the button goes off.
    w->ReadStoredFaults();
    EXPECT_FALSE(w->Command1->isEnabled());
}

TEST_F(FaultWindow, AFaultStillPresentComesBackAfterTheClear) {
    rig.sim->ecu.addFault(21, true);
    w->activated();
    w->ClearStoredFaults();
    EXPECT_EQ(rows(),
              (std::vector<QStringList>{
                  {"21", "XX", "", "Низкий уровень сигнала с датчика температуры охл.жидк."}}));
    EXPECT_TRUE(w->Command1->isEnabled());
}

TEST_F(FaultWindow, ARefusedClearIsReportedAndEndsTheSequence) {
    w->activated();
    w->ReadStoredFaults();
    rig.requests();
    rig.sim->ecu.refuseWrites(14, 3);
    w->ClearStoredFaults();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 8}}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, refusal(3), errorCaption);
    EXPECT_EQ(rig.platform.count(QStringLiteral("beep")), 1);
    EXPECT_TRUE(pauses.empty());
    EXPECT_TRUE(w->Command1->isEnabled());
    EXPECT_TRUE(normalPointer(*w));
    EXPECT_TRUE(w->Timer1->isActive());

    // Refused at the second step: the switches are not written either.
    rig.sim->ecu.acceptWrites();
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{98, 14, 0}) reply = Request{5};
    };
    w->ClearStoredFaults();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 8}, {98, 14, 0}}));
    expectMessage(1, refusal(5), errorCaption);
    EXPECT_TRUE(pauses.empty());
}

TEST_F(FaultWindow, ASwitchRestoreThatFailsSkipsTheReRead) {
    w->activated();
    rig.requests();
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r.size() == 5 && r[0] == 98) reply = Request{9};
    };
    w->ClearStoredFaults();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 8}, {98, 14, 0}, {98, 14, 0, 14, 0}}));
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "its outcome is not reported";
    EXPECT_TRUE(pauses.empty());
}

TEST_F(FaultWindow, NoPollUnderTheClearsMessageBox) {
    w->activated();
    rig.sim->ecu.refuseWrites(14, 3);
    rig.requests();
    rig.dialogs.whileOpen = [](const common::MessageCall&) { runEventsFor(150); };
    w->ClearStoredFaults();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 8}}));
    EXPECT_TRUE(w->Timer1->isActive());
}

// ============================================================ link failure

TEST_F(FaultWindow, ALinkFailureIsShownOnceAndPollingStops) {
    w->show();
    w->activateWindow();
    runEventsFor(30);
    // As a real box does: it takes the activation while open and hands it
    // back to the window below when it closes.
    behaveLikeRealBoxes(rig.dialogs, w.get());
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    runEventsFor(120);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, linkFailure("ЭБУ НЕ ОТВЕЧАЕТ"), errorCaption);
    EXPECT_FALSE(w->Timer1->isActive());
    rig.requests();
    const double cpu = processorMs();
    idleFor(400);
    EXPECT_LT(processorMs() - cpu, 150.0) << "a stopped window does not spin";
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_TRUE(rig.requests().empty());
    // Activated again from another window: it polls again.
    rig.sim->adapter.setFault(sim::LineFault::None);
    w->activated();
    w->ReadStoredFaults();
    EXPECT_FALSE(rows().empty());
}

TEST_F(FaultWindow, APortThatFailsAtOnceDoesNotSpin) {
    w->activated();
    rig.sim->adapter.setFault(sim::LineFault::PortGone);
    const double cpu = processorMs();
    idleFor(300);
    EXPECT_LT(processorMs() - cpu, 150.0);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, linkFailure("ОШИБКА COM ПОРТА"), errorCaption);
}

TEST_F(FaultWindow, EscapeCloses) {
    w->show();
    w->activated();
    QTest::keyClick(w->ListView1, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Timer1->isActive());
}

// ============================================================ the menu

TEST(FaultMenu, StopsTheMainWindowsPollingAndOpensModal) {
    KvintorRig rig;
    kvintor::installEcudataWindows(rig.program);
    ASSERT_TRUE(rig.startOnCom1());
    rig.main().activated();
    ASSERT_TRUE(rig.main().Timer1->isActive());
    bool mainPolling = true;
    QString title;
    rig.modal.push_back([&](QDialog& d) {
        mainPolling = rig.main().Timer1->isActive() || rig.main().Timer2->isActive();
        title = d.windowTitle();
        EXPECT_EQ(d.parent(), &rig.main());
    });
    rig.main().mEbu.at(3)->trigger();
    EXPECT_EQ(rig.modalsShown, QStringList{"fPostErr"});
    EXPECT_FALSE(mainPolling);
    EXPECT_TRUE(title.startsWith(QStringLiteral("Ошибки  ЭБУ")));
}

// Variable 14 is the command register and holds the regulator switches:
// whatever a window does with it, the switches are in it afterwards, also
// when the ECU refused a step on the way and answers again later.
TEST_F(EcuDataTest, TheSwitchesAreBackInVariable14AfterEverySequenceOnIt) {
    struct Case {
        const char* name;
        std::function<void()> run;
    };
    const auto refuseAfter = [this](const Request& first) {
        rig.sim->ecu.replyHook = [this, first](const Request& r, std::optional<Request>&) {
            if (r == first) rig.sim->ecu.refuseWrites(14, 5);
        };
    };
    const std::vector<Case> cases{
        {"a passport write",
         [this] {
             kvintor::fKomplekt w(rig.program, nullptr);
             w.activated();
             w.WritePassport();
         }},
        {"a fault clear whose second step is refused",
         [this, refuseAfter] {
             kvintor::fPostErr w(rig.program, nullptr);
             refuseAfter({98, 14, 8});
             w.ClearStoredFaults();
             EXPECT_EQ(rig.sim->ecu.variable(14), 8) << "the ECU stuck on the way";
             rig.sim->ecu.acceptWrites();
             w.ReadStoredFaults();
         }},
        {"a table reset whose second step is refused",
         [this, refuseAfter] {
             kvintor::fTabl w(rig.program, nullptr);
             refuseAfter({98, 14, 0x10});
             w.ResetAdaptTable(1);
             EXPECT_EQ(rig.sim->ecu.variable(14), 0x10);
             rig.sim->ecu.acceptWrites();
             w.ShowAdaptTable(1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The lambda regulator switched off in the main window.
        rig.sim->ecu.replyHook = nullptr;
        rig.sim->ecu.acceptWrites();
        rig.sim->ecu.handle({98, 14, 2, 14, 2});
        rig.program.state.EcuSwitches = 2;
        c.run();
        EXPECT_EQ(rig.sim->ecu.variable(14), 2);
        EXPECT_FALSE(rig.program.ledger.switchesOwed());
        rig.dialogs.messages.clear();
    }
}
