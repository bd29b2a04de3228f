// The adjustment windows on the simulated ECU: what each sends on opening,
// apply, release and close, and the faults along the way.
#include "AdjustRig.h"
#include "RealBox.h"

#include <QMessageBox>

using kline::Request;
using kvintor::AdjustmentWindow;

namespace {

const QString kErrorCaption = QStringLiteral("Ошибка  Kvintor  (версия 2.4)");
const QString kSilentText = QStringLiteral("Операция  не  выполнена   ЭБУ НЕ ОТВЕЧАЕТ");
QString refusal(int status) {
    return QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  ") +
           QString::number(status);
}

// One row of the request table: a value for each slider, what applying it
// sends (masks counted from 0, channels applied in order), what the
// release sends, and what closing sends after every channel was applied.
struct Row {
    int item;
    Request read;
    std::vector<int> values;
    Requests applies;
    Requests releases; // one per channel, each right after its apply
    Requests onClose;
    int maskALeft;
    int maskBLeft;
};

const std::vector<Row>& table() {
    static const std::vector<Row> rows{
        {0,
         {0x61, 0x1A},
         {130},
         {{0x62, 0x0B, 0x80, 0x1A, 130}},
         {{0x62, 0x0B, 0x00}},
         {{0x62, 0x0B, 0x00}},
         0,
         0},
        {1,
         {0x61, 0x2E},
         {100},
         {{0x62, 0x0B, 0x40, 0x2E, 100}},
         {{0x62, 0x0B, 0x00}},
         {{0x62, 0x0B, 0x00}},
         0,
         0},
        {2,
         {0x61, 0x28},
         {-20, 30},
         {{0x62, 0x0B, 0x08, 0x28, 0x14}, {0x62, 0x0B, 0x0C, 0x26, 30}},
         {{0x62, 0x0B, 0x00}, {0x62, 0x0B, 0x08}},
         {{0x62, 0x0B, 0x08}},
         0x08,
         0},
        {3,
         {0x61, 0x5C},
         {90},
         {{0x62, 0x0B, 0x20, 0x5B, 90}},
         {{0x62, 0x0B, 0x00}},
         {{0x62, 0x0B, 0x00}},
         0,
         0},
        {4,
         {0x61, 0x39},
         {140},
         {{0x62, 0x0B, 0x01, 0x39, 140}},
         {{0x62, 0x0B, 0x00}},
         {{0x62, 0x0B, 0x00}},
         0,
         0},
        {5,
         {0x61, 0x18},
         {-40},
         {{0x62, 0x0B, 0x02, 0x18, 40}},
         {{0x62, 0x0B, 0x00}},
         {{0x62, 0x0B, 0x00}},
         0,
         0},
        {6,
         {0x61, 0x45, 0x46},
         {140, 100},
         {{0x62, 0x0B, 0x10, 0x45, 140}, {0x62, 0x0C, 0x80, 0x46, 100}},
         {{0x62, 0x0B, 0x00}, {0x62, 0x0C, 0x00}},
         {{0x62, 0x0B, 0x00}, {0x62, 0x0C, 0x00}},
         0,
         0},
        {7,
         {0x61, 0x1C},
         {60},
         {{0x62, 0x0C, 0x01, 0x1C, 60}},
         {{0x62, 0x0C, 0x00}},
         {{0x62, 0x0C, 0x00}},
         0,
         0},
        {8,
         {0x61, 0x41, 0x42},
         {-64, 10},
         {{0x62, 0x0C, 0x08, 0x41, 0xC0}, {0x62, 0x0C, 0x18, 0x42, 10}},
         {{0x62, 0x0C, 0x00}, {0x62, 0x0C, 0x08}},
         {},
         0,
         0x18},
    };
    return rows;
}

} // namespace

// ------------------------------------------------------------- the table

