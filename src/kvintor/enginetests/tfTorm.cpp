#include "tfTorm.h"

#include "TestInputs.h"
#include "common/Dialogs.h"
#include "common/Numbers.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace kvintor {

namespace {
const QString kSection = QStringLiteral("tfTorm");
constexpr std::uint8_t kVarSpeedCode = 0x29; // engine speed / 40 rpm
constexpr std::uint8_t kVarPulse = 0x3F;     // injection pulse width (two bytes)
} // namespace

tfTorm::tfTorm(Program& program, QWidget* parent)
    : EngineTestWindow(program, QStringLiteral("tfTorm"),
                       QStringLiteral("Тест механических потерь  "), parent) {
    const QPoint plotAt(48, 16);
    buildPlot(plotAt, QSize(kPlotWidth, kPlotHeight), accelerationSpeedMarks(), secondMarks(22, 2),
              kPlotColumn);
    const int right = plotAt.x() + kPlotWidth + 24;

    Label6 = new QLabel(QStringLiteral("Начальные обороты"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(right, 16, 200, 20);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setAccessibleName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int v : endSpeeds())
        Combo1->addItem(QString::number(v));
    Combo1->setGeometry(right, 38, 120, 26);
    buildButtons(QPoint(right, 80));

    Frame3 = new QGroupBox(this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setAccessibleName(QStringLiteral("Frame3"));
    Frame3->setGeometry(right, 130, 200, 90);
    Shape1 = new QFrame(Frame3);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setAccessibleName(QStringLiteral("Shape1"));
    Shape1->setGeometry(50, 10, 100, 70);
    Shape1->setStyleSheet(QStringLiteral("background-color: rgb(0, 255, 0); border-radius: 35px;"));
    Label5 = new QLabel(QStringLiteral("OK"), Frame3);
    Label5->setObjectName(QStringLiteral("Label5"));
    QFont big = font();
    big.setPointSize(24);
    big.setBold(true);
    Label5->setFont(big);
    Label5->setAlignment(Qt::AlignCenter);
    Label5->setGeometry(50, 10, 100, 70);
    Frame3->hide();

    buildLivePanel(
        QPoint(8, plotAt.y() + kPlotHeight + 32),
        {coolantRow(QStringLiteral("Температура  о.ж. (град. С)"), QStringLiteral("Label7(0)")),
         idleSpeedRow(QStringLiteral("Label7(1)"))});
    Label3 = livePanel->value(0);
    Label4 = livePanel->value(1);
    Label7 = {livePanel->bar(0), livePanel->bar(1)};
    setFixedSize(right + 208, livePanel->y() + livePanel->height() + 12);

    connect(Command1, &QPushButton::clicked, this, &tfTorm::startClicked);
    connect(Command2, &QPushButton::clicked, this, &tfTorm::stopClicked);
    connect(Combo1, &QComboBox::activated, this, [this] { Command1->setFocus(); });

    // Load.
    drawGrid();
    Combo1->setEditText(p_.GetSetting(kSection, QStringLiteral("Начальн"), QStringLiteral("2000")));
    startLivePanel();
}

void tfTorm::drawGrid() {
    Picture1->canvas().drawGrid();
    Picture1->refresh();
    stop_ = true;
    Command1->setEnabled(true);
    Frame3->hide();
}

bool tfTorm::readSpeedCode(int& code) {
    if (p_.ecu.EcuExchange(kline::cmd::readVariables({kVarSpeedCode})) != kline::kOk) return false;
    code = p_.ecu.reply(0);
    return code != 0;
}

void tfTorm::startClicked() {
    if (inRun()) return;
    RunScope run(*this);
    Timer1->stop();
    drawGrid();
    Combo1->setEnabled(false);
    Command1->setEnabled(false);
    stop_ = false;

    const long long s = roundHalfEven(common::leadingNumber(Combo1->currentText()));
    if (!listed(endSpeeds(), static_cast<double>(s))) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Обороты  введены  неверно"), p_.state.AppTitle,
                           common::Icon::Critical);
        inputsValid_ = false;
        return finish();
    }
    inputsValid_ = true;
    setBusy(true);
    const int threshold = static_cast<int>(s / 40);
    Command2->setFocus();

    // Run-up: the engine past the start speed.
    int code = 0;
    do {
        if (!readSpeedCode(code)) return abort();
        if (letEventsRun()) return finish();
    } while (code <= threshold);
    Frame3->show();
    Frame3->repaint();

    // Run-down: back through the start speed.
    do {
        if (!readSpeedCode(code)) return abort();
        if (letEventsRun()) return finish();
    } while (code > threshold);

    PlotCanvas& canvas = Picture1->canvas();
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.moveTo(0, speedCodeY(code, h));
    SamplePacer pacer(kColumnMs);
    for (int x = kPlotColumn; x <= w; x += kPlotColumn) {
        pacer.waitForNext();
        if (mustEnd()) return finish();
        if (p_.ecu.EcuExchange(kline::cmd::readVariables({kVarSpeedCode, kVarPulse})) !=
                kline::kOk ||
            p_.ecu.reply(0) == 0)
            return abort();
        // The sample is kept before other windows' events may exchange.
        const int speedCode = p_.ecu.reply(0);
        const bool noFuel = p_.ecu.reply(1) == 0 && p_.ecu.reply(2) == 0;
        if (letEventsRun()) return finish();
        canvas.lineTo(x, speedCodeY(speedCode, h), noFuel ? noFuelColour() : traceColour());
        Picture1->refresh();
    }
    tellResult(QStringLiteral("Тест механических потерь"),
               {{QStringLiteral("Начальные обороты"), QString::number(s)}});
    setBusy(false);
    finish();
}

void tfTorm::abort() {
    setBusy(false);
    if (!p_.ended() && !p_.ecu.ShowExchangeError(0) && p_.ecu.reply(0) == 0) p_.ShowTestHint(1);
    finish();
}

void tfTorm::finish() {
    Command1->setEnabled(true);
    Command1->setFocus();
    Combo1->setEnabled(true);
    Frame3->hide();
    startLivePanel();
}

void tfTorm::stopClicked() {
    Command1->setEnabled(true);
    Command1->setFocus();
    stop_ = true;
    setBusy(false);
    startLivePanel();
}

void tfTorm::unloading() {
    if (inputsValid_) p_.SaveSetting(kSection, QStringLiteral("Начальн"), Combo1->currentText());
}

} // namespace kvintor
