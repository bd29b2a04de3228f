#include "tfUskor.h"

#include "TestInputs.h"
#include "common/Dialogs.h"
#include "common/Numbers.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "main/Program.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace kvintor {

namespace {

const QString kSection = QStringLiteral("tfUskor");
constexpr std::uint8_t kVarSpeedCode = 0x29; // engine speed / 40 rpm

QComboBox* speedBox(const std::vector<int>& list, const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int v : list)
        box->addItem(QString::number(v));
    return box;
}

} // namespace

tfUskor::tfUskor(Program& program, QWidget* parent)
    : EngineTestWindow(program, QStringLiteral("tfUskor"), QStringLiteral("Тест разгона  "),
                       parent) {
    const QPoint plotAt(48, 16);
    buildPlot(plotAt, QSize(kPlotWidth, kPlotHeight), accelerationSpeedMarks(), secondMarks(14, 1),
              kPlotColumn);
    const int right = plotAt.x() + kPlotWidth + 24;

    auto* startCaption = new QLabel(QStringLiteral("Начальные обороты"), this);
    startCaption->setObjectName(QStringLiteral("Combo2Caption"));
    startCaption->setGeometry(right, 16, 200, 20);
    Combo2 = speedBox(startSpeeds(), "Combo2", this);
    Combo2->setGeometry(right, 38, 120, 26);
    auto* endCaption = new QLabel(QStringLiteral("Конечные обороты"), this);
    endCaption->setObjectName(QStringLiteral("Combo1Caption"));
    endCaption->setGeometry(right, 76, 200, 20);
    Combo1 = speedBox(endSpeeds(), "Combo1", this);
    Combo1->setGeometry(right, 98, 120, 26);
    buildButtons(QPoint(right, 148));

    Label5 = new QLabel(QStringLiteral("СТОП"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    QFont big = font();
    big.setPointSize(28);
    big.setBold(true);
    Label5->setFont(big);
    Label5->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0)"));
    Label5->setAlignment(Qt::AlignCenter);
    Label5->setGeometry(right, 200, 200, 60);
    Label5->hide();

    buildLivePanel(
        QPoint(8, plotAt.y() + kPlotHeight + 32),
        {coolantRow(QStringLiteral("Температура  о.ж.  (град. С)"), QStringLiteral("Label6(0)")),
         idleSpeedRow(QStringLiteral("Label6(1)"))});
    Label3 = livePanel->value(0);
    Label4 = livePanel->value(1);
    Label6 = {livePanel->bar(0), livePanel->bar(1)};
    setFixedSize(std::max(right + 208, livePanel->x() + livePanel->width() + 8),
                 livePanel->y() + livePanel->height() + 12);

    connect(Command1, &QPushButton::clicked, this, &tfUskor::startClicked);
    connect(Command2, &QPushButton::clicked, this, &tfUskor::stopClicked);
    connect(Combo1, &QComboBox::activated, this, [this] { Command1->setFocus(); });
    connect(Combo2, &QComboBox::activated, this, [this] { Command1->setFocus(); });

    // Load: the grid, the stored speeds, the live panel.
    Picture1->canvas().drawGrid();
    Combo1->setEditText(p_.GetSetting(kSection, QStringLiteral("Конечн"), QStringLiteral("2000")));
    Combo2->setEditText(p_.GetSetting(kSection, QStringLiteral("Начальн"), QStringLiteral("1000")));
    startLivePanel();
}

bool tfUskor::readSpeedCode(int& code) {
    if (p_.ecu.EcuExchange(kline::cmd::readVariables({kVarSpeedCode})) != kline::kOk) return false;
    code = p_.ecu.reply(0);
    return code != 0;
}

void tfUskor::startClicked() {
    // A Start clicked while a stopped run is still winding down waits for
    // the next click.
    if (inRun()) return;
    RunScope run(*this);
    Timer1->stop();
    Picture1->canvas().drawGrid();
    Picture1->refresh();
    Label5->hide();

    const double end = common::leadingNumber(Combo1->currentText());
    if (!listed(endSpeeds(), end)) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Конечные  обороты  введены  не  верно"),
                           QStringLiteral("Тест разгона ") + p_.state.AppTitle,
                           common::Icon::Exclamation);
        inputsValid_ = false;
        finish();
        return;
    }
    const double start = common::leadingNumber(Combo2->currentText());
    if (!listed(startSpeeds(), start)) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Начальные  обороты  введены  не  верно"),
                           p_.state.AppTitle, common::Icon::Exclamation);
        inputsValid_ = false;
        finish();
        return;
    }

    inputsValid_ = true;
    setBusy(true);
    Command1->setEnabled(false);
    Combo1->setEnabled(false);
    Combo2->setEnabled(false);
    stop_ = false;
    Command2->setFocus();
    const int startThreshold = static_cast<int>(start / 40);
    letEventsRun();

    // Wait for the start speed.
    int code = 0;
    for (;;) {
        if (!readSpeedCode(code)) return linkOrEngineFailed();
        if (letEventsRun()) return finish();
        if (code >= startThreshold) break;
    }

    PlotCanvas& canvas = Picture1->canvas();
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.moveTo(0, speedCodeY(code, h));
    const int endThreshold = static_cast<int>(end / 40);
    SamplePacer pacer(kColumnMs);
    int reachedAt = 0; // the column where the end speed was reached
    for (int x = kPlotColumn; x <= w; x += kPlotColumn) {
        pacer.waitForNext();
        if (mustEnd()) return finish();
        if (!readSpeedCode(code)) return linkOrEngineFailed();
        if (letEventsRun()) return finish();
        // Every sample is capped at the top edge (speedCodeY), so a speed
        // above full scale is never drawn as if the engine slowed down.
        canvas.lineTo(x, speedCodeY(code, h), traceColour());
        Picture1->refresh();
        if (code >= endThreshold) {
            Label5->show();
            Label5->repaint();
            reachedAt = x;
            break;
        }
    }
    // A column is a tenth of a second, as the scale under the plot reads.
    const int tenths = (reachedAt ? reachedAt : w - w % kPlotColumn) / kPlotColumn;
    tellResult(QStringLiteral("Тест разгона"),
               {{QStringLiteral("Начальные обороты"), Combo2->currentText()},
                {QStringLiteral("Конечные обороты"), Combo1->currentText()},
                {QStringLiteral("Время разгона, с"),
                 (reachedAt ? QString() : QStringLiteral("более ")) +
                     QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10)}});
    setBusy(false);
    finish();
}

void tfUskor::linkOrEngineFailed() {
    setBusy(false);
    if (!p_.ended() && !p_.ecu.ShowExchangeError(0) && p_.ecu.reply(0) == 0) p_.ShowTestHint(1);
    finish();
}

void tfUskor::finish() {
    Command1->setEnabled(true);
    Command1->setFocus();
    Combo1->setEnabled(true);
    Combo2->setEnabled(true);
    startLivePanel();
}

void tfUskor::stopClicked() {
    stop_ = true;
    Label5->hide();
    Command1->setEnabled(true);
    Combo1->setEnabled(true);
    Combo2->setEnabled(true);
    setBusy(false);
    Command1->setFocus();
}

void tfUskor::unloading() {
    if (!inputsValid_) return;
    p_.SaveSetting(kSection, QStringLiteral("Конечн"), Combo1->currentText());
    p_.SaveSetting(kSection, QStringLiteral("Начальн"), Combo2->currentText());
}

} // namespace kvintor
