#pragma once
// The firmware image of a Mikas 7.x ECU and the block of ignition tables in
// it. An image is the 65536-byte copy of the ECU's program memory, file
// offset = ECU address. Fermel reads and writes only one block of 1025 bytes:
// four tables of 16 x 16 cells and one trailing byte carried along. Where the
// block lies depends on the engine type.
#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace editor {

constexpr int kImageSize = 65536;
constexpr int kBlockSize = 1025;
constexpr int kTableSize = 256;
constexpr int kTables = 4;
constexpr int kColumns = 16; // air flow
constexpr int kRows = 16;    // engine speed
constexpr int kTrailingByte = 1024;

using Block = std::array<std::uint8_t, kBlockSize>;

enum class EngineType { Standard, Zmz4063 };

// 0-based file offset (= ECU address) of the block.
constexpr int blockOffset(EngineType e) {
    return e == EngineType::Zmz4063 ? 0x98F9 : 0x9D1B;
}
// The same as a file position counted from 1, as the change list shows it.
constexpr int blockPosition(EngineType e) {
    return blockOffset(e) + 1;
}
// The ECU address of table t (command 37 reads 256 bytes from it).
constexpr int tableAddress(EngineType e, int t) {
    return blockOffset(e) + kTableSize * t;
}

// Block offset of cell (k, r) of table t: a column's sixteen rows lie together.
constexpr int cellOffset(int table, int k, int r) {
    return kTableSize * table + 16 * k + r;
}

// The stored form of the engine type ("0" or "1") and back.
QString engineSetting(EngineType e);
EngineType engineFromSetting(const QString& text);

// Axes. Air flow of column k in mg per cycle; engine speed of row r in rpm
// for the selected-row read-out and the hover text; the legend's own list.
constexpr int airFlow(int k) {
    return 60 + 42 * k;
}
int engineSpeed(int r);
int legendSpeed(int r);

// The 16-colour palette; row r is drawn in colour r.
QColor paletteColour(int n);
inline QColor rowColour(int r) {
    return paletteColour(r);
}
inline QColor gridColour() {
    return QColor(120, 120, 120);
}

// A cell value in degrees: value / 2, with its fraction when there is one,
// in the user's number format ("22,5" in Russian).
QString degreesText(int value);

// Option buttons of the four tables, block order.
QString tableCaption(int table);

// ---- the change list ----
struct Change {
    int offset; // block offset 0..1024
    int saved;
    int working;
    bool operator==(const Change& o) const {
        return offset == o.offset && saved == o.saved && working == o.working;
    }
};
// Every differing byte, ascending block offset.
std::vector<Change> changes(const Block& saved, const Block& working);
// One line of the list: 1-based file position, 11 spaces, the saved value,
// 23 spaces, the new value.
QString changeLine(const Change& c, EngineType e);

} // namespace editor
