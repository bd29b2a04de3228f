#include "AllWindows.h"

#include "graphs/GraphsWindows.h"
#include "main/Program.h"
#include "reference/ReferenceMenus.h"

namespace kvintor {

void installAllWindows(Program& program) {
    // One line per window folder: its install function adds its hooks.
    installGraphsWindows(program);
    installReferenceWindows(program);
}

} // namespace kvintor
