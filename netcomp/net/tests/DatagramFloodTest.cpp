// The datagram components against a peer that answers the first datagram
// with a flood of datagrams that are not the answer, from four threads
// (udp_flood_peer.py, a Linux program that outruns any reader under Wine):
// a call still ends by its Timeout (with AbsoluteTimeout and without), an
// Interrupt asked for from the owner's timer ends it, the owner's windows are
// painted meanwhile, an answer that comes amid the flood is taken, and every
// datagram that is read is delivered in order.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/net/udp/UdpSocket.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/QueuedMessages.h"
#include "netcomp/testing/TestFiles.h"

namespace {

// The peer's ports, one for each kind of flood.
constexpr int kPlainFlood = 20821;  // "<sender> <number>" texts
constexpr int kDnsFlood = 20822;    // DNS answers with other ids
constexpr int kSnmpFlood = 20823;   // SNMP Responses to another request
constexpr int kDnsAnswered = 20824; // as kDnsFlood, and the answer 300 ms in
constexpr DWORD kTimeout = 2000;
// How far past its Timeout a call may end here: far more than a round
// takes, on a loaded machine, and far less than the peer's flood lasts.
constexpr DWORD kSlack = 1000;

// How many floods the peer has started from this port.
int FloodsFrom(int port)
{
    const std::string log = testfiles::ReadFile(testfiles::PeerFolder("udp_flood_peer") + "\\floods");
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

class DatagramFlood : public ::testing::Test {
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

TEST_F(DatagramFlood, TheExchangeEndsByItsTimeout)
{
    for (const bool absolute : {false, true}) {
        Asker asker(kPlainFlood);
        const char* answer = nullptr;
        ASSERT_EQ(asker.DoConfig(absolute ? "AbsoluteTimeout=True" : "AbsoluteTimeout=False", &answer), 0);
        const Timed t = Time([&] { return asker.Ask(); });
        Report(absolute ? "exchange, AbsoluteTimeout" : "exchange", t, kTimeout);
        EXPECT_EQ(t.rc, 301);
        EXPECT_STREQ(asker.LastErrorText(), "Timeout.");
        EXPECT_LT(t.ms, kTimeout + kSlack) << "AbsoluteTimeout " << absolute;
        EXPECT_GT(asker.seen, 1000) << "no flood"; // what was read was looked at
        // The read notifications of the flood do not pile up.
        EXPECT_LT(TakeQueuedMessages(asker.Window()), 200);
    }
}

TEST_F(DatagramFlood, DnsAndSnmpEndByTheirTimeout)
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
            EXPECT_LT(t.ms, kTimeout + kSlack) << setting;
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
            EXPECT_LT(t.ms, kTimeout + kSlack) << setting;
        }
    }
}

// The owner's thread goes on with its own messages while the flood comes:
// its window is painted, and its timer asks for the Interrupt that ends
// the call.
struct Owner {
    static Owner* current;
    Dns* dns = nullptr;
    HWND window = nullptr;
    DWORD start = 0;
    DWORD paintedAt = 0;
    DWORD interruptAt = 0;

    static void CALLBACK Repaint(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        InvalidateRect(current->window, nullptr, TRUE);
    }
    static void CALLBACK Stop(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        current->interruptAt = GetTickCount() - current->start;
        (void)current->dns->Do(kDnsInterrupt);
    }
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
};
Owner* Owner::current = nullptr;

