#pragma once
// The visit journal: kept from the program's start, "Журнал автомобилей" at
// the end of the main window's "Дополнительно" menu, and its frames in the
// settings window.
#include "JournalSettings.h"

#include <memory>

namespace kvintor {

class Program;

namespace visits {
class VisitJournal;
} // namespace visits

// The journal lives as long as the program; keeper holds the server's
// password (the desktop's key store by default). Answers the journal, for
// tests.
visits::VisitJournal& installVisitsWindows(Program& program,
                                           std::unique_ptr<visits::PasswordKeeper> keeper = {});

} // namespace kvintor
