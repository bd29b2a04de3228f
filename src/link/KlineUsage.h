#pragma once
// The text of "kline --help".
#include <QString>

namespace kline {

QString klineUsage();

} // namespace kline
