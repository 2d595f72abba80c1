// Held notifications are kept per thread, as message queues are. While any
// is held, a hook on the thread's message retrieval (WH_GETMESSAGE) watches
// the loop take its messages: the first input, painting or timer message it
// takes lets every held notification go, posted behind that message, so a
// socket reads again as soon as the message has been handled rather than
// after a pause of a timer's. Each socket that still has data holds its
// next turn again at the end of that one, so such messages and the sockets
// take turns for as long as both keep coming.
//
// A thread timer of the shortest period lets them go should no such message
// be taken: it went away before the loop came to it (a timer killed, a
// window validated), or the loop takes only some of its messages.
#include "netcomp/core/framework/SocketTurns.h"

#include <new>
#include <vector>

namespace {

// Timers of a window of the system's own (a caret's) come as this message.
constexpr UINT kSystemTimerMessage = 0x0118;

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

bool OthersWaiting()
{
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY)) != 0;
}

void PostNext(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!Held(window, message, wParam) && !OthersWaiting() && PostMessageA(window, message, wParam, lParam))
        return;
    PostAfterOthers(window, message, wParam, lParam);
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
