// netcomp.dll as hosts that load components on demand use it: a worker
// thread loads the library by name, uses a component, frees the library and
// ends. The thread must end, the process go on, and the library be unloaded
// once nothing holds it (its own posting thread may hold it for a moment);
// and cycle after cycle, nothing may stay behind in the process.
//
// A thread that cannot end holds the loader for good: no thread could start
// and no library load in this process after it. The test then says which
// cycle hung and ends the process itself.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/ProcessTally.h"

namespace {

constexpr DWORD kThreadEndsWithin = 20000;
constexpr DWORD kUnloadedWithin = 6000;
// The download reads for this long at least, under the owner's timer, and
// ends with the stream still coming: the line of the thread's sockets has
// stopped for the timer, and its watch is scheduled, as the thread goes.
constexpr DWORD kDownloadMilliseconds = 300;
constexpr long long kDownloadBytes = 1 << 20;

enum class Use { LoadOnly, CreateOnly, Connect, DownloadUnderTimer, LookupPending };

struct Cycle {
    Use use = Use::CreateOnly;
    int port = 0;
    // What the thread saw: bytes of the download and a description of what
    // went wrong, if anything did.
    long long received = 0;
    bool disconnected = false;
    std::string failure;
};

template <class F>
bool Bind(HMODULE dll, const char* name, F& f)
{
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    return f != nullptr;
}

int WINAPI OnPortEvent(INT_PTR user, int event, int, INT_PTR*, int* lengths)
{
    auto* cycle = reinterpret_cast<Cycle*>(user);
    if (event == kIpPortEventDataIn)
        cycle->received += lengths[0];
    else if (event == kIpPortEventDisconnected)
        cycle->disconnected = true;
    return 0;
}

int WINAPI IgnoreEvent(INT_PTR, int, int, INT_PTR*, int*)
{
    return 0;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

// A DNS look-up sent to a server that never answers, left pending as the
// component goes.
std::string LookUpPending(HMODULE dll, int port)
{
    void*(WINAPI * create)(ComponentEventCallback, INT_PTR, const char*) = nullptr;
    int(WINAPI * destroy)(void*) = nullptr;
    int(WINAPI * set)(void*, int, int, INT_PTR, int) = nullptr;
    int(WINAPI * call)(void*, int, int, INT_PTR*, int*) = nullptr;
    if (!Bind(dll, "DNS_Create", create) || !Bind(dll, "DNS_Destroy", destroy) || !Bind(dll, "DNS_Set", set) ||
        !Bind(dll, "DNS_Do", call))
        return "DNS functions missing";
    void* dns = create(IgnoreEvent, 0, nullptr);
    if (!dns)
        return "no DNS component";
    set(dns, kDnsDnsServer, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0);
    set(dns, kDnsDnsPort, 0, port, 0);
    set(dns, kDnsTimeout, 0, 0, 0);
    INT_PTR args[1] = {reinterpret_cast<INT_PTR>("pending.kes.test")};
    const int rc = call(dns, kDnsResolve, 1, args, nullptr);
    destroy(dns);
    return rc == 0 ? "" : "look-up not sent: " + std::to_string(rc);
}

DWORD WINAPI RunCycle(void* argument)
{
    Cycle& cycle = *static_cast<Cycle*>(argument);
    HMODULE dll = LoadLibraryA("netcomp.dll");
    if (!dll) {
        cycle.failure = "netcomp.dll not loaded";
        return 1;
    }
    if (cycle.use == Use::LoadOnly) {
        FreeLibrary(dll);
        return 0;
    }
    if (cycle.use == Use::LookupPending) {
        cycle.failure = LookUpPending(dll, cycle.port);
        FreeLibrary(dll);
        return 0;
    }
    int(WINAPI * staticInit)(HINSTANCE) = nullptr;
    void*(WINAPI * create)(ComponentEventCallback, INT_PTR, const char*) = nullptr;
    int(WINAPI * destroy)(void*) = nullptr;
    int(WINAPI * set)(void*, int, int, INT_PTR, int) = nullptr;
    INT_PTR(WINAPI * get)(void*, int, int, int*) = nullptr;
    if (!Bind(dll, "IPPort_StaticInit", staticInit) || !Bind(dll, "IPPort_Create", create) ||
        !Bind(dll, "IPPort_Destroy", destroy) || !Bind(dll, "IPPort_Set", set) || !Bind(dll, "IPPort_Get", get)) {
        cycle.failure = "IPPort functions missing";
        FreeLibrary(dll);
        return 1;
    }
    staticInit(dll);
    void* port = create(OnPortEvent, reinterpret_cast<INT_PTR>(&cycle), nullptr);
    if (!port)
        cycle.failure = "no IPPort";
    if (port && cycle.use != Use::CreateOnly) {
        set(port, kIpPortRemoteHost, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0);
        set(port, kIpPortRemotePort, 0, cycle.port, 0);
        set(port, kIpPortTimeout, 0, 10, 0);
        if (set(port, kIpPortConnected, 0, 1, 0) != 0)
            cycle.failure = "connect failed";
    }
    if (port && cycle.use == Use::DownloadUnderTimer && cycle.failure.empty()) {
        // A 1 ms timer of the owner's keeps the sockets' line stopping for
        // it, so that the thread ends with a stop and its watch under way.
        const UINT_PTR timer = SetTimer(nullptr, 0, 1, Tick);
        const DWORD start = GetTickCount();
        RunOwnerLoop(10000, [&] {
            return cycle.disconnected ||
                   (GetTickCount() - start >= kDownloadMilliseconds && cycle.received >= kDownloadBytes);
        });
        KillTimer(nullptr, timer);
    } else if (port && cycle.use == Use::Connect && !get(port, kIpPortConnected, 0, nullptr)) {
        cycle.failure = "not connected";
    }
    if (port)
        destroy(port);
    FreeLibrary(dll);
    return 0;
}

// Serves one connection: sends until the client goes.
DWORD WINAPI ServeOne(void* argument)
{
    const SOCKET listener = *static_cast<SOCKET*>(argument);
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET)
        return 1;
    const std::string bytes(64 * 1024, 'k');
    while (send(client, bytes.data(), int(bytes.size()), 0) > 0) {
    }
    closesocket(client);
    return 0;
}

// Runs one cycle on a thread of its own and waits for that thread's end.
void RunOnWorkerThread(Cycle& cycle, const char* what)
{
    HANDLE thread = CreateThread(nullptr, 0, RunCycle, &cycle, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    if (WaitForSingleObject(thread, kThreadEndsWithin) != WAIT_OBJECT_0) {
        // Nothing more can start in this process: say so and end it.
        std::printf("FAILED: the thread that loaded and freed netcomp.dll (%s) did not end within %lu ms\n", what,
                    (unsigned long)kThreadEndsWithin);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    CloseHandle(thread);
}

// Whether the library is gone from the process within the time given.
bool Unloaded(DWORD within)
{
    const DWORD start = GetTickCount();
    while (GetModuleHandleA("netcomp.dll")) {
        if (GetTickCount() - start >= within)
            return false;
        Sleep(20);
    }
    return true;
}

TEST(LibraryOnWorkerThread, ThreadsThatLoadUseAndFreeTheLibraryEndAndTheLibraryGoes)
{
    ASSERT_EQ(GetModuleHandleA("netcomp.dll"), nullptr) << "the test program must not link netcomp.dll";
    const SOCKET listener = BindLoopback(SOCK_STREAM, 0);
    ASSERT_NE(listener, INVALID_SOCKET);
    ASSERT_EQ(listen(listener, 8), 0);
    const int port = BoundPort(listener);
    const struct {
        Use use;
        const char* what;
    } kinds[] = {{Use::CreateOnly, "create and destroy"},
                 {Use::Connect, "connect"},
                 {Use::DownloadUnderTimer, "download under a 1 ms owner timer"}};
    for (const auto& kind : kinds) {
        for (int round = 1; round <= 3; ++round) {
            SCOPED_TRACE(std::string(kind.what) + ", round " + std::to_string(round));
            Cycle cycle;
            cycle.use = kind.use;
            cycle.port = port;
            HANDLE server = nullptr;
            SOCKET listening = listener;
            if (kind.use != Use::CreateOnly)
                server = CreateThread(nullptr, 0, ServeOne, &listening, 0, nullptr);
            RunOnWorkerThread(cycle, kind.what);
            EXPECT_EQ(cycle.failure, "");
            if (server) {
                EXPECT_EQ(WaitForSingleObject(server, 10000), WAIT_OBJECT_0);
                CloseHandle(server);
            }
            if (kind.use == Use::DownloadUnderTimer) {
                EXPECT_FALSE(cycle.disconnected);
                EXPECT_GE(cycle.received, kDownloadBytes);
                // The library's posting thread holds it for a moment: the
                // watch was scheduled.
                EXPECT_NE(GetModuleHandleA("netcomp.dll"), nullptr);
            }
            EXPECT_TRUE(Unloaded(kUnloadedWithin)) << "netcomp.dll still loaded after " << kUnloadedWithin << " ms";
        }
    }
    closesocket(listener);
    WSACleanup();
}

// Two threads one after the other while the library stays loaded by the
// test: each leaves nothing behind that keeps the next from ending.
TEST(LibraryOnWorkerThread, ThreadsEndWhileTheProgramHoldsTheLibrary)
{
    HMODULE held = LoadLibraryA("netcomp.dll");
    ASSERT_NE(held, nullptr);
    const SOCKET listener = BindLoopback(SOCK_STREAM, 0);
    ASSERT_NE(listener, INVALID_SOCKET);
    ASSERT_EQ(listen(listener, 8), 0);
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        Cycle cycle;
        cycle.use = Use::DownloadUnderTimer;
        cycle.port = BoundPort(listener);
        SOCKET listening = listener;
        HANDLE server = CreateThread(nullptr, 0, ServeOne, &listening, 0, nullptr);
        RunOnWorkerThread(cycle, "download while the program holds the library");
        EXPECT_EQ(cycle.failure, "");
        EXPECT_GE(cycle.received, kDownloadBytes);
        EXPECT_EQ(WaitForSingleObject(server, 10000), WAIT_OBJECT_0);
        CloseHandle(server);
    }
    closesocket(listener);
    WSACleanup();
    FreeLibrary(held);
    EXPECT_TRUE(Unloaded(kUnloadedWithin));
}

// Cycles of each kind, one after the other on fresh threads, each loading
// the library by name and freeing it: once the first cycles have made what
// the process makes once, the next hundred leave no handle and no thread
// behind, and no more heap than a few bytes a cycle (the system's loader
// keeps some), and the library is unloaded after the last. A cycle that
// kept what its thread or its load made (a thread's record of the C++
// runtime, the runtime's emergency pool for exceptions, the turns of the
// thread's sockets) would leave a hundred of them.
TEST(LibraryOnWorkerThread, CyclesLeaveNoHandleThreadOrMemoryBehind)
{
    constexpr int kFirstCycles = 10, kCycles = 100;
    constexpr long long kHeapBytesPerHundred = 24 * 1024;
    ASSERT_EQ(GetModuleHandleA("netcomp.dll"), nullptr) << "the test program must not link netcomp.dll";
    const SOCKET listener = BindLoopback(SOCK_STREAM, 0);
    ASSERT_NE(listener, INVALID_SOCKET);
    ASSERT_EQ(listen(listener, 8), 0);
    // A DNS server that never answers.
    const SOCKET silent = BindLoopback(SOCK_DGRAM, 0);
    ASSERT_NE(silent, INVALID_SOCKET);
    const struct {
        Use use;
        const char* what;
        int port;
    } kinds[] = {{Use::LoadOnly, "load and free", 0},
                 {Use::CreateOnly, "an IPPort made and destroyed", 0},
                 {Use::Connect, "an IPPort connected", BoundPort(listener)},
                 {Use::LookupPending, "a DNS look-up pending", BoundPort(silent)}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        ProcessTally before;
        for (int i = 1; i <= kFirstCycles + kCycles; ++i) {
            Cycle cycle;
            cycle.use = kind.use;
            cycle.port = kind.port;
            RunOnWorkerThread(cycle, kind.what);
            ASSERT_EQ(cycle.failure, "") << "cycle " << i;
            if (kind.use == Use::Connect) {
                // The client has gone: its connection is taken and closed.
                const SOCKET client = accept(listener, nullptr, nullptr);
                closesocket(client);
            }
            if (i == kFirstCycles) {
                ASSERT_TRUE(Unloaded(kUnloadedWithin));
                before = ProcessTally::Now();
            }
        }
        ASSERT_TRUE(Unloaded(kUnloadedWithin)) << "netcomp.dll still loaded after the last cycle";
        const ProcessTally after = ProcessTally::Now();
        std::printf("[ cycles   ] %s: %d cycles left %ld handles, %lld heap bytes and %d threads\n", kind.what, kCycles,
                    after.handles - before.handles, after.heapBytes - before.heapBytes, after.threads - before.threads);
        ASSERT_GE(before.handles, 0) << "the process's handles cannot be counted";
        EXPECT_EQ(after.handles, before.handles);
        EXPECT_LE(after.heapBytes - before.heapBytes, kHeapBytesPerHundred);
        EXPECT_EQ(after.threads, before.threads);
    }
    closesocket(silent);
    closesocket(listener);
    WSACleanup();
}

} // namespace
