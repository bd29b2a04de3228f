#include "AllWindows.h"

#include "adjust/AdjustWindows.h"
#include "graphs/GraphsWindows.h"
#include "main/Program.h"

namespace kvintor {

void installAllWindows(Program& program) {
    // One line per window folder: its install function adds its hooks.
    installAdjustWindows(program);
    installGraphsWindows(program);
}

} // namespace kvintor
