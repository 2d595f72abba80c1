// Times TraceRoute tracing one host: the best of a number of traces, each a
// new TraceTo. Run by tools/traceroute-bench.sh inside the namespaces of
// netcomp/net/tests/hops.sh, which times Debian's traceroute -I the same way.
//   traceroute_bench <host> <runs>
// Prints "trace <best seconds> hops=<n> rc=<result> memory=<peak KB>".
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_traceroute.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: traceroute_bench <host> <runs>\n");
        return 2;
    }
    const int runs = std::atoi(argv[2]);
    void* trace = TraceRoute_Create(nullptr, 0, nullptr);
    TraceRoute_Set(trace, kTraceRouteHopTimeout, 0, 1, 0);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double best = 1e9;
    int rc = 0;
    for (int i = 0; i < runs; ++i) {
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(argv[1])};
        int lengths[1] = {};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        rc = TraceRoute_Do(trace, kTraceRouteTraceTo, 1, args, lengths);
        QueryPerformanceCounter(&end);
        const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (seconds < best)
            best = seconds;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("trace %.6f hops=%d rc=%d memory=%lu\n", best,
                int(TraceRoute_Get(trace, kTraceRouteHopCount, 0, nullptr)), rc,
                (unsigned long)(memory.PeakWorkingSetSize / 1024));
    TraceRoute_Destroy(trace);
    return rc == 0 ? 0 : 1;
}
