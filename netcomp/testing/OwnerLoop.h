#pragma once
// What a component's owner does on its thread beside the component, for the
// tests (and benchmarks) of how a busy socket shares the thread: a timer that
// ticks once (or one that is due already), a periodic timer that records how
// long its ticks waited (and may work a while at each tick, as a busy owner
// does), the owner's own message loop, a loop that takes only some of the
// thread's messages (a range of numbers, or the posted ones alone), one
// that takes only some for a while and then all again, and a loop that
// takes the thread's messages only while there are some (which a socket
// that reads on after a pause, rather than right after the owner's
// message, leaves empty).
#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

// A thread timer of the owner (no window): OnTick runs each time the
// thread's loop gives it its turn, until Stop.
class ThreadTimer {
public:
    explicit ThreadTimer(UINT milliseconds)
    {
        m_id = SetTimer(nullptr, 0, milliseconds, Tick);
        if (m_id)
            Timers()[m_id] = this;
    }
    virtual ~ThreadTimer() { Stop(); }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

protected:
    virtual void OnTick() = 0;
    void Stop()
    {
        if (!m_id)
            return;
        KillTimer(nullptr, m_id);
        Timers().erase(m_id);
        m_id = 0;
    }

private:
    // Thread timers tick on the thread that set them.
    static std::map<UINT_PTR, ThreadTimer*>& Timers()
    {
        static thread_local std::map<UINT_PTR, ThreadTimer*> timers;
        return timers;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        const auto found = Timers().find(id);
        if (found == Timers().end()) {
            KillTimer(nullptr, id);
            return;
        }
        found->second->OnTick();
    }

    UINT_PTR m_id = 0;
};

// A timer that ticks once (onTick runs) when the thread's loop gives it its
// turn after `milliseconds`, and when that was, counted from the timer's
// start.
class OneShotTimer : public ThreadTimer {
public:
    OneShotTimer(UINT milliseconds, std::function<void()> onTick)
        : ThreadTimer(milliseconds), m_onTick(std::move(onTick)), m_start(GetTickCount())
    {
    }

    bool Ticked() const { return m_ticked; }
    DWORD RanAt() const { return m_ranAt; }

private:
    void OnTick() override
    {
        Stop();
        m_ticked = true;
        m_ranAt = GetTickCount() - m_start;
        m_onTick();
    }

    std::function<void()> m_onTick;
    DWORD m_start;
    bool m_ticked = false;
    DWORD m_ranAt = 0;
};

// Waits until the thread's queue shows a due timer (under Wine the server
// marks it, which an overloaded machine may let run late), for 2 s at most.
inline void UntilATimerIsDue()
{
    for (DWORD start = GetTickCount(); !(HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER) && GetTickCount() - start < 2000;)
        Sleep(1);
}

// A timer that is due already: it ticks as soon as the thread's loop gives it
// its turn.
class DueTimer : public OneShotTimer {
public:
    explicit DueTimer(std::function<void()> onTick) : OneShotTimer(USER_TIMER_MINIMUM, std::move(onTick))
    {
        Sleep(3 * USER_TIMER_MINIMUM);
        UntilATimerIsDue();
    }
};

// A periodic timer: how many times it ticked and the longest time it went
// without a tick, from its start and up to now; and how often it went three
// periods or more without one (the thread, or the whole machine, stalled).
// A busy owner's timer works at each tick, from `workLeast` to `workMost`
// milliseconds (in turn through that range), spinning: the time its ticks
// held the thread is counted. Gaps are measured from the end of one tick's
// work to the start of the next.
class TickingTimer : public ThreadTimer {
public:
    explicit TickingTimer(UINT milliseconds, DWORD workLeast = 0, DWORD workMost = 0)
        : ThreadTimer(milliseconds), m_period(milliseconds), m_workLeast(workLeast),
          m_workMost(std::max(workLeast, workMost)), m_start(Milliseconds()), m_last(GetTickCount())
    {
    }

    int Ticks() const { return m_ticks; }
    DWORD LongestGap() const { return std::max(m_longest, GetTickCount() - m_last); }
    int Stalls() const { return m_stalls + (GetTickCount() - m_last >= 3 * m_period ? 1 : 0); }
    // The ticks due since the timer's start that did not come, but for
    // those of its stalls (three periods or more without a tick: the thread,
    // or the whole machine, did not run).
    int Missed() const
    {
        const int due = int((Milliseconds() - m_start) / m_period);
        return std::max(0, due - m_ticks - m_stalled);
    }
    // The share of the time since the timer's start that its ticks worked.
    double WorkShare() const
    {
        const double all = Milliseconds() - m_start;
        return all > 0 ? m_worked / all : 0;
    }

    static double Milliseconds()
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
    }

private:
    void OnTick() override
    {
        const DWORD now = GetTickCount();
        const DWORD gap = now - m_last;
        m_longest = std::max(m_longest, gap);
        if (gap >= 3 * m_period) {
            ++m_stalls;
            m_stalled += int(gap / m_period) - 1;
        }
        ++m_ticks;
        if (m_workMost > 0) {
            const DWORD work = m_workLeast + DWORD(m_ticks) * 7 % (m_workMost - m_workLeast + 1);
            const double start = Milliseconds();
            while (Milliseconds() - start < work) {
            }
            m_worked += Milliseconds() - start;
        }
        m_last = GetTickCount();
    }

    DWORD m_period;
    DWORD m_workLeast;
    DWORD m_workMost;
    double m_start;
    double m_worked = 0;
    DWORD m_last;
    DWORD m_longest = 0;
    int m_ticks = 0;
    int m_stalled = 0;
    int m_stalls = 0;
};

