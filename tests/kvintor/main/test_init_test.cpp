// The main window against the simulated ECU: identification, the four
// pages, restart, regulator switches, menus and layout.
#include "EventLoop.h"
#include "KvintorRig.h"
#include "RealBox.h"
#include "common/Time.h"
#include "main/fkLine.h"

#include <QAction>
#include <QFile>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QShortcut>
#include <QTest>
#include <QPainter>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <gtest/gtest.h>

using kline::Request;
using kvintor::InitTest;

namespace {

QColor background(const QLabel* l) { return l->palette().color(QPalette::Window); }

struct MainWindow : ::testing::Test {
    KvintorRig rig;
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(rig.startOnCom1());
        w().activated();
        rig.requests();
    }
    InitTest& w() { return rig.main(); }
    void identify() {
        w().timer1Tick();
        ASSERT_TRUE(w().Timer2->isActive());
        rig.requests();
    }
    // The ECU answers the live page with exactly these elements.
    void answerPages(const std::vector<int>& elements) {
        rig.sim->ecu.replyHook = [elements](const Request& r, std::optional<Request>& reply) {
            if (!r.empty() && r[0] == 7) reply = Request(elements.begin(), elements.end());
        };
    }
};

} // namespace

// ============================================================ identification

TEST_F(MainWindow, IdentificationSequenceAndTexts) {
    EXPECT_EQ(w().Label1->text(), QStringLiteral("_____Тест_____"));
    EXPECT_TRUE(w().Timer1->isActive());
    w().timer1Tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}, {81}, {97, 117}, {97, 118}, {88}, {97, 65, 66, 40}}));
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Микас 7.1 Ц1.1 R"));
    EXPECT_EQ(w().statusPanels[2]->text(), QStringLiteral("Версия ПЗУ - 2.17.4062"));
    EXPECT_EQ(w().statusPanels[3]->text(), QStringLiteral("Серия - 0512345"));
    EXPECT_EQ(w().Label10->text(), QStringLiteral("Двигатель - ЗМЗ-4062.10 Евро-2"));
    EXPECT_EQ(rig.program.state.EngineVariant, 62);
    EXPECT_EQ(background(w().Label1), QColor(224, 224, 224));
    EXPECT_FALSE(w().Timer1->isActive());
    EXPECT_TRUE(w().Timer2->isActive());
    // Identified: the next activation polls at once.
    w().stopTimers();
    w().activated();
    EXPECT_TRUE(w().Timer2->isActive());
    EXPECT_FALSE(w().Timer1->isActive());
}

TEST_F(MainWindow, ConnectionValuesAreKept) {
    rig.sim->ecu.handle({98, 11, 0x08, 40, 14});
    rig.sim->ecu.handle({98, 12, 0x18, 65, 3, 66, 250});
    w().timer1Tick();
    EXPECT_EQ(rig.program.state.ConnectionValue40, 14);
    EXPECT_EQ(rig.program.state.ConnectionValue65, 3);
    EXPECT_EQ(rig.program.state.ConnectionValue66, 250);
}

TEST_F(MainWindow, EcuThatOnlyAnswersTheConnectionCheckStillPolls) {
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{81} || r == Request{97, 117} || r == Request{97, 118} || r == Request{88}) reply.reset();
    };
    rig.program.state.ReportEnabled = 1;
    w().timer1Tick();
    EXPECT_EQ(w().Label1->text(), QString());
    EXPECT_EQ(w().statusPanels[3]->text(), QStringLiteral("Серия - не определена"));
    EXPECT_EQ(w().statusPanels[2]->text(), QStringLiteral("Версия ПЗУ - не определена"));
    EXPECT_EQ(w().Label10->text(), QStringLiteral(" Окно  определения  марки  двигателя  ")) << "unchanged";
    EXPECT_TRUE(w().Timer2->isActive()) << "polling reached";
    QFile report(rig.program.report().path());
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(report.readAll())
                    .contains(QStringLiteral("=Не опр.      Не определена            Не определена")));
}

TEST_F(MainWindow, FailedConnectionValuesKeepIdentifying) {
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{97, 65, 66, 40}) reply.reset();
    };
    w().timer1Tick();
    EXPECT_TRUE(w().Timer1->isActive());
    EXPECT_FALSE(w().Timer2->isActive());
}