TEST_F(AdjustTest, EveryWindowSendsItsRequestsByteForByte) {
    for (const Row& row : table()) {
        SCOPED_TRACE(kvintor::adjust::windowEntry(row.item).name.toStdString());
        // Both masks cleared through the link, as a restart of the test would.
        rig.program.state.OverrideMaskA = rig.program.state.OverrideMaskB = 0;
        rig.program.ecu.EcuExchange({0x62, 0x0B, 0, 0x0C, 0});
        quietMain();
        AdjustmentWindow* w = open(row.item);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(rig.requests(), Requests{row.read}) << "on opening";
        // Apply each channel, give it back, then apply it again; the
        // apply after a release carries the mask as the release left it.
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            dragTo(slider(w, static_cast<int>(i)), row.values[i]);
            EXPECT_EQ(rig.requests(), Requests{row.applies[i]}) << "apply " << i;
            letGo(slider(w, static_cast<int>(i)), Qt::RightButton);
            Requests released{row.releases[i]};
            if (row.item == 2 && i == 0) released.push_back(row.read); // the offset is read again
            EXPECT_EQ(rig.requests(), released) << "release " << i;
            dragTo(slider(w, static_cast<int>(i)), row.values[i]);
            EXPECT_EQ(rig.requests(), Requests{row.applies[i]}) << "apply again " << i;
        }
        EXPECT_TRUE(rig.dialogs.messages.empty());
        w->close();
        EXPECT_EQ(rig.requests(), row.onClose) << "on close";
        EXPECT_EQ(var(11), row.maskALeft);
        EXPECT_EQ(var(12), row.maskBLeft);
        EXPECT_EQ(rig.program.state.OverrideMaskA, row.maskALeft);
        EXPECT_EQ(rig.program.state.OverrideMaskB, row.maskBLeft);
        EXPECT_FALSE(rig.main().Reg[static_cast<std::size_t>(row.item)]->isChecked());
        settle();
    }
}

TEST_F(AdjustTest, CaptionsTitlesHintsAndSliders) {
    struct Look {
        int item;
        const char* caption;
        int minimum, maximum, ticks;
    };
    const Look looks[] = {
        {0, "Температура  О.Ж.  ", 0, 160, 8},    {1, "Обороты/мин  (ХХ)  ", 0, 255, 15},
        {2, "УОЗ  (град. п.к.в.)  ", -20, 40, 4}, {3, "Положение РДВ  ", 0, 255, 15},
        {4, "Состав смеси  ", 0, 255, 15},        {5, "Угол впрыска  ", -56, 60, 9},
        {6, "Корр. топлива  ", 1, 255, 15},       {7, "Темпер. воздуха  ", 0, 255, 16},
        {8, "Коррекция СО  ", -64, 64, 8}};
    for (const Look& l : looks) {
        AdjustmentWindow* w = open(l.item);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(),
                  QString::fromUtf8(l.caption) + QStringLiteral("Kvintor  (версия 2.4)"));
        EXPECT_FALSE(w->windowIcon().isNull());
        EXPECT_EQ(slider(w)->minimum(), l.minimum) << l.item;
        EXPECT_EQ(slider(w)->maximum(), l.maximum) << l.item;
        EXPECT_EQ(slider(w)->tickInterval(), l.ticks) << l.item;
        EXPECT_EQ(slider(w)->accessibleName(), slider(w)->objectName());
        w->close();
        settle();
    }

    AdjustmentWindow* temper = open(0);
    EXPECT_EQ(temper->findChild<QSlider*>("Slider1"), slider(temper));
    EXPECT_EQ(slider(temper)->toolTip(),
              QStringLiteral(" Проверка  режимов  зависящих  от  температуры  ОЖ "));
    EXPECT_EQ(temper->Label1[0]->toolTip(), QStringLiteral(" От - 40 до 120  град. С. "));
    AdjustmentWindow* obor = open(1);
    EXPECT_EQ(obor->Label1[0]->toolTip(), QStringLiteral(" От 0 - 2550  обор/мин. "));
    AdjustmentWindow* rdv = open(3);
    EXPECT_EQ(slider(rdv)->toolTip(), QStringLiteral(" Регулятор  положения  РДВ  (тест) "));
    EXPECT_EQ(rdv->Label1[0]->toolTip(), QStringLiteral(" От 0 до 255 шагов  "));
    AdjustmentWindow* mix = open(4);
    EXPECT_EQ(slider(mix)->toolTip(), QStringLiteral(" Регулятор  состава  смеси  (тест) "));
    EXPECT_TRUE(mix->Label1[0]->toolTip().isEmpty());
    AdjustmentWindow* angle = open(5);
    EXPECT_EQ(slider(angle)->toolTip(),
              QStringLiteral(" Установка  угла  начала  впрыска  топлива  (тест) "));
    AdjustmentWindow* air = open(7);
    EXPECT_EQ(slider(air)->toolTip(),
              QStringLiteral(" Проверка  режимов  зависящих  от  температуры  воздуха  (тест) "));
    EXPECT_EQ(air->Label1[0]->toolTip(), QStringLiteral(" От -40 до 215 град. С. "));

    // Two-slider windows: control arrays, titles, and which slider is on top.
    AdjustmentWindow* uoz = open(2);
    EXPECT_EQ(slider(uoz, 0)->objectName(), QStringLiteral("Slider1(0)"));
    EXPECT_EQ(uoz->Label1[1]->objectName(), QStringLiteral("Label1(1)"));
    EXPECT_EQ(slider(uoz, 0)->toolTip(), QStringLiteral(" Смещение  УОЗ  для  всех  режимов "));
    EXPECT_EQ(uoz->Label1[0]->toolTip(), QStringLiteral(" Норма  0 "));
    EXPECT_EQ(slider(uoz, 1)->toolTip(), QStringLiteral(" Установка  УОЗ  (для  теста) "));
    EXPECT_EQ(uoz->Label1[1]->toolTip(), QStringLiteral(" Норма  9 - 19  град. "));
    EXPECT_LT(slider(uoz, 0)->y(), slider(uoz, 1)->y()) << "the offset on top";
    AdjustmentWindow* fuel = open(6);
    EXPECT_EQ(fuel->Label2->text(), QStringLiteral("Канал 1"));
    EXPECT_EQ(fuel->Label3->text(), QStringLiteral("Канал 2"));
    EXPECT_LT(slider(fuel, 0)->y(), slider(fuel, 1)->y());
    EXPECT_TRUE(slider(fuel, 0)->toolTip().isEmpty());
    AdjustmentWindow* co = open(8);
    EXPECT_EQ(co->Label2->text(), QStringLiteral("Коррекция СО  (Смещение)"));
    EXPECT_EQ(co->Label3->text(), QStringLiteral("Коррекция СО  (Коэффициент)"));
    EXPECT_LT(slider(co, 1)->y(), slider(co, 0)->y()) << "the coefficient on top";
    EXPECT_LT(co->Label3->y(), co->Label2->y());
}

