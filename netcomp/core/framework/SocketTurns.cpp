// The line of waiting sockets is kept per thread, as message queues are.
//
// A socket takes its place at the end of the line when a look at the
// thread's queue finds input, painting, a hot key or a due timer waiting,
// or when the line is not empty. The line then stops, and the thread's loop
// comes to those messages; the first of them that the loop takes starts the
// line again. It goes in slices: one message of the line's own
// (kMsgSocketTurn, to the window of any socket in it) comes behind whatever
// the queue holds, and its slice hands the sockets at the head of the line
// their read notifications, one after the other, for 10 ms; then it looks
// at the queue once more, and the line stops again, or its next slice is
// posted. Every slice reads at least once, and every stop lets at least one
// of the other messages through: whatever the number of sockets and however
// often the owner's timers come, a socket at the n-th place reads after the
// n before it, and no socket waits again once its turn has come.
//
// What starts a stopped line:
// - a hook on the thread's message retrieval (WH_GETMESSAGE), which sees
//   the first input, painting or timer message taken. Under Wine every
//   message taken while a hook is set costs more than twice as much, so the
//   hook is set only once the posted messages ahead of those are gone: a
//   stop with posted messages waiting posts the line's message instead,
//   which comes after them and looks again;
// - that message itself, when the stop has lasted 10 ms and posted messages
//   still come: the others cannot be taken before those (a crowd of new
//   connections, say), and the line takes its share beside them;
// - a timer of the thread (the watchdog, every 100 ms), which runs while
//   the line is not empty, and until its next tick after that. Posted
//   messages come before its tick, so when the tick comes, a line message
//   has gone astray (a window that went, a loop that took it and never
//   handed it on), or the others went without the hook seeing them, or
//   were never taken in the 100 ms since the stop: the tick starts a slice
//   itself.
//
// Rests. Under Wine a thread that keeps making socket calls without ever
// waiting is answered slower, while one that waits a moment now and then
// keeps its pace (measured on a loopback peer: an IPPort that waits 2 ms
// after every 10 ms of reading receives 50 MB in two thirds of the time it
// takes without; a pause as long spent busy, as a stop for the owner's
// timer is, makes it slower instead). So when the thread's sockets
// have read for 10 ms without a break and read on after a look, the thread
// first waits up to 2 ms, waking at once for its input, painting and
// timers; their peers' data waits in the sockets meanwhile.
//
// A socket's read may pump the thread's messages (an owner that waits in
// its event): while a slice waits there, a socket that joins the line posts
// the next slice, so that the line goes on inside that wait.
//
// A look is a request to the system: reads look at most once in 10 ms for
// all the thread's sockets, so a server with a thousand connections looks
// no more often than a client with one. A datagram socket that has read a
// whole share and asks for more (ReadAgain) looks at once: a share is much
// work.
#include "netcomp/core/framework/SocketTurns.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <new>
#include <unordered_set>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/NotifyWindow.h"

namespace {

// Timers of a window of the system's own (a caret's) come as this message.
constexpr UINT kSystemTimerMessage = 0x0118;
// How often the line looks whether the thread's other messages wait.
constexpr DWORD kSliceMilliseconds = 10;
// While posted messages keep coming ahead of the others, a stop lasts this
// long; one whose others are never taken, the longest.
constexpr DWORD kShortStopMilliseconds = 10;
constexpr DWORD kLongestStopMilliseconds = 100;
// The watchdog's period: long, as a due timer of its own would make every
// look find the thread's timers waiting.
constexpr UINT kWatchdogMilliseconds = 100;
constexpr UINT kOthers = QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY;
// A stretch of reading this long is followed by a rest this long, and a
// thread that went this long without reading has rested.
constexpr DWORD kStretchMilliseconds = 10;
constexpr DWORD kRestMilliseconds = 2;
constexpr DWORD kIdleMilliseconds = 3;

struct Key {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM socket = 0;

