#pragma once
// The graph window and the oscilloscope hooked into the main window's "Вид"
// menu.
#include "StreamPort.h"

namespace kvintor {

class Program;

// streams makes the oscilloscope's port for the link's device (a
// QSerialPort unless a test or the built-in simulator says otherwise).
void installGraphsWindows(Program& program, StreamPortFactory streams = serialStreamPorts());

} // namespace kvintor
