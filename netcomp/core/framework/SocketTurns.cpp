// The line of waiting sockets is kept per thread, as message queues are.
//
// A socket takes its place at the end of the line when a look at the
// thread's queue finds input, painting, a hot key or a due timer waiting,
// or when the line is not empty. The line then stops, and the thread's loop
// comes to those messages; the first of them that the loop takes starts the
// line again. It goes in slices: one message of the line's own
// (kMsgSocketTurn, to the window of any socket in it) comes behind whatever
// the queue holds, and its slice hands the sockets at the head of the line
// their notifications, one after the other, for its time (3 ms, or as the
// shares below say); then it looks at the queue once more, and the line
// stops again, or its next slice is posted.
// Every slice hands over at least one notification, and every stop lets at
// least one of the other messages through: whatever the number of sockets
// and however often the owner's timers come, a socket at the n-th place
// reads after the n before it, and no socket waits again once its turn has
// come. (A server's accept is placed near the head instead: it waits behind
// at most 16 others.)
//
// Why every wait of the line ends. The line waits for the thread's other
// messages (a stop) or for its own message; neither wait may depend on a
// message that the owner's loop might never take. A loop may take only
// posted messages of some numbers (the sockets' own, WM_USER and up) and
// never its timers, input or painting: its timer then stays due for good.
// - A stop ends as soon as a hook on the thread's message retrieval
//   (WH_GETMESSAGE) sees the first of the others taken. Under Wine every
//   message taken while a hook is set costs more than twice as much, so the
//   hook is set only once the posted messages ahead of those are gone: a
//   stop with posted messages waiting posts the line's message instead,
//   which comes after them and looks again. When the stop has lasted 10 ms
//   and posted messages still come (a crowd of new connections, say), the
//   line takes its share beside them.
// - Whatever the loop takes, a stop ends after 100 ms at most: the line's
//   watch (kMsgSocketWatch), a message posted to the window of a socket in
//   the line from a thread of the library's own (DelayedPost), comes then.
//   It is a posted message to a socket's window, as the sockets' own
//   notifications are, so any loop that takes those takes it; a thread
//   timer would not do, as such a loop never takes it.
// - While the line is not empty the watch comes every 100 ms, and one that
//   finds no slice begun since the last starts a slice itself: the line's
//   message went astray (its window went, or a loop took it and never
//   dispatched it).
// - A component's wait that finds the thread's queue empty (Waited) ends a
//   stop too: the others it waited for are gone.
// - A loop that left the others untaken through two stops in a row, and
//   took the watch as soon as it came (it was not busy elsewhere: it was
//   waiting for what it does take), does not take those kinds of message:
//   for 100 ms the line no longer stops for them. Then it stops for them
//   once more, for 10 ms, and a loop that takes one of them then (or in any
//   later stop) is believed again: a loop that takes only some messages
//   for a while and then all again (a modal loop of its own, say) has its
//   timers back within about 100 ms, and one that never takes them loses
//   a tenth of its sockets' time to the trials.
//
// Shares. A stop, the owner's messages it lets through and the slice after
// it make a round: of a slice's length, or of twice the time the owner's
// messages took where that is longer. The sockets' share of the round is
// what the stop spent taking in their notifications and the slice after
// it, which lasts what is left of the round (half a slice at least, 100 ms
// at most). So where the owner's messages and the sockets both want the
// whole thread (a timer whose work takes longer than its period, beside
// sockets that always have more to read), each holds about half of it;
// and a stop that had many notifications to take in is followed by a short
// slice, whose reads leave fewer behind for the next. A read or an
// accept that can do more than one piece of work (a server taking a crowd
// of new clients) goes on while its slice lasts (MayGoOn).
//
// A socket's read may pump the thread's messages (an owner that waits in
// its event): while a slice waits there, a socket that joins the line posts
// the next slice, so that the line goes on inside that wait.
//
// A look is a request to the system: reads look at most once in 3 ms for
// all the thread's sockets, so a server with a thousand connections looks
// no more often than a client with one. A due timer waits for the next
// look, and then behind the notifications that came before it (a crowd's
// take a few ms): with a look every 10 ms, an owner's timer of 10 ms beside
// a crowd lost a fifth of its ticks; with one every 3 ms it keeps them, for
// a look's cost (some tens of microseconds under Wine) every 3 ms. A
// component's wait that found the thread's queue empty (Waited) counts as
// a look made when the wait ends (WaitEnded), so a thread that waits for
// each answer, as the request and reply protocols do, hardly looks at all,
// however late a busy machine lets it run again. A datagram socket that
// has read a whole share and asks for more (ReadAgain) looks at once: a
// share is much work.
//
// The thread never rests between reads: a thread that gives its processor
// up for a moment gets it back late on a busy machine.
#include "netcomp/core/framework/SocketTurns.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <new>
#include <unordered_map>