TEST_F(MainWindow, NoAnswerShowsTheErrorAndTheBusyPointer) {
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    w().timer1Tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{1}}));
    EXPECT_EQ(w().Label1->text(), QStringLiteral("ЭБУ не отвечает"));
    EXPECT_EQ(w().statusPanels[2]->text(), QStringLiteral("Версия ПЗУ -"));
    EXPECT_EQ(w().statusPanels[3]->text(), QStringLiteral("Серия -"));
    EXPECT_EQ(w().cursor().shape(), Qt::BusyCursor);
    EXPECT_TRUE(w().Timer1->isActive());
    rig.sim->adapter.setFault(sim::LineFault::None);
    w().timer1Tick();
    EXPECT_EQ(w().cursor().shape(), Qt::ArrowCursor);
}

TEST_F(MainWindow, EngineVariant63) {
    rig.sim->ecu.setFuelling(sim::Fuelling::Injection4063);
    w().timer1Tick();
    EXPECT_EQ(rig.program.state.EngineVariant, 63);
}

// ============================================================ live pages

TEST_F(MainWindow, PageOneValuesBarsLampsAndRequest) {
    identify();
    std::vector<int> e{0x44, 0x80, 0, 1, 0, 0, 125, 150, 85, 19, 125, 65, 1, 74, 34, 3, 0x08};
    answerPages(e);
    w().timer2Tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{7, 8, 81, 82, 83, 84, 26, 99, 44, 38, 53, 35, 92, 52, 9}}));
    const QStringList texts{"85", "13.64", "850", "9.5", "-3", "321", "74", "133"};
    const int barsWanted[8] = {128, 130, 128, 84, 125, 137, 146, 102};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(w().values[0][static_cast<std::size_t>(k)]->text(), texts[k]) << k;
        const QLabel* bar = w().bars[0][static_cast<std::size_t>(k)];
        EXPECT_EQ(bar->width(), barsWanted[k]) << k;
        EXPECT_EQ(background(bar), kvintor::barColour(barsWanted[k])) << k;
    }
    EXPECT_EQ(background(w().Label3[2]), QColor(255, 192, 128));
    EXPECT_EQ(background(w().Label3[6]), QColor(255, 192, 128));
    EXPECT_EQ(background(w().Label3[0]), QColor(128, 128, 128));
    EXPECT_EQ(background(w().Label3[15]), QColor(255, 192, 128));
    EXPECT_EQ(background(w().Label3[17]), QColor(255, 192, 128));
    EXPECT_EQ(background(w().Label3[16]), QColor(128, 128, 128));
    EXPECT_EQ(background(w().Label7), QColor(255, 192, 128)) << "variant 62: bit 3";
    EXPECT_EQ(w().values[0][0]->toolTip(), QStringLiteral(" Норма  75 - 95  град.С. "));
}

TEST_F(MainWindow, EveryPageAsksItsVariablesAndChecksTheLength) {
    identify();
    const std::vector<Request> pages{
        {7, 8, 81, 82, 83, 84, 26, 99, 44, 38, 53, 35, 92, 52, 9},
        {7, 8, 81, 82, 83, 84, 26, 28, 32, 65, 57, 63, 33, 64, 9},
        {7, 8, 81, 82, 83, 84, 97, 103, 104, 105, 98, 100, 101, 102, 9},
        {7, 8, 81, 82, 83, 84, 77, 78, 45, 56, 94, 95, 51, 60, 9}};
    for (int p = 0; p < 4; ++p) {
        w().nb[static_cast<std::size_t>(p)]->trigger();
        EXPECT_TRUE(w().Frame9[static_cast<std::size_t>(p)]->isVisibleTo(&w()));
        EXPECT_TRUE(w().nb[static_cast<std::size_t>(p)]->isChecked());
        EXPECT_EQ(rig.setting("InitTest", "Набор"), QString::number(p));
        rig.requests();
        w().timer2Tick();
        EXPECT_EQ(rig.requests(), std::vector<Request>{pages[static_cast<std::size_t>(p)]}) << p;
        EXPECT_FALSE(w().values[static_cast<std::size_t>(p)][0]->text().isEmpty()) << p;
    }
    // Page 3: volts.
    answerPages({0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0});
    w().nb[2]->trigger();
    w().timer2Tick();
    EXPECT_EQ(w().values[2][0]->text(), QStringLiteral("1.961"));
}

