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
// Prints one line of figures.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/testing/OwnerLoop.h"

namespace {

constexpr int kBase = 20921;
constexpr int kPlainFlood = kBase + 0;
constexpr int kOversizedFlood = kBase + 4;
constexpr int kStream = kBase + 5;
constexpr int kEndlessHttp = kBase + 6;

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

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
    std::fprintf(stderr, "usage: see the head of SocketTurnsBench.cpp\n");
    return 2;
}