#include "netcomp/core/framework/DelayedPost.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/NotifyWindow.h"

namespace {

// Timers of a window of the system's own (a caret's) come as this message.
constexpr UINT kSystemTimerMessage = 0x0118;
// How often the line looks whether the thread's other messages wait.
constexpr DWORD kSliceMilliseconds = 3;
// While posted messages keep coming ahead of the others, a stop lasts this
// long.
constexpr DWORD kShortStopMilliseconds = 10;
// The line's watch: how long a stop lasts at most and how often the watch
// comes while the line is not empty; and how long a stop for messages the
// loop was found not to take lasts.
constexpr DWORD kWatchMilliseconds = 100;
constexpr DWORD kTrialStopMilliseconds = 10;
// The longest slice, after an owner's message that took as long.
constexpr DWORD kLongestSliceMilliseconds = 100;
// A watch taken within this long of its posting was waited for.
constexpr DWORD kPromptMilliseconds = 20;
// Stops in a row whose others the loop left untaken, and how long the line
// then leaves those kinds of message aside.
constexpr int kUntakenStops = 2;
constexpr DWORD kAsideMilliseconds = 100;
constexpr UINT kOthers = QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY;
// An accept waits behind no more sockets than this.
constexpr std::size_t kAcceptPlace = 16;

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
    // The sockets in the line, with the notification their turn delivers.
    std::unordered_map<Key, LPARAM, KeyHash> inLine;
    // The socket whose notification a slice is handing over.
    Key current;
    bool hasCurrent = false;
    // The line waits for the thread's other messages.
    bool stopped = false;
    DWORD stoppedAt = 0;
    // The loop took one of the others, and its slice is still to come.
    bool released = false;
    DWORD releasedAt = 0;
    // The line's message is on its way; it carries its number, so that one
    // the line no longer waits for (its window went, the watch came first)
    // is known when it comes.
    bool turnPosted = false;
    HWND turnWindow = nullptr;
    WPARAM turnNumber = 0;
    // Slices under way, one inside another's read, and slices begun.
    int slicing = 0;
    DWORD slices = 0;
    HHOOK hook = nullptr;
    // The line's watch: scheduled, to which window, with which number, and
    // the slices begun when it was.
    bool watching = false;
    HWND watchWindow = nullptr;
    WPARAM watchNumber = 0;
    DWORD slicesAtWatch = 0;
    // Stops in a row that the watch ended with the others untaken, and the
    // kinds of message the line leaves aside since `asideSince`.
    int untaken = 0;
    UINT aside = 0;
    DWORD asideSince = 0;
    // The last look, and how long the slice it began lasts.
    DWORD lastLook = 0;
    DWORD sliceLength = kSliceMilliseconds;
    // The thread's notification windows: the turns go with the last.
    int windows = 0;
    // A socket's record event is under way, and another follows it; and
    // the tick in which a DoEvents inside such an event last looked.
    bool eventFollows = false;
    DWORD pumpLook = 0;
};

// The thread's turns live on the heap, behind a slot of the system's
// thread-local storage, from the thread's first notification window until
// its last goes. A thread_local object with a destructor would be ended by
// the C runtime as the thread exits, which keeps the library loaded for it
// until then: a host's worker thread that frees the library and ends would
// unload it inside its own exit, where the loader waits for that thread for
// good.
class TurnsSlot {
public:
    TurnsSlot() : m_slot(TlsAlloc()) {}
    ~TurnsSlot()
    {
        if (m_slot != TLS_OUT_OF_INDEXES)
            TlsFree(m_slot);
    }
    TurnsSlot(const TurnsSlot&) = delete;
    TurnsSlot& operator=(const TurnsSlot&) = delete;

    ThreadTurns* Get() const
    {
        return m_slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<ThreadTurns*>(TlsGetValue(m_slot));
    }
    bool Set(ThreadTurns* turns) const { return m_slot != TLS_OUT_OF_INDEXES && TlsSetValue(m_slot, turns); }

private:
    DWORD m_slot;
};

// At namespace scope, made as the library loads: a function's static would
// be made by the first thread to use it, and the C++ runtime's guard of
// that first use gives the thread a record of its own (a thread handle and
// an event) that it frees only at the thread's exit, which never comes for
// a thread that unloads the library itself.
const TurnsSlot g_slot;

const TurnsSlot& Slot()
{
    return g_slot;
}