// A periodic timer on a thread of its own that does nothing else, ticking
// beside a case under test: the ticks it misses are those the machine takes
// from any thread (a busy machine lets a thread run late), not those a
// component's turns take from its owner.
class LoneTimer {
public:
    explicit LoneTimer(UINT milliseconds)
        : m_period(milliseconds), m_thread(CreateThread(nullptr, 0, Run, this, 0, nullptr))
    {
        if (m_thread)
            WaitForSingleObject(m_started, INFINITE);
    }
    ~LoneTimer()
    {
        Stop();
        CloseHandle(m_started);
        CloseHandle(m_stop);
    }
    LoneTimer(const LoneTimer&) = delete;
    LoneTimer& operator=(const LoneTimer&) = delete;

    // Stops the timer; its ticks missed from its start (stalls aside, as
    // TickingTimer counts them).
    int Stop()
    {
        if (m_thread) {
            SetEvent(m_stop);
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
            m_thread = nullptr;
        }
        return m_missed;
    }
    int Ticks() const { return m_ticks; }
    // The longest time it went without a tick (once stopped).
    DWORD LongestGap() const { return m_longest; }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& t = *static_cast<LoneTimer*>(self);
        {
            TickingTimer timer(t.m_period);
            SetEvent(t.m_started);
            while (MsgWaitForMultipleObjects(1, &t.m_stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
            }
            t.m_missed = timer.Missed();
            t.m_ticks = timer.Ticks();
            t.m_longest = timer.LongestGap();
        }
        return 0;
    }

    HANDLE m_started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    UINT m_period;
    HANDLE m_thread;
    int m_missed = 0;
    int m_ticks = 0;
    DWORD m_longest = 0;
};

// Takes the messages from `first` to `last` (0, 0: all) that `remove`
// lets PeekMessage take, and dispatches them; waits up to `wait` ms for
// those of `wake` when none is there; for `milliseconds` or until `done`
// says so.
inline void RunLoopOf(UINT first, UINT last, UINT remove, DWORD wake, DWORD wait, DWORD milliseconds,
                      const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds && !(done && done())) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, first, last, PM_REMOVE | remove)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, wake);
        }
    }
}

// The loop of an owner with a window of its own: PeekMessage and
// DispatchMessage while messages come, a wait for the next when none does,
// for `milliseconds` or until `done` says so.
inline void RunOwnerLoop(DWORD milliseconds, const std::function<bool()>& done = nullptr)
{
    RunLoopOf(0, 0, 0, QS_ALLINPUT, 10, milliseconds, done);
}

// The loop of an owner that lets its components work while it keeps its own
// timers, painting and input from running: it takes only messages from
// WM_USER to 0x7FFF and waits for posted and sent messages alone, 50 ms at
// a time, for `milliseconds` or until `done` says so.
inline void RunPartialLoop(DWORD milliseconds, const std::function<bool()>& done = nullptr)
{
    RunLoopOf(WM_USER, 0x7FFF, 0, QS_ALLPOSTMESSAGE | QS_SENDMESSAGE, 50, milliseconds, done);
}

// The loop of a thread without a window of its own (a worker that only
// runs components): it takes the posted messages alone (PM_QS_POSTMESSAGE:
// posted ones, timers and hot keys, never input or painting) and waits for
// those and sent messages, 50 ms at a time.
inline void RunPostedLoop(DWORD milliseconds, const std::function<bool()>& done = nullptr)
{
    RunLoopOf(0, 0, PM_QS_POSTMESSAGE, QS_POSTMESSAGE | QS_TIMER | QS_HOTKEY | QS_SENDMESSAGE, 50, milliseconds, done);
}

// A loop that takes only messages from WM_USER to 0x7FFF for
// `partialMilliseconds` (RunPartialLoop), then every message for
// `fullMilliseconds` (RunOwnerLoop), and so on, for `milliseconds` or until
// `done` says so.
inline void RunAlternatingLoop(DWORD partialMilliseconds, DWORD fullMilliseconds, DWORD milliseconds,
                               const std::function<bool()>& done = nullptr)
{
    const DWORD start = GetTickCount();
    for (bool partial = true; GetTickCount() - start < milliseconds && !(done && done()); partial = !partial) {
        const DWORD left = milliseconds - (GetTickCount() - start);
        const DWORD phase = std::min(left, partial ? partialMilliseconds : fullMilliseconds);
        if (partial)
            RunPartialLoop(phase, done);
        else
            RunOwnerLoop(phase, done);
    }
}

// A message of this number waits for the window.
inline bool Queued(HWND window, UINT message)
{
    MSG msg;
    return PeekMessageA(&msg, window, message, message, PM_NOREMOVE) != FALSE;
}

// Takes and dispatches the thread's messages until the queue is empty, for at
// most `most` milliseconds; never waits for one.
inline void DispatchWhileQueued(DWORD most = 10000)
{
    MSG msg;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < most && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
