#pragma once
// The tables that Lumeta recognises by the address under its centre line:
// calibration tables of Январь and Mikas ECUs, each an inclusive address range.
#include <QString>
#include <vector>

namespace finder {

struct KnownTable {
    int first; // first address of the range
    int last;  // last address of the range (inclusive)
    QString name;
};

// The list in the order it is tested; where ranges overlap, the later entry wins.
const std::vector<KnownTable>& knownTables();

// The text for an address without a known table.
QString noTableName();

// The name of the known table at an address: the last entry whose range holds
// it, or "Нет данных".
QString tableNameAt(int address);

} // namespace finder
