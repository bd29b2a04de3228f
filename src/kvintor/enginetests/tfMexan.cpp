// The actuator window: its controls, the activation that reads the actuator
// state, the actuator boxes, Stop and the way out. The balance test itself
// is in tfMexanBalance.cpp.
#include "tfMexan.h"

#include "common/ActivationWatch.h"
#include "common/Numbers.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace kvintor {

namespace {

const QString kSection = QStringLiteral("tfMexan");
const QString kSpeedKey = QStringLiteral("Обороты");
constexpr std::uint8_t kVarStatus = 0x06; // bit 2 set: injection engine

QString indexed(const char* name, int i) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

QLabel* namedLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

tfMexan::tfMexan(Program& program, QWidget* parent)
    : EngineTestWindow(program, QStringLiteral("tfMexan"),
                       QStringLiteral("Исполнительные механизмы  "), parent) {
    buildActuators();
    buildBalance();

    // The live panel of this window: speed first, then the coolant, both
    // bars rounded.
    buildLivePanel(QPoint(8, 276),
                   {LiveRow{kVarIdleSpeed, QStringLiteral("Frame1"),
                            QStringLiteral("Обороты/мин. (холостой ход)"), QStringLiteral("Label1"),
                            QStringLiteral("Label7(0)"), 100, true,
                            QStringLiteral(" Норма  850 - 900  обор/мин. ")},
                    LiveRow{kVarCoolant, QStringLiteral("Frame2"),
                            QStringLiteral("Температура   о.ж .  (град. C)"),
                            QStringLiteral("Label2"), QStringLiteral("Label7(1)"), 125, true,
                            QStringLiteral(" Норма  75 - 95  град.С. ")}});
    Label1 = livePanel->value(0);
    Label2 = livePanel->value(1);
    Label7 = {livePanel->bar(0), livePanel->bar(1)};
    livePanel->afterFailure = [this] { showFailure(); };
    setFixedSize(704, livePanel->y() + livePanel->height() + 10);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kStopNoticeMs);
    connect(Timer2, &QTimer::timeout, this, [this] {
        Label6->hide();
        Timer2->stop();
    });

    // The program's end gives back what the window switched before it
    // resets the working variables.
    p_.addEndHook(this, [this] {
        if (closed_) return;
        stop_ = true;
        if (inRun()) {
            p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~(kIdleSpeedBit | kValveBit));
            sendEnd();
        }
        writeBack();
    });
}