// The thread's turns, made when `make` and there are none yet; null without
// them (no slot or no memory: its sockets read whenever they are told to).
ThreadTurns* Turns(bool make = true)
{
    ThreadTurns* turns = Slot().Get();
    if (turns || !make)
        return turns;
    try {
        turns = new ThreadTurns;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!Slot().Set(turns)) {
        delete turns;
        turns = nullptr;
    }
    return turns;
}

// What waits in the thread's queue: others the line stops for (and their
// kinds, with those it leaves aside), and posted messages.
struct Waiting {
    bool others;
    bool posted;
    UINT kinds;
};

DWORD g_watch = kWatchMilliseconds;
SocketTurns::QueueStatusSource g_queueStatus = GetQueueStatus;
SocketTurns::RoundWatcher g_roundWatcher = nullptr;

// The kinds of message the line stops for now.
UINT StoppingKinds(ThreadTurns& t)
{
    if (t.aside && NetComponent::Now() - t.asideSince >= kAsideMilliseconds)
        t.aside = 0;
    return kOthers & ~t.aside;
}

// The thread's queue was looked at now: a slice of the usual length begins.
void Looked(ThreadTurns& t)
{
    t.lastLook = NetComponent::Now();
    t.sliceLength = kSliceMilliseconds;
}

Waiting Look(ThreadTurns& t)
{
    Looked(t);
    const UINT bits = HIWORD(g_queueStatus(kOthers | QS_POSTMESSAGE));
    return Waiting{(bits & StoppingKinds(t)) != 0, (bits & QS_POSTMESSAGE) != 0, bits & kOthers};
}

bool SliceOver(const ThreadTurns& t)
{
    return NetComponent::Now() - t.lastLook >= t.sliceLength;
}

