// The oscilloscope on the simulated ECU: the start sequence and its
// requests, the port taken from the link and given back, the stream read
// through the simulator or fed by hand, the values and pulses, the
// watchdog, and an ECU that does not answer.
#include "GraphsWindows.h"
#include "KvintorRig.h"
#include "StreamPortDouble.h"
#include "common/Time.h"
#include "fOscll.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using kline::Request;
using kvintor::fOscll;

namespace {

const Request kStart{113, 32, 41, 38, 52, 57, 63};
const QString kNoAnswer =
    QStringLiteral("ЭБУ  не  отвечает\r\nЗакройте  это  окно  и  повторите  попытку");

QByteArray frame(const Request& data) {
    return kline::encodeFrame(data);
}

struct Scope : ::testing::Test {
    KvintorRig rig;
    std::shared_ptr<StreamPortLog> log = std::make_shared<StreamPortLog>();
    bool simulatorStream = false; // the stream from the simulator, else fed by hand
    StreamPortDouble* fed = nullptr;
    kvintor::PolledStreamPort* polled = nullptr;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        common::setPauseHook([](int) {});
        kvintor::installGraphsWindows(
            rig.program, [this](const QString& device) -> std::unique_ptr<kvintor::StreamPort> {
                EXPECT_EQ(device, QStringLiteral("sim")) << "the link's device";
                if (simulatorStream) {
                    auto port = std::make_unique<kvintor::PolledStreamPort>(
                        std::make_unique<sim::SimulatedPort>(rig.sim, false), 5, 4);
                    polled = port.get();
                    return port;
                }
                auto port = std::make_unique<StreamPortDouble>(log);
                fed = port.get();
                return port;
            });
        ASSERT_TRUE(rig.startOnCom1());
        QApplication::processEvents();
        rig.main().stopTimers();
        rig.requests();
    }
    void TearDown() override { common::setPauseHook(nullptr); }

    // Opens the window from the menu and runs `inside` while it is open;
    // the window closes when `inside` returns.
    void run(const std::function<void(fOscll&)>& inside) {
        rig.modal.push_back([inside](QDialog& d) { inside(static_cast<fOscll&>(d)); });
        rig.main().Dnn[1]->trigger();
        ASSERT_EQ(rig.modalsShown, QStringList{QStringLiteral("fOscll")});
    }
    void start(fOscll& w) {
        w.timer2Tick();
        ASSERT_NE(w.MSComm1(), nullptr);
    }
    QStringList values(fOscll& w) {
        QStringList out;
        for (QLabel* l : w.Label1)
            out << l->text();
        return out;
    }
};

} // namespace

// ========================================================== start and close

TEST_F(Scope, StartTakesThePortAndClosingGivesItBackWithTheStreamStopped) {
    simulatorStream = true;
    rig.sim->ecu.engine().setThrottle(13); // an escaped byte in every frame
    const int before = rig.program.ecu.PortHandle();
    ASSERT_GT(before, 0);
    run([&](fOscll& w) {
        EXPECT_EQ(w.windowTitle(),
                  QStringLiteral("Осциллографический тест  Kvintor  (версия 2.4)"));
        EXPECT_TRUE(w.Timer2->isActive());
        EXPECT_EQ(w.Timer2->interval(), 1);
        EXPECT_FALSE(w.Timer1->isActive());
        QStringList captions;
        for (QLabel* l : w.Label2)
            captions << l->text();
        EXPECT_EQ(captions, (QStringList{"THR", "FREQ", "UOZ", "GBC", "VALF", "INJ"}));

        start(w);
        EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}, kStart}));
        EXPECT_EQ(rig.program.ecu.PortHandle(), -1) << "the link's port is closed";
        EXPECT_TRUE(w.MSComm1()->isOpen());
        EXPECT_FALSE(w.Timer2->isActive());
        EXPECT_TRUE(w.Timer1->isActive());
        EXPECT_EQ(w.Timer1->interval(), 2500);
        EXPECT_EQ(rig.sim->ecu.streamVariables(),
                  (std::vector<std::uint8_t>{32, 41, 38, 52, 57, 63}));

        for (int i = 0; i < 30; ++i)
            polled->poll();
        EXPECT_EQ(w.Label1[0]->text(), QStringLiteral("13"))
            << "frames with an escape pair are shown";
        const int speed = rig.sim->ecu.variable(41);
        EXPECT_NEAR(w.Label1[1]->text().toInt(), speed * 40, 200);
        EXPECT_NE(w.Label1[5]->text(), QStringLiteral("0"));
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_TRUE(w.Timer1->isActive());
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_TRUE(rig.sim->ecu.streamVariables().empty()) << "six zero bytes ended the stream";
    EXPECT_GT(rig.program.ecu.PortHandle(), 0) << "the link has its port again";
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}}));
    EXPECT_EQ(rig.program.ecu.LastExchangeResult(), kline::kOk);
    // The main window identifies and polls on it again.
    rig.main().activated();
    rig.main().timer1Tick();
    EXPECT_EQ(rig.main().Label1->text(), QStringLiteral("Микас 7.1 Ц1.1 R"));
    EXPECT_TRUE(rig.main().Timer2->isActive());
}