TEST_F(DatagramFlood, TheOwnersTimerAndPaintingStillComeAndItsInterruptEndsTheCall)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = Owner::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KesFloodOwner";
    RegisterClassA(&wc);
    Owner owner;
    Owner::current = &owner;
    owner.window = CreateWindowA("KesFloodOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner.window, nullptr);
    UpdateWindow(owner.window);

    Dns dns(kDnsFlood);
    ASSERT_EQ(dns.Set(kDnsTimeout, 20), 0);
    owner.dns = &dns;
    const int floods = FloodsFrom(kDnsFlood);
    const UINT_PTR repaint = SetTimer(nullptr, 0, 500, Owner::Repaint);
    const UINT_PTR stop = SetTimer(nullptr, 0, 1000, Owner::Stop);
    owner.start = GetTickCount();
    const Timed t = Time([&] { return dns.Resolve(); });
    KillTimer(nullptr, repaint);
    KillTimer(nullptr, stop);
    EXPECT_EQ(FloodsFrom(kDnsFlood), floods + 1);
    Report("DNS Resolve, Interrupt asked for 1 s in", t, 1000);
    std::printf("[ flood    ] the Interrupt was asked for at %lu ms, the window painted at %lu ms\n",
                (unsigned long)owner.interruptAt, (unsigned long)owner.paintedAt);
    EXPECT_EQ(t.rc, 301);
    EXPECT_STREQ(dns.LastError(), "Interrupted.");
    EXPECT_NE(owner.interruptAt, 0u);
    EXPECT_LT(t.ms, owner.interruptAt + 1000);
    EXPECT_NE(owner.paintedAt, 0u);
    EXPECT_LT(owner.paintedAt, owner.interruptAt);
    Owner::current = nullptr;
    DestroyWindow(owner.window);
}

TEST_F(DatagramFlood, AnAnswerAmidTheFloodIsTaken)
{
    Dns dns(kDnsAnswered);
    ASSERT_EQ(dns.Set(kDnsTimeout, 10), 0);
    const Timed t = Time([&] { return dns.Resolve(); });
    Report("DNS Resolve, answered 300 ms in", t, 300);
    ASSERT_EQ(t.rc, 0) << dns.LastError();
    EXPECT_EQ(dns.GetInt(kDnsRecordCount), 1);
    EXPECT_EQ(dns.GetBytes(kDnsRecordData, 1), "\x0a\x09\x08\x07");
}

// UDPPort hands the owner every datagram it reads, each sender's in the
// order they were sent, and a DoEvents under the flood is one short step.
TEST_F(DatagramFlood, UdpPortDeliversInOrderAndItsStepsStayShort)
{
    std::map<int, long long> lastSeen;
    int delivered = 0;
    int outOfOrder = 0;
    EventRecorder events;
    events.TextsAt(kUdpPortEventDataIn, {0});
    events.OnEvent(kUdpPortEventDataIn, [&](const RecordedEvent& e) {
        int sender = -1;
        unsigned long long seq = 0;
        if (std::sscanf(e.texts[0].c_str(), "%d %llu", &sender, &seq) == 2) {
            auto last = lastSeen.find(sender);
            if (last != lastSeen.end() && (long long)seq <= last->second)
                ++outOfOrder;
            lastSeen[sender] = (long long)seq;
        }
        ++delivered;
        events.Clear();
    });
    ComponentHolder<UDPPortFunctions> port(EventRecorder::Callback, events.User());
    ASSERT_EQ(port.SetText(kUdpPortRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(port.Set(kUdpPortRemotePort, kPlainFlood), 0);
    ASSERT_EQ(port.Set(kUdpPortActive, 1), 0);
    ASSERT_EQ(port.SetBytes(kUdpPortDataToSend, "go"), 0);
    DWORD longest = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1500) {
        const Timed t = Time([&] { return port.Do(kUdpPortDoEvents); });
        longest = std::max(longest, t.ms);
    }
    std::printf("[ flood    ] UDPPort: %d datagrams delivered, the longest DoEvents %lu ms\n", delivered,
                (unsigned long)longest);
    EXPECT_GT(delivered, 100);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_LT(longest, 500u);
    // The close delivers what has come, and ends though more keeps coming.
    const int before = delivered;
    const Timed close = Time([&] { return port.Set(kUdpPortActive, 0); });
    Report("UDPPort close", close, 0);
    EXPECT_EQ(close.rc, 0);
    EXPECT_LT(close.ms, kSlack);
    EXPECT_GT(delivered, before);
    EXPECT_EQ(outOfOrder, 0);
}

} // namespace
