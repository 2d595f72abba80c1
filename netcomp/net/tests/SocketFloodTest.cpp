// The socket components against a peer that floods them for as long as
// their socket is open (flood_peer.c, a Linux program that keeps ahead of any
// reader under Wine): datagrams that are not the answer, an HTTP body that
// never ends. A call still ends by its Timeout (with AbsoluteTimeout and
// without); the owner's timers run when they are due and its window is
// painted, so that an Interrupt asked for from its timer ends the call; an
// answer that comes amid the flood is taken; every datagram that is read is
// delivered in order; a close ends within 100 ms; TCP connections from
// peers that never stop leave the owner's timer its turns and deliver every
// byte in order; and a server with a crowd of connections under the owner's
// timers reads every byte of each and ends every one, as do many IPPorts on
// one thread reading streams that end. "In time" is within
// kLate of the due time: a few rounds of 10 ms and wait steps of 10 ms, on a
// loaded machine.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/net/tests/FloodClients.h"
#include "netcomp/net/udp/UdpSocket.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/PatternStream.h"
#include "netcomp/testing/QueuedMessages.h"
#include "netcomp/testing/TestFiles.h"

using namespace floodclients;

namespace {

// The peer's ports, one for each kind of flood (the TCP ones of crowds and
// pattern streams are FloodClients.h's).
constexpr int kPlainFlood = 20821;   // "<sender> <number>" texts
constexpr int kDnsFlood = 20822;     // DNS answers with other ids
constexpr int kSnmpFlood = 20823;    // SNMP Responses to another request
constexpr int kDnsAnswered = 20824;  // as kDnsFlood, and the answer among them from 300 ms on
constexpr int kStream = 20826;       // "stream <rate> <count>": a steady stream
constexpr int kEndlessHttp = 20827;  // TCP: an HTTP reply whose body never ends
constexpr int kCrowdServers = 20830; // where the tests' servers listen for them, one port a case
constexpr int kFloodedServer = 20840;
constexpr DWORD kTimeout = 2000;
constexpr DWORD kLate = 150;

// How many floods the peer has started from this port.
int FloodsFrom(int port)
{
    const std::string log = testfiles::ReadFile(testfiles::PeerFolder("flood_peer") + "\\floods");
    const std::string start = std::to_string(port) + " ";
    int n = 0;
    for (std::size_t at = 0; (at = log.find(start, at)) != std::string::npos; at += start.size())
        n += at == 0 || log[at - 1] == '\n';
    return n;
}

// How long a call took; each test prints its figures.
struct Timed {
    int rc;
    DWORD ms;
};

template <class Call>
Timed Time(const Call& call)
{
    const DWORD start = GetTickCount();
    const int rc = call();
    return {rc, GetTickCount() - start};
}

void Report(const char* what, const Timed& t, DWORD due)
{
    std::printf("[ flood    ] %s: %d after %lu ms (%ld ms past its due time)\n", what, t.rc, (unsigned long)t.ms,
                long(t.ms) - long(due));
}

struct Recorded {
    EventRecorder events;
};

struct Dns : Recorded, ComponentHolder<DNSFunctions> {
    explicit Dns(int port) : ComponentHolder(EventRecorder::Callback, events.User())
    {
        EXPECT_EQ(SetText(kDnsDnsServer, "127.0.0.1"), 0);
        EXPECT_EQ(Set(kDnsDnsPort, port), 0);
        EXPECT_EQ(Set(kDnsTimeout, kTimeout / 1000), 0);
    }
    int Resolve() { return Do(kDnsResolve, {"www.kes.test"}); }
};

// The line of sockets waiting for their turn never waits for its watch
// here: a socket or an owner's timer left to it would wait a minute.
class SocketFlood : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLibraryInstance(GetModuleHandleA(nullptr));
        LibraryStartup();
        SocketTurns::SetWatchMilliseconds(60000);
    }
    void TearDown() override { SocketTurns::SetWatchMilliseconds(0); }
};

