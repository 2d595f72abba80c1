#pragma once
// The turns that a thread's sockets take from its message queue. A socket
// reads on notifications that are posted messages, and posted messages are
// taken before input, painting and timers: a socket that always has data
// would keep those waiting for as long as its peer sends. So a socket that
// has read its share asks for its next turn here: at once when nothing else
// waits, else once the thread's message loop has taken one of the messages
// that wait.
#include <windows.h>

namespace SocketTurns {

// Input, painting, a hot key or a due timer waits on the calling thread.
bool OthersWaiting();

// Posts the socket's notification (message, wParam, lParam to window) now
// when nothing else waits, else holds it until the thread's loop takes an
// input, painting or timer message (or, should none be taken, for about
// 10 ms at most). A notification already held for the same window, message
// and wParam is not held twice.
void PostNext(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Holds the notification as PostNext does when others wait.
void PostAfterOthers(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A notification for this window, message and wParam is held.
bool Held(HWND window, UINT message, WPARAM wParam);

// Lets go of what is held for this window, message and wParam without
// posting it (a socket that closes).
void Forget(HWND window, UINT message, WPARAM wParam);

} // namespace SocketTurns
