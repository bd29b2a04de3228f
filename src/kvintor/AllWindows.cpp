#include "AllWindows.h"

#include "ecudata/EcudataWindows.h"
#include "main/Program.h"

namespace kvintor {

void installAllWindows(Program& program) {
    // One line per window folder: its install function adds its hooks.
    installEcudataWindows(program);
}

} // namespace kvintor