void tfMexan::buildActuators() {
    Frame4 = new QGroupBox(QStringLiteral("Тест исполнительных механизмов"), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setGeometry(8, 8, 300, 260);
    const QStringList outputs{QStringLiteral("Лампа              неисправностей"),
                              QStringLiteral("Вентилятор охлаждения"),
                              QStringLiteral("Кондиционер"), QStringLiteral("Бензонасос")};
    for (int i = 1; i <= 4; ++i) {
        auto* box = new QCheckBox(outputs[i - 1], Frame4);
        box->setObjectName(indexed("Check1", i));
        box->setGeometry(16, 28 + 30 * (i - 1), 270, 24);
        Check1[static_cast<std::size_t>(i)] = box;
    }
    Frame3 = new QGroupBox(QStringLiteral("Форсунки"), Frame4);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(8, 156, 284, 92);
    for (int c = 1; c <= 4; ++c) {
        auto* box = new QCheckBox(QStringLiteral("Ф %1").arg(c), Frame3);
        box->setObjectName(indexed("Check1", 4 + c));
        box->setToolTip(QStringLiteral(" Вкл. - Выкл.  Форсунка %1 го цилиндра ").arg(c));
        box->setChecked(true);
        box->setGeometry(14 + 68 * (c - 1), 40, 60, 24);
        Check1[static_cast<std::size_t>(4 + c)] = box;
    }
    for (int i = 1; i <= 8; ++i)
        connect(Check1[static_cast<std::size_t>(i)], &QCheckBox::clicked, this,
                [this, i] { boxClicked(i); });
}

void tfMexan::buildBalance() {
    Frame5 = new QGroupBox(QStringLiteral("Баланс -тест"), this);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    Frame5->setGeometry(316, 8, 380, 260);

    Combo1 = new QComboBox(Frame5);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setAccessibleName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int rpm = kLowestSetSpeed; rpm <= kHighestSetSpeed; rpm += 100)
        Combo1->addItem(QString::number(rpm));
    Combo1->setEditText(QStringLiteral("1000"));
    Combo1->setToolTip(QStringLiteral(" Установка оборотов двигателя  "));
    Combo1->setGeometry(12, 26, 100, 28);
    connect(Combo1, &QComboBox::activated, this, &tfMexan::combo1Clicked);

    buildButtons(QPoint(0, 0));
    Command1->setParent(Frame5);
    Command2->setParent(Frame5);
    Command1->setGeometry(128, 25, 112, 30);
    Command2->setGeometry(252, 25, 112, 30);
    Command2->setEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &tfMexan::startClicked);
    connect(Command2, &QPushButton::clicked, this, &tfMexan::stopClicked);

    Label3 =
        namedLabel(QStringLiteral("Форсунки        Обороты"), QStringLiteral("Label3"), Frame5);
    Label3->setGeometry(16, 64, 240, 20);
    for (int c = 1; c <= 4; ++c) {
        const int y = 88 + 28 * (c - 1);
        Label4[static_cast<std::size_t>(c)] =
            namedLabel(QStringLiteral("Цилиндр %1").arg(c), indexed("Label4", c), Frame5);
        Label4[static_cast<std::size_t>(c)]->setGeometry(12, y, 150, 24);
        Label9[static_cast<std::size_t>(c)] = namedLabel(QString(), indexed("Label9", c), Frame5);
        Label9[static_cast<std::size_t>(c)]->setAccessibleDescription(indexed("Label9", c));
        Label9[static_cast<std::size_t>(c)]->setGeometry(170, y, 90, 24);
        Label9[static_cast<std::size_t>(c)]->setFrameShape(QFrame::Panel);
        Label9[static_cast<std::size_t>(c)]->setFrameShadow(QFrame::Sunken);
        Label9[static_cast<std::size_t>(c)]->setAlignment(Qt::AlignCenter);
    }
    Label4[0] =
        namedLabel(QStringLiteral("Установка оборотов"), QStringLiteral("Label4(0)"), Frame5);
    Label4[0]->setGeometry(12, 204, 150, 22);
    Label4[0]->hide();
    for (QLabel* label : Label4) {
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Raised);
        setRest(label);
    }
    ProgressBar1 = new QProgressBar(Frame5);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 255);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(170, 208, 196, 14);
    ProgressBar1->hide();

    QPalette warning;
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label5 = namedLabel(QStringLiteral("Слишком низкие обороты  повтор теста!"),
                        QStringLiteral("Label5"), Frame5);
    Label5->setGeometry(12, 232, 356, 20);
    Label5->setPalette(warning);
    Label5->hide();
    Label6 = namedLabel(QStringLiteral("Тест прерван!"), QStringLiteral("Label6"), Frame5);
    Label6->setGeometry(12, 232, 356, 20);
    Label6->setPalette(warning);
    Label6->hide();
}

void tfMexan::showEvent(QShowEvent* event) {
    EngineTestWindow::showEvent(event);
    // The first showing runs the activation even where no window manager
    // hands the window the focus.
    QTimer::singleShot(0, this, [this] {
        if (!activatedOnce_ && !closed_) activated();
    });
}

void tfMexan::changeEvent(QEvent* event) {
    EngineTestWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !closed_ &&
        !common::ActivationWatch::instance().takeReturnFromMessageBox() && !inRun())
        activated();
}

double tfMexan::setSpeed() const {
    return common::leadingNumber(Combo1->currentText());
}

void tfMexan::setRest(QLabel* label) {
    paint(label, restColour());
}

void tfMexan::toggle(QLabel* label) {
    // The low byte of the colour as the label has always kept it (red).
    const QColor now = label->palette().color(QPalette::Window);
    paint(label, QColor(now.red() ^ 0xFF, now.green(), now.blue()));
}

