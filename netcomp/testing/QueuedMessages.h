#pragma once
// The messages queued for a window of the calling thread, taken out and
// counted (at most `most` of them): how a test sees that notifications do
// not pile up in the queue.
#include <windows.h>

inline int TakeQueuedMessages(HWND window, int most = 100000)
{
    MSG msg;
    int n = 0;
    while (n < most && PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
        ++n;
    return n;
}
