#pragma once
// What a component's owner does on its thread beside the component, for the
// tests (and benchmarks) of how a busy socket shares the thread: a timer that
// ticks once (or one that is due already), a periodic timer that records how
// long its ticks waited, the owner's own message loop, and a loop that takes
// the thread's messages only while there are some (which a socket that reads
// on after a pause, rather than right after the owner's message, leaves
// empty).
#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

// A thread timer of the owner that ticks once (onTick runs) when the
// thread's loop gives it its turn after `milliseconds`, and when that was,
// counted from the timer's start.
class OneShotTimer {
public:
    OneShotTimer(UINT milliseconds, std::function<void()> onTick) : m_onTick(std::move(onTick)), m_start(GetTickCount())
    {
        m_id = SetTimer(nullptr, 0, milliseconds, Tick);
        if (m_id)
            Timers()[m_id] = this;
    }
    ~OneShotTimer() { Stop(); }
    OneShotTimer(const OneShotTimer&) = delete;
    OneShotTimer& operator=(const OneShotTimer&) = delete;

    bool Ticked() const { return m_ticked; }
    DWORD RanAt() const { return m_ranAt; }

private:
    static std::map<UINT_PTR, OneShotTimer*>& Timers()
    {
        static std::map<UINT_PTR, OneShotTimer*> timers;
        return timers;
    }
    void Stop()
    {
        if (!m_id)
            return;
        KillTimer(nullptr, m_id);
        Timers().erase(m_id);
        m_id = 0;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        const auto found = Timers().find(id);
        if (found == Timers().end()) {
            KillTimer(nullptr, id);
            return;
        }
        OneShotTimer* timer = found->second;
        timer->Stop();
        timer->m_ticked = true;
        timer->m_ranAt = GetTickCount() - timer->m_start;
        timer->m_onTick();
    }

    std::function<void()> m_onTick;
    DWORD m_start;
    UINT_PTR m_id = 0;
    bool m_ticked = false;
    DWORD m_ranAt = 0;
};

// A timer that is due already: it ticks as soon as the thread's loop gives it
// its turn.
class DueTimer : public OneShotTimer {
public:
    explicit DueTimer(std::function<void()> onTick) : OneShotTimer(USER_TIMER_MINIMUM, std::move(onTick))
    {
        Sleep(3 * USER_TIMER_MINIMUM);
    }
};

// A periodic thread timer of the owner: how many times it ticked and the
// longest time it went without a tick, from its start and up to now. One at
// a time.
class TickingTimer {
public:
    explicit TickingTimer(UINT milliseconds)
    {
        s_current = this;
        m_last = GetTickCount();
        m_id = SetTimer(nullptr, 0, milliseconds, Tick);
    }
    ~TickingTimer()
    {
        KillTimer(nullptr, m_id);
        s_current = nullptr;
    }
    TickingTimer(const TickingTimer&) = delete;
    TickingTimer& operator=(const TickingTimer&) = delete;

    int Ticks() const { return m_ticks; }
    DWORD LongestGap() const { return std::max(m_longest, GetTickCount() - m_last); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        TickingTimer* timer = s_current;
        if (!timer)
            return;
        const DWORD now = GetTickCount();
        timer->m_longest = std::max(timer->m_longest, now - timer->m_last);
        timer->m_last = now;
        ++timer->m_ticks;
    }

    static inline TickingTimer* s_current = nullptr;
    UINT_PTR m_id = 0;
    DWORD m_last = 0;
    DWORD m_longest = 0;
    int m_ticks = 0;
};

// The loop of an owner with a window of its own: PeekMessage and
// DispatchMessage while messages come, a wait for the next when none does,
// for `milliseconds` or until `done` says so.
inline void RunOwnerLoop(DWORD milliseconds, const std::function<bool()>& done = nullptr)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds && !(done && done())) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
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
