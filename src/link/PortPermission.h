#pragma once
// A serial device that exists but that this user may not open: on Linux the
// devices belong to the dialout group, and a one-line hint says so.
#include <QString>
#include <functional>

namespace kline {

// A line for the user outside the windows (the standard error output, the
// report log).
using PortNotice = std::function<void(const QString& line)>;

// Whether the device is there but this user may not read and write it
// (QSerialPort reports a busy device and a forbidden one alike).
bool permissionDenied(const QString& device);

// The hint: the device, the group and the command that adds this user to it.
QString permissionHint(const QString& device);

// Prints "<program>: <line>" on the standard error output.
void noticeOnStandardError(const QString& line);

} // namespace kline
