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

// A component's wait found the thread's queue empty, and waits: that was a
// look that found nothing waiting. When the wait ends (WaitEnded), what
// woke it is taken next, in the queue's order, by the same component: the
// reads that follow at once need no look of their own, however late a busy
// machine let the thread run again.
void Waited();
void WaitEnded();

// A read or an accept that can do more right away (a server with more
// clients waiting) asks whether it may: true while the slice it runs in (or
// the time since the thread's last look) lasts and the line has not stopped.
bool MayGoOn();

// A socket hands its owner a record from what one read took, and more
// records follow it (on) or it is done (off): a DoEvents of the owner's
// inside that event has an event to come right after it, and need not wait
// for one.
void EventFollows(bool on);
// How a DoEvents goes: it waits its step for a message as usual, or an
// event of a socket's follows and it only takes what waits (Look), or it
// does not even look, as it looked in this millisecond already (Skip):
// under Wine a look at an empty queue is a request to the wineserver, which
// on a busy machine costs a wait for the processor.
enum class Pump { Wait, Look, Skip };
Pump DoEventsStep();

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

// Tests see the looks at the thread's queue: the function answers them in
// place of GetQueueStatus (null puts the system's back).
using QueueStatusSource = DWORD(WINAPI*)(UINT flags);
void SetQueueStatusSource(QueueStatusSource source);
// Tests lengthen the line's watch (100 ms; 0 puts it back), so that a line
// that would wait for it shows as one that stops.
void SetWatchMilliseconds(DWORD milliseconds);
// Tests see the rounds of a busy owner: after each owner's message that a
// stop let through, how long that message took, how long the stop had
// lasted before it, and the slice the sockets then have (null: none).
using RoundWatcher = void (*)(DWORD owner, DWORD stop, DWORD slice);
void SetRoundWatcher(RoundWatcher watcher);

} // namespace SocketTurns
