#include "tfUskorXX.h"

#include "TestInputs.h"
#include "common/ActivationWatch.h"
#include "common/Dialogs.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "main/LivePanel.h"
#include "main/Program.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace kvintor {

namespace {

constexpr std::uint8_t kVarStatus = 0x06;    // bit 2 set: injection engine
constexpr std::uint8_t kVarThrottle = 0x20;  // throttle position, %
constexpr std::uint8_t kVarPulse = 0x3F;     // injection pulse width, 8 us (two bytes)
constexpr std::uint8_t kVarValveHeld = 0x5B; // valve position to hold
constexpr std::uint8_t kVarValveStep = 0x5C; // valve's actual step
constexpr std::uint8_t kColdCoolant = 0x4F;  // read as 39 degrees
constexpr std::uint8_t kValveOpen = 0xFF;    // the end of the valve's travel

bool validStep(int step) {
    return step >= 1 && step <= 254;
}

} // namespace

tfUskorXX::tfUskorXX(Program& program, QWidget* parent)
    : EngineTestWindow(program, QStringLiteral("tfUskorXX"),
                       QStringLiteral("Тест разгона на холостом ходу  "), parent),
      hold_(program, kCoolantBit | kValveBit) {
    const QPoint plotAt(48, 16);
    buildPlot(plotAt, QSize(kPlotWidth, kPlotHeight), idleSpeedMarks(), secondMarks(25, 1), 0);
    const int below = plotAt.y() + kPlotHeight + 28;

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kSettlePolls);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(plotAt.x(), below, kPlotWidth, 16);
    ProgressBar1->hide();

    buildLivePanel(
        QPoint(8, below + 24),
        {coolantRow(QStringLiteral("Температура  о.ж.  (град. С)"), QStringLiteral("Label7(0)")),
         idleSpeedRow(QStringLiteral("Label7(1)"))});
    Label3 = livePanel->value(0);
    Label4 = livePanel->value(1);
    Label7 = {livePanel->bar(0), livePanel->bar(1)};

    // Under the live panel: the result on the left, Start and Stop on the
    // right, under the plot's right end.
    const int width = plotAt.x() + kPlotWidth + 16;
    const int row = livePanel->y() + livePanel->height() + 12;
    Label5 = new QLabel(QStringLiteral("Длит. импульса впрыка (Ms) ="), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(12, row + 4, 196, 22);
    Label6 = new QLabel(this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAccessibleDescription(QStringLiteral("Label6"));
    Label6->setFrameShape(QFrame::Panel);
    Label6->setFrameShadow(QFrame::Sunken);
    Label6->setAlignment(Qt::AlignCenter);
    Label6->setGeometry(212, row + 4, 64, 22);
    buildButtons(QPoint(width - 8 - 200, row));
    setFixedSize(width, row + 30 + 12);

    connect(Command1, &QPushButton::clicked, this, &tfUskorXX::startClicked);
    connect(Command2, &QPushButton::clicked, this, &tfUskorXX::stopClicked);
}

void tfUskorXX::showEvent(QShowEvent* event) {
    EngineTestWindow::showEvent(event);
    // The first showing runs the activation even where no window manager
    // hands the window the focus.
    QTimer::singleShot(0, this, [this] {
        if (!activatedOnce_ && !closed_) activated();
    });
}

void tfUskorXX::changeEvent(QEvent* event) {
    EngineTestWindow::changeEvent(event);
    // A message box of our own closing hands the activation back: that is
    // no return from another window. Nor does a running test start over.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !closed_ &&
        !common::ActivationWatch::instance().takeReturnFromMessageBox() && !inRun())
        activated();
}

bool tfUskorXX::refused() {
    if (p_.ecu.EcuExchange(kline::cmd::readVariables({kVarStatus, kVarValveStep})) != kline::kOk)
        return false;
    const int status = p_.ecu.reply(0);
    const int step = p_.ecu.reply(1);
    if (!(status & 0x04)) {
        p_.dialogs.message(
            QStringLiteral("Даный  двигатель  не  имеет  РДВ,  дальнейшее  продолжение  "
                           "теста  не  целесообразно"),
            p_.state.AppTitle, common::Icon::Information);
        return true;
    }
    if (!validStep(step)) {
        p_.dialogs.message(QStringLiteral("Дальнейшее  продолжение  теста  невозможно") +
                               QStringLiteral("\r\n") + QStringLiteral("Шаг  РДВ=") +
                               QString::number(step),
                           p_.state.AppTitle, common::Icon::Exclamation);
        return true;
    }
    return false;
}

void tfUskorXX::activated() {
    // The activation lets events run: a second activation queued meanwhile
    // (the first showing, the window manager's focus) checks nothing again.
    if (closed_ || inRun() || activating_) return;
    activatedOnce_ = true;
    activating_ = true;
    Picture1->canvas().drawGrid();
    Picture1->refresh();
    common::DoEvents();
    const bool refusedNow = !closed_ && refused();
    activating_ = false;
    if (closed_) return;
    if (refusedNow) {
        close();
        return;
    }
    startLivePanel();
}