// ------------------------------------------------------------- ignition

TEST_F(AdjustTest, IgnitionOffsetOfMinusTenDegrees) {
    AdjustmentWindow* w = open(2);
    EXPECT_EQ(label(w, 1), QString()) << "the test value is never read";
    rig.requests();
    dragTo(slider(w), -20);
    EXPECT_EQ(label(w), QStringLiteral("-10"));
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x08, 0x28, 0x14}}));
    EXPECT_EQ(var(40), 0x14);
    // Read back on the next activation: the byte 0x14 is -10 degrees.
    slider(w)->setValue(0);
    w->ReadCurrentValue();
    EXPECT_EQ(slider(w)->value(), -20);
    EXPECT_EQ(label(w), QStringLiteral("-10"));
    // 0xF0 is +8 degrees.
    rig.sim->ecu.handle({0x62, 0x0B, 0x08, 0x28, 0xF0});
    w->ReadCurrentValue();
    EXPECT_EQ(slider(w)->value(), 16);
    EXPECT_EQ(label(w), QStringLiteral("8"));
}

TEST_F(AdjustTest, ReleasingTheOffsetReadsVariable40Again) {
    rig.sim->ecu.handle({0x62, 0x0B, 0x08, 0x28, 0xF0}); // +8 held in force
    AdjustmentWindow* w = open(2);
    EXPECT_EQ(label(w), QStringLiteral("8"));
    rig.requests();
    rig.program.state.OverrideMaskA = 0x08 | 0x40; // and the idle speed of another window
    letGo(slider(w), Qt::RightButton);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x40}, {0x61, 0x28}}));
    EXPECT_EQ(slider(w)->value(), 0) << "the stored offset shows again";
    EXPECT_EQ(label(w), QStringLiteral("0"));
    EXPECT_EQ(var(11), 0x40);
}

TEST_F(AdjustTest, TestValueReleaseEmptiesItsLabel) {
    AdjustmentWindow* w = open(2);
    rig.requests();
    dragTo(slider(w, 1), 37);
    EXPECT_EQ(label(w, 1), QStringLiteral("18,5"));
    EXPECT_EQ(var(38), 37) << "held by the ECU";
    letGo(slider(w, 1), Qt::RightButton);
    EXPECT_EQ(label(w, 1), QString());
    EXPECT_EQ(slider(w, 1)->value(), 37) << "the slider stays";
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x04, 0x26, 37}, {0x62, 0x0B, 0x00}}));
}

