// The actuator window against the simulated ECU: the actuator boxes, the
// state it gives back, the balance test with its set speed, its retries and
// its figures, and every way out leaving the ECU as it was.
#include "EngineTestRig.h"
#include "tfMexan.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using kvintor::tfMexan;

namespace {

const Request kActivation{0x61, 0x09, 0x0A, 0x0D, 0x06};
const Request kLive{0x61, 0x2C, 0x1A};
const Request kStartRead{0x61, 0x06, 0x2C, 0x5C};
const Request kReset{0x62, 0x0A, 0x0F, 0x09, 0x00, 0x0A, 0x00, 0x0D, 0x0F, 0x0D, 0x00, 0x0D, 0x00};
const Request kPoll{0x61, 0x2C, 0x1A, 0x20};
const Request kAllOn{0x62, 0x0D, 0x00, 0x0D, 0x00};
// With another window's ignition hold (mask A bit 3) in force throughout.
const Request kFreeze{0x62, 0x0B, 0x68};
const Request kEnd{0x62, 0x0D, 0x00, 0x0B, 0x08};
// The state found on opening: fuel pump and fan on, the fan held on by
// output mask 10.
const Request kWriteBack{0x62, 0x09, 0x03, 0x0A, 0x02, 0x0D, 0x00};

Request holdSpeed(int v, int mask = 0x48) {
    return {0x62, 0x0B, static_cast<std::uint8_t>(mask), 0x2E, static_cast<std::uint8_t>(v)};
}
Request cut(int m) {
    return {0x62, 0x0D, static_cast<std::uint8_t>(m), 0x0D, static_cast<std::uint8_t>(m)};
}

const QString kCannotGoOn =
    QStringLiteral("Дальнейшее продолжение теста невозможно\r\nОбороты двигателя - ");
const QString kUnsteady = QStringLiteral(
    "Дальнейшее  продолжение  теста  не  возможно.\r\nДвигатель  работает  неустойчиво.");

// What the windows must give back: outputs, output mask, mask A, cut mask.
struct Outputs {
    int v9, v10, v11, v13;
    bool operator==(const Outputs& o) const {
        return v9 == o.v9 && v10 == o.v10 && v11 == o.v11 && v13 == o.v13;
    }
};
std::ostream& operator<<(std::ostream& os, const Outputs& o) {
    return os << "9=" << o.v9 << " 10=" << o.v10 << " 11=" << o.v11 << " 13=" << o.v13;
}

// Runs of equal requests: (request, how many in a row).
std::vector<std::pair<Request, int>> runs(const std::vector<Request>& log) {
    std::vector<std::pair<Request, int>> out;
    for (const Request& r : log) {
        if (!out.empty() && out.back().first == r)
            ++out.back().second;
        else
            out.emplace_back(r, 1);
    }
    return out;
}

struct Mexan : EngineTestRig {
    tfMexan* w = nullptr;
    Outputs before{};
    int polls = 0; // balance polls the ECU has answered