void tfUskorXX::startClicked() {
    if (inRun()) return;
    RunScope run(*this);
    // The live panel keeps off the line from here: its read would come
    // between the checks' own, while the mechanic waits for both. A check
    // that ends the Start gives it back.
    const bool panelWasOn = Timer1->isActive();
    Timer1->stop();
    const auto notStarted = [this, panelWasOn] {
        if (panelWasOn) startLivePanel();
    };
    if (refused()) return notStarted();
    Picture1->canvas().drawGrid();
    Picture1->refresh();
    letEventsRun();
    if (closed_ || p_.ended()) return;

    p_.ecu.EcuExchange(kline::cmd::readVariables({kVarIdleSpeed, kVarValveStep}));
    if (exchangeFailed(0)) return notStarted();
    if (p_.ecu.reply(0) == 0) {
        p_.ShowTestHint(1);
        return notStarted();
    }
    const int step = p_.ecu.reply(1);
    if (!validStep(step)) {
        p_.dialogs.message(
            QStringLiteral("Дальнейшее  продолжение  теста  невозможно  шаг  РДВ = ") +
                QString::number(step),
            p_.state.AppTitle, common::Icon::Exclamation);
        return notStarted();
    }

    setBusy(true);
    Command1->setEnabled(false);
    ProgressBar1->show();
    stop_ = false;
    hold_.take();

    // Let the engine settle at idle.
    int speed = 0;
    for (int d = 0; d < kSettlePolls; ++d) {
        p_.ecu.EcuExchange(kline::cmd::readVariables({kVarCoolant, kVarIdleSpeed, kVarThrottle}));
        if (runFailed(0)) return;
        speed = p_.ecu.reply(1);
        if (speed == 0) return releaseAndHint(1);
        if (p_.ecu.reply(2) > 1) return releaseAndHint(3);
        ProgressBar1->setValue(d);
        if (letEventsRun()) return endRun();
    }

    // A hold another window has on the coolant or the valve is taken over
    // for the run and given back with its own value afterwards.
    if (hold_.shared()) {
        kline::Request read{kline::cmd::kReadVariables};
        if (hold_.shared() & kCoolantBit) read.push_back(kVarCoolant);
        if (hold_.shared() & kValveBit) read.push_back(kVarValveHeld);
        p_.ecu.EcuExchange(read);
        if (runFailed(0)) return;
        heldByOthers_.clear();
        for (std::size_t i = 1; i < read.size(); ++i)
            heldByOthers_.emplace_back(read[i], static_cast<std::uint8_t>(p_.ecu.reply(i - 1)));
    }

    PlotCanvas& canvas = Picture1->canvas();
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.moveTo(canvas.pen().x(), speedByteY(speed, h));

    p_.ecu.EcuExchange(kline::cmd::writeVariables({{kline::cmd::kVarMaskA, p_.state.OverrideMaskA},
                                                   {kVarCoolant, kColdCoolant},
                                                   {kVarValveHeld, kValveOpen}}));
    overwritten_ = true;
    if (runFailed(1)) return;
    ProgressBar1->hide();

    long long sum = 0;
    long long n = 0;
    SamplePacer pacer(kColumnMs);
    for (int x = 0; x <= w; x += kPlotColumn) {
        pacer.waitForNext();
        if (mustEnd()) return endRun();
        p_.ecu.EcuExchange(
            kline::cmd::readVariables({kVarCoolant, kVarIdleSpeed, kVarPulse, kVarThrottle}));
        if (runFailed(0)) return;
        const std::vector<int> sample = p_.ecu.EcuReply();
        const int speedByte = p_.ecu.reply(1);
        if (speedByte == 0) return releaseAndHint(1);
        if (p_.ecu.reply(4) > 0) return releaseAndHint(3);
        sum += kline::cmd::word(sample, 2);
        ++n;
        canvas.lineTo(x, speedByteY(speedByte, h), traceColour());
        Picture1->refresh();
        if (letEventsRun()) return endRun();
        livePanel->show(sample);
    }
    Label6->setText(numberText(static_cast<double>(averagePulseHundredths(sum, n)) / 100));
    tellResult(QStringLiteral("Тест разгона на холостом ходу"),
               {{QStringLiteral("Длительность импульса впрыска, мс"), Label6->text()}});
    endRun();
}

bool tfUskorXX::runFailed(int checkStatus) {
    const kline::ExchangeOutcome outcome = p_.ecu.lastOutcome();
    if (!p_.ended() && !outcome.failed(checkStatus)) return false;
    // The engine is given back before the message waits for the mechanic.
    giveBack();
    if (!p_.ended()) p_.ecu.ShowExchangeError(checkStatus, outcome);
    endRun();
    return true;
}

void tfUskorXX::giveBack() {
    hold_.releaseAll();
    if (!overwritten_) return;
    overwritten_ = false;
    if (heldByOthers_.empty()) return;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs{
        {kline::cmd::kVarMaskA, p_.state.OverrideMaskA}};
    pairs.insert(pairs.end(), heldByOthers_.begin(), heldByOthers_.end());
    heldByOthers_.clear();
    p_.ecu.EcuExchange(kline::cmd::writeVariables(pairs));
}

void tfUskorXX::releaseAndHint(int hint) {
    giveBack();
    p_.ShowTestHint(hint);
    endRun();
}

void tfUskorXX::endRun() {
    giveBack();
    setBusy(false);
    Command1->setEnabled(true);
    Command1->setFocus();
    stop_ = true;
    ProgressBar1->hide();
    startLivePanel();
}

void tfUskorXX::stopClicked() {
    stop_ = true;
    Command1->setEnabled(true);
    Command1->setFocus();
    setBusy(false);
    // Only a valve this window holds goes back; an idle window holds none.
    hold_.release(kValveBit);
}

void tfUskorXX::closeRefused() {
    // The run ends: everything it holds goes back before the hint is shown.
    stopClicked();
    giveBack();
}

void tfUskorXX::unloading() {
    giveBack();
}

} // namespace kvintor
