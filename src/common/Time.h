#pragma once
// Blocking pauses and "let pending window events run". Tests may replace the
// pause with one that only records, where skipping the wait is safe.
#include <functional>

namespace common {

void Pause(int ms);
void DoEvents();
// Lets window events run except the mechanic's input (which waits its
// turn): the screen and screen readers are served between the exchanges of
// a window's run without its own handlers starting another one.
void DoEventsExceptInput();
// A pause during which window events run (a test loop's wait between two
// samples: Stop, a close request and the screen are served meanwhile). With
// a pause hook in place it is the hook's pause.
void PauseWithEvents(int ms);

// Replaces the pause for tests (nullptr restores the real one).
void setPauseHook(std::function<void(int)> hook);

// A monotonic clock in milliseconds for pacing. While a pause hook is in
// place, time passes only by the pauses taken, so paced loops run the same
// in every test.
long long MonotonicMs();

} // namespace common