    void SetUp() override {
        EngineTestRig::SetUp();
        rig.program.state.EngineVariant = 62;
        // Before the window: another window holds the ignition advance, and
        // the fan is held on through the output mask.
        rig.sim->ecu.handle({98, 11, 0x08});
        rig.program.state.OverrideMaskA = 0x08;
        rig.sim->ecu.handle({98, 10, 0x02, 9, 0x02});
        before = outputs();
        onRequest = [this](const Request& r) {
            if (r == kPoll) ++polls;
        };
        w = openMexan();
        ASSERT_NE(w, nullptr);
        rig.requests();
    }
    tfMexan* openMexan() {
        auto* window = open<tfMexan>(0);
        QCoreApplication::processEvents(); // the first activation
        if (window) window->Timer1->stop();
        return window;
    }
    Outputs outputs() {
        return {rig.sim->ecu.variable(9), rig.sim->ecu.variable(10), mask11(),
                rig.sim->ecu.variable(13)};
    }
    // Runs fn from the event loop that the test lets run after poll n.
    void afterPoll(int n, std::function<void()> fn) {
        onRequest = [this, n, fn](const Request& r) {
            if (r == kPoll && ++polls == n) QTimer::singleShot(0, w, fn);
        };
    }
    // Runs fn from the event loop after the n-th poll that follows the
    // cut-out of the injectors in mask m.
    void afterCut(int m, int n, std::function<void()> fn) {
        onRequest = [this, m, n, fn, since = -1](const Request& r) mutable {
            if (r == cut(m)) since = 0;
            if (r == kPoll && since >= 0 && ++since == n) QTimer::singleShot(0, w, fn);
        };
    }
    // The window at rest after a test: controls back, the hold released.
    void expectAtRest() {
        EXPECT_TRUE(w->Command1->isEnabled());
        EXPECT_FALSE(w->Command2->isEnabled());
        EXPECT_TRUE(w->Frame4->isEnabled());
        EXPECT_TRUE(w->Combo1->isEnabled());
        EXPECT_FALSE(w->ProgressBar1->isVisible());
        EXPECT_FALSE(w->Label4[0]->isVisible());
        EXPECT_FALSE(w->Label5->isVisible());
        for (QLabel* label : w->Label4)
            EXPECT_EQ(label->palette().color(QPalette::Window), tfMexan::restColour());
        EXPECT_TRUE(w->Timer1->isActive());
        EXPECT_FALSE(w->inRun());
        EXPECT_EQ(rig.program.state.OverrideMaskA, 0x08);
        EXPECT_EQ(mask11(), 0x08);
        EXPECT_EQ(rig.sim->ecu.variable(13), 0) << "all injectors on";
        EXPECT_FALSE(rig.program.ledger.owes());
    }
    // Closing the window leaves the ECU as it was before it opened.
    void closeAndExpectGivenBack() {
        rig.requests();
        w->close();
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(rig.requests(), (std::vector<Request>{kWriteBack}));
        EXPECT_EQ(outputs(), before);
    }
    QString message(std::size_t i = 0) const {
        return i < rig.dialogs.messages.size() ? rig.dialogs.messages[i].text : QString();
    }
    // Answers every balance poll with the speed fn gives for poll n (1..).
    void speedsBy(std::function<int(int)> fn) {
        rig.sim->ecu.replyHook = [this, fn](const Request& r, std::optional<Request>& reply) {
            if (onRequest) onRequest(r);
            if (r == kPoll && reply) (*reply)[0] = static_cast<std::uint8_t>(fn(polls));
        };
    }
};

} // namespace

// ============================================================ the window