void tfMexan::activated() {
    if (closed_ || activating_ || p_.ended()) return;
    activating_ = true;
    activatedOnce_ = true;
    common::DoEvents();
    if (closed_ || p_.ended()) {
        activating_ = false;
        return;
    }
    Combo1->setEditText(p_.GetSetting(kSection, kSpeedKey, QStringLiteral("1000")));
    if (p_.ecu.EcuExchange(kline::cmd::readVariables(
            {kVarOutputs, kVarOutputMask, kVarInjectorCut, kVarStatus})) == kline::kOk) {
        const std::vector<int> reply = p_.ecu.EcuReply();
        const auto byte = [&reply](std::size_t i) { return i < reply.size() ? reply[i] : 0; };
        for (int i = 1; i <= 4; ++i) {
            const auto bit = outputBit(static_cast<Output>(i), p_.state.EngineVariant);
            if (bit && (byte(0) & *bit)) Check1[static_cast<std::size_t>(i)]->setChecked(true);
        }
        // What the ECU had before the window switched anything is what the
        // window gives back; later activations would take the window's own
        // switching for it. An output the program still owes the ECU
        // (another actuator window's write-back lost on the line) is not
        // the ECU's own state: the owed value is.
        if ((byte(3) & 0x04) && !touched_) {
            const auto found = [&](std::uint8_t variable, std::size_t i) {
                return p_.ledger.owedValue(variable).value_or(static_cast<std::uint8_t>(byte(i)));
            };
            saved_ = {found(kVarOutputs, 0), found(kVarOutputMask, 1), found(kVarInjectorCut, 2)};
        }
    }
    // A running test keeps the live panel off until its end.
    if (!inRun()) startLivePanel();
    activating_ = false;
}

void tfMexan::showFailure() {
    for (int i = 1; i <= 4; ++i) {
        Check1[static_cast<std::size_t>(i)]->setChecked(false);
        Check1[static_cast<std::size_t>(4 + i)]->setChecked(true);
    }
}

void tfMexan::boxClicked(int item) {
    if (item >= 5) {
        std::array<bool, 4> working{};
        for (int c = 1; c <= 4; ++c)
            working[static_cast<std::size_t>(c - 1)] =
                Check1[static_cast<std::size_t>(4 + c)]->isChecked();
        const std::uint8_t m = cutMaskFromBoxes(working);
        touched_ = true;
        p_.ecu.EcuExchange(
            kline::cmd::writeVariables({{kVarInjectorCut, m}, {kVarInjectorCut, m}}));
    } else if (p_.ecu.EcuExchange(kline::cmd::readVariables({kVarOutputs})) == kline::kOk) {
        std::array<bool, 4> checked{};
        for (int i = 1; i <= 4; ++i)
            checked[static_cast<std::size_t>(i - 1)] =
                Check1[static_cast<std::size_t>(i)]->isChecked();
        const std::uint8_t s = outputsFromBoxes(static_cast<std::uint8_t>(p_.ecu.reply(0)), checked,
                                                p_.state.EngineVariant);
        touched_ = true;
        p_.ecu.EcuExchange(
            kline::cmd::writeVariables({{kVarOutputMask, kAllOutputs}, {kVarOutputs, s}}));
    }
    p_.ecu.ShowExchangeError(1);
}

void tfMexan::combo1Clicked() {
    p_.SaveSetting(kSection, kSpeedKey, Combo1->currentText());
}

void tfMexan::stopClicked() {
    stop_ = true;
    Command2->setEnabled(false);
    Label6->show();
    Label5->hide();
    Frame5->setVisible(true);
    for (int c = 1; c <= 4; ++c)
        setRest(Label4[static_cast<std::size_t>(c)]);
    activated();
    Timer2->start();
}

bool tfMexan::testRunning() const {
    return Command2->isEnabled();
}

void tfMexan::closeRefused() {
    // The close request stops the test; the window stays until it has
    // ended. The idle speed, the valve and the injectors go back before the
    // hint waits for the mechanic.
    stop_ = true;
    if (!taken_) return;
    p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~(kIdleSpeedBit | kValveBit));
    sendEnd();
}

void tfMexan::unloading() {
    Timer2->stop();
    writeBack();
}

void tfMexan::writeBack() {
    const int result =
        p_.ecu.EcuExchange(kline::cmd::writeVariables({{kVarOutputs, saved_.outputs},
                                                       {kVarOutputMask, saved_.outputMask},
                                                       {kVarInjectorCut, saved_.cutMask}}));
    if (result == kline::kOk && p_.ecu.reply(0) == 0) return;
    // Lost or refused: the program sends it once the line answers, also
    // when this window is gone.
    p_.ledger.owe(kVarOutputs, saved_.outputs);
    p_.ledger.owe(kVarOutputMask, saved_.outputMask);
    p_.ledger.owe(kVarInjectorCut, saved_.cutMask);
}

} // namespace kvintor