TEST_F(Scope, AnAdapterPulledDuringTheStreamIsOpenedAgainWhenItIsBack) {
    // The main window polled before: its panel shows values.
    rig.main().timer1Tick();
    rig.main().timer2Tick();
    rig.main().stopTimers();
    ASSERT_FALSE(rig.main().values[0][0]->text().isEmpty());
    run([&](fOscll& w) {
        start(w);
        rig.sim->adapter.setFault(sim::LineFault::PortGone);
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    ASSERT_EQ(rig.program.ecu.PortHandle(), -1) << "the link's port could not be opened";
    rig.main().activated();
    EXPECT_EQ(rig.main().values[0][0]->text(), QString()) << "nothing shown as live";
    EXPECT_EQ(rig.main().Label1->text(), QStringLiteral("Ошибка COM порта"));
    EXPECT_TRUE(rig.main().Timer1->isActive());
    EXPECT_GE(rig.main().Timer1->interval(), 15) << "no spinning on the missing port";
    rig.sim->adapter.setFault(sim::LineFault::None);
    QElapsedTimer t;
    t.start();
    while (!rig.main().Timer2->isActive() && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_GT(rig.program.ecu.PortHandle(), 0);
    EXPECT_TRUE(rig.main().Timer2->isActive()) << "identified and polling again";
}

TEST_F(Scope, ClosingWritesSixZeroBytesThenRtsThenClosesThenAsksTheLink) {
    run([&](fOscll& w) {
        start(w);
        EXPECT_EQ(log->opened, QStringList{QStringLiteral("sim")});
        rig.requests();
        w.reject();
        EXPECT_FALSE(w.Timer1->isActive());
        EXPECT_FALSE(w.Timer2->isActive());
    });
    EXPECT_EQ(log->events, QStringLiteral("open clear write rts close"));
    EXPECT_EQ(log->written, QByteArray(6, '\0'));
    EXPECT_TRUE(log->rts);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}}));
    EXPECT_GT(rig.program.ecu.PortHandle(), 0);
}

TEST_F(Scope, EcuOffSixChecksThenTheMessageAndThePortStaysWithTheLink) {
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    const int handle = rig.program.ecu.PortHandle();
    run([&](fOscll& w) {
        for (int i = 1; i <= 5; ++i) {
            w.timer2Tick();
            EXPECT_EQ(w.failures(), i);
            EXPECT_TRUE(w.Timer2->isActive());
        }
        EXPECT_EQ(w.Timer2->interval(), fOscll::kFailedStartTickMs)
            << "a failing check does not spin";
        EXPECT_TRUE(rig.dialogs.messages.empty());
        w.timer2Tick();
        EXPECT_FALSE(w.Timer2->isActive());
        EXPECT_FALSE(w.Timer1->isActive());
        EXPECT_EQ(w.failures(), 0);
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        const auto& m = rig.dialogs.messages.front();
        EXPECT_EQ(m.text, kNoAnswer);
        EXPECT_EQ(m.caption, QStringLiteral("Kvintor  (версия 2.4)"));
        EXPECT_EQ(m.icon, common::Icon::Exclamation);
        EXPECT_EQ(m.buttons, common::Buttons::Ok);
        EXPECT_EQ(rig.platform.count(QStringLiteral("beep")), 1);
        EXPECT_EQ(w.MSComm1(), nullptr);
        EXPECT_EQ(rig.requests(), std::vector<Request>(6, Request{1}));
    });
    EXPECT_TRUE(log->opened.isEmpty());
    EXPECT_EQ(rig.program.ecu.PortHandle(), handle) << "the link's port was never touched";
    EXPECT_TRUE(rig.requests().empty()) << "nothing is sent on closing";
}