// The request/reply wait that every datagram protocol of the library uses:
// the base's own clock, and the call's with AbsoluteTimeout.
class Asker final : public UdpSocket {
public:
    explicit Asker(int port) : UdpSocket("Asker")
    {
        (void)SetTimeout(kTimeout / 1000);
        EXPECT_EQ(SetRemoteHost("127.0.0.1"), 0);
        EXPECT_EQ(SetRemotePort(port), 0);
        EXPECT_EQ(SetActive(true), 0);
    }
    int Ask()
    {
        return Exchange("ping", 4, Retransmission{500, -1}, [this](const char* data, int, const char*, int) {
            ++seen;
            return std::string(data) == "pong";
        });
    }
    int seen = 0;
};

TEST_F(SocketFlood, TheExchangeEndsByItsTimeout)
{
    for (const bool absolute : {false, true}) {
        Asker asker(kPlainFlood);
        const char* answer = nullptr;
        ASSERT_EQ(asker.DoConfig(absolute ? "AbsoluteTimeout=True" : "AbsoluteTimeout=False", &answer), 0);
        const Timed t = Time([&] { return asker.Ask(); });
        Report(absolute ? "exchange, AbsoluteTimeout" : "exchange", t, kTimeout);
        EXPECT_EQ(t.rc, 301);
        EXPECT_STREQ(asker.LastErrorText(), "Timeout.");
        EXPECT_LT(t.ms, kTimeout + kLate) << "AbsoluteTimeout " << absolute;
        EXPECT_GT(asker.seen, 1000) << "no flood"; // what was read was looked at
        // The read notifications of the flood do not pile up.
        EXPECT_LT(TakeQueuedMessages(asker.Window()), 200);
    }
}

TEST_F(SocketFlood, DnsAndSnmpEndByTheirTimeout)
{
    for (const bool absolute : {false, true}) {
        const char* setting = absolute ? "AbsoluteTimeout=True" : "AbsoluteTimeout=False";
        {
            Dns dns(kDnsFlood);
            ASSERT_EQ(dns.Config(setting), 0);
            const int floods = FloodsFrom(kDnsFlood);
            const Timed t = Time([&] { return dns.Resolve(); });
            EXPECT_EQ(FloodsFrom(kDnsFlood), floods + 1);
            Report(absolute ? "DNS Resolve, AbsoluteTimeout" : "DNS Resolve", t, kTimeout);
            EXPECT_EQ(t.rc, 301);
            EXPECT_STREQ(dns.LastError(), "Timeout.");
            EXPECT_LT(t.ms, kTimeout + kLate) << setting;
        }
        {
            EventRecorder events;
            ComponentHolder<SNMPMgrFunctions> manager(EventRecorder::Callback, events.User());
            ASSERT_EQ(manager.Set(kSnmpMgrLocalPort, 0), 0);
            ASSERT_EQ(manager.Set(kSnmpMgrTimeout, kTimeout / 1000), 0);
            ASSERT_EQ(manager.SetText(kSnmpMgrRemoteHost, "127.0.0.1"), 0);
            ASSERT_EQ(manager.Set(kSnmpMgrRemotePort, kSnmpFlood), 0);
            ASSERT_EQ(manager.Set(kSnmpMgrObjCount, 1), 0);
            ASSERT_EQ(manager.SetText(kSnmpMgrObjId, "1.3.6.1.2.1.1.5.0", 1), 0);
            ASSERT_EQ(manager.Config(setting), 0);
            const int floods = FloodsFrom(kSnmpFlood);
            const Timed t = Time([&] { return manager.Do(kSnmpMgrSendGetRequest); });
            EXPECT_EQ(FloodsFrom(kSnmpFlood), floods + 1);
            Report(absolute ? "SNMPMgr SendGetRequest, AbsoluteTimeout" : "SNMPMgr SendGetRequest", t, kTimeout);
            EXPECT_EQ(t.rc, 301);
            EXPECT_STREQ(manager.LastError(), "Timeout.");
            EXPECT_LT(t.ms, kTimeout + kLate) << setting;
        }
    }
}

