#pragma once
// The text of "kline-sim --help".
#include <QString>

namespace sim {

QString klineSimUsage();

} // namespace sim