TEST_F(MainWindow, WrongLengthKeepsTheValuesAndPageChangeIdentifiesAgain) {
    identify();
    w().timer2Tick();
    const QString before = w().values[0][0]->text();
    ASSERT_FALSE(before.isEmpty());
    answerPages(std::vector<int>(16, 7));
    w().timer2Tick();
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Ошибка длины пакета"));
    EXPECT_EQ(w().values[0][0]->text(), before);
    EXPECT_TRUE(w().Timer2->isActive()) << "polling goes on";
    w().nb[1]->trigger();
    EXPECT_EQ(w().Label1->text(), QStringLiteral("_____Тест_____"));
    EXPECT_TRUE(w().Timer1->isActive());
    EXPECT_FALSE(w().Timer2->isActive());
    EXPECT_TRUE(w().values[0][0]->text().isEmpty()) << "panel cleared";
}

TEST_F(MainWindow, LinkFailureClearsThePanelAndIdentifiesAgain) {
    identify();
    w().toggleRegulator(0);
    w().timer2Tick();
    rig.sim->adapter.setFault(sim::LineFault::BadChecksum);
    common::setPauseHook([](int) {});
    w().timer2Tick();
    common::setPauseHook(nullptr);
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Не верная контр.сумма"));
    EXPECT_FALSE(w().Timer2->isActive());
    EXPECT_TRUE(w().Timer1->isActive());
    for (const auto& page : w().values)
        for (const QLabel* v : page) EXPECT_TRUE(v->text().isEmpty());
    EXPECT_EQ(w().Label10->text(), QString());
    EXPECT_EQ(w().Label4[0]->text(), QStringLiteral("Вкл"));
    EXPECT_TRUE(w().vReg[0]->isChecked());
    EXPECT_EQ(background(w().Label7), QColor(128, 64, 64));
    EXPECT_EQ(background(w().Label3[2]), QColor(128, 128, 128));
}

TEST_F(MainWindow, SpeedRangeSwitchesAndBarsStayWithin255) {
    identify();
    answerPages({0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0});
    w().timer2Tick();
    EXPECT_TRUE(w().fullRange());
    for (const QLabel* bar : w().bars[0]) EXPECT_LE(bar->width(), 255);
    rig.requests();
    answerPages({0, 0, 0, 0, 0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0, 0});
    w().timer2Tick();
    EXPECT_EQ(rig.requests()[0][8], 41);
    EXPECT_EQ(w().valueFrames[0][2]->title(), QStringLiteral("Обороты/мин."));
    EXPECT_EQ(w().values[0][2]->text(), QStringLiteral("3200"));
    answerPages({0, 0, 0, 0, 0, 0, 0, 0, 63, 0, 0, 0, 0, 0, 0, 0, 0});
    w().timer2Tick();
    EXPECT_FALSE(w().fullRange());
    w().timer2Tick();
    EXPECT_EQ(rig.requests().back()[8], 44);
    EXPECT_EQ(w().valueFrames[0][2]->title(), QStringLiteral("Обороты/мин. (холостой ход)"));
}

TEST_F(MainWindow, CheckEngineLampByVariant) {
    identify();
    rig.program.state.EngineVariant = 63;
    answerPages({0, 0, 0, 0, 0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0, 0x01});
    w().timer2Tick();
    EXPECT_EQ(background(w().Label7), QColor(255, 192, 128));
    answerPages({0, 0, 0, 0, 0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0, 0x08});
    w().timer2Tick();
    EXPECT_EQ(background(w().Label7), QColor(128, 64, 64));
    rig.program.state.EngineVariant = 0; // unknown: the lamp keeps its colour
    answerPages({0, 0, 0, 0, 0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0, 0x09});
    w().timer2Tick();
    EXPECT_EQ(background(w().Label7), QColor(128, 64, 64));
}

// ============================================================ restart, switches

TEST_F(MainWindow, RestartRefusedLeavesTheWindowAndIdentifies) {
    identify();
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{65, 0, 0}) reply = Request{4};
    };
    w().mEbu[4]->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  4"));
    EXPECT_TRUE(w().isEnabled());
    EXPECT_TRUE(w().Timer1->isActive());
    EXPECT_FALSE(w().Timer2->isActive());
}