// ------------------------------------------------------------- shared masks

TEST_F(AdjustTest, TwoWindowsShareTheMaskAndReleaseOnlyTheirBit) {
    AdjustmentWindow* temper = open(0);
    AdjustmentWindow* obor = open(1);
    rig.requests();
    dragTo(slider(temper), 120);
    dragTo(slider(obor), 90);
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0xC0);
    EXPECT_EQ(var(11), 0xC0);
    letGo(slider(obor), Qt::RightButton);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x80, 0x1A, 120},
                                        {0x62, 0x0B, 0xC0, 0x2E, 90},
                                        {0x62, 0x0B, 0x80}}));
    EXPECT_EQ(var(11), 0x80);
    // A bit set elsewhere in the program (an engine test) goes along.
    rig.program.state.OverrideMaskA |= 0x20;
    letGo(slider(temper), Qt::RightButton);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x20}}));
}

// ------------------------------------------------------------- values

TEST_F(AdjustTest, CoCorrectionAtMinus64) {
    AdjustmentWindow* w = open(8);
    rig.requests();
    dragTo(slider(w, 0), -64);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0C, 0x08, 0x41, 0xC0}}));
    EXPECT_EQ(label(w, 0), QStringLiteral("-0,25"));
    rig.sim->ecu.handle({0x62, 0x0C, 0x18, 0x42, 0xC0});
    slider(w, 1)->setValue(0);
    w->ReadCurrentValue();
    EXPECT_EQ(rig.requests(), (Requests{{0x61, 0x41, 0x42}}));
    EXPECT_EQ(slider(w, 1)->value(), -64);
    EXPECT_EQ(label(w, 1), QStringLiteral("-0,25"));
}

TEST_F(AdjustTest, MixtureLabelsAtBothEnds) {
    AdjustmentWindow* w = open(4);
    rig.requests();
    key(slider(w), Qt::Key_Home);
    EXPECT_EQ(label(w), QStringLiteral("0,5"));
    key(slider(w), Qt::Key_End);
    EXPECT_EQ(label(w), QStringLiteral("1,496"));
    EXPECT_TRUE(rig.requests().empty());
}

TEST_F(AdjustTest, ReadingsBeyondTheSliderKeepItInRange) {
    rig.sim->ecu.handle({0x62, 0x0B, 0x80, 0x1A, 200}); // 160 °C
    AdjustmentWindow* w = open(0);
    EXPECT_EQ(slider(w)->value(), 160);
    EXPECT_EQ(label(w), QStringLiteral("160")) << "the label tells what the ECU holds";
    rig.sim->ecu.handle({0x62, 0x0B, 0x10, 0x45, 0});
    AdjustmentWindow* fuel = open(6);
    EXPECT_EQ(slider(fuel, 0)->value(), 1);
    EXPECT_EQ(label(fuel, 0), QStringLiteral("-0,5"));
}

TEST_F(AdjustTest, EveryActivationReadsAgain) {
    AdjustmentWindow* w = open(1);
    EXPECT_EQ(rig.requests(), (Requests{{0x61, 0x2E}}));
    rig.sim->ecu.handle({0x62, 0x0B, 0x40, 0x2E, 99});
    rig.main().activateWindow();
    settle();
    quietMain();
    w->activateWindow();
    settle();
    EXPECT_EQ(rig.requests(), (Requests{{0x61, 0x2E}}));
    EXPECT_EQ(slider(w)->value(), 99);
    EXPECT_EQ(label(w), QStringLiteral("990"));
}