TEST_F(Mexan, OpeningReadsTheActuatorsAndKeepsTheirState) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Исполнительные механизмы  Kvintor  (версия 2.4)"));
    EXPECT_EQ(w->Frame4->title(), QStringLiteral("Тест исполнительных механизмов"));
    EXPECT_EQ(w->Frame3->title(), QStringLiteral("Форсунки"));
    EXPECT_EQ(w->Frame5->title(), QStringLiteral("Баланс -тест"));
    EXPECT_EQ(w->Check1[1]->text(), QStringLiteral("Лампа              неисправностей"));
    EXPECT_EQ(w->Check1[2]->text(), QStringLiteral("Вентилятор охлаждения"));
    EXPECT_EQ(w->Check1[3]->text(), QStringLiteral("Кондиционер"));
    EXPECT_EQ(w->Check1[4]->text(), QStringLiteral("Бензонасос"));
    EXPECT_EQ(w->Check1[6]->text(), QStringLiteral("Ф 2"));
    EXPECT_EQ(w->Check1[6]->toolTip(), QStringLiteral(" Вкл. - Выкл.  Форсунка 2 го цилиндра "));
    EXPECT_EQ(w->findChild<QCheckBox*>("Check1(7)"), w->Check1[7]);
    EXPECT_EQ(w->Combo1->count(), 6);
    EXPECT_EQ(w->Combo1->itemText(5), "1500");
    EXPECT_EQ(w->Combo1->toolTip(), QStringLiteral(" Установка оборотов двигателя  "));
    EXPECT_EQ(w->Label3->text(), QStringLiteral("Форсунки        Обороты"));
    EXPECT_EQ(w->Label4[0]->text(), QStringLiteral("Установка оборотов"));
    EXPECT_EQ(w->Label4[3]->text(), QStringLiteral("Цилиндр 3"));
    EXPECT_EQ(w->Label5->text(), QStringLiteral("Слишком низкие обороты  повтор теста!"));
    EXPECT_EQ(w->Label6->text(), QStringLiteral("Тест прерван!"));
    EXPECT_FALSE(w->Label5->isVisible());
    EXPECT_FALSE(w->Label6->isVisible());
    EXPECT_FALSE(w->Label4[0]->isVisible());
    EXPECT_EQ(w->ProgressBar1->maximum(), 255);
    EXPECT_FALSE(w->Command2->isEnabled());
    EXPECT_EQ(w->Timer2->interval(), 10000);
    EXPECT_EQ(w->Label1->toolTip(), QStringLiteral(" Норма  850 - 900  обор/мин. "));
    EXPECT_EQ(w->Label2->toolTip(), QStringLiteral(" Норма  75 - 95  град.С. "));
    EXPECT_EQ(w->findChild<QGroupBox*>("Frame2")->title(),
              QStringLiteral("Температура   о.ж .  (град. C)"));

    // The pump runs and the fan is held on: their boxes are ticked; every
    // injector works.
    EXPECT_FALSE(w->Check1[1]->isChecked());
    EXPECT_TRUE(w->Check1[2]->isChecked());
    EXPECT_FALSE(w->Check1[3]->isChecked());
    EXPECT_TRUE(w->Check1[4]->isChecked());
    for (int c = 5; c <= 8; ++c)
        EXPECT_TRUE(w->Check1[c]->isChecked());
    EXPECT_EQ(w->saved().outputs, 0x03);
    EXPECT_EQ(w->saved().outputMask, 0x02);
    EXPECT_EQ(w->saved().cutMask, 0x00);

    // Each activation reads again and takes the set speed from the settings.
    rig.store("tfMexan", QStringLiteral("Обороты"), "1200");
    w->activated();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kActivation}));
    EXPECT_EQ(w->Combo1->currentText(), "1200");
    EXPECT_TRUE(w->Timer1->isActive());
    // Picking from the list stores the choice.
    w->Combo1->setCurrentIndex(4);
    emit w->Combo1->activated(4);
    EXPECT_EQ(rig.setting("tfMexan", QStringLiteral("Обороты")), "1400");
}

TEST_F(Mexan, ABoxToggledByAScreenReaderSwitchesAsAClickDoes) {
    const auto toggle = [](QCheckBox* box) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(a->actionInterface(), nullptr);
        EXPECT_TRUE(a->state().checkable);
        EXPECT_EQ(a->text(QAccessible::Name), box->text());
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    for (int i = 1; i <= 8; ++i) {
        SCOPED_TRACE(i);
        QCheckBox* box = w->Check1[static_cast<std::size_t>(i)];
        const bool was = box->isChecked();
        rig.requests();
        box->click();
        const std::vector<Request> clicked = rig.requests();
        const Outputs afterClick = outputs();
        box->click();
        rig.requests();
        toggle(box);
        EXPECT_EQ(box->isChecked(), !was);
        EXPECT_EQ(rig.requests(), clicked);
        EXPECT_EQ(outputs(), afterClick);
        toggle(box);
    }
}

TEST_F(Mexan, TheBoxesFollowTheVariantsBits) {
    // Variant 63: the lamp on bit 0, the pump on bit 3.
    rig.sim->ecu.setFuelling(sim::Fuelling::Injection4063);
    rig.sim->ecu.addFault(13, true);
    rig.program.state.EngineVariant = 63;
    for (int i = 1; i <= 4; ++i)
        w->Check1[i]->setChecked(false);
    w->activated();
    EXPECT_TRUE(w->Check1[1]->isChecked()) << "lamp";
    EXPECT_TRUE(w->Check1[2]->isChecked()) << "fan";
    EXPECT_TRUE(w->Check1[4]->isChecked()) << "pump";
    // A bit that is clear leaves its box as it is.
    rig.sim->ecu.clearFaults();
    rig.sim->ecu.endFault(13);
    w->activated();
    EXPECT_TRUE(w->Check1[1]->isChecked());
    // An unknown variant touches neither the lamp nor the pump.
    rig.program.state.EngineVariant = 0;
    for (int i = 1; i <= 4; ++i)
        w->Check1[i]->setChecked(false);
    w->activated();
    EXPECT_FALSE(w->Check1[1]->isChecked());
    EXPECT_TRUE(w->Check1[2]->isChecked());
    EXPECT_FALSE(w->Check1[4]->isChecked());
}