TEST_F(MainWindow, RestartDisablesTheWindowForOneSecond) {
    identify();
    rig.program.state.OverrideMaskA = 0x88; // overrides the restart drops
    rig.program.state.OverrideMaskB = 0x18;
    rig.program.state.EcuSwitches = 0x06;
    w().mEbu[4]->trigger();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{65, 0, 0}}));
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Перезагрузка ЭБУ"));
    EXPECT_EQ(background(w().Label1), QColor(255, 255, 128));
    EXPECT_FALSE(w().isEnabled());
    EXPECT_TRUE(w().Timer3->isActive());
    EXPECT_EQ(w().Timer3->interval(), 1000);
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0) << "the copies follow the restarted ECU";
    EXPECT_EQ(rig.program.state.OverrideMaskB, 0);
    EXPECT_EQ(rig.program.state.EcuSwitches, 0) << "both regulators on, as the panel shows";
    EXPECT_FALSE(w().Timer1->isActive());
    EXPECT_FALSE(w().Timer2->isActive());
    w().timer3Tick();
    EXPECT_TRUE(w().isEnabled());
    EXPECT_FALSE(w().Timer3->isActive());
    EXPECT_EQ(background(w().Label1), QColor(224, 224, 224));
    EXPECT_EQ(w().Label1->text(), QStringLiteral("_____Тест_____"));
    EXPECT_TRUE(w().Timer1->isActive());
}

TEST_F(MainWindow, RegulatorSwitches) {
    identify();
    w().vReg[0]->trigger();
    EXPECT_FALSE(w().vReg[0]->isChecked());
    EXPECT_EQ(w().Label4[0]->text(), QStringLiteral("Откл"));
    EXPECT_EQ(background(w().Label4[0]), QColor(Qt::white));
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 2, 14, 2}}));
    // A click on Label4(1) works as the menu item.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w().Label4[1], &press);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 6, 14, 6}}));
    EXPECT_EQ(rig.program.state.EcuSwitches, 6);
    w().vReg[0]->trigger(); // back on: only the other bit
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 4, 14, 4}}));
    EXPECT_EQ(w().Label4[0]->text(), QStringLiteral("Вкл"));
    EXPECT_EQ(background(w().Label4[0]), QColor(192, 192, 192));
    // A refusal rolls the tick back.
    rig.sim->ecu.refuseWrites(14, 3);
    w().vReg[0]->trigger();
    EXPECT_TRUE(w().vReg[0]->isChecked());
    EXPECT_EQ(w().Label4[0]->text(), QStringLiteral("Вкл"));
    EXPECT_EQ(rig.program.state.EcuSwitches, 6) << "the copy keeps the new bits";
    EXPECT_EQ(rig.dialogs.messages.back().text, QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  3"));
}

// ============================================================ timers

TEST_F(MainWindow, AMessageBoxClosingIsNoActivationAndOnlyOneTimerRuns) {
    identify();
    w().activateWindow();
    runEventsFor(20);
    // As a real box does: it takes the activation while open and hands it
    // back to the window below when it closes.
    behaveLikeRealBoxes(rig.dialogs, &w());
    rig.sim->ecu.refuseWrites(65, 4);
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{65, 0, 0}) reply = Request{4};
    };
    w().mEbu[4]->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_TRUE(w().isActiveWindow());
    EXPECT_TRUE(w().Timer1->isActive()) << "the refused restart identifies again";
    EXPECT_FALSE(w().Timer2->isActive());
    for (int i = 0; i < 10; ++i) {
        runEventsFor(5);
        EXPECT_FALSE(w().Timer1->isActive() && w().Timer2->isActive()) << "never two polling timers at once";
    }
    // A box closing over a window at rest starts nothing.
    w().stopTimers();
    rig.dialogs.message("x", "y", common::Icon::Information, common::Buttons::Ok, common::Answer::Ok);
    runEventsFor(20);
    EXPECT_TRUE(w().isActiveWindow());
    EXPECT_FALSE(w().Timer1->isActive());
    EXPECT_FALSE(w().Timer2->isActive());
    // A real switch from another window of the program still counts.
    QWidget other;
    other.show();
    other.activateWindow();
    runEventsFor(20);
    other.close();
    w().activateWindow();
    runEventsFor(20);
    EXPECT_TRUE(w().Timer1->isActive() || w().Timer2->isActive());
}

