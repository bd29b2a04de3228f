// The cylinder balance test of the actuator window: the ECU holds the set
// idle speed, the idle-air valve is frozen there, and each injector in turn
// is cut out while the speed is measured. Every way out after the first
// write goes through endStep(), which gives the idle speed and the valve
// back to the ECU and switches all injectors on.
#include "TestInputs.h"
#include "common/Dialogs.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "main/Program.h"
#include "tfMexan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace kvintor {

namespace {

constexpr std::uint8_t kVarStatus = 0x06;    // bit 2 set: injection engine
constexpr std::uint8_t kVarThrottle = 0x20;  // throttle position
constexpr std::uint8_t kVarSetSpeed = 0x2E;  // set idle speed / 10 rpm
constexpr std::uint8_t kVarValveStep = 0x5C; // idle-air valve step
constexpr int kLowestCutSpeed = 50;          // 500 rpm after a cut-out: no way on
constexpr int kLowestMeasuredSpeed = 60;     // 600 rpm while measuring: a higher set speed
constexpr int kBlinkEvery = 15;              // polls between two colour changes

const QString kCannotGoOn = QStringLiteral("Дальнейшее продолжение теста невозможно") +
                            QStringLiteral("\r\n") + QStringLiteral("Обороты двигателя - ");

} // namespace

void tfMexan::startClicked() {
    if (inRun() || closed_) return;
    RunScope run(*this);
    // The first pass that gets as far as writing to the ECU owes it the
    // end step, whatever way a later pass ends.
    taken_ = false;
    for (;;) {
        const Outcome outcome = runOnce();
        if (outcome == Outcome::Restart) continue;
        if (outcome == Outcome::End || taken_) endStep();
        return;
    }
}

bool tfMexan::poll() {
    p_.ecu.EcuExchange(kline::cmd::readVariables({kVarIdleSpeed, kVarCoolant, kVarThrottle}));
    if (exchangeFailed(0)) return false;
    sample_ = p_.ecu.EcuReply();
    sample_.resize(3, 0);
    return true;
}

tfMexan::Outcome tfMexan::runOnce() {
    // 1. The engine and its valve.
    p_.ecu.EcuExchange(kline::cmd::readVariables({kVarStatus, kVarIdleSpeed, kVarValveStep}));
    if (exchangeFailed(0)) return Outcome::Done;
    const int status = p_.ecu.reply(0);
    const int speed = p_.ecu.reply(1);
    const int step = p_.ecu.reply(2);
    if (!(status & 0x04)) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Данный  двигатель  оснащен  карбюратором!") +
                               QStringLiteral("\r\n") +
                               QStringLiteral("Для  него  предусмотрен  другой  тест."),
                           p_.state.AppTitle, common::Icon::Information);
        Frame5->setEnabled(false);
        Frame3->setEnabled(false);
        Check1[4]->setEnabled(false);
        return Outcome::Done;
    }
    if (speed == 0) {
        p_.ShowTestHint(1);
        return Outcome::Done;
    }
    if (step == 0 || step == 255) {
        p_.BeepSignal();
        p_.dialogs.message(
            QStringLiteral("Прежде  чем  продолжить  тест  нужно") + QStringLiteral("\r\n") +
                QStringLiteral("устранить  неисправность  данного  двигателя.") +
                QStringLiteral("\r\n") + QStringLiteral("Шаг  РДВ=") + QString::number(step),
            p_.state.AppTitle, common::Icon::Exclamation);
        Frame5->setEnabled(false);
        return Outcome::Done;
    }

    // 5. Every output back to the ECU, all injectors on.
    taken_ = true;
    touched_ = true;
    p_.ecu.EcuExchange(kline::cmd::writeVariables({{kVarOutputMask, kAllOutputs},
                                                   {kVarOutputs, 0},
                                                   {kVarOutputMask, 0},
                                                   {kVarInjectorCut, kAllOutputs},
                                                   {kVarInjectorCut, 0},
                                                   {kVarInjectorCut, 0}}));
    if (exchangeFailed(1)) return Outcome::End;

    // 6. The boxes show what the ECU now has.
    Frame4->setEnabled(false);
    for (int c = 1; c <= 4; ++c) {
        const auto i = static_cast<std::size_t>(c);
        Check1[i]->setChecked(false);
        Check1[i + 4]->setChecked(true);
        Label9[i]->clear();
        Label4[i]->setText(QStringLiteral("%1   Включена").arg(c));
        setRest(Label4[i]);
    }

    // 7. The set speed, within its range, held by the ECU.
    if (setSpeed() < kLowestSetSpeed)
        Combo1->setEditText(QString::number(kLowestSetSpeed));
    else if (setSpeed() > kHighestSetSpeed)
        Combo1->setEditText(QString::number(kHighestSetSpeed));
    const double target = setSpeed() / 10;
    p_.state.OverrideMaskA |= kIdleSpeedBit;
    p_.ecu.EcuExchange(kline::cmd::writeVariables(
        {{kline::cmd::kVarMaskA, p_.state.OverrideMaskA},
         {kVarSetSpeed, static_cast<std::uint8_t>(roundHalfEven(target))}}));
    if (exchangeFailed(1)) return Outcome::End;

    Outcome outcome = reachSetSpeed(target);
    if (outcome != Outcome::Done) return outcome;
    outcome = freezeAndSettle();
    if (outcome != Outcome::Done) return outcome;
    for (int c = 1; c <= 4; ++c) {
        outcome = testCylinder(c);
        if (outcome != Outcome::Done) return outcome;
    }
    std::vector<TestFigure> figures{{QStringLiteral("Установка оборотов"), Combo1->currentText()}};
    for (int c = 1; c <= 4; ++c)
        figures.push_back({QStringLiteral("Обороты без цилиндра %1").arg(c),
                           Label9[static_cast<std::size_t>(c)]->text()});
    tellResult(QStringLiteral("Баланс цилиндров"), std::move(figures));
    return Outcome::End;
}

