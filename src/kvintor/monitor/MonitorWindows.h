#pragma once
// The live-data recording and the link monitor, at the end of the main
// window's "Дополнительно" menu.
namespace kvintor {

class Program;

void installMonitorWindows(Program& program);

} // namespace kvintor
