// IPPort through its exported functions against openbsd-inetd's internal
// services on 127.0.0.1: echo on 20901, daytime on 20902, chargen on 20903; a
// peer of the test's own that keeps sending listens on 20904, and the HTTP
// tests' capture peer on 20400 plays a tunnelling proxy.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/net/tests/FloodPeer.h"

namespace {

constexpr int kEcho = 20901;
constexpr int kDaytime = 20902;
constexpr int kChargen = 20903;
constexpr int kFlood = 20904;        // a FloodPeer of the test's own
constexpr int kCaptureProxy = 20400; // the HTTP tests' capture peer

struct Port {
    void* obj = nullptr;
    std::vector<std::string> data;
    std::vector<bool> eols;
    std::vector<std::string> status;
    int connected = -1;
    int disconnected = -1;

    Port() { obj = IPPort_Create(&Port::Record, reinterpret_cast<INT_PTR>(this), nullptr); }
    ~Port() { IPPort_Destroy(obj); }

    static int WINAPI Record(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Port*>(user);
        if (event == kIpPortEventDataIn) {
            const char* text = reinterpret_cast<const char*>(params[0]);
            EXPECT_EQ(text[lengths[0]], '\0');
            self->data.emplace_back(text, size_t(lengths[0]));
            self->eols.push_back(params[1] != 0);
        } else if (event == kIpPortEventConnected) {
            self->connected = int(params[0]);
        } else if (event == kIpPortEventDisconnected) {
            self->disconnected = int(params[0]);
        } else if (event == kIpPortEventConnectionStatus) {
            self->status.emplace_back(reinterpret_cast<const char*>(params[0]));
        }
        return 0;
    }

    int Set(int property, INT_PTR value, int length = 0) { return IPPort_Set(obj, property, 0, value, length); }
    INT_PTR Get(int property) { return IPPort_Get(obj, property, 0, nullptr); }
    int Connect(int port)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>("127.0.0.1"), port};
        return IPPort_Do(obj, kIpPortConnect, 2, args, nullptr);
    }
    int SendLine(const char* text)
    {
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(text)};
        return IPPort_Do(obj, kIpPortSendLine, 1, args, nullptr);
    }
    int Send(const std::string& bytes)
    {
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(bytes.data())};
        int lengths[1] = {int(bytes.size())};
        return IPPort_Do(obj, kIpPortSend, 1, args, lengths);
    }
    int GetLine(std::string& line)
    {
        INT_PTR args[1] = {0};
        const int rc = IPPort_Do(obj, kIpPortGetLine, 1, args, nullptr);
        line = args[0] ? reinterpret_cast<const char*>(args[0]) : "";
        return rc;
    }
    void PumpUntil(size_t count)
    {
        for (int i = 0; i < 150 && data.size() < count; ++i)
            IPPort_Do(obj, kIpPortDoEvents, 0, nullptr, nullptr);
    }
    std::string Joined() const
    {
        std::string all;
        for (const std::string& d : data)
            all += d;
        return all;
    }
};

TEST(IpPort, GetLineReadsEchoedLinesOneAtATime)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Connect(kEcho), 0) << IPPort_GetLastError(p.obj);
    EXPECT_EQ(p.connected, 0);
    EXPECT_EQ(p.Get(kIpPortConnected), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.Get(kIpPortRemoteHost))), "127.0.0.1");

    ASSERT_EQ(p.Set(kIpPortSingleLineMode, 1), 0);
    ASSERT_EQ(p.SendLine("abc"), 0);
    EXPECT_EQ(p.Get(kIpPortBytesSent), 5);
    std::string line;
    ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
    EXPECT_EQ(line, "abc");

    // Three lines in one send come back one per GetLine, in order.
    ASSERT_EQ(p.Send("one\r\ntwo\r\n\r\nfour\r\n"), 0);
    for (const char* expected : {"one", "two", "", "four"}) {
        ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
        EXPECT_EQ(line, expected);
    }
    EXPECT_EQ(p.data.size(), 5u);

    // Nothing more comes: the wait ends at the deadline.
    ASSERT_EQ(p.Set(kIpPortTimeout, 1), 0);
    EXPECT_EQ(p.GetLine(line), 301);

    ASSERT_EQ(p.Set(kIpPortTimeout, 0), 0);
    EXPECT_EQ(p.GetLine(line), 301);
    EXPECT_STREQ(IPPort_GetLastError(p.obj), "GetLine requires a positive Timeout value.");
    ASSERT_EQ(IPPort_Do(p.obj, kIpPortDisconnect, 0, nullptr, nullptr), 0);
    EXPECT_EQ(p.disconnected, 0);
    EXPECT_EQ(p.Get(kIpPortConnected), 0);
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    EXPECT_EQ(p.GetLine(line), 301);
    EXPECT_STREQ(IPPort_GetLastError(p.obj), "Disconnected.");
}

