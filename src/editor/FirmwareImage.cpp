#include "FirmwareImage.h"

#include <QLocale>

namespace editor {

QString engineSetting(EngineType e) {
    return e == EngineType::Zmz4063 ? QStringLiteral("1") : QStringLiteral("0");
}

EngineType engineFromSetting(const QString& text) {
    return text.trimmed().toInt() != 0 ? EngineType::Zmz4063 : EngineType::Standard;
}

int engineSpeed(int r) {
    static constexpr std::array<int, kRows> speeds{440,  520,  640,  800,  1000, 1280, 1600, 1920,
                                                   2280, 2680, 3160, 3440, 4160, 4720, 5360, 6000};
    return speeds[static_cast<std::size_t>(r & 15)];
}

int legendSpeed(int r) {
    static constexpr std::array<int, kRows> speeds{480,  560,  710,  870,  1110, 1420, 1740, 2060,
                                                   2460, 2880, 3360, 3840, 4400, 5000, 5640, 6400};
    return speeds[static_cast<std::size_t>(r & 15)];
}

QColor paletteColour(int n) {
    static constexpr std::array<QRgb, 16> colours{
        qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
        qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
        qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)};
    return QColor(colours[static_cast<std::size_t>(n & 15)]);
}

QString degreesText(int value) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (value % 2 == 0) return locale.toString(value / 2);
    return locale.toString(value / 2.0, 'f', 1);
}

QString tableCaption(int table) {
    switch (table) {
    case 0:
        return QStringLiteral("Таблица 2");
    case 1:
        return QStringLiteral("Экономичный режим");
    case 2:
        return QStringLiteral("Таблица 1");
    default:
        return QStringLiteral("Мощностной режим");
    }
}

std::vector<Change> changes(const Block& saved, const Block& working) {
    std::vector<Change> out;
    for (int i = 0; i < kBlockSize; ++i) {
        const auto s = saved[static_cast<std::size_t>(i)];
        const auto w = working[static_cast<std::size_t>(i)];
        if (s != w) out.push_back({i, s, w});
    }
    return out;
}

QString changeLine(const Change& c, EngineType e) {
    return QString::number(blockPosition(e) + c.offset) + QString(11, QLatin1Char(' ')) +
           QString::number(c.saved) + QString(23, QLatin1Char(' ')) + QString::number(c.working);
}

} // namespace editor
