#include "AllWindows.h"

#include "ecudata/EcudataWindows.h"
#include "graphs/GraphsWindows.h"
#include "main/Program.h"

namespace kvintor {

void installAllWindows(Program& program, StreamPortFactory streams) {
    // One line per window folder: its install function adds its hooks.
    installEcudataWindows(program);
    installGraphsWindows(program, std::move(streams));
}

} // namespace kvintor