TEST_F(Mexan, TheLivePanelRoundsItsBarsAndGreysOnFailure) {
    script(kLive, {{99, 120}});
    w->livePanel->tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kLive}));
    EXPECT_EQ(w->Label1->text(), "990");
    EXPECT_EQ(w->Label2->text(), "80");
    EXPECT_EQ(w->Label7[0]->width(), 127) << "99 x 128 / 100 = 126.72";
    EXPECT_EQ(w->Label7[1]->width(), 123) << "120 x 128 / 125 = 122.88";
    EXPECT_EQ(w->Timer1->interval(), 1);

    // A failed read blanks the values and shows the boxes as at rest.
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    w->livePanel->tick();
    EXPECT_EQ(w->Label1->text(), "");
    EXPECT_EQ(w->Label2->text(), "");
    for (int i = 1; i <= 4; ++i) {
        EXPECT_FALSE(w->Check1[i]->isChecked());
        EXPECT_TRUE(w->Check1[4 + i]->isChecked());
    }
    EXPECT_EQ(w->Timer1->interval(), 15) << "no spinning on a dead line";
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Mexan, TheActuatorBoxesSwitchTheOutputs) {
    // The fan off: read the outputs, then all four under control with the
    // boxes' bits (pump on, lamp, fan and air conditioner off).
    w->Check1[2]->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{0x61, 0x09}, {0x62, 0x0A, 0x0F, 0x09, 0x01}}));
    EXPECT_EQ(rig.sim->ecu.variable(10), 0x0F);
    EXPECT_EQ(rig.sim->ecu.variable(9), 0x01);
    w->Check1[3]->click();
    EXPECT_EQ(rig.requests().back(), (Request{0x62, 0x0A, 0x0F, 0x09, 0x05}));
    EXPECT_EQ(rig.sim->ecu.variable(9) & sim::Ecu::kAirConditionerBit,
              sim::Ecu::kAirConditionerBit);
    // Variant 63 puts the lamp on bit 0 and the pump on bit 3.
    rig.program.state.EngineVariant = 63;
    w->Check1[1]->click();
    EXPECT_EQ(rig.requests().back(), (Request{0x62, 0x0A, 0x0F, 0x09, 0x0D}));

    // An injector box writes the whole cut mask, twice.
    w->Check1[6]->click();
    w->Check1[8]->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{cut(0x02), cut(0x0A)}));
    EXPECT_EQ(rig.sim->ecu.variable(13), 0x0A);
    EXPECT_TRUE(rig.dialogs.messages.empty());

    // A refusal is told; a failed read writes nothing.
    rig.sim->ecu.refuseWrites(13, 5);
    w->Check1[5]->click();
    EXPECT_EQ(message(), QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  5"));
    rig.sim->ecu.acceptWrites();
    rig.requests();
    rig.sim->ecu.silence(97);
    w->Check1[2]->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{0x61, 0x09}}));
    EXPECT_EQ(message(1), QStringLiteral("Операция  не  выполнена   ЭБУ НЕ ОТВЕЧАЕТ"));
    rig.sim->ecu.unsilenceAll();

    // Whatever was switched, and whatever a later activation found, the
    // close gives back what the ECU had before.
    w->activated();
    closeAndExpectGivenBack();
}

TEST_F(Mexan, ACarburettorEngineGetsTheOtherTestAndZerosOnClose) {
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.sim->ecu.setFuelling(sim::Fuelling::Carburettor);
    w = openMexan();
    EXPECT_EQ(w->saved().outputs, 0);
    EXPECT_EQ(w->saved().outputMask, 0);
    rig.requests();
    w->Command1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kStartRead}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(message(), QStringLiteral("Данный  двигатель  оснащен  карбюратором!\r\n"
                                        "Для  него  предусмотрен  другой  тест."));
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
    EXPECT_EQ(beeps(), 1);
    EXPECT_FALSE(w->Frame5->isEnabled());
    EXPECT_FALSE(w->Frame3->isEnabled());
    EXPECT_FALSE(w->Check1[4]->isEnabled());
    EXPECT_TRUE(w->Check1[2]->isEnabled());
    // Nothing was saved on a carburettor engine: zeros go back.
    w->close();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{0x62, 0x09, 0, 0x0A, 0, 0x0D, 0}}));
    EXPECT_EQ(rig.sim->ecu.variable(10), 0);
    EXPECT_EQ(mask11(), 0x08);
}