// The kinds of message that wait behind every posted one, as queue status
// bits (0 for the others).
UINT KindTakenAfterPosts(UINT message)
{
    if (message == WM_TIMER || message == kSystemTimerMessage)
        return QS_TIMER;
    if (message == WM_PAINT)
        return QS_PAINT;
    if (message == WM_HOTKEY)
        return QS_HOTKEY;
    if (message == WM_INPUT || (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
        (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
        (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
        (message >= WM_NCMOUSEHOVER && message <= WM_MOUSELEAVE))
        return QS_INPUT;
    return 0;
}

void Unhook(ThreadTurns& t)
{
    if (t.hook) {
        UnhookWindowsHookEx(t.hook);
        t.hook = nullptr;
    }
}

// The line's watch comes in `milliseconds`, to the window of the socket at
// its head.
void Watch(ThreadTurns& t, DWORD milliseconds)
{
    if (t.line.empty())
        return;
    ++t.watchNumber;
    t.watchWindow = t.line.front().window;
    t.slicesAtWatch = t.slices;
    t.watching = DelayedPost::Schedule(t.watchWindow, kMsgSocketWatch, t.watchNumber, milliseconds);
}

void Unwatch(ThreadTurns& t)
{
    if (t.watching) {
        DelayedPost::Cancel();
        t.watching = false;
    }
}

// Nothing waits in the line.
void End(ThreadTurns& t)
{
    t.stopped = false;
    t.turnPosted = false;
    Unhook(t);
    Unwatch(t);
}

// The line's message, to the window of a socket in the line; false when
// it cannot be posted (a full queue: the watch tries again).
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

// A stop, the owner's messages it let through (`owner` ms of them) and the
// slice after it make one round, of a slice's length, or of twice the
// owner's time where that is longer: the sockets' share of a round is what
// the stop spent on their notifications and the slice. The slice lasts
// what is left of its round, half a slice at least.
void SliceAfterStop(ThreadTurns& t, DWORD owner)
{
    const DWORD now = NetComponent::Now();
    const DWORD round = owner > kSliceMilliseconds / 2 ? 2 * owner : kSliceMilliseconds;
    const DWORD spent = now - t.stoppedAt;
    t.lastLook = now;
    t.sliceLength = spent + kSliceMilliseconds / 2 < round ? round - spent : kSliceMilliseconds / 2;
    if (t.sliceLength > kLongestSliceMilliseconds)
        t.sliceLength = kLongestSliceMilliseconds;
}

// The line goes on.
void Restart(ThreadTurns& t)
{
    if (t.stopped)
        SliceAfterStop(t, 0);
    t.stopped = false;
    t.released = false;
    Unhook(t);
}

// The loop took one of the others: the line starts again, its slice coming
// after the message the loop is taking now, and the loop is believed to
// take that kind.
void Release(ThreadTurns& t, UINT kind)
{
    t.untaken = 0;
    t.aside &= ~kind;
    Restart(t);
    t.released = true;
    t.releasedAt = NetComponent::Now();
    (void)PostTurn(t);
}

// The slice after an owner's message that the loop took as the line
// released it, now that the time that message took is known.
void ShareAfterRelease(ThreadTurns& t)
{
    if (!t.released)
        return;
    t.released = false;
    const DWORD owner = NetComponent::Now() - t.releasedAt;
    SliceAfterStop(t, owner);
    if (g_roundWatcher)
        g_roundWatcher(owner, t.releasedAt - t.stoppedAt, t.sliceLength);
}

LRESULT CALLBACK WatchRetrieval(int code, WPARAM removal, LPARAM lParam)
{
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    ThreadTurns* t = Turns(false);
    const UINT kind = KindTakenAfterPosts(msg.message);
    if (t && code == HC_ACTION && removal == PM_REMOVE && t->stopped && kind != 0)
        Release(*t, kind);
    return CallNextHookEx(nullptr, code, removal, lParam);
}

void SetHook(ThreadTurns& t)
{
    if (!t.hook)
        t.hook = SetWindowsHookExA(WH_GETMESSAGE, WatchRetrieval, nullptr, GetCurrentThreadId());
}

// The line waits for the thread's other messages: the hook watches for the
// first of them once no posted message is ahead of them, and the watch
// comes when the stop has lasted its longest.
void Stop(ThreadTurns& t, bool postedWaiting)
{
    if (!t.stopped) {
        t.stopped = true;
        t.stoppedAt = NetComponent::Now();
        Watch(t, t.untaken >= kUntakenStops ? kTrialStopMilliseconds : g_watch);
    }
    if (!postedWaiting || !PostTurn(t))
        SetHook(t);
}

// Hands the sockets at the head of the line their notifications until the
// line is empty, stops, or the slice's time is up; then looks.
void Slice(ThreadTurns& t)
{
    ++t.slicing;
    ++t.slices;
    do {
        const Key k = t.line.front();
        t.line.pop_front();
        const auto found = t.inLine.find(k);
        const LPARAM event = found->second;
        t.inLine.erase(found);
        t.current = k;
        t.hasCurrent = true;
        SendMessageA(k.window, k.message, k.socket, event);
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
        (void)PostTurn(t); // or, with the queue full, the watch slices
}

// Takes its place at the end of the line (an accept, near its head), unless
// it has one (a close notification replaces the one its turn delivers);
// false when the memory for it cannot be had (it reads at once then).
bool Enqueue(ThreadTurns& t, const Key& k, LPARAM event)
{
    const auto found = t.inLine.find(k);
    if (found != t.inLine.end()) {
        if (WSAGETSELECTEVENT(event) == FD_CLOSE)
            found->second = event;
        return true;
    }
    try {
        t.inLine.emplace(k, event);
        // A server's accept takes a place near the head: behind a line of
        // connections that always have more to read, new clients would
        // wait a whole round for each one taken.
        if (WSAGETSELECTEVENT(event) == FD_ACCEPT && t.line.size() > kAcceptPlace)
            t.line.insert(t.line.begin() + kAcceptPlace, k);
        else
            t.line.push_back(k);
    } catch (const std::bad_alloc&) {
        t.inLine.erase(k);
        return false;
    }
    if (!t.watching)
        Watch(t, g_watch);
    return true;
}

// Whether the socket waits in the line: it is not empty, or a look (now,
// or when it is time for one) finds the thread's other messages waiting.
bool Waits(ThreadTurns& t, const Key& k, LPARAM event, bool lookNow)
{
    if (!t.line.empty())
        return Enqueue(t, k, event);
    if (!lookNow && !SliceOver(t))
        return false;
    const Waiting waiting = Look(t);
    if (!waiting.others || !Enqueue(t, k, event))
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

// The thread's last notification window went and nothing of the line is
// left or under way (no slice runs further up the stack): the turns go.
void Settle(ThreadTurns& t)
{
    if (t.windows > 0 || t.slicing > 0 || !t.line.empty())
        return;
    End(t);
    (void)Slot().Set(nullptr);
    delete &t;
}

} // namespace

namespace SocketTurns {

bool MayRead(HWND window, UINT message, WPARAM socket, LPARAM event)
{
    ThreadTurns* turns = Turns();
    if (!turns)
        return true;
    ThreadTurns& t = *turns;
    const Key k{window, message, socket};
    if (t.hasCurrent && t.current == k) {
        t.hasCurrent = false;
        return true;
    }
    if (!Waits(t, k, event, false))
        return true;
    // A notification taken while a slice waits inside a socket's read (an
    // owner that pumps in its event): the line goes on inside that wait.
    if (t.slicing > 0 && !t.stopped)
        (void)PostTurn(t);
    return false;
}

void Waited()
{
    // Nothing a stop of the line waited for is left. Others that the loop
    // took released the stop already (the hook); this ends one whose others
    // went untaken (a timer killed, a window validated), which the watch
    // would end only within 100 ms.
    ThreadTurns* t = Turns(false);
    if (t && t->stopped)
        Release(*t, 0);
}

void WaitEnded()
{
    ThreadTurns* t = Turns(false);
    if (t && !t->stopped)
        Looked(*t);
}

void EventFollows(bool on)
{
    if (ThreadTurns* t = Turns(false))
        t->eventFollows = on;
}

Pump DoEventsStep()
{
    ThreadTurns* t = Turns(false);
    if (!t || !t->eventFollows)
        return Pump::Wait;
    t->eventFollows = false;
    const DWORD now = NetComponent::Now();
    if (now == t->pumpLook)
        return Pump::Skip;
    t->pumpLook = now;
    return Pump::Look;
}

bool MayGoOn()
{
    const ThreadTurns* t = Turns(false);
    return t && !t->stopped && !SliceOver(*t);
}

bool ReadAgain(HWND window, UINT message, WPARAM socket)
{
    const LPARAM read = MAKELPARAM(FD_READ, 0);
    ThreadTurns* t = Turns();
    if (t && Waits(*t, Key{window, message, socket}, read, true))
        return true;
    return PostMessageA(window, message, socket, read) != FALSE;
}

void Forget(HWND window, UINT message, WPARAM socket)
{
    const Key k{window, message, socket};
    if (ThreadTurns* t = Turns(false))
        Remove(*t, [&k](const Key& other) { return other == k; });
}

void WindowMade()
{
    if (ThreadTurns* t = Turns())
        ++t->windows;
}

void ForgetWindow(HWND window)
{
    ThreadTurns* turns = Turns(false);
    if (!turns)
        return;
    ThreadTurns& t = *turns;
    Remove(t, [window](const Key& other) { return other.window == window; });
    // The line's messages go with the window: others are posted.
    if (t.turnPosted && t.turnWindow == window) {
        t.turnPosted = false;
        if (!t.line.empty() && !PostTurn(t) && t.stopped)
            SetHook(t);
    }
    if (t.watching && t.watchWindow == window) {
        t.watching = false;
        Watch(t, g_watch);
    }
    if (t.windows > 0)
        --t.windows;
    Settle(t);
}

void TurnCame(WPARAM number)
{
    ThreadTurns* turns = Turns(false);
    if (!turns)
        return;
    ThreadTurns& t = *turns;
    if (!t.turnPosted || number != t.turnNumber)
        return;
    t.turnPosted = false;
    if (t.line.empty()) {
        End(t);
        Settle(t);
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
    ShareAfterRelease(t);
    Slice(t);
    Settle(t);
}

void WatchCame(WPARAM number, LPARAM postedAt)
{
    ThreadTurns* turns = Turns(false);
    if (!turns)
        return;
    ThreadTurns& t = *turns;
    if (!t.watching || number != t.watchNumber)
        return;
    t.watching = false;
    if (t.line.empty()) {
        End(t);
        Settle(t);
        return;
    }
    if (t.stopped) {
        // The stop has lasted its longest. Others still waiting, when the
        // watch was taken at once, were left untaken by a loop that waited.
        const Waiting waiting = Look(t);
        const bool prompt = NetComponent::Now() - DWORD(postedAt) <= kPromptMilliseconds;
        if (waiting.kinds != 0 && prompt) {
            if (++t.untaken >= kUntakenStops) {
                t.aside |= waiting.kinds;
                t.asideSince = NetComponent::Now();
            }
        } else {
            t.untaken = 0;
        }
        t.turnPosted = false;
        Restart(t);
        Slice(t);
    } else if (t.slices == t.slicesAtWatch) {
        t.turnPosted = false;
        Slice(t);
    }
    if (!t.line.empty() && !t.watching)
        Watch(t, g_watch);
    Settle(t);
}

void SetQueueStatusSource(QueueStatusSource source)
{
    g_queueStatus = source ? source : GetQueueStatus;
}

void SetWatchMilliseconds(DWORD milliseconds)
{
    g_watch = milliseconds ? milliseconds : kWatchMilliseconds;
}

void SetRoundWatcher(RoundWatcher watcher)
{
    g_roundWatcher = watcher;
}

} // namespace SocketTurns
