#include "TestLivePanel.h"

#include "link/Commands.h"
#include "main/InitTest.h"
#include "main/LivePanel.h"
#include "main/Program.h"

#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <algorithm>

namespace kvintor {

namespace {
constexpr int kValueWidth = 64;
constexpr int kBarLeft = 80;
constexpr int kBarHeight = 18;
constexpr int kGap = 8;
} // namespace

LiveRow coolantRow(const QString& caption, const QString& barName) {
    return {kVarCoolant, QStringLiteral("Frame1"),
            caption,     QStringLiteral("Label3"),
            barName,     125,
            false,       QString()};
}

LiveRow idleSpeedRow(const QString& barName) {
    return {kVarIdleSpeed,
            QStringLiteral("Frame2"),
            QStringLiteral("Обороты/мин. (холостой ход)"),
            QStringLiteral("Label4"),
            barName,
            88,
            false,
            QString()};
}

QString liveText(const LiveRow& row, int v) {
    return QString::number(row.variable == kVarCoolant ? v - 40 : v * 10);
}

int liveBar(const LiveRow& row, int v) {
    const int b = row.roundBar ? static_cast<int>(roundTo(v * 128.0 / row.barDivisor, 0))
                               : v * 128 / row.barDivisor;
    return std::clamp(b, 0, 255);
}

TestLivePanel::TestLivePanel(Program& program, const std::array<LiveRow, 2>& rows, QWidget* window)
    : QWidget(window), p_(program), rows_(rows) {
    setObjectName(QStringLiteral("livePanel"));
    setFixedSize(2 * kFrameWidth + kGap, kFrameHeight);
    for (std::size_t i = 0; i < 2; ++i) {
        const LiveRow& row = rows_[i];
        auto* frame = new QGroupBox(row.caption, this);
        frame->setObjectName(row.frameName);
        frame->setGeometry(static_cast<int>(i) * (kFrameWidth + kGap), 0, kFrameWidth,
                           kFrameHeight);
        auto* value = new QLabel(frame);
        value->setObjectName(row.valueName);
        // Named by the figure it shows; the control name is the description.
        value->setAccessibleDescription(row.valueName);
        value->setAlignment(Qt::AlignCenter);
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setGeometry(8, 22, kValueWidth, kBarHeight + 4);
        if (!row.valueTip.isEmpty()) value->setToolTip(row.valueTip);
        auto* bar = new QLabel(frame);
        bar->setObjectName(row.barName);
        bar->setAccessibleName(row.barName);
        bar->setGeometry(kBarLeft, 24, 0, kBarHeight);
        frames_[i] = frame;
        values_[i] = value;
        bars_[i] = bar;
    }
    timer_ = new QTimer(window);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(kPollIntervalMs);
    connect(timer_, &QTimer::timeout, this, &TestLivePanel::tick);
    showFailure();
}

bool TestLivePanel::poll() {
    const int result =
        p_.ecu.EcuExchange(kline::cmd::readVariables({rows_[0].variable, rows_[1].variable}));
    if (result != kline::kOk) {
        showFailure();
        return false;
    }
    show(p_.ecu.EcuReply());
    return true;
}

void TestLivePanel::show(const std::vector<int>& elements) {
    for (std::size_t i = 0; i < 2; ++i) {
        const int v = i < elements.size() ? elements[i] : 0;
        values_[i]->setText(liveText(rows_[i], v));
        const int b = liveBar(rows_[i], v);
        bars_[i]->resize(barWidthTwips(b) / 15, kBarHeight);
        paint(bars_[i], barColour(b));
    }
}

void TestLivePanel::showFailure() {
    for (std::size_t i = 0; i < 2; ++i) {
        values_[i]->clear();
        paint(bars_[i], palette().color(QPalette::Button));
    }
}

void TestLivePanel::tick() {
    if (mayTick && !mayTick()) {
        timer_->setInterval(kFailedPollIntervalMs);
        return;
    }
    const bool ok = poll();
    if (!ok && afterFailure) afterFailure();
    // A read that fails at once must not make the timer spin; a disturbed
    // line settles while the timer waits.
    timer_->setInterval(ok ? kPollIntervalMs : std::max(kFailedPollIntervalMs, p_.ecu.settleLeftMs()));
}

} // namespace kvintor