// ============================================================ the balance test

TEST_F(Mexan, TheBalanceTestMeasuresEachCylinder) {
    w->Command1->click();
    const auto got = runs(rig.requests());
    ASSERT_GE(got.size(), 15u);
    EXPECT_EQ(got[0], std::make_pair(kStartRead, 1));
    EXPECT_EQ(got[1], std::make_pair(kReset, 1));
    EXPECT_EQ(got[2], std::make_pair(holdSpeed(100), 1));
    EXPECT_EQ(got[3].first, kPoll) << "until the ECU reports 1000 rpm";
    const std::vector<std::pair<Request, int>> rest(got.begin() + 4, got.end());
    EXPECT_EQ(rest, (std::vector<std::pair<Request, int>>{{kFreeze, 1},
                                                          {kPoll, 301},
                                                          {cut(1), 1},
                                                          {kPoll, 302},
                                                          {cut(2), 1},
                                                          {kPoll, 302},
                                                          {cut(4), 1},
                                                          {kPoll, 302},
                                                          {cut(8), 1},
                                                          {kPoll, 302},
                                                          {kEnd, 1},
                                                          {kActivation, 1}}));
    EXPECT_TRUE(rig.dialogs.messages.empty());
    for (int c = 1; c <= 4; ++c) {
        EXPECT_EQ(w->Label4[c]->text(), QStringLiteral("Отключена   %1").arg(c));
        const int rpm = w->Label9[c]->text().toInt();
        EXPECT_GT(rpm, 800) << c;
        EXPECT_LT(rpm, 960) << "a cylinder cut out drops the speed: " << c;
        // A screen reader reads the figure, the control name is beside it.
        QAccessibleInterface* result = QAccessible::queryAccessibleInterface(w->Label9[c]);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->text(QAccessible::Name), w->Label9[c]->text());
        EXPECT_EQ(result->text(QAccessible::Description), QStringLiteral("Label9(%1)").arg(c));
    }
    expectAtRest();
    // The outputs reset for the test: the fan is the ECU's again until the
    // window closes.
    EXPECT_EQ(rig.sim->ecu.variable(10), 0);
    closeAndExpectGivenBack();
}

TEST_F(Mexan, AWeakCylinderShowsTheSmallestDropInEveryRun) {
    for (int weak = 1; weak <= 4; ++weak) {
        engine().heal();
        engine().setCylinderHealth(weak, 0.5);
        w->Command1->click();
        ASSERT_TRUE(rig.dialogs.messages.empty()) << message().toStdString();
        std::array<int, 5> rpm{};
        for (int c = 1; c <= 4; ++c)
            rpm[c] = w->Label9[c]->text().toInt();
        for (int c = 1; c <= 4; ++c) {
            if (c == weak) continue;
            EXPECT_GT(rpm[weak], rpm[c] + 30) << "weak " << weak << ": " << rpm[1] << " " << rpm[2]
                                              << " " << rpm[3] << " " << rpm[4];
        }
    }
}

TEST_F(Mexan, TheAverageIsTheWholePartOfTheMeasuredSpeeds) {
    // Reached at once; cylinder 1 measures 88 and 89 in turn, the others 90.
    speedsBy([](int n) {
        const int c1Measure = 1 + 301 + 101 + 1; // first measured poll of cylinder 1
        if (n >= c1Measure && n < c1Measure + 201) return (n - c1Measure) % 2 ? 89 : 88;
        return n <= 1 + 301 ? 100 : 90;
    });
    w->Command1->click();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(w->Label9[1]->text(), "884") << "17788 / 201 x 10 = 884.97";
    EXPECT_EQ(w->Label9[2]->text(), "900");
}

