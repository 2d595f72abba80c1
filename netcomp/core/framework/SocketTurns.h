#pragma once
// The turns that a thread's sockets take from its message queue. A socket
// reads on notifications that are posted messages, and posted messages are
// taken before input, painting and timers: a socket that always has data
// would keep those waiting for as long as its peer sends. So a socket that
// has read for a while gives way: a TCP read waits here until the thread's
// message loop has taken one of the messages that wait, and a datagram
// socket pauses (DatagramSocket), told here how long the thread's sockets
// have been reading.
#include <windows.h>

namespace SocketTurns {

// A receive round of a socket of the calling thread begins, and has ended
// with the work that follows it. Rounds close together make one stretch of
// reading.
void RoundBegins();
void RoundEnded();

// The thread's sockets have been reading for a long stretch without a rest.
bool LongStretch();

// Input, painting, a hot key or a due timer waits on the calling thread.
bool OthersWaiting();

// Whether a socket that is about to read should give way to the thread's
// other messages (PostAfterOthers) instead: while notifications are held for
// them, yes; otherwise the queue is asked, at most once in 10 ms for all the
// thread's sockets.
bool TimeToGiveWay();

// Holds the socket's notification (message, wParam, lParam to window) until
// the thread's loop takes an input, painting or timer message (or, should
// none be taken, for about 10 ms at most).
void PostAfterOthers(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A notification for this window, message and wParam is held. Only one is:
// a second one asked for while it is held is the same.
bool Held(HWND window, UINT message, WPARAM wParam);

// Lets go of what is held for this window, message and wParam without
// posting it (a socket that closes).
void Forget(HWND window, UINT message, WPARAM wParam);

} // namespace SocketTurns
