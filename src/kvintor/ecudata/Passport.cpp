#include "Passport.h"

#include "link/CodePage866.h"

namespace kvintor::ecudata {

namespace {

const char* const kConfigurationNames[kConfigurationBytes][8] = {
    {"Постоянное питание блока", "Датчик кислорода", "Датчик детонации",
     "Датчик температуры воздуха", "Датчик фазы", "Позиц. Датчика фазы в створе датчика ВМТ",
     "Датчик скорости", "Резистор регулировки СО"},
    {"Противобуксовочная система", "Датчик положения клапана EGR", "Датчик положения клапана ADS",
     "Датчик давления усилителя руля", "Второй датчик кислорода",
     "Датчик массового расхода воздуха с прожигом", "Датчик положения дроссельной заслонки",
     "Датчик температуры ОЖ"},
    {"Энергонезависимая память IROM", "Коррекция АЦП из IROM", "Иммобилизатор",
     "Использование RCO из IROM", "Блокировка отключения подачи топлива",
     "Асинхронная подача при повторном пуске", "Адаптация нуля дросселя",
     "Адаптация уставки частоты вращения х.х."},
    // Bits without a proper name are New-v-n: variable v, bit n counted from 1.
    {"Адаптация установки сечения РДВ на режиме Х.Х.", "Датчик кислорода с управляемым нагревом",
     "New-4-3", "New-4-4", "New-4-5", "New-4-6", "Топливные форсунки", "Катушки зажигания"},
    {"Лампа неисправностей", "Управление бензонасосом", "Пусковая форсунка", "Клапан рециркуляции",
     "Адсорбер", "Тахометр", "Индикатор расхода топлива", "Кондиционер"},
    {"Управление вентилятором", "Клапан ПРЗ", "Регулятор дополнительного воздуха", "Клапан ЭПХХ",
     "Компрессор вторичного воздуха", "Управляемая впускная система",
     "Система управления газораспределением", "New-6-8"},
};

// Only spaces are trimmed, as the field's own text ends in them.
QByteArray trimSpaces(const QByteArray& b) {
    int start = 0;
    int end = static_cast<int>(b.size());
    while (start < end && b[start] == ' ')
        ++start;
    while (end > start && b[end - 1] == ' ')
        --end;
    return b.mid(start, end - start);
}

QString trimSpaces(const QString& s) {
    int start = 0;
    int end = static_cast<int>(s.size());
    while (start < end && s[start] == QLatin1Char(' '))
        ++start;
    while (end > start && s[end - 1] == QLatin1Char(' '))
        --end;
    return s.mid(start, end - start);
}

} // namespace

// Requests 54 and 55 carry the titles of 51 and 53 again.
const std::array<IdentificationRow, 8> kIdentificationRows = {{
    {0x51, "Тип ЭБУ"},
    {0x52, "Паспорт программы"},
    {0x53, "Таблица ссылок"},
    {0x54, "Тип ЭБУ"},
    {0x55, "Таблица ссылок"},
    {0x56, "Калибровка"},
    {0x57, "Дата выпуска"},
    {0x58, "Двигатель"},
}};

const std::array<PassportField, 7> kPassportFields = {{
    {116, "Модификация ЭБУ + Дата:"},
    {117, "Серийный номер ЭБУ:"},
    {118, "Версия ПЗУ:"},
    {119, "Калибровки ADC:"},
    {121, "Номер двигателя:"},
    {122, "Номер кузова:"},
    {123, "Дата выпуска автомобиля:"},
}};

QString configurationName(int variable, int bit) {
    if (variable < 1 || variable > kConfigurationBytes || bit < 0 || bit > 7) return QString();
    return QString::fromUtf8(kConfigurationNames[variable - 1][bit]);
}

QStringList configurationNames(const std::vector<int>& reply) {
    QStringList names;
    for (int v = 1; v <= kConfigurationBytes; ++v) {
        const std::size_t i = static_cast<std::size_t>(v - 1);
        const int byte = i < reply.size() ? reply[i] : 0;
        for (int bit = 0; bit < 8; ++bit)
            if (byte & (1 << bit)) names << configurationName(v, bit);
    }
    return names;
}

QByteArray passportBytes(const QString& fieldText) {
    QByteArray b = trimSpaces(kline::toCp866(trimSpaces(fieldText))).left(kPassportLength);
    b.append(QByteArray(kPassportLength - b.size(), '\0'));
    return b;
}

QString dateStamp(const QDate& day) {
    return day.toString(QStringLiteral("dd.MM.yy"));
}

} // namespace kvintor::ecudata
