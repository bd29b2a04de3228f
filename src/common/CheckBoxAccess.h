#pragma once
// Check boxes as the accessibility interface sees them: toggling one
// there acts exactly as a click does (the box toggles and its clicked
// signal runs, so the window's handler sends what a click sends). Without
// this a screen reader's toggle would only flip the box on the screen.
namespace common {

// Installs the interface for every check box of the program; idempotent.
void installCheckBoxAccess();

} // namespace common
