#pragma once
// The engine test windows in the main window's "Тесты" menu.
#include "EngineTestWindow.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QPointer>
#include <type_traits>

namespace kvintor {

class Program;

// Hooks the items of the "Тесты" menu: 0 "Исполнит. механ." to tfMexan,
// 1 "Разгона", 2 "Разгона ХХ" and 3 "Торможения" to tfUskor, tfUskorXX and
// tfTorm, 4 "Карбюратор  406-4063" to tfRegCrb.
void installEnginetestsWindows(Program& program);

// Opens a test window from the menu: the main window stops polling first,
// so only the test window talks to the ECU. One window of a kind at a time;
// a closed one is gone and the next opening builds it afresh.
template <class Window>
Window* openTestWindow(Program& program, InitTest& main, QPointer<Window>& slot) {
    main.stopTimers();
    if (!slot) {
        slot = new Window(program, &main);
        if constexpr (std::is_base_of_v<EngineTestWindow, Window>)
            QObject::connect(slot.data(), &EngineTestWindow::testFinished, &program.feed,
                             &VisitFeed::testFinished);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

} // namespace kvintor
