#include "AllWindows.h"

#include "adjust/AdjustWindows.h"
#include "ecudata/EcudataWindows.h"
#include "enginetests/EngineTests.h"
#include "graphs/GraphsWindows.h"
#include "main/Program.h"
#include "monitor/MonitorWindows.h"
#include "reference/ReferenceMenus.h"
#include "visits/VisitsWindows.h"

namespace kvintor {

void installAllWindows(Program& program, StreamPortFactory streams) {
    // One line per window folder: its install function adds its hooks.
    installAdjustWindows(program);
    installEcudataWindows(program);
    installEnginetestsWindows(program);
    installGraphsWindows(program, std::move(streams));
    installReferenceWindows(program);
    installMonitorWindows(program);
    installVisitsWindows(program);
}

} // namespace kvintor
