#pragma once
// What a request asks for, in the words of the command catalogue:
// "чтение переменных 65, 66, 40", "запись переменных 11=8, 40=14", ...
#include "link/FrameCodec.h"

#include <QString>

namespace kvintor {

QString requestName(const kline::Request& request);
// The result code's text: "Успешно" or the exchange's error text.
QString resultText(int result);

} // namespace kvintor
