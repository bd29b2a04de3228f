#pragma once
// Kvintor's windows beyond the main window, hooked into its menus.
namespace kvintor {

class Program;

// Registers every window folder's menu hooks with the program (before
// StartUp builds the main window).
void installAllWindows(Program& program);

} // namespace kvintor
