#pragma once
// Each program's face on the desktop: the icon of its desktop entry (our own
// drawing, compiled into the program) on every window and message box, and
// the entry's name, by which the desktop's task bar and window list put the
// program's windows under its menu entry.
#include <QIcon>
#include <QString>

class QGuiApplication;

namespace common {

enum class DesktopProgram { Kvintor, Fermel, Lumeta, KlineSim, Uninstall };

// The desktop entry's name without ".desktop"; it also names the icon in the
// icon theme. The uninstaller has no entry of its own: it is Kvintor's.
QString desktopEntryId(DesktopProgram program);

// The program's icon drawn at the sizes desktops ask for (16 to 256 pixels).
QIcon programIcon(DesktopProgram program);

// Sets the icon as the application's window icon and names the desktop entry.
void showAsDesktopProgram(QGuiApplication& app, DesktopProgram program);

} // namespace common
