// The socket components against a peer that floods them for as long as
// their socket is open (flood_peer.c, a Linux program that keeps ahead of any
// reader under Wine): datagrams that are not the answer, an HTTP body that
// never ends. A call still ends by its Timeout (with AbsoluteTimeout and
// without); the owner's timers run when they are due and its window is
// painted, so that an Interrupt asked for from its timer ends the call; an
// answer that comes amid the flood is taken; every datagram that is read is
// delivered in order; and a close ends within 100 ms. "In time" is within
// kLate of the due time: a few rounds of 10 ms and wait steps of 10 ms, on a
// loaded machine.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/net/udp/UdpSocket.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/QueuedMessages.h"
#include "netcomp/testing/TestFiles.h"

namespace {

// The peer's ports, one for each kind of flood.
constexpr int kPlainFlood = 20821;  // "<sender> <number>" texts
constexpr int kDnsFlood = 20822;    // DNS answers with other ids
constexpr int kSnmpFlood = 20823;   // SNMP Responses to another request
constexpr int kDnsAnswered = 20824; // as kDnsFlood, and the answer among them from 300 ms on
constexpr int kStream = 20826;      // "stream <rate> <count>": a steady stream
constexpr int kEndlessHttp = 20827; // TCP: an HTTP reply whose body never ends
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

class SocketFlood : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLibraryInstance(GetModuleHandleA(nullptr));
        LibraryStartup();
    }
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

} // namespace
