#pragma once
// Hooks the About window and the reference windows into the main window's
// menus ("Дополнительно" → "О программе", "Проверка", "ЭБУ" → "Типовые
// параметры") and makes the About window the start-up splash.
namespace kvintor {

class Program;

void installReferenceWindows(Program& program);

} // namespace kvintor
