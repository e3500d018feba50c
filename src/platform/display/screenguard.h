// The screen guard: a small process of its own that puts the screen back at the size the
// program started with, however the program ends (a close, a signal, a crash).
#pragma once

#include "platform/display/xscreen.h"

namespace galimo {

// Name of the guard's executable, beside the program's.
inline constexpr const char* kScreenGuardName = "galimo-guard";

// Starts the guard once for the run, before the first switch (to `switchedTo`). It holds the
// mode in force at start and waits for the end of a pipe whose other end only this process
// holds: when this process ends, the kernel closes it, and the guard puts that mode back
// unless it is already in force (X11RestoreMode), then ends too. Without the guard's
// executable beside the program nothing is started.
void StartScreenGuard(const X11Mode& mode, const ScreenSize& switchedTo);

}  // namespace galimo