TEST_F(AdjustTest, AFailedReadChangesNothingAndSaysNothing) {
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    AdjustmentWindow* w = open(0);
    EXPECT_EQ(rig.requests().size(), 1u);
    EXPECT_EQ(label(w), QString()) << "empty right after opening";
    EXPECT_EQ(slider(w)->value(), 0);
    rig.sim->adapter.setFault(sim::LineFault::None);
    w->ReadCurrentValue();
    const QString shown = label(w);
    EXPECT_FALSE(shown.isEmpty());
    rig.sim->adapter.setFault(sim::LineFault::BadChecksum);
    w->ReadCurrentValue();
    EXPECT_EQ(label(w), shown);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(AdjustTest, AReplyShortOfAValueIsNoReading) {
    rig.sim->ecu.handle({0x62, 0x0B, 0x10, 0x45, 200});
    AdjustmentWindow* w = open(6);
    EXPECT_EQ(label(w, 0), QStringLiteral("0,281"));
    rig.sim->ecu.handle({0x62, 0x0B, 0x10, 0x45, 100});
    rig.sim->ecu.replyHook = [](const Request&, std::optional<Request>& reply) {
        reply = Request{100};
    };
    w->ReadCurrentValue(); // one byte for two variables
    EXPECT_EQ(slider(w, 0)->value(), 200);
    EXPECT_EQ(label(w, 0), QStringLiteral("0,281"));
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(AdjustTest, AWindowThatIsNeverActiveReadsByItself) {
    // Where no window manager hands a new window the activation: here the
    // activation goes straight on to the main window.
    AdjustmentWindow* w = kvintor::makeAdjustmentWindow(7, rig.program, rig.main());
    w->show();
    rig.main().activateWindow();
    settle();
    ASSERT_FALSE(w->isActiveWindow());
    auto reads = [this] {
        const Requests sent = rig.requests();
        return std::count(sent.begin(), sent.end(), Request{0x61, 0x1C});
    };
    EXPECT_EQ(reads(), 0);
    runEventsFor(400);
    EXPECT_EQ(reads(), 1);
    EXPECT_FALSE(label(w).isEmpty());
    delete w;
}

// ------------------------------------------------------------- failures

TEST_F(AdjustTest, ARefusedApplyTellsTheEcuErrorAndResetsTheSlider) {
    AdjustmentWindow* w = open(1);
    rig.sim->ecu.refuseWrites(46, 5);
    dragTo(slider(w), 100);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, refusal(5));
    EXPECT_EQ(rig.dialogs.messages[0].caption, kErrorCaption);
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(rig.platform.count("beep"), 1);
    EXPECT_EQ(label(w), QString());
    EXPECT_EQ(slider(w)->value(), 0);
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0x40) << "the bit stays in the program's copy";
    EXPECT_EQ(var(11), 0);
}

TEST_F(AdjustTest, TheErrorBoxClosingIsNoActivationThatReadsAgain) {
    AdjustmentWindow* w = open(0);
    // As a real box does: it takes the activation while open and hands it
    // back to the window below when it closes.
    behaveLikeRealBoxes(rig.dialogs, w);
    rig.sim->ecu.refuseWrites(26, 2);
    rig.requests();
    dragTo(slider(w), 100);
    runEventsFor(30);
    ASSERT_TRUE(w->isActiveWindow());
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x80, 0x1A, 100}})) << "no read after the box";
    EXPECT_EQ(label(w), QString());
    EXPECT_EQ(slider(w)->value(), 0);
}

TEST_F(AdjustTest, AFailedApplyOnFuelCorrectionKeepsTheSliderInRange) {
    AdjustmentWindow* w = open(6);
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    dragTo(slider(w, 1), 200);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kSilentText);
    EXPECT_EQ(slider(w, 1)->value(), 1);
    EXPECT_EQ(label(w, 1), QString());
    EXPECT_EQ(label(w, 0), QStringLiteral("0")) << "the other channel keeps its value";
}

TEST_F(AdjustTest, AFailedApplyOnCoCorrectionKeepsSliderAndLabel) {
    AdjustmentWindow* w = open(8);
    rig.sim->ecu.refuseWrites(66, 3);
    dragTo(slider(w, 1), 20);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, refusal(3));
    EXPECT_EQ(slider(w, 1)->value(), 20);
    EXPECT_EQ(label(w, 1), QStringLiteral("0,078"));
}

TEST_F(AdjustTest, ARightClickEmptiesTheLabelEvenWhenTheReleaseFails) {
    AdjustmentWindow* w = open(7);
    dragTo(slider(w), 100);
    EXPECT_EQ(label(w), QStringLiteral("60"));
    rig.requests();
    QString labelWhileSending = QStringLiteral("<not sent>");
    rig.sim->ecu.replyHook = [&](const Request&, std::optional<Request>& reply) {
        labelWhileSending = label(w);
        reply.reset(); // the release gets no answer
    };
    QTest::mouseClick(slider(w), Qt::RightButton, Qt::NoModifier, handle(slider(w)));
    EXPECT_EQ(labelWhileSending, QString()) << "emptied before the release went out";
    EXPECT_EQ(label(w), QString());
    EXPECT_EQ(slider(w)->value(), 100);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0C, 0x00}}));
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "a link failure on release is silent";
}

