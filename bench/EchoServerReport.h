#pragma once
// The closing line of the echo servers of the IPDaemon benchmark, which
// tools/ipdaemon-bench.sh reads: "server <seconds> connections=<n>
// peak-working-set-kb=<kb> errors=<n>", the time counted from start.
#include <windows.h>

#include <psapi.h>

#include <cstdio>

inline void PrintServerReport(LARGE_INTEGER start, int connections, int errors)
{
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("server %.3f connections=%d peak-working-set-kb=%llu errors=%d\n",
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), connections,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024), errors);
}
