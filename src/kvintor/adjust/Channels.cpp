#include "Channels.h"

#include "common/ProgramState.h"
#include "link/Commands.h"
#include "main/LivePanel.h"

#include <algorithm>

namespace kvintor::adjust {

namespace cmd = kline::cmd;

namespace {

constexpr std::uint8_t kMaskA = cmd::kVarMaskA;
constexpr std::uint8_t kMaskB = cmd::kVarMaskB;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// One slider whose window gives it back on close and empties its label.
Channel single(int variable, std::uint8_t write, std::uint8_t maskVariable, std::uint8_t bit,
               Encoding encoding, int minimum, int maximum, int ticks, LabelRule label,
               const char* sliderHint, const char* labelHint) {
    return Channel{variable,
                   write,
                   maskVariable,
                   bit,
                   encoding,
                   minimum,
                   maximum,
                   ticks,
                   label,
                   true,
                   AfterRelease::EmptyLabel,
                   QString(),
                   text(sliderHint),
                   text(labelHint)};
}

WindowEntry singleWindow(const char* name, int menuIndex, const char* caption, double divisor,
                         Channel channel, ReleaseCheck check = ReleaseCheck::Refusals) {
    return WindowEntry{text(name),           menuIndex, text(caption), divisor,
                       {std::move(channel)}, {0},       check,         false};
}

std::array<WindowEntry, kWindows> buildWindows() {
    using E = Encoding;
    using L = LabelRule;
    std::array<WindowEntry, kWindows> w;

    w[0] = singleWindow("rfTemper", 0, "Температура  О.Ж.  ", 5.7,
                        single(26, 26, kMaskA, 0x80, E::Unsigned, 0, 160, 8, L::Celsius,
                               " Проверка  режимов  зависящих  от  температуры  ОЖ ",
                               " От - 40 до 120  град. С. "));
    w[1] = singleWindow("rfObor", 1, "Обороты/мин  (ХХ)  ", 2.85,
                        single(46, 46, kMaskA, 0x40, E::Unsigned, 0, 255, 15, L::Rpm,
                               " Регулятор  оборотов  холостого  хода  (тест) ",
                               " От 0 - 2550  обор/мин. "));

    // The ignition advance: a standing offset, which stays in force when the
    // window closes and is read again after a release, and a test value,
    // which is never read.
    Channel offset{40,
                   40,
                   kMaskA,
                   0x08,
                   E::NegatedSigned,
                   -20,
                   40,
                   4,
                   L::HalfDegrees,
                   false,
                   AfterRelease::ReadAgain,
                   QString(),
                   text(" Смещение  УОЗ  для  всех  режимов "),
                   text(" Норма  0 ")};
    Channel test{kNotRead,
                 38,
                 kMaskA,
                 0x04,
                 E::Unsigned,
                 0,
                 120,
                 8,
                 L::HalfDegrees,
                 true,
                 AfterRelease::EmptyLabel,
                 QString(),
                 text(" Установка  УОЗ  (для  теста) "),
                 text(" Норма  9 - 19  град. ")};
    w[2] = WindowEntry{text("rfUOZ"),  2,      text("УОЗ  (град. п.к.в.)  "), 2.4,
                       {offset, test}, {0, 1}, ReleaseCheck::Refusals,        false};

    // The idle-air valve is read at its position (92) and set through 91.
    w[3] = singleWindow("rfRegRDV", 3, "Положение РДВ  ", 1.42,
                        single(92, 91, kMaskA, 0x20, E::Unsigned, 0, 255, 15, L::Steps,
                               " Регулятор  положения  РДВ  (тест) ", " От 0 до 255 шагов  "),
                        ReleaseCheck::EverythingButOnClose);
    w[4] = singleWindow("rfSostSm", 4, "Состав смеси  ", 1.9,
                        single(57, 57, kMaskA, 0x01, E::Unsigned, 0, 255, 15, L::Mixture,
                               " Регулятор  состава  смеси  (тест) ", ""));
    w[5] = singleWindow("rfUgollVpryska", 5, "Угол впрыска  ", 4.5,
                        single(24, 24, kMaskA, 0x02, E::NegatedSigned, -56, 60, 9, L::HalfDegrees,
                               " Установка  угла  начала  впрыска  топлива  (тест) ", ""));

    // Fuel-supply correction of channels 1 and 2, one in each mask.
    Channel fuel1{69,
                  69,
                  kMaskA,
                  0x10,
                  E::Unsigned,
                  1,
                  255,
                  15,
                  L::FuelCorrection,
                  true,
                  AfterRelease::KeepLabel,
                  text("Канал 1"),
                  QString(),
                  QString()};
    Channel fuel2{70,
                  70,
                  kMaskB,
                  0x80,
                  E::Unsigned,
                  1,
                  255,
                  15,
                  L::FuelCorrection,
                  true,
                  AfterRelease::KeepLabel,
                  text("Канал 2"),
                  QString(),
                  QString()};
    w[6] = WindowEntry{text("rfCoeff12"), 6,      text("Корр. топлива  "), 4.1,
                       {fuel1, fuel2},    {0, 1}, ReleaseCheck::Refusals,  false};

    w[7] = singleWindow("rfTempVozd", 7, "Темпер. воздуха  ", 3.8,
                        single(28, 28, kMaskB, 0x01, E::Unsigned, 0, 255, 16, L::Celsius,
                               " Проверка  режимов  зависящих  от  температуры  воздуха  (тест) ",
                               " От -40 до 215 град. С. "));

    // The CO correction: both channels stay in force when the window closes
    // (the exit offers to store them); the coefficient is shown on top.
    Channel coOffset{65,
                     65,
                     kMaskB,
                     0x08,
                     E::Signed,
                     -64,
                     64,
                     8,
                     L::Fraction256,
                     false,
                     AfterRelease::KeepLabel,
                     text("Коррекция СО  (Смещение)"),
                     QString(),
                     QString()};
    Channel coFactor{66,
                     66,
                     kMaskB,
                     0x10,
                     E::Signed,
                     -64,
                     64,
                     8,
                     L::Fraction256,
                     false,
                     AfterRelease::KeepLabel,
                     text("Коррекция СО  (Коэффициент)"),
                     QString(),
                     QString()};
    w[8] = WindowEntry{text("rfCoefCO"),     8,      text("Коррекция СО  "),   2.7,
                       {coOffset, coFactor}, {1, 0}, ReleaseCheck::Everything, true};
    return w;
}

} // namespace

const std::array<WindowEntry, kWindows>& windows() {
    static const std::array<WindowEntry, kWindows> table = buildWindows();
    return table;
}

const WindowEntry& windowEntry(int menuIndex) {
    return windows()[static_cast<std::size_t>(std::clamp(menuIndex, 0, kWindows - 1))];
}

std::uint8_t encode(const Channel& channel, int v) {
    switch (channel.encoding) {
    case Encoding::NegatedSigned:
        return static_cast<std::uint8_t>((-v) & 0xFF);
    case Encoding::Signed:
    case Encoding::Unsigned:
        break;
    }
    return static_cast<std::uint8_t>(v & 0xFF);
}

int decode(const Channel& channel, int byte) {
    const int b = byte & 0xFF;
    switch (channel.encoding) {
    case Encoding::NegatedSigned:
        return b < 128 ? -b : 256 - b;
    case Encoding::Signed:
        return b <= 127 ? b : b - 256;
    case Encoding::Unsigned:
        break;
    }
    return b;
}

int sliderPosition(const Channel& channel, int v) {
    return std::clamp(v, channel.minimum, channel.maximum);
}

QString labelText(const Channel& channel, int v) {
    double shown = v;
    switch (channel.label) {
    case LabelRule::Celsius:
        shown = v - 40;
        break;
    case LabelRule::Rpm:
        shown = v * 10;
        break;
    case LabelRule::HalfDegrees:
        shown = v / 2.0;
        break;
    case LabelRule::Steps:
        break;
    case LabelRule::Mixture:
        shown = roundTo(v / 256.0 + 0.5, 3);
        break;
    case LabelRule::FuelCorrection:
        shown = roundTo((v - 128) / 256.0, 3);
        break;
    case LabelRule::Fraction256:
        shown = roundTo(v / 256.0, 3);
        break;
    }
    return numberText(shown);
}

std::vector<int> readChannels(const WindowEntry& entry) {
    std::vector<int> out;
    for (std::size_t i = 0; i < entry.channels.size(); ++i)
        if (entry.channels[i].read != kNotRead) out.push_back(static_cast<int>(i));
    return out;
}

kline::Request readRequest(const WindowEntry& entry) {
    kline::Request r;
    for (int i : readChannels(entry)) {
        if (r.empty()) r.push_back(cmd::kReadVariables);
        r.push_back(static_cast<std::uint8_t>(entry.channels[static_cast<std::size_t>(i)].read));
    }
    return r;
}

kline::Request applyRequest(const Channel& channel, std::uint8_t mask, int v) {
    return cmd::writeVariables({{channel.maskVariable, mask}, {channel.write, encode(channel, v)}});
}

kline::Request releaseRequest(const Channel& channel, std::uint8_t mask) {
    return cmd::writeVariables({{channel.maskVariable, mask}});
}

std::uint8_t& maskOf(common::ProgramState& state, const Channel& channel) {
    return channel.maskVariable == kMaskB ? state.OverrideMaskB : state.OverrideMaskA;
}

} // namespace kvintor::adjust
