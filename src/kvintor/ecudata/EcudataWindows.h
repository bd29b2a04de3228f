#pragma once
// The "ЭБУ" menu's data windows: "Пасрорт", "Таблицы топливоподачи" and
// "Неисправности".
namespace kvintor {

class Program;

// Hooks the three windows into the main window's "ЭБУ" menu.
void installEcudataWindows(Program& program);

} // namespace kvintor
