// Two XMPP components on one thread, logged in to the same server: the first
// sends <count> chat messages to the second as fast as it can, timed from
// the first send to the last message received. Run by tools/xmpp-bench.sh,
// which runs two slixmpp clients through the same exchange beside it.
//   xmpp_message_bench <port> <domain> <sender> <receiver> <password> <count>
// Prints "xmpp-messages <seconds> received=<n> rc=<result>", then
// "peak-working-set-kb=<kb>".
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_xmpp.h"

namespace {

long Received;

int WINAPI Count(INT_PTR, int event, int, INT_PTR*, int*)
{
    if (event == kXmppEventMessageIn)
        ++Received;
    return 0;
}

INT_PTR Text(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

void* LogIn(ComponentEventCallback callback, int port, const char* domain, const char* user, const char* password,
            int* rc)
{
    void* x = XMPP_Create(callback, 0, nullptr);
    XMPP_Set(x, kXmppServer, 0, Text(domain), 0);
    XMPP_Set(x, kXmppServerPort, 0, port, 0);
    XMPP_Set(x, kXmppResource, 0, Text("bench"), 0);
    INT_PTR args[2] = {Text(user), Text(password)};
    const int result = XMPP_Do(x, kXmppConnect, 2, args, nullptr);
    if (result != 0) {
        std::fprintf(stderr, "login of %s: %d %s\n", user, result, XMPP_GetLastError(x));
        *rc = result;
    }
    return x;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: xmpp_message_bench <port> <domain> <sender> <receiver> <password> <count>\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const long count = std::atol(argv[6]);
    XMPP_StaticInit(GetModuleHandleA(nullptr));
    int rc = 0;
    void* sender = LogIn(nullptr, port, argv[2], argv[3], argv[5], &rc);
    void* receiver = LogIn(Count, port, argv[2], argv[4], argv[5], &rc);
    const std::string to = std::string(argv[4]) + "@" + argv[2] + "/bench";

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    XMPP_Set(sender, kXmppMessageType, 0, 1, 0);
    for (long i = 0; i < count && rc == 0; ++i) {
        const std::string text = "Message " + std::to_string(i) + " of the benchmark";
        XMPP_Set(sender, kXmppMessageText, 0, Text(text.c_str()), 0);
        INT_PTR args[1] = {Text(to.c_str())};
        rc = XMPP_Do(sender, kXmppSendMessage, 1, args, nullptr);
    }
    const DWORD deadline = GetTickCount() + 120000;
    while (rc == 0 && Received < count && GetTickCount() < deadline)
        XMPP_Do(receiver, kXmppDoEvents, 0, nullptr, nullptr);
    QueryPerformanceCounter(&end);
    const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("xmpp-messages %.4f received=%ld rc=%d\n", seconds, Received, rc);

    XMPP_Do(sender, kXmppDisconnect, 0, nullptr, nullptr);
    XMPP_Do(receiver, kXmppDisconnect, 0, nullptr, nullptr);
    XMPP_Destroy(sender);
    XMPP_Destroy(receiver);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak-working-set-kb=%lu\n", static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024));
    XMPP_StaticDestroy();
    return rc == 0 && Received == count ? 0 : 1;
}