TEST_F(Mexan, TheSetSpeedIsKeptWithinItsRange) {
    for (const auto& [typed, byte, shown] :
         {std::tuple{"900", 100, "1000"}, std::tuple{"2000", 150, "1500"}}) {
        w->Combo1->setEditText(QString::fromLatin1(typed));
        QString atHold;
        onRequest = [this, &atHold, byte = byte](const Request& r) {
            if (r == holdSpeed(byte)) {
                atHold = w->Combo1->currentText();
                QTimer::singleShot(0, w->Command2, &QPushButton::click);
            }
        };
        w->Command1->click();
        EXPECT_EQ(atHold, QString::fromLatin1(shown));
        const std::vector<Request> log = rig.requests();
        EXPECT_EQ(count(log, holdSpeed(byte)), 1) << typed;
        EXPECT_EQ(count(log, kFreeze), 0);
        EXPECT_EQ(log.back(), kActivation);
    }
}

TEST_F(Mexan, OnlyTheExactSetSpeedEndsTheWait) {
    // 1050 is used as it is: 105, and the wait ends at exactly 105.
    w->Combo1->setEditText("1050");
    speedsBy([](int n) { return n == 1 ? 104 : n == 2 ? 106 : 105; });
    onRequest = [this](const Request& r) {
        if (r == kPoll) ++polls;
        if (r == kFreeze) QTimer::singleShot(0, w->Command2, &QPushButton::click);
    };
    w->Command1->click();
    std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, holdSpeed(105)), 1);
    EXPECT_EQ(polls, 4) << "three to reach 105, one after the freeze";

    // 1005 is never reached: the wait goes on until Stop.
    polls = 0;
    w->Combo1->setEditText("1005");
    speedsBy([](int) { return 100; });
    afterPoll(500, [this] { w->Command2->click(); });
    w->Command1->click();
    log = rig.requests();
    EXPECT_EQ(count(log, holdSpeed(100)), 1);
    EXPECT_EQ(count(log, kFreeze), 0);
    EXPECT_EQ(count(log, kPoll), 500);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Mexan, ATooLowSpeedRetriesHigherUntil1500) {
    // Every measured speed is 550 rpm; the set speed goes 1400 -> 1500, then
    // the test gives up.
    w->Combo1->setEditText("1400");
    int sinceCut = -1;
    std::vector<QString> combos;
    std::vector<bool> notices;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>& reply) {
        if (r.size() == 5 && r[1] == 0x0D && r[2] != 0)
            sinceCut = 0;
        else if (r == kAllOn || r == kEnd)
            sinceCut = -1;
        else if (r == kPoll && sinceCut >= 0 && ++sinceCut > 101 && reply)
            (*reply)[0] = 55;
        if (r.size() == 5 && r[3] == 0x2E) {
            combos.push_back(w->Combo1->currentText());
            notices.push_back(w->Label5->isVisible());
        }
    };
    w->Command1->click();
    const std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, holdSpeed(140)), 1);
    // The retry lets the valve go so the ECU can reach the higher speed.
    EXPECT_EQ(count(log, holdSpeed(150)), 1);
    EXPECT_EQ(count(log, kFreeze), 2);
    EXPECT_EQ(count(log, kAllOn), 1);
    EXPECT_EQ(count(log, kStartRead), 2);
    EXPECT_EQ(combos, (std::vector<QString>{"1400", "1500"}));
    EXPECT_EQ(notices, (std::vector<bool>{false, true}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(message(), kUnsteady);
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(beeps(), 1);
    EXPECT_EQ(log[log.size() - 2], kEnd);
    expectAtRest();
}

TEST_F(Mexan, ARetryEndsCleanlyOnStopOrAFailedCheck) {
    // Every measured speed is too low, so the test retries at 1100.
    int sinceCut = -1;
    std::function<void(const Request&)> atRetry;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>& reply) {
        if (r.size() == 5 && r[1] == 0x0D && r[2] != 0)
            sinceCut = 0;
        else if (r == kAllOn || r == kEnd)
            sinceCut = -1;
        else if (r == kPoll && sinceCut >= 0 && ++sinceCut > 101 && reply)
            (*reply)[0] = 55;
        if (atRetry) atRetry(r);
    };
    // Stop pressed while the retry lets events run ends the test there.
    atRetry = [this](const Request& r) {
        if (r == kAllOn) QTimer::singleShot(0, w->Command2, &QPushButton::click);
    };
    w->Command1->click();
    std::vector<Request> log = rig.requests();
    EXPECT_EQ(count(log, holdSpeed(110)), 0) << "no second pass after Stop";
    EXPECT_EQ(count(log, kStartRead), 1);
    EXPECT_TRUE(w->Label6->isVisible());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    expectAtRest();

    // The second pass's first read lost: the end step still gives all back.
    int starts = 0;
    atRetry = nullptr;
    rig.sim->ecu.replyHook = [&, hook = rig.sim->ecu.replyHook](const Request& r,
                                                                std::optional<Request>& reply) {
        hook(r, reply);
        if (r == kStartRead && ++starts == 2) reply.reset();
    };
    w->Command1->click();
    log = rig.requests();
    EXPECT_EQ(count(log, kStartRead), 2);
    EXPECT_EQ(message(), QStringLiteral("Операция  не  выполнена   ЭБУ НЕ ОТВЕЧАЕТ"));
    EXPECT_EQ(log[log.size() - 2], kEnd);
    expectAtRest();
    closeAndExpectGivenBack();
}

