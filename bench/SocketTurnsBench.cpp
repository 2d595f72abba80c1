// How a busy socket shares the thread with its owner's messages, against
// the flood peer (netcomp/net/tests/flood_peer.c, started by
// tools/socket-turns-bench.sh on base port 20921):
//   socket_turns_bench stream <rate> <count> <timer ms, 0: none> <InBufferSize, 0: default>
//       a UDPPort under a plain message loop asks for a steady stream of
//       numbered datagrams: the share that arrives, whether in order, and
//       the longest gap between two ticks of the owner's timer, and how
//       often it went three periods or more without a tick (a stall)
//   socket_turns_bench timer <timer ms> <milliseconds>
//       the owner's timer alone under the same loop, with no socket: how
//       regularly the machine itself keeps it, which the streams' gaps are
//       read against (a machine that stalls its threads now and then, as a
//       shared one does, stalls them whatever library runs)
//   socket_turns_bench oversized <bytes> <timer ms>
//       a UDPPort flooded for 3 s with datagrams of that many bytes (above
//       its MaxPacketSize): the longest gap between two timer ticks
//   socket_turns_bench dns-oversized | http-endless
//       a DNS Resolve flooded with 60,000-byte datagrams, or an HTTP Get of
//       a body that never ends, each with Timeout 60 and an owner's timer
//       that asks for Interrupt 1 s in: when the timer ran and the call ended
//   socket_turns_bench ipport-bytes <megabytes> <timer ms, 0: none>
//       an IPPort under a plain message loop receives that many megabytes
//       from the peer: how long it took, whether every byte came in its
//       place, and the owner's timer's ticks against the ticks due
//   socket_turns_bench ipport-endless | ipdaemon-endless <timer ms> [connections]
//       for 3 s, an IPPort reads a peer that never stops sending, or an
//       IPDaemon that many clients that never stop (4): the bytes, whether
//       each came in its place, the timer's ticks and its longest gap
// Prints one line of figures.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "bench/FloodPeer.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/PatternStream.h"

