// Held notifications are kept per thread, as message queues are, and so is
// the stretch of reading that the thread's sockets have done.
//
// A held notification is let go by a hook on the thread's message retrieval
// (WH_GETMESSAGE): the first input, painting or timer message that the loop
// takes lets it go, posted behind that message, so the socket reads again as
// soon as the message has been handled. A thread timer of the shortest
// period lets go of everything held should no such message be taken (it
// went away before the loop came to it, or the loop takes only some of its
// messages).
//
// Why datagram streams pause (DatagramSocket) rather than read on right
// after the others' turn: under Wine every socket call is a request to the
// wineserver, and a thread that keeps making them without ever waiting is
// answered several times slower once it has done so for some tens of
// milliseconds (measured on a loopback stream: 35 us a datagram became
// 200 us, and stayed so for 100 ms and more), while a thread that waits
// 10 ms at a time every twenty or thirty keeps its pace (pauses of 3 or 5 ms
// gave less, and reading right after the owner's timer much less). So a
// pause of the shortest timer, whose datagrams wait in the socket meanwhile,
// gives a reader that has fallen behind more than it takes. Every such call
// costs: the queue is asked whether the thread's other messages wait only
// where a datagram round has read a stream, and for TCP at most once in
// 10 ms.
#include "netcomp/core/framework/SocketTurns.h"

#include <new>
#include <vector>

namespace {

// Timers of a window of the system's own (a caret's) come as this message.
constexpr UINT kSystemTimerMessage = 0x0118;
// Rounds less than this apart make one stretch of reading.
constexpr DWORD kRestMilliseconds = 3;
// A stretch of reading this long asks for a pause.
constexpr DWORD kLongStretchMilliseconds = 20;
// How often TCP reads ask the queue whether the thread's other messages wait.
constexpr DWORD kAskMilliseconds = 10;

struct HeldPost {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;

    bool Is(HWND w, UINT m, WPARAM p) const { return window == w && message == m && wParam == p; }
};

struct ThreadTurns {
    std::vector<HeldPost> held;
    HHOOK hook = nullptr;
    UINT_PTR timer = 0;
    DWORD stretchStart = 0;
    DWORD lastRoundEnd = 0;
    DWORD lastAsked = 0;
};

ThreadTurns& Turns()
{
    thread_local ThreadTurns turns;
    return turns;
}

// The kinds of message that wait behind every posted one.
bool TakenAfterPosts(UINT message)
{
    return message == WM_TIMER || message == kSystemTimerMessage || message == WM_PAINT || message == WM_HOTKEY ||
           message == WM_INPUT || (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
           (message >= WM_NCMOUSEHOVER && message <= WM_MOUSELEAVE);
}

void Arm(ThreadTurns& turns);

void Disarm(ThreadTurns& turns)
{
    if (turns.hook) {
        UnhookWindowsHookEx(turns.hook);
        turns.hook = nullptr;
    }
    if (turns.timer) {
        KillTimer(nullptr, turns.timer);
        turns.timer = 0;
    }
}

void LetGo()
{
    ThreadTurns& turns = Turns();
    Disarm(turns);
    // A post that fails (a full queue) is held again for the next chance,
    // unless its window has gone.
    std::size_t kept = 0;
    for (const HeldPost& post : turns.held) {
        if (!PostMessageA(post.window, post.message, post.wParam, post.lParam) && IsWindow(post.window))
            turns.held[kept++] = post;
    }
    turns.held.resize(kept);
    if (kept > 0)
        Arm(turns);
}

LRESULT CALLBACK WatchRetrieval(int code, WPARAM removal, LPARAM lParam)
{
    if (code == HC_ACTION && removal == PM_REMOVE && TakenAfterPosts(reinterpret_cast<const MSG*>(lParam)->message))
        LetGo();
    return CallNextHookEx(nullptr, code, removal, lParam);
}

void CALLBACK LastResort(HWND, UINT, UINT_PTR, DWORD)
{
    LetGo();
}

void Arm(ThreadTurns& turns)
{
    if (!turns.hook)
        turns.hook = SetWindowsHookExA(WH_GETMESSAGE, WatchRetrieval, nullptr, GetCurrentThreadId());
    if (!turns.timer)
        turns.timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, LastResort);
}

} // namespace

namespace SocketTurns {

void RoundBegins()
{
    ThreadTurns& turns = Turns();
    const DWORD now = GetTickCount();
    if (now - turns.lastRoundEnd >= kRestMilliseconds)
        turns.stretchStart = now;
}

void RoundEnded()
{
    Turns().lastRoundEnd = GetTickCount();
}

bool LongStretch()
{
    return GetTickCount() - Turns().stretchStart >= kLongStretchMilliseconds;
}

bool OthersWaiting()
{
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY)) != 0;
}

bool TimeToGiveWay()
{
    ThreadTurns& turns = Turns();
    if (!turns.held.empty())
        return true;
    const DWORD now = GetTickCount();
    if (now - turns.lastAsked < kAskMilliseconds)
        return false;
    turns.lastAsked = now;
    return OthersWaiting();
}

void PostAfterOthers(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Held(window, message, wParam))
        return;
    ThreadTurns& turns = Turns();
    try {
        turns.held.push_back(HeldPost{window, message, wParam, lParam});
    } catch (const std::bad_alloc&) {
        PostMessageA(window, message, wParam, lParam);
        return;
    }
    Arm(turns);
    // Without a hook or a timer nothing would ever let it go.
    if (!turns.hook && !turns.timer)
        LetGo();
}

bool Held(HWND window, UINT message, WPARAM wParam)
{
    for (const HeldPost& post : Turns().held) {
        if (post.Is(window, message, wParam))
            return true;
    }
    return false;
}

void Forget(HWND window, UINT message, WPARAM wParam)
{
    ThreadTurns& turns = Turns();
    std::size_t kept = 0;
    for (const HeldPost& post : turns.held) {
        if (!post.Is(window, message, wParam))
            turns.held[kept++] = post;
    }
    turns.held.resize(kept);
    if (kept == 0)
        Disarm(turns);
}

} // namespace SocketTurns
