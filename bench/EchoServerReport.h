#pragma once
// What the echo servers of the IPDaemon benchmark share: the owner's timer
// that the server's thread may run (its period the third argument, 0 or
// none for no timer), the watch that ends a server whose connections went
// quiet, and the closing line that tools/ipdaemon-bench.sh reads: "server
// <seconds> connections=<n> peak-working-set-kb=<kb> errors=<n>", the time
// counted from start, with a timer " ticks=<n> longest-gap-ms=<ms>", and
// " open=<n>" when connections had not ended.
#include <windows.h>

#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "netcomp/testing/OwnerLoop.h"

inline std::unique_ptr<TickingTimer> OwnerTimer(int argc, char** argv)
{
    const int period = argc > 3 ? std::atoi(argv[3]) : 0;
    return period > 0 ? std::make_unique<TickingTimer>(UINT(period)) : nullptr;
}

// Ends the server's message loop (WM_QUIT) once nothing has been heard of
// its connections for kQuietSeconds: a library that stops delivering data
// and closes would keep it waiting for ever, and the benchmark with it. The
// watch is a thread of its own, so the server's thread runs no timer of the
// benchmark's.
class QuietWatch {
public:
    static constexpr DWORD kQuietSeconds = 10;

    QuietWatch()
        : m_owner(GetCurrentThreadId()), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_thread(CreateThread(nullptr, 0, &QuietWatch::Run, this, 0, nullptr))
    {
    }
    ~QuietWatch()
    {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_stop);
    }
    QuietWatch(const QuietWatch&) = delete;
    QuietWatch& operator=(const QuietWatch&) = delete;

    // A connection came, sent, or went.
    void Heard() { m_last.store(GetTickCount(), std::memory_order_relaxed); }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& watch = *static_cast<QuietWatch*>(self);
        while (WaitForSingleObject(watch.m_stop, 500) == WAIT_TIMEOUT) {
            if (GetTickCount() - watch.m_last.load(std::memory_order_relaxed) >= kQuietSeconds * 1000) {
                std::fprintf(stderr, "no connection heard of for %lu s: the server ends\n",
                             static_cast<unsigned long>(kQuietSeconds));
                PostThreadMessageA(watch.m_owner, WM_QUIT, 0, 0);
                break;
            }
        }
        return 0;
    }

    const DWORD m_owner;
    std::atomic<DWORD> m_last{GetTickCount()};
    const HANDLE m_stop;
    const HANDLE m_thread;
};

inline void PrintServerReport(LARGE_INTEGER start, int connections, int errors, const TickingTimer* timer, int open)
{
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("server %.3f connections=%d peak-working-set-kb=%llu errors=%d",
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), connections,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024), errors);
    if (timer)
        std::printf(" ticks=%d longest-gap-ms=%lu", timer->Ticks(), static_cast<unsigned long>(timer->LongestGap()));
    if (open > 0)
        std::printf(" open=%d", open);
    std::printf("\n");
}