tfMexan::Outcome tfMexan::reachSetSpeed(double target) {
    Timer1->stop();
    Label6->hide();
    Combo1->setEnabled(false);
    Command1->setEnabled(false);
    Command2->setEnabled(true);
    ProgressBar1->show();
    stop_ = false;
    Label4[0]->show();
    int n = 0;
    for (;;) {
        if (!poll()) return Outcome::End;
        const std::vector<int> sample = sample_;
        if (sample[2] > 0) {
            p_.ShowTestHint(3);
            return Outcome::End;
        }
        if (sample[0] == 0) {
            p_.ShowTestHint(1);
            return Outcome::End;
        }
        const bool end = letEventsRun();
        ++n;
        ProgressBar1->setValue(n);
        if (n > 254) n = 0;
        if (n % kBlinkEvery == 0) toggle(Label4[0]);
        if (end) return Outcome::End;
        livePanel->show(sample);
        // Only the exact speed will do: a set speed of 1005 is never reached.
        if (sample[0] == target) return Outcome::Done;
    }
}

tfMexan::Outcome tfMexan::freezeAndSettle() {
    setRest(Label4[0]);
    Label4[0]->hide();
    ProgressBar1->hide();
    Label5->hide();
    p_.state.OverrideMaskA |= kValveBit;
    p_.ecu.EcuExchange(
        kline::cmd::writeVariables({{kline::cmd::kVarMaskA, p_.state.OverrideMaskA}}));
    if (exchangeFailed(1)) return Outcome::End;
    for (int n = 0; n < kFreezePolls; ++n) {
        if (!poll()) return Outcome::End;
        const std::vector<int> sample = sample_;
        if (sample[0] == 0) {
            p_.ShowTestHint(1);
            return Outcome::End;
        }
        if (sample[2] > 0) {
            p_.ShowTestHint(3);
            return Outcome::End;
        }
        if (letEventsRun()) return Outcome::End;
        livePanel->show(sample);
    }
    return Outcome::Done;
}