TEST_F(MainWindow, AVanishedPortDoesNotSpinAndIdentifiesWhenItIsBack) {
    identify();
    EXPECT_EQ(w().Timer2->interval(), kvintor::kPollIntervalMs);
    rig.sim->adapter.setFault(sim::LineFault::PortGone);
    w().timer2Tick();
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Ошибка COM порта"));
    EXPECT_TRUE(w().Timer1->isActive());
    EXPECT_GE(w().Timer1->interval(), 15);
    // Ticks on the dead line come no faster than 15 ms apart.
    rig.requests();
    int ticks = 0;
    QMetaObject::Connection c = QObject::connect(w().Timer1, &QTimer::timeout, [&] { ++ticks; });
    runEventsFor(300);
    QObject::disconnect(c);
    EXPECT_LE(ticks, 300 / 15 + 2);
    EXPECT_GE(ticks, 5) << "but it keeps trying";
    // The adapter is back: identification, then polling at the full rate.
    rig.sim->adapter.setFault(sim::LineFault::None);
    QElapsedTimer t;
    t.start();
    while (!w().Timer2->isActive() && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(w().Timer2->isActive());
    EXPECT_EQ(w().Timer2->interval(), kvintor::kPollIntervalMs);
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Микас 7.1 Ц1.1 R"));
}

// ============================================================ menus and layout

TEST_F(MainWindow, MenuCaptionsInOrder) {
    QStringList menus;
    for (QAction* a : w().menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"ЭБУ", "Набор", "Вид", "Тесты", "Регулировки", "Вкл / Откл", "Проверка",
                                  "Дополнительно", "Завершение"}));
    EXPECT_EQ(w().mEbu.at(0)->text(), QStringLiteral("Пасрорт"));
    EXPECT_EQ(w().mEbu.count(2), 0u);
    EXPECT_EQ(w().mEbu.at(5)->text(), QStringLiteral("Типовые параметры"));
    EXPECT_EQ(w().tst[4]->text(), QStringLiteral("Карбюратор  406-4063"));
    EXPECT_EQ(w().Reg[8]->text(), QStringLiteral("Коррекция  СО"));
    EXPECT_EQ(w().Dat[0]->text(), QStringLiteral("Датчик сихронизации"));
    EXPECT_EQ(w().Zav[0]->text(), QStringLiteral("Выйти из программы    Alt+F4"));
    EXPECT_TRUE(w().Zav[0]->shortcut().isEmpty()) << "the caption names the key; it must not show twice";
    EXPECT_EQ(w().exitShortcut->key(), QKeySequence(Qt::ALT | Qt::Key_F4));
    EXPECT_EQ(w().Zav[1]->text(), QStringLiteral("Выключить компьютер"));
    EXPECT_EQ(w().Frame4->title(), QStringLiteral("Параметры ЭБУ и двигателя"));
    EXPECT_EQ(w().Frame9[1]->title(), QStringLiteral("2-й  Набор"));
    EXPECT_EQ(w().findChild<QLabel*>("Label3(19)")->text(), QStringLiteral("4 цил."));
    EXPECT_EQ(w().windowTitle(), rig.program.state.AppTitle);
}

