#pragma once
// What the echo servers of the IPDaemon benchmark share: the owner's timer
// that the server's thread may run (its period the third argument, 0 or
// none for no timer), and the closing line that tools/ipdaemon-bench.sh
// reads: "server <seconds> connections=<n> peak-working-set-kb=<kb>
// errors=<n>", the time counted from start, and with a timer " ticks=<n>
// longest-gap-ms=<ms>".
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "netcomp/testing/OwnerLoop.h"

inline std::unique_ptr<TickingTimer> OwnerTimer(int argc, char** argv)
{
    const int period = argc > 3 ? std::atoi(argv[3]) : 0;
    return period > 0 ? std::make_unique<TickingTimer>(UINT(period)) : nullptr;
}

inline void PrintServerReport(LARGE_INTEGER start, int connections, int errors, const TickingTimer* timer)
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
    std::printf("\n");
}