// The owner's thread goes on with its own messages while the flood comes:
// its timer of 16 ms ticks all along, its window, invalidated by a timer
// half a second in, is painted, and its timer due a second in asks for the
// Interrupt that ends the call.
struct Owner {
    static Owner* current;
    std::function<void()> interrupt;
    HWND window = nullptr;
    DWORD start = 0;
    DWORD paintedAt = 0;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_PAINT && current) {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            if (current->start != 0 && current->paintedAt == 0)
                current->paintedAt = GetTickCount() - current->start;
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    // Runs the call with the owner's timers set, and checks them and the call.
    void Check(const char* what, const std::function<int()>& call, const std::function<const char*()>& lastError)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KesFloodOwner";
        RegisterClassA(&wc);
        current = this;
        window = CreateWindowA("KesFloodOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        UpdateWindow(window);
        TickingTimer ticking(16);
        start = GetTickCount();
        OneShotTimer repaint(500, [this] { InvalidateRect(window, nullptr, TRUE); });
        OneShotTimer stop(1000, [this] { interrupt(); });
        const Timed t = Time(call);
        const DWORD longestGap = ticking.LongestGap();
        const DWORD interruptAt = stop.RanAt();
        Report(what, t, 1000);
        std::printf("[ flood    ] the Interrupt was asked for at %lu ms, the window painted at %lu ms, the longest "
                    "time without a tick of the timer of 16 ms %lu ms\n",
                    (unsigned long)interruptAt, (unsigned long)paintedAt, (unsigned long)longestGap);
        EXPECT_LT(longestGap, 16 + kLate);
        EXPECT_EQ(t.rc, 301);
        EXPECT_STREQ(lastError(), "Interrupted.");
        EXPECT_GE(interruptAt, 1000u);
        EXPECT_LT(interruptAt, 1000 + kLate);
        EXPECT_LT(t.ms, interruptAt + kLate);
        EXPECT_GE(paintedAt, 500u);
        EXPECT_LT(paintedAt, 500 + kLate);
        current = nullptr;
        DestroyWindow(window);
    }
};
Owner* Owner::current = nullptr;

TEST_F(SocketFlood, TheOwnersTimersComeInTimeAndTheirInterruptEndsTheCall)
{
    {
        Dns dns(kDnsFlood);
        ASSERT_EQ(dns.Set(kDnsTimeout, 20), 0);
        const int floods = FloodsFrom(kDnsFlood);
        Owner owner;
        owner.interrupt = [&dns] { (void)dns.Do(kDnsInterrupt); };
        owner.Check(
            "DNS Resolve, Interrupt due 1 s in", [&dns] { return dns.Resolve(); }, [&dns] { return dns.LastError(); });
        EXPECT_EQ(FloodsFrom(kDnsFlood), floods + 1);
    }
    // A TCP connection that always has more to read.
    ComponentHolder<HTTPFunctions> http;
    ASSERT_EQ(http.Set(kHttpTimeout, 20), 0);
    const int floods = FloodsFrom(kEndlessHttp);
    Owner owner;
    owner.interrupt = [&http] { (void)http.Do(kHttpMethodInterrupt); };
    const std::string url = "http://127.0.0.1:" + std::to_string(kEndlessHttp) + "/";
    owner.Check(
        "HTTP Get of an endless body, Interrupt due 1 s in",
        [&http, &url] { return http.Do(kHttpMethodGet, {url.c_str()}); }, [&http] { return http.LastError(); });
    EXPECT_EQ(FloodsFrom(kEndlessHttp), floods + 1);
}

TEST_F(SocketFlood, AnAnswerAmidTheFloodIsTaken)
{
    Dns dns(kDnsAnswered);
    ASSERT_EQ(dns.Set(kDnsTimeout, 10), 0);
    const Timed t = Time([&] { return dns.Resolve(); });
    Report("DNS Resolve, answered from 300 ms in", t, 300);
    ASSERT_EQ(t.rc, 0) << dns.LastError();
    EXPECT_EQ(dns.GetInt(kDnsRecordCount), 1);
    EXPECT_EQ(dns.GetBytes(kDnsRecordData, 1), "\x0a\x09\x08\x07");
}

