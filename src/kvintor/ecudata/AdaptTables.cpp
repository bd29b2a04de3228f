#include "AdaptTables.h"

namespace kvintor::ecudata {

const std::array<AdaptTable, kAdaptTables> kAdaptTableList = {{
    {"Топливоподача 1", 73, 0x10},
    {"Топливоподача 2", 74, 0x20},
    {"Топливоподача с адс. 1", 75, 0x40},
    {"Топливоподача с адс. 2", 76, 0x80},
}};

QString adaptCell(int b, const QLocale& locale) {
    // In thousandths: b * 1000 / 256 + 500 = b * 125 / 32 + 500, rounded
    // half up in whole numbers so no binary fraction tips a tie.
    const int thousandths = (b * 125 + 16) / 32 + 500;
    return locale.toString(thousandths / 1000.0, 'f', 3);
}

} // namespace kvintor::ecudata
