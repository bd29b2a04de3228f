#include "AllWindows.h"

#include "enginetests/EngineTests.h"
#include "main/Program.h"

namespace kvintor {

void installAllWindows(Program& program) {
    // One line per window folder: its install function adds its hooks.
    installEnginetestsWindows(program);
}

} // namespace kvintor