TEST_F(MainWindow, AltF4RunsTheExit) {
    w().activateWindow();
    runEventsFor(20);
    QTest::keyClick(&w(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(rig.ends, 1);
    EXPECT_EQ(rig.requests().back(), (Request{98, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0}));
}

TEST_F(MainWindow, ValueClicksActAsAdjustmentItems) {
    std::vector<std::pair<int, bool>> opened;
    for (int i = 0; i < 9; ++i)
        w().adjustmentWindows[static_cast<std::size_t>(i)] = [&opened, i](bool open) { opened.push_back({i, open}); };
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w().values[0][2], &left); // speed → idle speed window
    QApplication::sendEvent(w().values[1][3], &left); // CO offset → CO window
    QApplication::sendEvent(w().values[0][1], &left); // voltage: nothing
    EXPECT_EQ(opened, (std::vector<std::pair<int, bool>>{{1, true}, {8, true}}));
    w().Reg[8]->setEnabled(false);
    QApplication::sendEvent(w().values[1][3], &left);
    EXPECT_EQ(opened.size(), 2u) << "only while the item is enabled";
    w().closeAdjustmentWindows();
    EXPECT_EQ(opened.back(), (std::pair<int, bool>{8, false}));
    EXPECT_FALSE(w().Reg[1]->isChecked());
}

TEST_F(MainWindow, ResizeKeepsTheFrameCentred) {
    w().resize(1000, 800);
    QApplication::processEvents();
    const QWidget* inner = w().centralWidget();
    const QRect f = w().Frame4->geometry();
    EXPECT_NEAR(f.center().x(), inner->width() / 2, 1);
    EXPECT_EQ(w().Label1->y(), f.y() - 320 / 15);
    EXPECT_EQ(w().Label10->y(), f.y() - 320 / 15);
    EXPECT_EQ(w().Label7->y(), f.y() - 360 / 15);
    EXPECT_EQ(w().Label8->y(), inner->height() - 1500 / 15);
    EXPECT_EQ(w().Line1->width(), inner->width());
}

TEST(AdapterDiagram, WindowAndDrawing) {
    kvintor::fkLine window(nullptr);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Принципиальная схема адаптера  K-Line"));
    QImage image(880, 560, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    ASSERT_TRUE(kvintor::paintAdapterDiagram(painter, image.size())) << "the picture is in the program";
    painter.end();
    int dark = 0;
    int red = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            if (qGray(image.pixel(x, y)) < 100) ++dark;
            if (image.pixelColor(x, y) == QColor(Qt::red)) ++red;
        }
    EXPECT_EQ(red, 0) << "all of it painted";
    EXPECT_GT(dark, 2000) << "lines and texts drawn";
    // Esc closes it.
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST(AdapterDiagram, EveryWireEndsOnAPinOrAJunction) {
    // Each end of a wire meets a part's terminal, a connector pin or
    // another wire (a junction); every connector pin has its wire.
    QFile f(QString::fromLatin1(kvintor::kAdapterDiagram));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(f.readAll());
    for (const char* pin : {"TXD", "RXD", "DTR", "RTS", "GND", "K-Line", "+12 В", "Масса"})
        EXPECT_TRUE(svg.contains(QString::fromUtf8(pin))) << pin;
    QList<QLineF> segments;
    QList<QPointF> ends;
    const QRegularExpression wireRe(QStringLiteral("class=\"wire\" fill=\"none\" points=\"([^\"]+)\""));
    for (auto m = wireRe.globalMatch(svg); m.hasNext();) {
        QList<QPointF> pts;
        for (const QString& p : m.next().captured(1).split(QLatin1Char(' '))) {
            const QStringList xy = p.split(QLatin1Char(','));
            pts << QPointF(xy[0].toDouble(), xy[1].toDouble());
        }
        for (int i = 1; i < pts.size(); ++i) segments << QLineF(pts[i - 1], pts[i]);
        ends << pts.first() << pts.last();
    }
    QList<QPointF> terminals;
    const QRegularExpression termRe(QStringLiteral("class=\"terminal\" cx=\"([-\\d.]+)\" cy=\"([-\\d.]+)\""));
    for (auto m = termRe.globalMatch(svg); m.hasNext();) {
        const auto g = m.next();
        terminals << QPointF(g.captured(1).toDouble(), g.captured(2).toDouble());
    }
    ASSERT_GT(segments.size(), 15);
    ASSERT_GT(terminals.size(), 30);
    auto onSegment = [](const QLineF& s, const QPointF& p) {
        const double len = s.length();
        const double cross = std::abs((s.p2().x() - s.p1().x()) * (p.y() - s.p1().y()) -
                                      (s.p2().y() - s.p1().y()) * (p.x() - s.p1().x())) / len;
        const double along = QPointF::dotProduct(p - s.p1(), s.p2() - s.p1()) / (len * len);
        return cross < 0.5 && along >= -0.001 && along <= 1.001;
    };
    for (int i = 0; i < ends.size(); ++i) {
        const QPointF end = ends[i];
        bool met = std::any_of(terminals.begin(), terminals.end(),
                               [&](const QPointF& t) { return QLineF(t, end).length() < 0.5; });
        const int own = i / 2; // the wire this end belongs to
        int k = 0;
        for (auto m = wireRe.globalMatch(svg); m.hasNext() && !met; ++k) {
            const QStringList pts = m.next().captured(1).split(QLatin1Char(' '));
            if (k == own) continue;
            for (int j = 1; j < pts.size() && !met; ++j) {
                const QStringList a = pts[j - 1].split(QLatin1Char(',')), b = pts[j].split(QLatin1Char(','));
                met = onSegment(QLineF(a[0].toDouble(), a[1].toDouble(), b[0].toDouble(), b[1].toDouble()), end);
            }
        }
        EXPECT_TRUE(met) << "a wire ends in the air at " << end.x() << "," << end.y();
    }
    // The connector pins (on the boxes' edges at x 130 and 720) all have wires.
    for (const QPointF& t : terminals) {
        if (t.x() != 130 && t.x() != 720) continue;
        EXPECT_TRUE(std::any_of(ends.begin(), ends.end(), [&](const QPointF& e) { return QLineF(t, e).length() < 0.5; }))
            << "pin without a wire at " << t.x() << "," << t.y();
    }
}
