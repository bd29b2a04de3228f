#pragma once
// Kvintor's windows beyond the main window, hooked into its menus.
#include "graphs/StreamPort.h"

namespace kvintor {

class Program;

// Registers every window folder's menu hooks with the program (before
// StartUp builds the main window). streams opens the oscilloscope's port
// for a device (a QSerialPort unless the device is the built-in simulator).
void installAllWindows(Program& program, StreamPortFactory streams = serialStreamPorts());

} // namespace kvintor
