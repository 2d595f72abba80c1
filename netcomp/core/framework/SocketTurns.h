#pragma once
// The turns that a thread's sockets take at reading. A socket reads on
// notifications that are posted messages, and posted messages are taken
// before input, painting and timers: sockets that always have data would
// keep those waiting for as long as their peers send. So a socket about to
// read asks here whether it may; when the thread's other messages wait, it
// takes a place in the thread's line of sockets instead, and its turn comes
// as its read notification once those messages have had theirs and the
// sockets before it in the line have read.
//
// A socket is known by its window, its window message and its handle. Reads
// take turns, and so do a server's accepts and a connection's close, whose
// notifications are posted messages too: what waits in the line is the
// notification, which its turn delivers again.
#include <winsock2.h>
#include <windows.h>

namespace SocketTurns {

// A read notification of the socket is being handled (or an accept or a
// close, `event` being the notification's lParam): true when the socket
// reads now. False when it waits in the line: it reads nothing until its
// turn comes, as the same notification, which reads. While it waits, the
// notifications Winsock posts for it are its turn's to read; a close that
// comes meanwhile is what its turn delivers.
bool MayRead(HWND window, UINT message, WPARAM socket, LPARAM event = MAKELPARAM(FD_READ, 0));

// The thread waits for its peers: a component waits for its answer (it
// found no message to take), or the read just made took all that was
// waiting in its socket. A thread that reads on and on rests now and then;
// one that waits for each answer does not.
void Waited();
void Drained();

// The socket has read a whole share and has more: a read notification of
// its own is posted for it, or it takes its place at the end of the line
// should the thread's other messages or sockets wait. False when the
// notification could not be posted (a full queue).
bool ReadAgain(HWND window, UINT message, WPARAM socket);

// The socket, or every socket of the window, goes: its place in the line is
// given up. The thread's turns last from its first notification window
// (WindowMade) until the last goes (ForgetWindow).
void Forget(HWND window, UINT message, WPARAM socket);
void WindowMade();
void ForgetWindow(HWND window);

// For the notification windows: the line's message (kMsgSocketTurn) came,
// with its wParam; the line's watch (kMsgSocketWatch) came, with its wParam
// and lParam.
void TurnCame(WPARAM number);
void WatchCame(WPARAM number, LPARAM postedAt);

// Tests see the looks at the thread's queue and the thread's rests: the
// functions answer them in place of GetQueueStatus and
// MsgWaitForMultipleObjectsEx (null puts the system's back).
using QueueStatusSource = DWORD(WINAPI*)(UINT flags);
void SetQueueStatusSource(QueueStatusSource source);
using RestSource = DWORD(WINAPI*)(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask, DWORD flags);
void SetRestSource(RestSource source);
// Tests lengthen the line's watch (100 ms; 0 puts it back), so that a line
// that would wait for it shows as one that stops.
void SetWatchMilliseconds(DWORD milliseconds);

} // namespace SocketTurns
