#include "LivePanel.h"

#include <QLocale>
#include <algorithm>
#include <cfenv>
#include <cmath>

namespace kvintor {

namespace {

int word(const std::vector<int>& e, std::size_t i) {
    const int lo = i < e.size() ? e[i] : 0;
    const int hi = i + 1 < e.size() ? e[i + 1] : 0;
    return lo + 256 * hi;
}

int element(const std::vector<int>& e, std::size_t i) { return i < e.size() ? e[i] : 0; }

// Bar numbers are whole (rounded half to even) and lie in 0..255: a
// negative bar (supply voltage below 1.8 V) is drawn empty.
int bar(double b) { return std::clamp(static_cast<int>(roundTo(b, 0)), 0, 255); }

PanelValue value(double shown, int decimals, double b) {
    return {numberText(decimals >= 0 ? roundTo(shown, decimals) : shown), bar(b)};
}

QString volts(int v) { return numberText(roundTo(v * 5.0199 / 256, 3)); }

} // namespace

double roundTo(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value * scale) / scale;
    std::fesetround(mode);
    return r;
}

QString numberText(double value) {
    if (value == 0) value = 0; // no "-0"
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 12);
}

int barWidthTwips(int b) { return 15 * std::clamp(b, 0, 255); }

QColor barColour(int b) {
    b = std::clamp(b, 0, 255);
    return QColor(b >= 128 ? 128 : 0, b % 128, b % 128);
}

PageValues decodePage(int page, const std::vector<int>& e, bool fullRange) {
    PageValues out;
    switch (page) {
    case 0: {
        const int v6 = element(e, 6), v7 = element(e, 7), v8 = element(e, 8), v9 = element(e, 9);
        out[0] = value(v6 - 40, -1, v6 * 128.0 / 125);
        out[1] = value(v7 * 0.09093, 2, v7 - 20);
        out[2] = fullRange ? value(40.0 * v8, -1, 2.0 * v8) : value(10.0 * v8, -1, v8 * 128.0 / 85);
        out[3] = value(v9 < 128 ? v9 / 2.0 : (v9 - 256) / 2.0, -1, v9 * 128.0 / 29);
        const int v10 = element(e, 10);
        out[4] = value(v10 - 128, -1, v10);
        const int vac = word(e, 11);
        out[5] = value(vac, -1, vac * 128.0 / 300);
        const int rdv = element(e, 13);
        out[6] = value(rdv, -1, rdv * 128.0 / 65);
        const int fill = word(e, 14);
        out[7] = value(fill / 6, -1, fill * 255.0 / 2000);
        break;
    }
    case 1: {
        const int v6 = element(e, 6), v7 = element(e, 7), v8 = element(e, 8), v9 = element(e, 9);
        const int v10 = element(e, 10);
        out[0] = value(v6 - 40, -1, v6);
        out[1] = value(v7 - 40, -1, v7);
        out[2] = value(v8, -1, v8);
        const int s = v9 > 127 ? v9 - 256 : v9;
        out[3] = value(s / 256.0, 3, v9 < 128 ? v9 + 127 : v9 - 127);
        out[4] = value(v10 / 256.0 + 0.5, 3, v10);
        const int pulse = word(e, 11);
        out[5] = value(pulse / 125.0, 2, roundTo(pulse / 255.0 * 50, 0));
        const int air = word(e, 13);
        out[6] = value(air / 10.0, -1, roundTo(air / 255.0 * 100, 0));
        const int fuel = word(e, 15);
        out[7] = value(fuel / 10.0, -1, fuel);
        break;
    }
    case 2:
        for (int k = 0; k < kValuesPerPage; ++k) {
            const int v = element(e, 6 + static_cast<std::size_t>(k));
            out[static_cast<std::size_t>(k)] = {volts(v), bar(v)};
        }
        break;
    case 3: {
        const int v6 = element(e, 6), v7 = element(e, 7), v8 = element(e, 8), v9 = element(e, 9);
        out[0] = {volts(v6), bar(v6)};
        out[1] = {volts(v7), bar(v7)};
        out[2] = value(v8, -1, v8);
        out[3] = {QString::number(v9 / 16) + QStringLiteral("  ") + QString::number(v9 % 16), bar(v9)};
        out[4] = value(element(e, 10), -1, element(e, 10));
        out[5] = value(element(e, 11), -1, element(e, 11));
        const int limit = word(e, 12);
        out[6] = value(limit / 5.99879, 2, limit * 255.0 / 10000);
        const int supply = word(e, 14);
        out[7] = value(supply, -1, roundTo(supply / 65535.0 * 255, 0));
        break;
    }
    default:
        break;
    }
    return out;
}