TEST(IpPort, EventsWithoutTimeoutAndRecordsCutAtTheEol)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortRemoteHost, reinterpret_cast<INT_PTR>("127.0.0.1")), 0);
    ASSERT_EQ(p.Set(kIpPortRemotePort, kChargen), 0);
    ASSERT_EQ(p.Set(kIpPortEOL, reinterpret_cast<INT_PTR>("\r\n"), 2), 0);
    int length = 0;
    const char* eol = reinterpret_cast<const char*>(IPPort_Get(p.obj, kIpPortEOL, 0, &length));
    EXPECT_EQ(std::string(eol, size_t(length)), "\r\n");
    ASSERT_EQ(p.Set(kIpPortConnected, 1), 0);
    p.PumpUntil(5);
    ASSERT_GE(p.data.size(), 5u);
    EXPECT_EQ(p.connected, 0);
    // chargen's lines are 72 characters, each starting one further on.
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(p.data[i].size(), 72u) << i;
        EXPECT_TRUE(p.eols[i]);
    }
    EXPECT_EQ(p.data[1].substr(0, 71), p.data[0].substr(1));
    ASSERT_EQ(p.Set(kIpPortConnected, 0), 0);
    EXPECT_EQ(p.disconnected, 0);
    EXPECT_EQ(p.status.back(), "Remote host disconnected.");

    // Raw delivery: the echo service's answer arrives as it comes.
    Port echo;
    ASSERT_EQ(echo.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(echo.Connect(kEcho), 0);
    ASSERT_EQ(echo.Set(kIpPortTimeout, 0), 0);
    const std::string block(5000, 'x');
    ASSERT_EQ(echo.Send(block), 0);
    EXPECT_EQ(echo.Get(kIpPortBytesSent), 5000);
    for (int i = 0; i < 150 && echo.Joined().size() < block.size(); ++i)
        IPPort_Do(echo.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(echo.Joined(), block);
}

TEST(IpPort, DaytimeLineThenTheServerCloses)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Connect(kDaytime), 0);
    std::string line;
    ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_NE(line.find(std::to_string(now.wYear)), std::string::npos) << line;
    for (int i = 0; i < 150 && p.disconnected < 0; ++i)
        IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(p.disconnected, 0);
    EXPECT_EQ(p.Get(kIpPortConnected), 0);
}

// A peer that keeps sending: the close delivers what is on its way, up to a
// bound, then closes and returns, with and without a Timeout.
TEST(IpPort, ClosingWhileThePeerKeepsSending)
{
    for (int timeout : {0, 5}) {
        SCOPED_TRACE(timeout);
        FloodPeer peer(FloodPeer::Role::Serve, kFlood);
        Port p;
        ASSERT_EQ(p.Set(kIpPortTimeout, timeout), 0);
        ASSERT_EQ(p.Connect(kFlood), 0) << IPPort_GetLastError(p.obj);
        for (int i = 0; i < 300 && p.Joined().size() < 100000; ++i)
            IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        const size_t before = p.Joined().size();
        ASSERT_GT(before, 100000u);
        if (timeout == 0)
            ASSERT_EQ(p.Set(kIpPortConnected, 0), 0);
        else
            ASSERT_EQ(IPPort_Do(p.obj, kIpPortDisconnect, 0, nullptr, nullptr), 0);
        EXPECT_LE(p.Joined().size() - before, size_t(2) << 20);
        EXPECT_EQ(p.Get(kIpPortConnected), 0);
        EXPECT_EQ(p.disconnected, 0);
    }
}

TEST(IpPort, FirewallTypeChoosesItsPort)
{
    Port p;
    EXPECT_EQ(p.Get(kIpPortFirewallPort), 80);
    ASSERT_EQ(p.Set(kIpPortFirewallType, 2), 0);
    EXPECT_EQ(p.Get(kIpPortFirewallPort), 1080);
    ASSERT_EQ(p.Set(kIpPortFirewallType, 1), 0);
    EXPECT_EQ(p.Get(kIpPortFirewallPort), 80);
    ASSERT_EQ(p.Set(kIpPortFirewallHost, reinterpret_cast<INT_PTR>("localhost")), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(p.Get(kIpPortFirewallHost)), "127.0.0.1");
}

// A tunnelling proxy that refuses the CONNECT (the capture peer answers 407
// for any host but ok.test): the connection is closed, so the component is
// not left connected and the next attempt gets the same answer.
TEST(IpPort, ARefusedTunnelClosesTheConnection)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Set(kIpPortFirewallType, 1), 0);
    ASSERT_EQ(p.Set(kIpPortFirewallHost, reinterpret_cast<INT_PTR>("127.0.0.1")), 0);
    ASSERT_EQ(p.Set(kIpPortFirewallPort, kCaptureProxy), 0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>("other.test"), 80};
        EXPECT_EQ(IPPort_Do(p.obj, kIpPortConnect, 2, args, nullptr), 118);
        EXPECT_STREQ(IPPort_GetLastError(p.obj), "HTTP/1.0 407 Proxy Authentication Required");
        EXPECT_EQ(p.Get(kIpPortConnected), 0);
    }
}

} // namespace
