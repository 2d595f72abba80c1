#pragma once
// Window messages posted after a delay from a thread of the library's own:
// they reach a thread's message loop as any posted message does, also a loop
// that takes only posted messages of some windows or numbers and never its
// timers, input or painting (where a thread timer would never come).
//
// Each caller thread has one pending post at most; scheduling again replaces
// it. The message's lParam carries the tick count at which it was posted.
#include <windows.h>

namespace DelayedPost {

// Posts (window, message, wParam) to the window once `milliseconds` have
// passed, in place of what the calling thread had scheduled. False when the
// thread that posts could not be started.
bool Schedule(HWND window, UINT message, WPARAM wParam, DWORD milliseconds);
// Takes back what the calling thread had scheduled and not yet posted.
void Cancel();
// The library is being unloaded, nothing holds it, so the posting thread
// (which holds it while it runs) has ended: the memory of its entries goes.
void ReleaseMemory();

} // namespace DelayedPost