TEST_F(Mexan, TheChecksBeforeTheTestWriteNothing) {
    // A dead idle-air valve.
    rig.sim->ecu.setVariable(92, 255);
    w->Command1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kStartRead}));
    EXPECT_EQ(message(), QStringLiteral("Прежде  чем  продолжить  тест  нужно\r\n"
                                        "устранить  неисправность  данного  двигателя.\r\n"
                                        "Шаг  РДВ=255"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_FALSE(w->Frame5->isEnabled());
    w->Frame5->setEnabled(true);
    rig.sim->ecu.releaseVariable(92);

    // The engine stopped.
    engine().stop();
    rig.sim->advance(5000);
    w->Command1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kStartRead}));
    EXPECT_EQ(message(1),
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));

    // No answer.
    rig.sim->ecu.silence(97);
    w->Command1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kStartRead}));
    EXPECT_EQ(message(2), QStringLiteral("Операция  не  выполнена   ЭБУ НЕ ОТВЕЧАЕТ"));
    EXPECT_EQ(outputs().v11, 0x08);
    EXPECT_TRUE(w->Command1->isEnabled());
}

TEST_F(Mexan, ARefusedWriteEndsTheTest) {
    rig.sim->ecu.refuseWrites(10, 3);
    w->Command1->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kStartRead, kReset, kEnd, kActivation}));
    EXPECT_EQ(message(), QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  3"));
    rig.sim->ecu.acceptWrites();
    rig.sim->ecu.refuseWrites(46, 4);
    w->Command1->click();
    EXPECT_EQ(rig.requests(),
              (std::vector<Request>{kStartRead, kReset, holdSpeed(100), kEnd, kActivation}));
    EXPECT_EQ(message(1), QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  4"));
    rig.sim->ecu.acceptWrites();
    expectAtRest();
}

TEST_F(Mexan, TheEngineFailingDuringTheTest) {
    // Below 500 rpm after a cut-out: the hold is let go at once.
    speedsBy([](int n) { return n <= 302 ? 100 : 45; });
    w->Command1->click();
    std::vector<Request> log = rig.requests();
    EXPECT_EQ(message(), kCannotGoOn + "450");
    EXPECT_EQ(runs(log).back().first, kActivation);
    EXPECT_EQ(count(log, kEnd), 2) << "at once, and at the end";
    expectAtRest();

    // Stopped while measuring.
    polls = 0;
    speedsBy([](int n) { return n <= 302 + 101 ? 100 : 0; });
    w->Command1->click();
    EXPECT_EQ(message(1), kCannotGoOn + "0");
    EXPECT_EQ(rig.dialogs.messages[1].icon, common::Icon::Exclamation);
    expectAtRest();

    // The throttle opened.
    rig.requests();
    polls = 0;
    afterPoll(320, [this] { engine().setThrottle(30); });
    w->Command1->click();
    EXPECT_EQ(message(2), QStringLiteral("Тест  прерван.  Дроссельная  заслонка  не  закрыта"));
    EXPECT_EQ(count(rig.requests(), kEnd), 1);
    engine().setThrottle(0);
    expectAtRest();
}

// ============================================================ ways out

TEST_F(Mexan, StopShowsTheNoticeForTenSeconds) {
    afterPoll(5, [this] { w->Command2->click(); });
    w->Command1->click();
    const auto got = runs(rig.requests());
    // Stop runs the activation at once; the test ends at its next poll.
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[got.size() - 4], std::make_pair(kPoll, 5));
    EXPECT_EQ(got[got.size() - 3], std::make_pair(kActivation, 1));
    EXPECT_EQ(got[got.size() - 2], std::make_pair(kEnd, 1));
    EXPECT_TRUE(w->Label6->isVisible());
    EXPECT_TRUE(w->Timer2->isActive());
    EXPECT_EQ(rig.sim->ecu.variable(13), 0);
    for (int c = 5; c <= 8; ++c)
        EXPECT_TRUE(w->Check1[c]->isChecked());
    expectAtRest();
    QMetaObject::invokeMethod(w->Timer2, "timeout", Qt::DirectConnection);
    EXPECT_FALSE(w->Label6->isVisible());
    EXPECT_FALSE(w->Timer2->isActive());
    closeAndExpectGivenBack();
}