TEST_F(Scope, ACheckThatSucceedsAfterFailuresStartsTheStream) {
    int silent = 3;
    rig.sim->ecu.replyHook = [&silent](const Request& r, std::optional<Request>& reply) {
        if (r == Request{1} && silent > 0) {
            --silent;
            reply.reset();
        }
    };
    run([&](fOscll& w) {
        for (int i = 0; i < 4; ++i)
            w.timer2Tick();
        EXPECT_NE(w.MSComm1(), nullptr);
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}, {1}, {1}, {1}, kStart}));
    });
}

TEST_F(Scope, APortThatCannotBeOpenedGivesTheLinkItsPortBackAtOnce) {
    log->refuseOpen = true;
    run([&](fOscll& w) {
        w.timer2Tick();
        EXPECT_EQ(w.MSComm1(), nullptr);
        EXPECT_GT(rig.program.ecu.PortHandle(), 0);
        EXPECT_FALSE(w.Timer1->isActive());
        EXPECT_FALSE(w.Timer2->isActive());
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages.front().text, kNoAnswer);
        EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}, kStart}));
    });
    EXPECT_TRUE(log->written.isEmpty());
    EXPECT_TRUE(rig.requests().empty());
}

// ============================================================ values, pulses

TEST_F(Scope, ValuesAndPulsesOfAFrame) {
    run([&](fOscll& w) {
        start(w);
        for (kvintor::PulseView* p : w.pictures()) {
            EXPECT_EQ(p->width(), 680);
            EXPECT_EQ(p->outline.rising, QLine(8, 40, 0, 96));
            EXPECT_EQ(p->accessibleName(), p->objectName());
        }
        // Filling 0, mixture 250, pulse 625; advance byte 200 unsigned.
        fed->feed(frame({0, 20, 200, 0, 0, 250, 0x71, 0x02}));
        EXPECT_EQ(values(w), (QStringList{"0", "800", "100", "0", "1.477", "5"}));
        const auto& gbc = w.Picture1->outline;
        EXPECT_EQ(gbc.top, QLine(8, 40, 8, 24)) << "a value of 0: the falling edge at x0";
        EXPECT_EQ(gbc.falling, QLine(8, 24, 18, 96));
        EXPECT_EQ(gbc.base, QLine(684, 92, 18, 96));
        EXPECT_EQ(w.Picture2->outline.falling.x1(), 8 + 340) << "250 of 500 on 680 pixels";
        EXPECT_EQ(w.Picture2->outline.base.x2(), 8 + 350);
        EXPECT_EQ(w.Picture3->outline.top.x2(), 114) << "680 x 625 / 4000 + 8 = 114.25";
        // Filling 0x1194 = 4500 fills the picture; 4500 / 5.9988 = 750.2.
        fed->feed(frame({255, 0, 0, 0x94, 0x11, 0, 0, 0}));
        EXPECT_EQ(values(w), (QStringList{"255", "0", "0", "750.2", "0.5", "0"}));
        EXPECT_EQ(w.Picture1->outline.falling.x1(), 688);
        EXPECT_EQ(w.Picture3->outline.falling.x1(), 8);
    });
}

TEST_F(Scope, EscapedBytesAreShownAndABadSumIsNot) {
    run([&](fOscll& w) {
        start(w);
        fed->feed(frame({13, 64, 26, 64, 13, 64, 13, 64}));
        EXPECT_EQ(values(w), (QStringList{"13", "2560", "13", "565.4", "0.75", "131.18"}));
        fed->feed(frame({64, 1, 2, 3, 4, 5, 6, 7}));
        EXPECT_EQ(w.Label1[0]->text(), QStringLiteral("64"));
        QByteArray bad = frame({99, 99, 99, 99, 99, 99, 99, 99});
        bad[2] = static_cast<char>(bad[2] + 1);
        fed->feed(bad);
        EXPECT_EQ(w.Label1[0]->text(), QStringLiteral("64")) << "the bad frame is not shown";
        EXPECT_TRUE(w.Timer1->isActive());
        EXPECT_TRUE(rig.dialogs.messages.empty());
    });
}