// Each datagram of a UDPPort's numbered ones: how many came, and whether
// each sender's came in their order.
struct Numbered {
    std::map<int, long long> last;
    int delivered = 0;
    int outOfOrder = 0;

    void Take(const std::string& text)
    {
        int sender = 0;
        long long number = -1;
        if (std::sscanf(text.c_str(), "%d %lld", &sender, &number) < 2) {
            number = std::atoll(text.c_str());
            sender = -1;
        }
        const auto seen = last.find(sender);
        if (seen != last.end() && number <= seen->second)
            ++outOfOrder;
        last[sender] = number;
        ++delivered;
    }
};

struct Port : Recorded, Numbered, ComponentHolder<UDPPortFunctions> {
    explicit Port(int port) : ComponentHolder(EventRecorder::Callback, events.User())
    {
        events.TextsAt(kUdpPortEventDataIn, {0});
        events.OnEvent(kUdpPortEventDataIn, [this](const RecordedEvent& e) {
            Take(e.texts[0]);
            events.Clear();
        });
        EXPECT_EQ(SetText(kUdpPortRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ(Set(kUdpPortRemotePort, port), 0);
        EXPECT_EQ(Set(kUdpPortActive, 1), 0);
    }
};

// UDPPort hands the owner every datagram it reads, each sender's in the
// order they were sent, a DoEvents under the flood is one short step, and
// the close delivers what has come and ends though more keeps coming.
TEST_F(SocketFlood, UdpPortDeliversInOrderAndItsStepsStayShort)
{
    Port port(kPlainFlood);
    ASSERT_EQ(port.SetBytes(kUdpPortDataToSend, "go"), 0);
    DWORD longest = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1500) {
        const Timed t = Time([&] { return port.Do(kUdpPortDoEvents); });
        longest = std::max(longest, t.ms);
    }
    std::printf("[ flood    ] UDPPort: %d datagrams delivered, the longest DoEvents %lu ms\n", port.delivered,
                (unsigned long)longest);
    EXPECT_GT(port.delivered, 1000);
    EXPECT_EQ(port.outOfOrder, 0);
    EXPECT_LT(longest, kLate);
    const int before = port.delivered;
    const Timed close = Time([&] { return port.Set(kUdpPortActive, 0); });
    Report("UDPPort close", close, 0);
    EXPECT_EQ(close.rc, 0);
    EXPECT_LE(close.ms, 110u);
    EXPECT_GT(port.delivered, before);
    EXPECT_EQ(port.outOfOrder, 0);
}

// A server on a thread of a plain GetMessage loop with timers of 10 ms and
// more running, hundreds of clients at once: every byte that comes is
// delivered, each connection's in its order, and every connection that the
// client closes ends, while the first timer keeps its turns: accepts and
// closes wait their turn as reads do. (Reads that gave way to the owner's
// timers were once held again each time they were let go, and stopped for
// good.)
TEST_F(SocketFlood, ACrowdOfConnectionsIsReadWholeUnderTheOwnersTimers)
{
    struct Case {
        int count;
        int bytes;
        std::vector<UINT> threadTimers;
        std::vector<UINT> windowTimers;
    };
    const Case cases[] = {
        {2000, 3000, {10, 500}, {}},
        {500, 4000, {16, 50}, {10}},
        {1000, 3000, {1}, {16, 1000}},
    };
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    int port = kCrowdServers;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " clients of " + std::to_string(c.bytes) + " bytes");
        CrowdServer server(port, c.count, c.bytes);
        const SOCKET control = AskForClients("crowd " + std::to_string(port++) + " " + std::to_string(c.count) + " " +
                                             std::to_string(c.bytes) + "\n");
        OwnerTimers timers(c.threadTimers, c.windowTimers);
        LoneTimer lone(c.threadTimers.front());
        std::string answer;
        const DWORD start = GetTickCount();
        MSG msg;
        while ((server.disconnected < c.count || answer.find('\n') == std::string::npos) &&
               GetTickCount() - start < 30000 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            // The peer answers once every client has closed: asked no
            // sooner, so that the loop's time goes to its messages.
            char text[64];
            const int n = server.disconnected < c.count ? 0 : recv(control, text, sizeof text, 0);
            if (n > 0)
                answer.append(text, std::size_t(n));
        }
        closesocket(control);
        const TickingTimer& first = *timers.threadTimers.front();
        const int ticks = first.Ticks();
        const int missed = first.Missed();
        const int missedAlone = lone.Stop();
        std::printf("[ flood    ] %d clients of %d bytes: %d ended whole after %lu ms, %lld bytes read; the first "
                    "timer ticked %d times, missed %d, at most %lu ms apart (one on a thread of its own: missed %d, "
                    "at most %lu ms apart)\n",
                    c.count, c.bytes, server.complete, (unsigned long)(GetTickCount() - start),
                    server.connections.received, ticks, missed, (unsigned long)first.LongestGap(), missedAlone,
                    (unsigned long)lone.LongestGap());
        EXPECT_EQ(answer, "connected " + std::to_string(c.count) + " sent " + std::to_string(c.count) + "\n");
        EXPECT_EQ(server.disconnected, c.count);
        EXPECT_EQ(server.complete, c.count) << server.firstBroken;
        // Accepts and closes took their turns beside the reads: the owner's
        // timer went no longer without a tick than a timer on a thread of
        // its own did meanwhile (what the machine takes from any thread),
        // and a few rounds more. (How often the line looks for a due timer,
        // which decides how many ticks it misses on a quiet machine, is
        // counted by the TCP turns tests, whatever the machine's load.)
        EXPECT_LT(first.LongestGap(), lone.LongestGap() + c.threadTimers.front() + kLate);
    }
    WSACleanup();
}

