#include "ProgramState.h"

#include "Platform.h"

namespace common {

void BeepSignal(Context& ctx) {
    if (ctx.state.SpeakerMode != 1) return;
    if (!ctx.platform.beep(1864, 200)) ctx.state.SpeakerMode = 2;
}

} // namespace common