    bool operator==(const Key& other) const
    {
        return window == other.window && message == other.message && socket == other.socket;
    }
};

struct KeyHash {
    std::size_t operator()(const Key& k) const
    {
        return std::hash<WPARAM>()(k.socket) ^ (std::hash<const void*>()(k.window) << 1) ^ k.message;
    }
};

struct ThreadTurns {
    std::deque<Key> line;
    std::unordered_set<Key, KeyHash> inLine;
    // The socket whose read notification a slice is handing over.
    Key current;
    bool hasCurrent = false;
    // The line waits for the thread's other messages.
    bool stopped = false;
    DWORD stoppedAt = 0;
    // The line's message is on its way; it carries its number, so that one
    // the line no longer waits for (its window went, the watchdog came
    // first) is known when it comes.
    bool turnPosted = false;
    HWND turnWindow = nullptr;
    WPARAM turnNumber = 0;
    // Slices under way, one inside another's read.
    int slicing = 0;
    HHOOK hook = nullptr;
    UINT_PTR watchdog = 0;
    DWORD lastLook = 0;
    // A stretch of the thread's reading began (its sockets read with less
    // than kIdleMilliseconds between two), and the last read.
    DWORD stretchStart = 0;
    DWORD lastRead = 0;
};

ThreadTurns& Turns()
{
    thread_local ThreadTurns turns;
    return turns;
}

// What waits in the thread's queue.
struct Waiting {
    bool others;
    bool posted;
};

SocketTurns::QueueStatusSource g_queueStatus = GetQueueStatus;
SocketTurns::RestSource g_rest = MsgWaitForMultipleObjectsEx;

Waiting Look(ThreadTurns& t)
{
    t.lastLook = NetComponent::Now();
    const DWORD bits = HIWORD(g_queueStatus(kOthers | QS_POSTMESSAGE));
    return Waiting{(bits & kOthers) != 0, (bits & QS_POSTMESSAGE) != 0};
}

bool SliceOver(const ThreadTurns& t)
{
    return NetComponent::Now() - t.lastLook >= kSliceMilliseconds;
}

// A socket of the thread reads now.
void Reading(ThreadTurns& t)
{
    const DWORD now = NetComponent::Now();
    if (now - t.lastRead >= kIdleMilliseconds)
        t.stretchStart = now;
    t.lastRead = now;
}

// The sockets read on after a look: after a long stretch the thread first
// rests, waking at once for its input, painting and timers. False when
// those came meanwhile.
bool ReadOn(ThreadTurns& t)
{
    const DWORD now = NetComponent::Now();
    if (now - t.lastRead >= kIdleMilliseconds || now - t.stretchStart < kStretchMilliseconds)
        return true;
    const DWORD woke = g_rest(0, nullptr, kRestMilliseconds, kOthers, MWMO_INPUTAVAILABLE);
    t.stretchStart = NetComponent::Now();
    return woke != WAIT_OBJECT_0 || !Look(t).others;
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

void Unhook(ThreadTurns& t)
{
    if (t.hook) {
        UnhookWindowsHookEx(t.hook);
        t.hook = nullptr;
    }
}

// Nothing waits in the line. The watchdog stays until its next tick: a
// thread whose sockets keep taking turns would set and kill it each time.
void End(ThreadTurns& t)
{
    t.stopped = false;
    t.turnPosted = false;
    Unhook(t);
}

// The line's message, to the window of a socket in the line; false when
// it cannot be posted (a full queue: the watchdog tries again).
bool PostTurn(ThreadTurns& t)
{
    if (t.turnPosted)
        return true;
    for (const Key& k : t.line) {
        if (PostMessageA(k.window, kMsgSocketTurn, t.turnNumber + 1, 0)) {
            ++t.turnNumber;
            t.turnPosted = true;
            t.turnWindow = k.window;
            return true;
        }
        if (IsWindow(k.window))
            return false;
    }
    return false;
}

// The line goes on: its next look is a slice's time away.
void Restart(ThreadTurns& t)
{
    t.stopped = false;
    Unhook(t);
    t.lastLook = NetComponent::Now();
}

// Starts the line again; its slice comes after the message the loop is
// taking now.
void Release(ThreadTurns& t)
{
    Restart(t);
    (void)PostTurn(t);
}

LRESULT CALLBACK WatchRetrieval(int code, WPARAM removal, LPARAM lParam)
{
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    ThreadTurns& t = Turns();
    // The watchdog's own tick is not one of the others (WatchdogTick).
    const bool watchdog = msg.message == WM_TIMER && !msg.hwnd && msg.wParam == t.watchdog;
    if (code == HC_ACTION && removal == PM_REMOVE && t.stopped && TakenAfterPosts(msg.message) && !watchdog)
        Release(t);
    return CallNextHookEx(nullptr, code, removal, lParam);
}

void SetHook(ThreadTurns& t)
{
    if (!t.hook)
        t.hook = SetWindowsHookExA(WH_GETMESSAGE, WatchRetrieval, nullptr, GetCurrentThreadId());
}

// The line waits for the thread's other messages: the hook watches for the
// first of them once no posted message is ahead of them.
void Stop(ThreadTurns& t, bool postedWaiting)
{
    if (!t.stopped) {
        t.stopped = true;
        t.stoppedAt = NetComponent::Now();
    }
    if (!postedWaiting || !PostTurn(t))
        SetHook(t);
}

void Slice(ThreadTurns& t);

void CALLBACK WatchdogTick(HWND, UINT, UINT_PTR, DWORD)
{
    ThreadTurns& t = Turns();
    if (t.line.empty()) {
        KillTimer(nullptr, t.watchdog);
        t.watchdog = 0;
        End(t);
        return;
    }
    if (t.stopped) {
        // Others that still wait have the hook watch for them, until the
        // stop has lasted long: a loop may never take them.
        if (Look(t).others && NetComponent::Now() - t.stoppedAt < kLongestStopMilliseconds) {
            SetHook(t);
            return;
        }
    }
    t.turnPosted = false;
    Restart(t);
    Slice(t);
}

// Hands the sockets at the head of the line their read notifications
// until the line is empty, stops, or the slice's time is up; then looks.
void Slice(ThreadTurns& t)
{
    ++t.slicing;
    do {
        const Key k = t.line.front();
        t.line.pop_front();
        t.inLine.erase(k);
        t.current = k;
        t.hasCurrent = true;
        Reading(t);
        SendMessageA(k.window, k.message, k.socket, MAKELPARAM(FD_READ, 0));
        if (t.hasCurrent && t.current == k)
            t.hasCurrent = false;
    } while (!t.line.empty() && !t.stopped && !SliceOver(t));
    --t.slicing;
    if (t.line.empty()) {
        if (!t.turnPosted)
            End(t);
        return;
    }
    if (t.stopped || t.turnPosted)
        return;
    const Waiting waiting = Look(t);
    if (waiting.others)
        Stop(t, waiting.posted);
    else
        (void)PostTurn(t); // or, with the queue full, the watchdog's tick slices
}

// Takes its place at the end of the line, unless it has one; false when
// the memory for it cannot be had (it reads at once then).
bool Enqueue(ThreadTurns& t, const Key& k)
{
    if (t.inLine.count(k) != 0)
        return true;
    try {
        t.inLine.insert(k);
        t.line.push_back(k);
    } catch (const std::bad_alloc&) {
        t.inLine.erase(k);
        return false;
    }
    if (!t.watchdog)
        t.watchdog = SetTimer(nullptr, 0, kWatchdogMilliseconds, WatchdogTick);
    return true;
}

// Whether the socket waits in the line: it is not empty, or a look (now,
// or when it is time for one) finds the thread's other messages waiting.
bool Waits(ThreadTurns& t, const Key& k, bool lookNow)
{
    if (!t.line.empty())
        return Enqueue(t, k);
    if (!lookNow && !SliceOver(t))
        return false;
    const Waiting waiting = Look(t);
    if ((!waiting.others && ReadOn(t)) || !Enqueue(t, k))
        return false;
    Stop(t, waiting.posted);
    return true;
}

template <class Gone>
void Remove(ThreadTurns& t, const Gone& gone)
{
    for (auto it = t.line.begin(); it != t.line.end();) {
        if (gone(*it)) {
            t.inLine.erase(*it);
            it = t.line.erase(it);
        } else {
            ++it;
        }
    }
    if (t.hasCurrent && gone(t.current))
        t.hasCurrent = false;
    if (t.line.empty())
        End(t);
}

} // namespace

namespace SocketTurns {

bool MayRead(HWND window, UINT message, WPARAM socket)
{
    ThreadTurns& t = Turns();
    const Key k{window, message, socket};
    if (t.hasCurrent && t.current == k) {
        t.hasCurrent = false;
        return true;
    }
    if (!Waits(t, k, false)) {
        Reading(t);
        return true;
    }
    // A notification taken while a slice waits inside a socket's read (an
    // owner that pumps in its event): the line goes on inside that wait.
    if (t.slicing > 0 && !t.stopped)
        (void)PostTurn(t);
    return false;
}

bool ReadAgain(HWND window, UINT message, WPARAM socket)
{
    if (Waits(Turns(), Key{window, message, socket}, true))
        return true;
    return PostMessageA(window, message, socket, MAKELPARAM(FD_READ, 0)) != FALSE;
}

void Forget(HWND window, UINT message, WPARAM socket)
{
    const Key k{window, message, socket};
    Remove(Turns(), [&k](const Key& other) { return other == k; });
}

void ForgetWindow(HWND window)
{
    ThreadTurns& t = Turns();
    Remove(t, [window](const Key& other) { return other.window == window; });
    // The line's message goes with the window: another is posted.
    if (t.turnPosted && t.turnWindow == window) {
        t.turnPosted = false;
        if (!t.line.empty() && !PostTurn(t) && t.stopped)
            SetHook(t);
    }
}

void TurnCame(WPARAM number)
{
    ThreadTurns& t = Turns();
    if (!t.turnPosted || number != t.turnNumber)
        return;
    t.turnPosted = false;
    if (t.line.empty()) {
        End(t);
        return;
    }
    if (t.stopped) {
        // The posted messages that were ahead of the others are gone.
        const Waiting waiting = Look(t);
        const DWORD stopped = NetComponent::Now() - t.stoppedAt;
        if (waiting.others && (!waiting.posted || stopped < kShortStopMilliseconds)) {
            Stop(t, waiting.posted);
            return;
        }
        Restart(t);
    }
    if (!ReadOn(t)) {
        Stop(t, false);
        return;
    }
    Slice(t);
}

void SetQueueStatusSource(QueueStatusSource source)
{
    g_queueStatus = source ? source : GetQueueStatus;
}

void SetRestSource(RestSource source)
{
    g_rest = source ? source : MsgWaitForMultipleObjectsEx;
}

} // namespace SocketTurns
