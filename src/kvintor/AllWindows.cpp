#include "AllWindows.h"

#include "graphs/GraphsWindows.h"
#include "main/Program.h"

namespace kvintor {

void installAllWindows(Program& program) {
    // One line per window folder: its install function adds its hooks.
    installGraphsWindows(program);
}

} // namespace kvintor