TEST_F(Mexan, StopWhileACylinderIsCutOut) {
    afterCut(1, 50, [this] { w->Command2->click(); });
    w->Command1->click();
    EXPECT_EQ(count(rig.requests(), kEnd), 1);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    expectAtRest();
    closeAndExpectGivenBack();
}

TEST_F(Mexan, ALinkFailureReleasesWhenTheLineIsBack) {
    afterCut(1, 50, [this] { rig.sim->adapter.setFault(sim::LineFault::NoEcho); });
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(message(), QStringLiteral("Операция  не  выполнена   АДАПТЕР НЕ ВКЛЮЧЕН"));
    EXPECT_EQ(rig.program.ledger.owedValue(13), 0);
    EXPECT_EQ(mask11(), 0x68) << "the end was lost on the line";
    EXPECT_EQ(rig.sim->ecu.variable(13), 0x01);
    // The panel's ticks go on, no faster than every 15 ms; once the line
    // has answered, what is owed goes before the next read.
    w->livePanel->tick();
    EXPECT_EQ(w->Timer1->interval(), 15);
    rig.sim->adapter.setFault(sim::LineFault::None);
    rig.requests();
    w->livePanel->tick();
    w->livePanel->tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kLive, {0x62, 0x0B, 0x08, 0x0D, 0x00}, kLive}));
    expectAtRest();
    closeAndExpectGivenBack();
}

TEST_F(Mexan, AStalledEngineEndsTheTest) {
    afterPoll(3, [this] { engine().stop(); });
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(message(),
              QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    expectAtRest();
    // The pump is off with the engine; the rest is as it was.
    before.v9 &= ~rig.sim->ecu.pumpBit();
    closeAndExpectGivenBack();
}

TEST_F(Mexan, ClosingDuringTheTestStopsItAndKeepsTheWindow) {
    afterCut(1, 50, [this] { w->close(); });
    w->Command1->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(message(), QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/"));
    EXPECT_TRUE(w->isVisible());
    expectAtRest();
    closeAndExpectGivenBack();
}

TEST_F(Mexan, EscClosesTheWindowAndGivesTheOutputsBack) {
    w->Check1[2]->click(); // fan off
    w->Check1[7]->click(); // injector 3 off
    QPointer<tfMexan> guard(w);
    rig.requests();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kWriteBack}));
    EXPECT_EQ(outputs(), before);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard);
}

TEST_F(Mexan, TheProgramEndingDuringTheTestGivesBackFirst) {
    afterCut(1, 50, [this] { rig.program.endWithReset(); });
    w->Command1->click();
    EXPECT_EQ(rig.ends, 1);
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "the program ends quietly";
    const std::vector<Request> log = rig.requests();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], kEnd);
    EXPECT_EQ(log[log.size() - 2], kWriteBack);
    EXPECT_EQ(log.back()[0], 0x62) << "then the reset of the working variables";
    EXPECT_EQ(log.back().size(), 15u);
    EXPECT_EQ(outputs(), (Outputs{rig.sim->ecu.variable(9), 0, 0, 0}));
}
