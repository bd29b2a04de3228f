#include "RequestNames.h"

#include "link/Commands.h"
#include "link/EcuLink.h"

#include <QStringList>

namespace kvintor {

namespace cmd = kline::cmd;

namespace {

QString numbers(const kline::Request& r, std::size_t from) {
    QStringList out;
    for (std::size_t i = from; i < r.size(); ++i) out << QString::number(r[i]);
    return out.join(QStringLiteral(", "));
}

} // namespace

QString requestName(const kline::Request& r) {
    if (r.empty()) return QString();
    switch (r[0]) {
    case cmd::kConnect:
        return QStringLiteral("проверка связи");
    case cmd::kFaults:
        return QStringLiteral("чтение неисправностей");
    case cmd::kReadList:
        return QStringLiteral("чтение списка переменных ") + numbers(r, 1);
    case cmd::kReadMemory: {
        const unsigned address = (r.size() > 1 ? r[1] : 0) + 256u * (r.size() > 2 ? r[2] : 0);
        return QStringLiteral("чтение памяти с адреса 0x") +
               QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
    case cmd::kRestart:
        return QStringLiteral("перезагрузка ЭБУ");
    case cmd::kEcuType:
        return QStringLiteral("тип ЭБУ");
    case cmd::kEngineText:
        return QStringLiteral("марка двигателя");
    case cmd::kReadVariables:
        return QStringLiteral("чтение переменных ") + numbers(r, 1);
    case cmd::kWriteVariables: {
        QStringList pairs;
        for (std::size_t i = 1; i + 1 < r.size(); i += 2)
            pairs << QStringLiteral("%1=%2").arg(r[i]).arg(r[i + 1]);
        if (r.size() % 2 == 0) pairs << QString::number(r.back()); // a variable without its value
        return QStringLiteral("запись переменных ") + pairs.join(QStringLiteral(", "));
    }
    case cmd::kStartStream:
        return QStringLiteral("поток переменных ") + numbers(r, 1);
    default:
        break;
    }
    if (r[0] >= cmd::kPassportFirst && r[0] <= cmd::kPassportLast) {
        static const char* const texts[] = {"Паспорт программы", "Таблица ссылок", "Тип ЭБУ",
                                            "Таблица ссылок", "Калибровка", "Дата выпуска"};
        return QStringLiteral("паспорт: ") + QString::fromUtf8(texts[r[0] - cmd::kPassportFirst]);
    }
    return QStringLiteral("команда %1").arg(r[0]);
}

QString resultText(int result) {
    return result == kline::kOk ? QStringLiteral("Успешно") : kline::EcuLink::ExchangeErrorText(result);
}

} // namespace kvintor