TEST_F(Scope, AReceiverStartedMidFrameRecoversOnTheNextFrame) {
    run([&](fOscll& w) {
        start(w);
        const QByteArray stream = frame({1, 2, 3, 4, 5, 6, 7, 8}).mid(4) +
                                  frame({70, 30, 40, 0, 1, 0, 0, 1}) +
                                  frame({71, 30, 40, 0, 1, 0, 0, 1});
        for (int i = 0; i < stream.size(); i += 3) {
            fed->feed(stream.mid(i, 3));
            if (i == 3) {
                EXPECT_EQ(w.Label1[0]->text(), QStringLiteral("0"));
            }
        }
        EXPECT_EQ(w.Label1[0]->text(), QStringLiteral("71"));
        EXPECT_EQ(w.Label1[3]->text(), QStringLiteral("42.7"));
    });
}

// ================================================================ watchdog

TEST_F(Scope, SilenceTripsTheWatchdogAndTheWindowStaysOpen) {
    run([&](fOscll& w) {
        start(w);
        w.timer1Tick();
        EXPECT_FALSE(w.Timer1->isActive());
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages.front().text, kNoAnswer);
        EXPECT_EQ(rig.dialogs.messages.front().caption, QStringLiteral("Kvintor  (версия 2.4)"));
        EXPECT_TRUE(w.MSComm1()->isOpen()) << "the port is kept until the window closes";
        EXPECT_FALSE(w.Timer2->isActive()) << "no retry";
        // Frames that come back are shown and arm the watchdog again.
        fed->feed(frame({5, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(w.Label1[0]->text(), QStringLiteral("5"));
        EXPECT_TRUE(w.Timer1->isActive());
    });
    EXPECT_EQ(log->written, QByteArray(6, '\0'));
}

TEST_F(Scope, OnlyBadFramesTripTheWatchdogTooAGoodOneRestartsIt) {
    run([&](fOscll& w) {
        start(w);
        QByteArray bad = frame({1, 1, 1, 1, 1, 1, 1, 1});
        bad[0] = 9;
        QTest::qWait(120);
        fed->feed(bad);
        EXPECT_TRUE(w.Timer1->isActive());
        EXPECT_LE(w.Timer1->remainingTime(), 2500 - 100)
            << "a bad frame does not put the watchdog back";
        fed->feed(frame({1, 1, 1, 1, 1, 1, 1, 1}));
        EXPECT_GE(w.Timer1->remainingTime(), 2500 - 40) << "a good frame does";
        // A watchdog that has fired is armed again by a bad frame.
        w.timer1Tick();
        EXPECT_FALSE(w.Timer1->isActive());
        fed->feed(bad);
        EXPECT_TRUE(w.Timer1->isActive());
    });
}

TEST_F(Scope, TheSimulatorsStreamOfAStoppedEngineWithHeldValues) {
    simulatorStream = true;
    rig.sim->ecu.engine().stop();
    rig.sim->advance(10000);
    // Mixture 250 and advance byte 200 put in force by their override bits.
    ASSERT_EQ(rig.sim->ecu.handle({98, 11, 0x05, 57, 250, 38, 200}), Request{0});
    run([&](fOscll& w) {
        start(w);
        for (int i = 0; i < 30; ++i)
            polled->poll();
        EXPECT_EQ(values(w), (QStringList{"0", "0", "100", "0", "1.477", "0"}));
        EXPECT_EQ(w.Picture1->outline.falling.x1(), 8) << "filling 0: the falling edge at x0";
        EXPECT_EQ(w.Picture2->outline.falling.x1(), 8 + 340);
        EXPECT_EQ(w.Picture3->outline.falling.x1(), 8);
    });
    EXPECT_TRUE(rig.sim->ecu.streamVariables().empty());
}

TEST_F(Scope, ASignalWhileTheStreamRunsGivesThePortBackBeforeTheReset) {
    simulatorStream = true;
    run([&](fOscll& w) {
        start(w);
        rig.requests();
        ASSERT_FALSE(rig.sim->ecu.streamVariables().empty());
        rig.program.endWithReset(); // what SIGTERM runs
        EXPECT_TRUE(rig.sim->ecu.streamVariables().empty()) << "six zero bytes ended the stream";
        const std::vector<Request> sent = rig.requests();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent.front(), Request{1});
        EXPECT_EQ(sent.back(), (Request{98, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0}));
        EXPECT_EQ(rig.ends, 1);
    });
}
