#pragma once
// Blocking pauses and "let pending window events run". Tests may replace the
// pause with one that only records, where skipping the wait is safe.
#include <functional>

namespace common {

void Pause(int ms);
void DoEvents();

// Replaces the pause for tests (nullptr restores the real one).
void setPauseHook(std::function<void(int)> hook);

// A monotonic clock in milliseconds for pacing. While a pause hook is in
// place, time passes only by the pauses taken, so paced loops run the same
// in every test.
long long MonotonicMs();

} // namespace common
