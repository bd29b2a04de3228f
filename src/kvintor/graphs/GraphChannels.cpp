#include "GraphChannels.h"

#include "link/Commands.h"
#include "main/LivePanel.h"

namespace kvintor {

namespace {

QString knockTitle(int cylinder) {
    return QStringLiteral("Смещение угла опережения зажигания при детонации для цилиндра ") +
           QString::number(cylinder);
}

int element(const std::vector<int>& b, std::size_t i) {
    return i < b.size() ? b[i] : 0;
}
int word(const std::vector<int>& b, std::size_t i) {
    return element(b, i) + 256 * element(b, i + 1);
}

bool second(int set) {
    return set == 1;
}

// The cyclic filling of set 2.
bool isFilling(int set, int strip) {
    return second(set) && strip == 3;
}

} // namespace

const std::array<GraphChannel, kStrips>& graphChannels(int set) {
    static const std::array<GraphChannel, kStrips> first{{
        {QStringLiteral("Разряжение за дроссельной заслонкой"), QStringLiteral("PABS"), 1700},
        {QStringLiteral("Обороты в минуту"), QStringLiteral("FREQ"), 150},
        {QStringLiteral("Угол опережения зажигания"), QStringLiteral("UOZ"), 120},
        {knockTitle(1), QStringLiteral("Det 1 ц"), 24},
        {knockTitle(2), QStringLiteral("Det 2 ц"), 24},
        {knockTitle(3), QStringLiteral("Det 3 ц"), 24},
        {knockTitle(4), QStringLiteral("Det 4 ц"), 24},
    }};
    static const std::array<GraphChannel, kStrips> other{{
        {QStringLiteral("Положение дроссельной заслонки"), QStringLiteral("THR"), 256},
        {QStringLiteral("Обороты в минуту"), QStringLiteral("FREQ"), 150},
        {QStringLiteral("Угол опережения зажигания"), QStringLiteral("UOZ"), 120},
        {QStringLiteral("Цикловое наполнение"), QStringLiteral("GBC"), 1830},
        {QStringLiteral("Состав смеси"), QStringLiteral("VALF"), 200},
        {QStringLiteral("Длительность импульса впрыска"), QStringLiteral("INJ"), 6300},
        {QStringLiteral("Расход воздуха"), QStringLiteral("JAIR"), 12060},
    }};
    return second(set) ? other : first;
}

kline::Request graphRequest(int set) {
    namespace cmd = kline::cmd;
    if (second(set)) return cmd::readVariables({32, 41, 38, 52, 57, 63, 33});
    return cmd::readVariables({35, 41, 38, 81, 82, 83, 84});
}

int graphReplyLength(int set) {
    return second(set) ? 10 : 8;
}

int graphRawValue(int set, int strip, const std::vector<int>& b) {
    if (!second(set)) {
        // PABS (two bytes), FREQ, UOZ and the four knock offsets.
        if (strip == 0) return word(b, 0);
        return element(b, static_cast<std::size_t>(strip + 1));
    }
    switch (strip) {
    case 0:
        return element(b, 0);
    case 1:
        return element(b, 1);
    case 2:
        return element(b, 2);
    case 3:
        return word(b, 3);
    case 4:
        return element(b, 5);
    case 5:
        return word(b, 6);
    default:
        return word(b, 8);
    }
}

int graphPlottedValue(int set, int strip, int raw) {
    return isFilling(set, strip) ? raw / 6 : raw;
}

QString graphLiveText(int set, int strip, int raw) {
    if (strip == 1) return numberText(raw * 40.0);
    if (strip == 2) return numberText(raw / 2.0);
    if (!second(set)) return strip == 0 ? numberText(raw) : numberText(raw / 2.0);
    switch (strip) {
    case 3:
        return numberText(raw / 6);
    case 4:
        return numberText(roundTo(raw / 256.0 + 0.5, 3));
    case 5:
        return numberText(roundTo(raw / 125.0, 2));
    case 6:
        return numberText(raw / 10.0);
    default:
        return numberText(raw);
    }
}

QString graphCursorText(int set, int strip, int raw) {
    if (isFilling(set, strip)) return numberText(roundTo(raw / 5.9988, 1));
    return graphLiveText(set, strip, raw);
}

int segmentHeight(int stripHeight, int value, int fullScale) {
    if (fullScale <= 0) return 0;
    const int h =
        static_cast<int>(roundTo(static_cast<double>(stripHeight) * value / fullScale, 0));
    return h > stripHeight ? stripHeight : h;
}

int cursorSample(int x, int stripWidth) {
    const int j = static_cast<int>(roundTo(x / static_cast<double>(kSampleSpacing), 0));
    if (j < 0 || j >= stripWidth / static_cast<double>(kSampleSpacing)) return -1;
    return j;
}

} // namespace kvintor
