#pragma once
// The exit dialogue: reads the ECU's override masks, asks whether to store
// the changed adjustments in the ECU's non-volatile memory, and stores them
// or writes back the values read at connection. The reset of the working
// variables and the end of the program follow in the caller.
#include <QStringList>

namespace kvintor {

class Program;

enum class ExitAnswer { NoQuestion, Yes, No, Cancel };

// The changed items named by the masks' bits (variable 11 bit 3; variable 12
// bits 3 and 4), in this order.
QStringList changedItems(int mask11, int mask12);

ExitAnswer runExitDialogue(Program& program);

} // namespace kvintor
