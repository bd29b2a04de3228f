#include "ExitDialogue.h"

#include "Program.h"
#include "common/Dialogs.h"
#include "link/Commands.h"

namespace kvintor {

namespace cmd = kline::cmd;

namespace {
const char* const kIgnition = "Угол  опережения  зажигания";
const char* const kCoOffset = "Коэфициент  смещения  по СО";
const char* const kCoCorrection = "Коэфициент  корекции СО";
} // namespace

QStringList changedItems(int mask11, int mask12) {
    QStringList items;
    if (mask11 & 0x08) items << QString::fromUtf8(kIgnition);
    if (mask12 & 0x08) items << QString::fromUtf8(kCoOffset);
    if (mask12 & 0x10) items << QString::fromUtf8(kCoCorrection);
    return items;
}

ExitAnswer runExitDialogue(Program& p) {
    kline::EcuLink& ecu = p.ecu;
    common::ProgramState& s = p.state;
    if (ecu.EcuExchange(cmd::readMasks()) != kline::kOk) return ExitAnswer::NoQuestion;
    const QStringList items = changedItems(ecu.reply(0), ecu.reply(1));
    if (items.isEmpty()) return ExitAnswer::NoQuestion;

    QString list;
    for (const QString& item : items) list += QStringLiteral("\r\n   ") + item;
    p.BeepSignal();
    const common::Answer answer = p.dialogs.message(
        QStringLiteral("В  процессе  регулировки  данные  ЭБУ  были  изменены:") + QStringLiteral("\r\n") + list +
            QStringLiteral("\r\n \r\n") + QStringLiteral("СОХРАНИТЬ  НОВЫЕ  ДАННЫЕ  В  ЭНЕРГО-НЕЗАВИСИМУЮ  ПАМЯТЬ  ЭБУ?"),
        QStringLiteral("Завершение работы ") + s.AppTitle, common::Icon::Question, common::Buttons::YesNoCancel,
        common::Answer::Cancel);

    if (answer == common::Answer::Yes) {
        for (const QString& item : items) {
            const std::uint8_t k = item == QString::fromUtf8(kIgnition)  ? cmd::kSaveIgnition
                                   : item == QString::fromUtf8(kCoOffset) ? cmd::kSaveCoOffset
                                                                          : cmd::kSaveCoCorrection;
            const int r = ecu.EcuExchange(cmd::saveItem(k));
            if (r != kline::kOk) {
                p.BeepSignal();
                p.dialogs.message(QStringLiteral("Не  удалось  сохранить  настройки") + QStringLiteral("   ") +
                                      kline::EcuLink::ExchangeErrorText(r).toUpper(),
                                  s.AppTitle, common::Icon::Critical);
            } else if (ecu.reply(0) != 0) {
                p.BeepSignal();
                p.dialogs.message(QStringLiteral("Не  удалось  сохранить  настройки"), s.AppTitle,
                                  common::Icon::Critical);
            } else {
                emit p.feed.adjustmentStored(k == cmd::kSaveIgnition  ? cmd::kVarIgnitionAdjust
                                             : k == cmd::kSaveCoOffset ? cmd::kVarCoOffset
                                                                       : cmd::kVarCoCorrection);
            }
        }
        return ExitAnswer::Yes;
    }
    if (answer == common::Answer::No) {
        // Back to the values read at connection, held by their override bits.
        for (const QString& item : items) {
            if (item == QString::fromUtf8(kIgnition)) {
                s.OverrideMaskA |= 0x08;
                ecu.EcuExchange(cmd::writeVariables({{cmd::kVarMaskA, s.OverrideMaskA},
                                                     {cmd::kVarIgnitionAdjust, s.ConnectionValue40}}));
            } else if (item == QString::fromUtf8(kCoOffset)) {
                s.OverrideMaskB |= 0x08;
                ecu.EcuExchange(cmd::writeVariables({{cmd::kVarMaskB, s.OverrideMaskB},
                                                     {cmd::kVarCoOffset, s.ConnectionValue65}}));
            } else {
                s.OverrideMaskB |= 0x10;
                ecu.EcuExchange(cmd::writeVariables({{cmd::kVarMaskB, s.OverrideMaskB},
                                                     {cmd::kVarCoCorrection, s.ConnectionValue66}}));
            }
        }
        return ExitAnswer::No;
    }
    return ExitAnswer::Cancel;
}

} // namespace kvintor