namespace {

using namespace floodpeer;

struct Received {
    long long next = 0; // the number expected next
    int count = 0;
    int outOfOrder = 0;
    int errors = 0;
};

int WINAPI OnUdp(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
{
    Received& r = *reinterpret_cast<Received*>(user);
    if (event == kUdpPortEventError) {
        ++r.errors;
        return 0;
    }
    if (event != kUdpPortEventDataIn)
        return 0;
    const std::string text(reinterpret_cast<const char*>(params[0]), std::size_t(lengths[0]));
    const long long number = std::atoll(text.c_str());
    if (number < r.next)
        ++r.outOfOrder;
    r.next = number + 1;
    ++r.count;
    return 0;
}

void* OpenPort(Received& received, int port, int inBuffer)
{
    void* udp = UDPPort_Create(OnUdp, reinterpret_cast<INT_PTR>(&received), nullptr);
    UDPPort_Set(udp, kUdpPortRemoteHost, 0, T("127.0.0.1"), 0);
    UDPPort_Set(udp, kUdpPortRemotePort, 0, port, 0);
    UDPPort_Set(udp, kUdpPortActive, 0, 1, 0);
    if (inBuffer > 0) {
        const std::string setting = "InBufferSize=" + std::to_string(inBuffer);
        INT_PTR args[2] = {T(setting.c_str()), 0};
        UDPPort_Do(udp, kUdpPortConfig, 2, args, nullptr);
    }
    return udp;
}

void Send(void* udp, const std::string& text)
{
    UDPPort_Set(udp, kUdpPortDataToSend, 0, T(text.c_str()), int(text.size()));
}

int Stream(int rate, int count, int timerMs, int inBuffer)
{
    Received received;
    void* udp = OpenPort(received, kStream, inBuffer);
    std::unique_ptr<TickingTimer> timer;
    if (timerMs > 0)
        timer = std::make_unique<TickingTimer>(UINT(timerMs));
    Send(udp, "stream " + std::to_string(rate) + " " + std::to_string(count));
    // The loop runs its whole time, so that the timer's ticks of runs that
    // lost datagrams and of runs that lost none are counted alike.
    const DWORD loop = DWORD(count) * 1000 / DWORD(rate) + 1000;
    RunOwnerLoop(loop);
    std::printf("stream %d/s %d, timer %d ms, InBufferSize %d: %.1f%% arrived (%d), %d out of order, "
                "%d ticks of %lu, longest timer gap %lu ms, %d stalls\n",
                rate, count, timerMs, inBuffer, 100.0 * received.count / count, received.count, received.outOfOrder,
                timer ? timer->Ticks() : 0, timerMs > 0 ? (unsigned long)(loop / DWORD(timerMs)) : 0ul,
                timer ? (unsigned long)timer->LongestGap() : 0ul, timer ? timer->Stalls() : 0);
    UDPPort_Destroy(udp);
    return 0;
}

int TimerAlone(int timerMs, int milliseconds)
{
    TickingTimer timer{UINT(timerMs)};
    RunOwnerLoop(DWORD(milliseconds));
    std::printf("timer %d ms alone for %d ms: %d ticks of %d, longest timer gap %lu ms, %d stalls\n", timerMs,
                milliseconds, timer.Ticks(), milliseconds / timerMs, (unsigned long)timer.LongestGap(), timer.Stalls());
    return 0;
}

int Oversized(int bytes, int timerMs)
{
    Received received;
    void* udp = OpenPort(received, kPlainFlood, 0);
    TickingTimer timer{UINT(timerMs)};
    Send(udp, "size " + std::to_string(bytes));
    RunOwnerLoop(3000);
    std::printf("oversized %d bytes, timer %d ms: %d ticks, longest timer gap %lu ms, %d errors, %d delivered\n", bytes,
                timerMs, timer.Ticks(), (unsigned long)timer.LongestGap(), received.errors, received.count);
    UDPPort_Destroy(udp);
    return 0;
}

// A call that the owner's timer, due at 1 s, interrupts: when the timer ran
// and the call ended.
template <class Call>
void Interrupted(const char* what, const std::function<void()>& interrupt, const Call& call)
{
    const DWORD start = GetTickCount();
    OneShotTimer stop(1000, interrupt);
    const int rc = call();
    const DWORD ended = GetTickCount() - start;
    std::printf("%s: the timer due at 1000 ms ran at %lu ms, the call ended with %d at %lu ms\n", what,
                (unsigned long)stop.RanAt(), rc, (unsigned long)ended);
}

int DnsOversized()
{
    void* dns = DNS_Create(nullptr, 0, nullptr);
    DNS_Set(dns, kDnsDnsServer, 0, T("127.0.0.1"), 0);
    DNS_Set(dns, kDnsDnsPort, 0, kOversizedFlood, 0);
    DNS_Set(dns, kDnsTimeout, 0, 60, 0);
    Interrupted(
        "DNS Resolve under 60,000-byte datagrams", [dns] { DNS_Do(dns, kDnsInterrupt, 0, nullptr, nullptr); },
        [dns] {
            INT_PTR args[1] = {T("www.kes.test")};
            return DNS_Do(dns, kDnsResolve, 1, args, nullptr);
        });
    DNS_Destroy(dns);
    return 0;
}

int HttpEndless()
{
    void* http = HTTP_Create(nullptr, 0, nullptr);
    HTTP_Set(http, kHttpTimeout, 0, 60, 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(kEndlessHttp) + "/";
    Interrupted(
        "HTTP Get of an endless body", [http] { HTTP_Do(http, kHttpMethodInterrupt, 0, nullptr, nullptr); },
        [http, &url] {
            INT_PTR args[1] = {T(url.c_str())};
            return HTTP_Do(http, kHttpMethodGet, 1, args, nullptr);
        });
    HTTP_Destroy(http);
    return 0;
}

int WINAPI OnIpDaemon(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
{
    if (event == kIpDaemonEventDataIn)
        (*reinterpret_cast<std::map<int, PatternStream>*>(user))[int(params[0])].Take(
            reinterpret_cast<const char*>(params[1]), lengths[1]);
    return 0;
}

double Seconds(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

int IpPortBytes(int megabytes, int timerMs)
{
    const unsigned long long total = (unsigned long long)megabytes << 20;
    PatternStream stream;
    std::unique_ptr<TickingTimer> timer;
    if (timerMs > 0)
        timer = std::make_unique<TickingTimer>(UINT(timerMs));
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    void* port = PatternPort(stream, total);
    RunOwnerLoop(120000, [&] { return stream.bytes >= total; });
    const double seconds = Seconds(start);
    std::printf("ipport %d MB, timer %d ms: %.3f s, %llu bytes, %llu out of place, %d ticks of %lu, longest timer "
                "gap %lu ms\n",
                megabytes, timerMs, seconds, stream.bytes, stream.misplaced, timer ? timer->Ticks() : 0,
                timerMs > 0 ? (unsigned long)(seconds * 1000 / timerMs) : 0ul,
                timer ? (unsigned long)timer->LongestGap() : 0ul);
    IPPort_Destroy(port);
    return 0;
}

int IpPortEndless(int timerMs)
{
    PatternStream stream;
    TickingTimer timer{UINT(timerMs)};
    void* port = PatternPort(stream, 0);
    RunOwnerLoop(3000);
    std::printf("ipport endless, timer %d ms: %llu bytes, %llu out of place, %d ticks, longest timer gap %lu ms\n",
                timerMs, stream.bytes, stream.misplaced, timer.Ticks(), (unsigned long)timer.LongestGap());
    IPPort_Destroy(port);
    return 0;
}

int IpDaemonEndless(int timerMs, int connections)
{
    std::map<int, PatternStream> streams;
    void* daemon = IPDaemon_Create(OnIpDaemon, reinterpret_cast<INT_PTR>(&streams), nullptr);
    IPDaemon_Set(daemon, kIpDaemonLocalHost, 0, T("127.0.0.1"), 0);
    IPDaemon_Set(daemon, kIpDaemonLocalPort, 0, kFloodedServer, 0);
    IPDaemon_Set(daemon, kIpDaemonListening, 0, 1, 0);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const SOCKET control = AskFloodPeer("flood " + std::to_string(kFloodedServer) + " " + std::to_string(connections));
    TickingTimer timer{UINT(timerMs)};
    RunOwnerLoop(3000);
    unsigned long long bytes = 0, misplaced = 0, least = ~0ull;
    for (const auto& entry : streams) {
        bytes += entry.second.bytes;
        misplaced += entry.second.misplaced;
        least = std::min(least, entry.second.bytes);
    }
    std::printf("ipdaemon endless, %d clients, timer %d ms: %d connections, %llu bytes (the least %llu), %llu out of "
                "place, %d ticks, longest timer gap %lu ms\n",
                connections, timerMs, int(streams.size()), bytes, streams.empty() ? 0ull : least, misplaced,
                timer.Ticks(), (unsigned long)timer.LongestGap());
    closesocket(control);
    IPDaemon_Destroy(daemon);
    WSACleanup();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "stream" && argc == 6)
        return Stream(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (what == "timer" && argc == 4 && std::atoi(argv[2]) > 0)
        return TimerAlone(std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "oversized" && argc == 4)
        return Oversized(std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "dns-oversized")
        return DnsOversized();
    if (what == "http-endless")
        return HttpEndless();
    if (what == "ipport-bytes" && argc == 4)
        return IpPortBytes(std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "ipport-endless" && argc == 3 && std::atoi(argv[2]) > 0)
        return IpPortEndless(std::atoi(argv[2]));
    if (what == "ipdaemon-endless" && argc >= 3 && std::atoi(argv[2]) > 0)
        return IpDaemonEndless(std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 4);
    std::fprintf(stderr, "usage: see the head of SocketTurnsBench.cpp\n");
    return 2;
}