QString frameCaption(int page, int k, bool fullRange) {
    static const char* const captions[kPages][kValuesPerPage] = {
        {"Температура  о.ж. (град. С)", "Напряжение борт. сети (вольт)", nullptr,
         "Опережение зажигания (град.)", "Коэффициент баро. коррекции",
         "Разряжение за дросс. засл.(мБар)", "Положение РДВ (шаг.)", "Цикловое наполнение (мг/такт)"},
        {"Температура  о.ж. (град. С)", "Температура воздуха (град. C)", "Положение дросс. заслонки (%)",
         "Коррекция (СО) смещение", "Состав смеси (воздух/топливо)", "Длительность имп. впрыска (мс)",
         "Расход воздуха (кг/час)", "Расход топлива (лит/час)"},
        {"Напряжение датчика о.ж. (В.)", "Напр. датчика абс. давления (В.)",
         "Код АЦП в канале детонации (В.)", "Напр.  сигнала   детонации (В.)",
         "Напр.  дат. темпер. воздуха (В.)", "Напр.  дат.  дрос. заслонки (В.)",
         "Напряжение потенциом. CO (В.)", "Напряжение в канале RDIA (В.)"},
        {"Напряжение L-зонда 1  (В.)", "Напряжение L-зонда 2  (В.)", "Рассогл. частоты вращения кв",
         "Индекс режимной точки", "Степень продувки адсорбера (%)", "Степень рециркуляции газов (%)",
         "Ограничение цикл. наполнения", "Огранич.цикл. подачи топлива"},
    };
    if (page < 0 || page >= kPages || k < 0 || k >= kValuesPerPage) return QString();
    if (page == 0 && k == 2)
        return fullRange ? QStringLiteral("Обороты/мин.") : QStringLiteral("Обороты/мин. (холостой ход)");
    return QString::fromUtf8(captions[page][k]);
}

QString normText(int page, int k) {
    static const char* const norms[2][kValuesPerPage] = {
        {" Норма  75 - 95  град.С. ", " Норма  13 - 13,8  вольт. ", " Норма  850 - 900  обор/мин. ",
         " Норма  9 - 19  град. ", " Около  0 ", " Норма  300 мБар. ", " Норма  60 - 90 шагов  ", nullptr},
        {" Норма  75 - 95 град.С. ", " Равна  температуре  в  подкапотном  пространстве ",
         " На  холостом  ходу  норма  0% ", " Норма  -0,05...+0,05 ", " Норма  на  холостом  ходу  1,0 ",
         " Норма  на  холостом  ходу  3,7...4,2 ", " Норма  на  холостом  ходу  13 - 15 кг/час ", nullptr},
    };
    if (page < 0 || page > 1 || k < 0 || k >= kValuesPerPage || !norms[page][k]) return QString();
    return QString::fromUtf8(norms[page][k]);
}

QString lampCaption(int i) {
    static const char* const captions[16] = {
        "Останов двигателя", "Пуск двигателя", "Холостой ход", "Блокировка выхода из холостого хода",
        "Блокировка подачи топлива", "Максимальная мощность", "Регулировка состава смеси",
        "Регулировка УОЗ по детонации", "Обогащение смеси", "Продув адсорбера", "Запись в таблицу TABF1",
        "Запись в таблицу TABF2", "Обогащение смеси по первому L-зонду",
        "Обогащение смеси по второму L-зонду", "Детонация", "Миним. частота вращения колен.вала"};
    if (i >= 0 && i < 16) return QString::fromUtf8(captions[i]);
    if (i >= 16 && i < kLamps) return QString::number(i - 15) + QStringLiteral(" цил.");
    return QString();
}

bool lampLit(int i, const std::vector<int>& e) {
    if (i < 8) return element(e, 0) & (1 << i);
    if (i < 16) return element(e, 1) & (1 << (i - 8));
    return element(e, static_cast<std::size_t>(i - 14)) >= 1;
}

QColor lampColour(bool lit) { return lit ? QColor(255, 192, 128) : QColor(128, 128, 128); }

std::optional<bool> checkEngineLit(int variant, int last) {
    if (variant == 63) return (last & 0x01) != 0;
    if (variant == 62) return (last & 0x08) != 0;
    return std::nullopt;
}

QColor checkEngineColour(bool lit) { return lit ? QColor(255, 192, 128) : QColor(128, 64, 64); }

bool nextFullRange(bool fullRange, int v) {
    if (fullRange && v < 64) return false;
    if (!fullRange && v == 255) return true;
    return fullRange;
}

} // namespace kvintor
