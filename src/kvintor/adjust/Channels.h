#pragma once
// The set-point channels of the nine adjustment windows, as data: which
// variable each reads and writes, which override bit puts it in force, how
// a slider value becomes the byte sent and back, the slider's range, the
// label's rule and what closing the window does to it. Plus the windows
// themselves: caption, default place, texts and the order of their sliders.
// No widgets here; the requests are built from the table alone.
#include "link/FrameCodec.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace common {
struct ProgramState;
}

namespace kvintor::adjust {

// How a slider value v travels as one byte.
enum class Encoding {
    Unsigned,      // v itself
    NegatedSigned, // (-v) mod 256; a byte b reads back as -(b as a signed byte)
    Signed,        // v mod 256; a byte b reads back as b as a signed byte
};

// What the value label shows for a slider value v.
enum class LabelRule {
    Celsius,        // v - 40
    Rpm,            // v x 10
    HalfDegrees,    // v / 2
    Steps,          // v
    Mixture,        // v / 256 + 0.5, 3 decimals
    FuelCorrection, // (v - 128) / 256, 3 decimals
    Fraction256,    // v / 256, 3 decimals
};

// What the value label does when the channel is given back.
enum class AfterRelease {
    EmptyLabel, // emptied before the release is sent
    ReadAgain,  // the channel is read again, so it shows what the ECU now holds
    KeepLabel,  // left as it is
};

// Which outcomes of a release are told to the user.
enum class ReleaseCheck {
    Refusals,             // only a refusal by the ECU; a link failure is silent
    Everything,           // link failures and refusals
    EverythingButOnClose, // as Everything, but nothing at all while the window closes
};

constexpr int kNotRead = -1;

struct Channel {
    int read;                  // variable read on activation, or kNotRead
    std::uint8_t write;        // variable written on apply
    std::uint8_t maskVariable; // 11 (OverrideMaskA) or 12 (OverrideMaskB)
    std::uint8_t bit;          // its bit in that mask
    Encoding encoding;
    int minimum;
    int maximum;
    int ticks; // tick spacing
    LabelRule label;
    bool releasedOnClose;
    AfterRelease afterRelease;
    QString title;      // title label above the slider (two-slider windows)
    QString sliderHint; // tool tips; empty: none
    QString labelHint;
};

struct WindowEntry {
    QString name;                  // window name, settings section
    int menuIndex;                 // item of the "Регулировки" menu
    QString caption;               // shown followed by the program title
    double divisor;                // default top = main top + main height / divisor
    std::vector<Channel> channels; // index = control array index
    std::vector<int> order;        // channel indices, top to bottom
    ReleaseCheck releaseCheck;
    bool keepsSliderOnApplyError; // otherwise the label empties and the slider goes to 0
};

constexpr int kWindows = 9;
// The nine windows, by menu index.
const std::array<WindowEntry, kWindows>& windows();
const WindowEntry& windowEntry(int menuIndex);

std::uint8_t encode(const Channel& channel, int v);
int decode(const Channel& channel, int byte);
// The slider value that a decoded value v puts the slider to (kept in range).
int sliderPosition(const Channel& channel, int v);
// The label for slider value v, a number in the user's locale.
QString labelText(const Channel& channel, int v);

// The channels a window reads on activation, in the order of the request.
std::vector<int> readChannels(const WindowEntry& entry);
// 97 and the read variables; empty when the window reads nothing.
kline::Request readRequest(const WindowEntry& entry);
// 98, mask variable, mask, written variable, encoded v.
kline::Request applyRequest(const Channel& channel, std::uint8_t mask, int v);
// 98, mask variable, mask.
kline::Request releaseRequest(const Channel& channel, std::uint8_t mask);

// The program-wide copy of the channel's mask.
std::uint8_t& maskOf(common::ProgramState& state, const Channel& channel);

} // namespace kvintor::adjust
