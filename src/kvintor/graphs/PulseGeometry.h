#pragma once
// The oscilloscope's arithmetic: the six values of a stream frame as shown,
// and the pulse outline of a picture, whose width follows a value. The
// outline is four lines (rising edge, top, falling edge, base line) in the
// picture's pixels; only the x coordinates of the top's end, the falling
// edge and the base line's end move. No widgets here.
#include <QColor>
#include <QLine>
#include <QString>
#include <array>
#include <vector>

class QPainter;

namespace kvintor {

constexpr int kStreamValues = 6;
// Data bytes of a stream frame (two of the six variables have two bytes).
constexpr int kStreamDataBytes = 8;
constexpr int kPulsePictures = 3;
// The pictures' grid and the outline.
const QColor kPulseGrid(0, 192, 192);
const QColor kPulseLine(0, 255, 0);
const QColor kPulseBackground(0, 0, 0);
constexpr int kPulseGridStep = 20;

// The variables the stream carries, in the order of request 113.
const std::vector<std::uint8_t>& streamVariables();

// The value labels' texts for a frame's eight data bytes: throttle, speed,
// ignition advance (unsigned half degrees), cyclic filling, mixture,
// injection pulse.
std::array<QString, kStreamValues> streamTexts(const std::vector<int>& data);

struct PulseChannel {
    int value; // the raw value the pulse shows
    int scale; // the raw value that fills the picture's width
};
// The three pulses of a frame: filling (scale 4500), mixture (500), pulse
// width (4000).
std::array<PulseChannel, kPulsePictures> pulseChannels(const std::vector<int>& data);

struct PulseOutline {
    QLine rising;  // from the pulse origin x0 down to the left
    QLine top;     // from x0 to the pulse's end x
    QLine falling; // from x down to x + 10
    QLine base;    // from the right to x + 10
};
// The outline as designed (before any frame).
PulseOutline designOutline();
// The pulse's end: W x value / scale + x0, rounded to a whole pixel
// (halves to even); x0 is the rising edge's start.
int pulseEnd(int pictureWidth, int value, int scale, int x0);
// Moves the outline's end to x.
void placePulse(PulseOutline& outline, int x);

// The grid: vertical lines at x = 20, 40, ... up to the width, horizontal
// ones at y = 20, 40, ... up to the height.
void drawPulseGrid(QPainter& painter, int width, int height);
void drawPulseOutline(QPainter& painter, const PulseOutline& outline);

} // namespace kvintor