void ReportTimer(const char* what, const PatternStream& stream, const TickingTimer& timer, const LoneTimer& lone)
{
    std::printf("[ flood    ] %s: %llu bytes, %llu out of place; the timer of 16 ms ticked %d times, at most %lu ms "
                "apart (one on a thread of its own: at most %lu ms apart)\n",
                what, stream.bytes, stream.misplaced, timer.Ticks(), (unsigned long)timer.LongestGap(),
                (unsigned long)lone.LongestGap());
}

// An IPPort that reads a peer that never stops, and an IPDaemon whose
// clients never stop, on a thread whose owner's timer of 16 ms ticks all
// along (at least every other time): every byte comes in its place.
TEST_F(SocketFlood, PeersThatNeverStopLeaveTheOwnersTimerItsTurns)
{
    {
        PatternStreams::Port read;
        const PatternStream& stream = read.stream;
        const auto port = PatternPort(read, 0);
        TickingTimer timer(16);
        LoneTimer lone(16);
        RunOwnerLoop(1500);
        (void)lone.Stop();
        ReportTimer("IPPort from a peer that never stops", stream, timer, lone);
        EXPECT_GT(stream.bytes, 1000000u);
        EXPECT_EQ(stream.misplaced, 0u);
        EXPECT_LT(timer.LongestGap(), lone.LongestGap() + 16 + kLate);
    }
    // A few clients, and a crowd of them: the line of connections waiting
    // for their turn is then long, and still looks at the owner's messages
    // once a slice.
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    int port = kFloodedServer;
    for (const unsigned clients : {4u, 250u}) {
        PatternStreams::PerConnection streams;
        ComponentHolder<IPDaemonFunctions> daemon(PatternStreams::OnIpDaemon, reinterpret_cast<INT_PTR>(&streams));
        ASSERT_EQ(daemon.SetText(kIpDaemonLocalHost, "127.0.0.1"), 0);
        ASSERT_EQ(daemon.Set(kIpDaemonLocalPort, port), 0);
        ASSERT_EQ(daemon.Set(kIpDaemonConnectionBacklog, int(clients)), 0);
        // Reads of up to 64 KB: a round of all the connections' reads takes
        // many of the timer's periods.
        ASSERT_EQ(daemon.Config("MaxLineLength=65536"), 0);
        ASSERT_EQ(daemon.Set(kIpDaemonListening, 1), 0);
        const SOCKET control = AskForClients("flood " + std::to_string(port++) + " " + std::to_string(clients) + "\n");
        // Each accept turn waits behind the connections that read.
        const DWORD acceptStart = GetTickCount();
        RunOwnerLoop(30000, [&] { return streams.size() == clients; });
        const DWORD accepts = GetTickCount() - acceptStart;
        TickingTimer timer(16);
        LoneTimer lone(16);
        RunOwnerLoop(1500);
        (void)lone.Stop();
        const int ticks = timer.Ticks();
        const DWORD longest = timer.LongestGap();
        char answer[32] = {};
        EXPECT_GT(recv(control, answer, sizeof answer - 1, 0), 0);
        EXPECT_EQ(std::string(answer), "connected " + std::to_string(clients) + "\n");
        closesocket(control);
        ASSERT_EQ(streams.size(), clients);
        unsigned long long least = ~0ull, misplaced = 0;
        for (const auto& entry : streams) {
            least = std::min(least, entry.second.bytes);
            misplaced += entry.second.misplaced;
        }
        std::printf("[ flood    ] IPDaemon with %u clients that never stop: all accepted after %lu ms, the least %llu "
                    "bytes, %llu out of place; the timer of 16 ms ticked %d times, at most %lu ms apart (one on a "
                    "thread of its own: at most %lu ms apart)\n",
                    clients, (unsigned long)accepts, least, misplaced, ticks, (unsigned long)longest,
                    (unsigned long)lone.LongestGap());
        // All 250 are accepted within 0.2 to 1.7 s here, quiet or beside busy
        // loops.
        EXPECT_LT(accepts, 10000u);
        EXPECT_GT(least, clients > 4 ? 10000u : 100000u);
        EXPECT_EQ(misplaced, 0u);
        // No longer without a tick than a timer on a thread of its own went
        // meanwhile (what a loaded machine takes from any thread), and a few
        // rounds more.
        EXPECT_LT(longest, lone.LongestGap() + 16 + kLate);
        EXPECT_GT(ticks, 1500 / 16 / 2);
    }
    WSACleanup();
}