tfMexan::Outcome tfMexan::testCylinder(int c) {
    QLabel* label = Label4[static_cast<std::size_t>(c)];
    label->setText(QStringLiteral("Тест  %1").arg(c));
    const auto m = static_cast<std::uint8_t>(1 << (c - 1));
    p_.ecu.EcuExchange(kline::cmd::writeVariables({{kVarInjectorCut, m}, {kVarInjectorCut, m}}));
    if (exchangeFailed(1)) return Outcome::End;

    // The engine settles on the cylinders left.
    for (int j = 0; j < kSettlePolls; ++j) {
        if (!poll()) return Outcome::End;
        const std::vector<int> sample = sample_;
        if (sample[2] > 0) {
            p_.ShowTestHint(3);
            return Outcome::End;
        }
        if (sample[0] < kLowestCutSpeed) {
            p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~(kIdleSpeedBit | kValveBit));
            p_.ecu.EcuExchange(kline::cmd::writeVariables(
                {{kVarInjectorCut, 0}, {kline::cmd::kVarMaskA, p_.state.OverrideMaskA}}));
            p_.dialogs.message(kCannotGoOn + QString::number(sample[0] * 10), p_.state.AppTitle,
                               common::Icon::Exclamation);
            return Outcome::End;
        }
        if (j % kBlinkEvery == 0) toggle(label);
        livePanel->show(sample);
        if (letEventsRun()) return Outcome::End;
    }

    // The measurement.
    long long sum = 0;
    for (int j = 0; j < kMeasurePolls; ++j) {
        if (!poll()) return Outcome::End;
        const std::vector<int> sample = sample_;
        livePanel->show(sample);
        if (letEventsRun()) return Outcome::End;
        if (sample[2] > 0) {
            p_.ShowTestHint(3);
            return Outcome::End;
        }
        if (sample[0] == 0) {
            p_.dialogs.message(kCannotGoOn + QStringLiteral("0"), p_.state.AppTitle,
                               common::Icon::Exclamation);
            return Outcome::End;
        }
        if (sample[0] < kLowestMeasuredSpeed) return restartHigher();
        sum += sample[0];
        if (j % kBlinkEvery == 0) toggle(label);
    }
    label->setText(QStringLiteral("Отключена   %1").arg(c));
    // The average speed without this cylinder: Int(sum / 201 x 10), worked
    // out in whole numbers.
    Label9[static_cast<std::size_t>(c)]->setText(QString::number(sum * 10 / kMeasurePolls));
    return Outcome::Done;
}

tfMexan::Outcome tfMexan::restartHigher() {
    if (setSpeed() >= kHighestSetSpeed) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Дальнейшее  продолжение  теста  не  возможно.") +
                               QStringLiteral("\r\n") +
                               QStringLiteral("Двигатель  работает  неустойчиво."),
                           p_.state.AppTitle, common::Icon::Exclamation);
        return Outcome::End;
    }
    p_.ecu.EcuExchange(kline::cmd::writeVariables({{kVarInjectorCut, 0}, {kVarInjectorCut, 0}}));
    Combo1->setEditText(QString::number(setSpeed() + 100));
    Label5->show();
    // Stop pressed now ends the test rather than starting it over.
    if (letEventsRun()) return Outcome::End;
    // The valve is let go, so that the ECU can bring the engine to the
    // higher speed; it is frozen again there.
    p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~kValveBit);
    return Outcome::Restart;
}

bool tfMexan::sendEnd() {
    if (p_.ended()) return true;
    const int result = p_.ecu.EcuExchange(kline::cmd::writeVariables(
        {{kVarInjectorCut, 0}, {kline::cmd::kVarMaskA, p_.state.OverrideMaskA}}));
    if (result == kline::kOk && p_.ecu.reply(0) == 0) return true;
    // The masks are the ledger's to mend by themselves; all injectors on
    // is owed until a write of the cut mask gets through.
    p_.ledger.owe(kVarInjectorCut, 0);
    return false;
}

void tfMexan::endStep() {
    for (QLabel* label : Label4)
        setRest(label);
    Label4[0]->hide();
    ProgressBar1->hide();
    Label5->hide();
    p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~(kIdleSpeedBit | kValveBit));
    sendEnd();
    Frame4->setEnabled(true);
    Combo1->setEnabled(true);
    Command1->setEnabled(true);
    Command2->setEnabled(false);
    stop_ = true;
    if (closed_ || p_.ended()) {
        // The window went while the test ended: what it gave back on its
        // way out stays given back.
        if (closed_ && !p_.ended()) writeBack();
        return;
    }
    startLivePanel();
    activated();
}

} // namespace kvintor
