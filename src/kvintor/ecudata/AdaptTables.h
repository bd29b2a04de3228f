#pragma once
// The fuel-supply adaptation tables without widgets: which ECU variable
// each of the four tables is, its reset bit, and how a cell reads.
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>

namespace kvintor::ecudata {

constexpr int kAdaptTables = 4;
constexpr int kAdaptRows = 16;
constexpr int kAdaptColumns = 16;
constexpr int kAdaptCells = kAdaptRows * kAdaptColumns;

struct AdaptTable {
    const char* caption;   // the read button's caption
    std::uint8_t variable; // the ECU table variable
    std::uint8_t resetBit; // variable 14 := this starts the table's reset
};
// Tables 1..4 at index 0..3.
extern const std::array<AdaptTable, kAdaptTables> kAdaptTableList;

// A cell: b / 256 + 0.5 with three decimals in the given locale, rounded
// half up (byte 16 shows 0.563). Byte 0 shows 0.500, 128 1.000, 255 1.496.
QString adaptCell(int b, const QLocale& locale = QLocale());

} // namespace kvintor::ecudata
