#pragma once
// The live panel's arithmetic: what each of the four pages shows for a
// reply, the bars, their colours, the flag lamps, the "Check Engine" lamp
// and the speed range switch. No widgets here.
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace kvintor {

constexpr int kPages = 4;
constexpr int kValuesPerPage = 8;
constexpr int kLamps = 20;

struct PanelValue {
    QString text; // the value label
    int bar = 0;  // bar number b, 0..255
};
using PageValues = std::array<PanelValue, kValuesPerPage>;

// Elements 6.. of a page reply decoded (elements 0..5 are flags and markers).
// fullRange: page 1 speed in 40 rpm steps (variable 41) rather than 10.
PageValues decodePage(int page, const std::vector<int>& reply, bool fullRange);

// Rounds half to even, as the panel's numbers always have been.
double roundTo(double value, int decimals);
// A number in the user's locale, without trailing zeros.
QString numberText(double value);

int barWidthTwips(int bar);
QColor barColour(int bar);

QString frameCaption(int page, int k, bool fullRange);
QString normText(int page, int k); // empty when the value has none
QString lampCaption(int i);

// Lamp i of the reply's flags (0..15) and cylinder markers (16..19).
bool lampLit(int i, const std::vector<int>& reply);
QColor lampColour(bool lit);
// The "Check Engine" lamp from the last element; no value while the engine
// variant is unknown (the lamp keeps its colour).
std::optional<bool> checkEngineLit(int engineVariant, int lastElement);
QColor checkEngineColour(bool lit);

// The speed range for the next tick after a reading v of the speed variable.
bool nextFullRange(bool fullRange, int v);

} // namespace kvintor
