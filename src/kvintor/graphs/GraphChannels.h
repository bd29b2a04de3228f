#pragma once
// The graph window's two channel sets: the request of each, the channels'
// titles, short names and full scales, how a reply (or a stored sample) is
// read into raw values and how they are shown and plotted. Also the strip
// arithmetic: the height of a segment and the sample under the cursor.
// No widgets here.
#include "link/FrameCodec.h"

#include <QString>
#include <array>
#include <vector>

namespace kvintor {

constexpr int kStrips = 7;
constexpr int kChannelSets = 2;
constexpr int kSampleSpacing = 8; // pixels between two samples
constexpr int kScrollSteps = 8;   // one-pixel steps per sample
constexpr int kMaxScrollPause = 6;

struct GraphChannel {
    QString title;     // written into the strip
    QString shortName; // the name label beside the strip
    int fullScale;     // the plotted value that reaches the top edge
};

// Set 0 ("Набор1") or 1 ("Набор2"); any other number counts as 0.
const std::array<GraphChannel, kStrips>& graphChannels(int set);
kline::Request graphRequest(int set);
// Reply bytes the set needs (and keeps in its history): 8 or 10.
int graphReplyLength(int set);

// The raw value of a strip's channel in a reply or a stored sample (bytes
// b0, b1, ...; two-byte values low byte first; missing bytes count 0).
int graphRawValue(int set, int strip, const std::vector<int>& bytes);
// What the strip plots: the raw value, the cyclic filling of set 2 divided
// by 6 (whole-number division).
int graphPlottedValue(int set, int strip, int raw);
// The value label while acquiring.
QString graphLiveText(int set, int strip, int raw);
// The value label under the cursor: as live, but the cyclic filling of
// set 2 is raw / 5.9988 to one decimal.
QString graphCursorText(int set, int strip, int raw);

// Height of a segment's end above the strip's bottom: H x value / full
// scale, rounded to the nearest whole pixel (halves to even), at most H.
int segmentHeight(int stripHeight, int value, int fullScale);
// The history sample under the cursor at pixel x: x / 8 rounded to the
// nearest whole number (halves to even); -1 when that lies beyond the
// history of a strip W pixels wide.
int cursorSample(int x, int stripWidth);

} // namespace kvintor