TEST_F(AdjustTest, ARefusedReleaseIsTold) {
    AdjustmentWindow* w = open(0);
    dragTo(slider(w), 100);
    rig.sim->ecu.refuseAllWrites(7);
    letGo(slider(w), Qt::RightButton);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, refusal(7));
    EXPECT_EQ(rig.program.state.OverrideMaskA, 0);
}

TEST_F(AdjustTest, IdleValveTellsALinkFailureOnReleaseButNotWhileClosing) {
    AdjustmentWindow* w = open(3);
    dragTo(slider(w), 90);
    EXPECT_EQ(var(91), 90);
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    letGo(slider(w), Qt::RightButton);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kSilentText);
    EXPECT_EQ(rig.dialogs.messages[0].caption, kErrorCaption);
    rig.sim->adapter.setFault(sim::LineFault::None);
    rig.sim->ecu.refuseAllWrites(4);
    w->close();
    EXPECT_EQ(rig.dialogs.messages.size(), 1u) << "closing checks no reply";
}

TEST_F(AdjustTest, IdleValveReopenedStillTellsFailures) {
    open(3)->close();
    settle();
    AdjustmentWindow* w = open(3);
    rig.sim->ecu.refuseAllWrites(4);
    letGo(slider(w), Qt::RightButton);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, refusal(4));
}

TEST_F(AdjustTest, CoCorrectionTellsEveryReleaseFailure) {
    AdjustmentWindow* w = open(8);
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    letGo(slider(w, 0), Qt::RightButton);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kSilentText);
    EXPECT_EQ(label(w, 0), QStringLiteral("0")) << "labels stay";
}

// ------------------------------------------------------------- keys and buttons

TEST_F(AdjustTest, ArrowsApplyBackspaceReleasesPagingOnlyMoves) {
    AdjustmentWindow* w = open(1);
    QSlider* s = slider(w);
    s->setValue(80);
    rig.requests();
    key(s, Qt::Key_PageUp);
    key(s, Qt::Key_PageDown);
    key(s, Qt::Key_Home);
    key(s, Qt::Key_End);
    EXPECT_EQ(s->value(), 255);
    EXPECT_EQ(label(w), QStringLiteral("2550"));
    EXPECT_TRUE(rig.requests().empty()) << "paging sends nothing";
    key(s, Qt::Key_Left);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x40, 0x2E, 254}}));
    EXPECT_EQ(label(w), QStringLiteral("2540"));
    key(s, Qt::Key_Backspace);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0B, 0x00}}));
    EXPECT_EQ(label(w), QString());
    // A held arrow repeats; it applies once, when it is let go.
    for (bool repeat : {true, true, false}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(s, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(s, &release);
    }
    EXPECT_EQ(rig.requests(),
              (Requests{{0x62, 0x0B, 0x40, 0x2E, static_cast<std::uint8_t>(s->value())}}));
    EXPECT_EQ(s->value(), 251);
    // Other keys and buttons do nothing.
    key(s, Qt::Key_A);
    letGo(s, Qt::MiddleButton);
    EXPECT_TRUE(rig.requests().empty());
}

TEST_F(AdjustTest, KeysActOnTheFocusedSliderOfTwo) {
    AdjustmentWindow* w = open(6);
    rig.requests();
    slider(w, 1)->setFocus();
    key(slider(w, 1), Qt::Key_Right);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0C, 0x80, 0x46, 129}}));
    key(slider(w, 1), Qt::Key_Backspace);
    EXPECT_EQ(rig.requests(), (Requests{{0x62, 0x0C, 0x00}}));
    EXPECT_EQ(label(w, 1), QStringLiteral("0,004")) << "the fuel correction keeps its label";
}

TEST_F(AdjustTest, DeleteHandsTheKeyboardToTheMainWindow) {
    AdjustmentWindow* w = open(5);
    ASSERT_TRUE(w->isActiveWindow());
    key(slider(w), Qt::Key_Delete);
    settle();
    EXPECT_TRUE(rig.main().isActiveWindow());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(rig.main().Timer1->isActive() || rig.main().Timer2->isActive())
        << "the main window polls again";
}