// Many IPPorts on one thread, each reading a stream that ends, under the
// owner's thread and window timers: each port gets its stream whole and in
// order, and ends when its peer closes.
TEST_F(SocketFlood, ManyPortsOnOneThreadReadTheirStreamsToTheEnd)
{
    constexpr int kPorts = 100;
    constexpr unsigned long long kBytes = 300000;
    std::vector<std::unique_ptr<PatternStreams::Port>> streams;
    std::vector<std::unique_ptr<ComponentHolder<IPPortFunctions>>> ports;
    for (int i = 0; i < kPorts; ++i) {
        streams.push_back(std::make_unique<PatternStreams::Port>());
        ports.push_back(PatternPort(*streams.back(), kBytes));
    }
    const auto ended = [&] {
        return std::all_of(streams.begin(), streams.end(), [](const auto& s) { return s->ended; });
    };
    // The timers start once every port has asked for its stream (connecting
    // a hundred ports one after the other takes a while of its own).
    OwnerTimers timers({10, 1}, {16});
    const DWORD start = GetTickCount();
    RunOwnerLoop(30000, ended);
    int whole = 0;
    for (const auto& s : streams)
        whole += s->ended && s->stream.bytes == kBytes && s->stream.misplaced == 0;
    const TickingTimer& first = *timers.threadTimers.front();
    std::printf("[ flood    ] %d ports on one thread: %d ended whole after %lu ms; the timer of 10 ms ticked %d "
                "times, at most %lu ms apart\n",
                kPorts, whole, (unsigned long)(GetTickCount() - start), first.Ticks(),
                (unsigned long)first.LongestGap());
    EXPECT_EQ(whole, kPorts);
    EXPECT_LT(first.LongestGap(), 10 + kLate);
}

} // namespace
