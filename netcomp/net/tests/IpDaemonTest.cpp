// IPDaemon through its exported functions on 127.0.0.1:20910-20919, with
// IPPort components of the same thread as its clients, and with a stand-in
// for the socket options the daemon hands Winsock.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/net/tests/FloodPeer.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/ProcessTally.h"
#include "netcomp/testing/WatchedRounds.h"
#include "netcomp/testing/WinsockStandIns.h"

namespace {

struct Daemon {
    void* obj = nullptr;
    EventRecorder events;

    explicit Daemon(int port)
    {
        events.TextsAt(kIpDaemonEventDataIn, {1});
        obj = IPDaemon_Create(EventRecorder::Callback, events.User(), nullptr);
        EXPECT_EQ(IPDaemon_Set(obj, kIpDaemonLocalPort, 0, port, 0), 0);
    }
    ~Daemon() { IPDaemon_Destroy(obj); }

    // The connection numbers of the Connected (or Disconnected) events, in order.
    std::vector<int> Ids(int event) const
    {
        std::vector<int> ids;
        for (const RecordedEvent& e : events.Of(event))
            ids.push_back(int(e.values[0]));
        return ids;
    }
    std::vector<int> Connected() const { return Ids(kIpDaemonEventConnected); }
    std::vector<int> Disconnected() const { return Ids(kIpDaemonEventDisconnected); }
    std::string Received(int id) const
    {
        std::string all;
        for (const RecordedEvent& e : events.Of(kIpDaemonEventDataIn))
            all += int(e.values[0]) == id ? e.texts[1] : "";
        return all;
    }
    size_t Requests() const { return events.Of(kIpDaemonEventConnectionRequest).size(); }
    void Accept(bool on) { events.AnswerWith(kIpDaemonEventConnectionRequest, 0, on ? 1 : 0); }
    // Runs inside each DataIn with the connection number and the text; null stops it.
    void OnData(std::function<void(int, const std::string&)> action)
    {
        if (!action) {
            events.OnEvent(kIpDaemonEventDataIn, nullptr);
            return;
        }
        events.OnEvent(kIpDaemonEventDataIn,
                       [action](const RecordedEvent& e) { action(int(e.values[0]), e.texts[1]); });
    }

    int Listen(bool on) { return IPDaemon_Set(obj, kIpDaemonListening, 0, on ? 1 : 0, 0); }
    // The port it listens on (the system's choice for port 0).
    int Port() { return int(IPDaemon_Get(obj, kIpDaemonLocalPort, 0, nullptr)); }
    int Disconnect(int id)
    {
        INT_PTR args[1] = {id};
        return IPDaemon_Do(obj, kIpDaemonDisconnect, 1, args, nullptr);
    }
    int SendLine(int id, const char* text)
    {
        INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(text)};
        return IPDaemon_Do(obj, kIpDaemonSendLine, 2, args, nullptr);
    }
    std::string Config(const char* setting)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(setting), 0};
        const int rc = IPDaemon_Do(obj, kIpDaemonConfig, 2, args, nullptr);
        return rc != 0 ? "rc" + std::to_string(rc) : AnswerText(args[1]);
    }
    int Count() { return int(IPDaemon_Get(obj, kIpDaemonConnectionCount, 0, nullptr)); }
    void PumpUntil(const std::function<bool()>& done)
    {
        for (const DWORD start = GetTickCount(); !done() && GetTickCount() - start < 10000;)
            IPDaemon_Do(obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    }
};

struct Client {
    void* obj = nullptr;
    EventRecorder events;

    Client()
    {
        events.TextsAt(kIpPortEventDataIn, {0});
        obj = IPPort_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Client() { IPPort_Destroy(obj); }

    bool Disconnected() const { return !events.Of(kIpPortEventDisconnected).empty(); }
    std::string Data() const
    {
        std::string all;
        for (const RecordedEvent& e : events.Of(kIpPortEventDataIn))
            all += e.texts[0];
        return all;
    }

    int Connect(int port)
    {
        EXPECT_EQ(IPPort_Set(obj, kIpPortTimeout, 0, 5, 0), 0);
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>("127.0.0.1"), port};
        return IPPort_Do(obj, kIpPortConnect, 2, args, nullptr);
    }
    int SendLine(const char* text)
    {
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(text)};
        return IPPort_Do(obj, kIpPortSendLine, 1, args, nullptr);
    }
    std::string GetLine()
    {
        INT_PTR args[1] = {0};
        const int rc = IPPort_Do(obj, kIpPortGetLine, 1, args, nullptr);
        return rc != 0 ? "rc" + std::to_string(rc) : reinterpret_cast<const char*>(args[0]);
    }
    int LocalPort() { return int(IPPort_Get(obj, kIpPortLocalPort, 0, nullptr)); }
};

TEST(IpDaemon, EchoesPerConnectionAndSendsToOneConnectionOnly)
{
    Daemon d(20910);
    d.OnData([&](int id, const std::string& text) {
        INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(text.data())};
        int lengths[2] = {0, int(text.size())};
        EXPECT_EQ(IPDaemon_Do(d.obj, kIpDaemonSend, 2, args, lengths), 0);
    });
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    EXPECT_EQ(d.Listen(true), 104);
    EXPECT_STREQ(IPDaemon_GetLastError(d.obj), "IPDaemon is already listening.");
    EXPECT_EQ(IPDaemon_Set(d.obj, kIpDaemonLocalPort, 0, 20911, 0), 106);

    Client a, b;
    ASSERT_EQ(a.Connect(20910), 0) << IPPort_GetLastError(a.obj);
    ASSERT_EQ(b.Connect(20910), 0) << IPPort_GetLastError(b.obj);
    d.PumpUntil([&] { return d.Connected().size() == 2; });
    ASSERT_EQ(d.Connected(), (std::vector<int>{1, 2}));
    EXPECT_EQ(d.Count(), 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(IPDaemon_Get(d.obj, kIpDaemonRemoteHost, 2, nullptr)), "127.0.0.1");
    EXPECT_EQ(IPDaemon_Get(d.obj, kIpDaemonRemotePort, 2, nullptr), b.LocalPort());
    EXPECT_EQ(IPDaemon_Get(d.obj, kIpDaemonRemotePort, 1, nullptr), a.LocalPort());

    ASSERT_EQ(a.SendLine("from a"), 0);
    ASSERT_EQ(b.SendLine("from b"), 0);
    EXPECT_EQ(b.GetLine(), "from b");
    EXPECT_EQ(a.GetLine(), "from a");
    EXPECT_EQ(d.Received(1), "from a\r\n");
    EXPECT_EQ(d.Received(2), "from b\r\n");

    d.OnData(nullptr);
    ASSERT_EQ(d.SendLine(2, "only b"), 0);
    EXPECT_EQ(b.GetLine(), "only b");
    for (int i = 0; i < 20; ++i)
        IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(a.Data(), "from a");

    // A bad number: the send method says so, the index check and the property too.
    EXPECT_EQ(d.SendLine(3, "nobody"), 126);
    EXPECT_STREQ(IPDaemon_GetLastError(d.obj), "Invalid ConnectionId");
    EXPECT_EQ(IPDaemon_CheckIndex(d.obj, kIpDaemonRemotePort, 3), 280);
    EXPECT_STREQ(IPDaemon_GetLastError(d.obj), "Invalid ConnectionId.");
    EXPECT_EQ(IPDaemon_Get(d.obj, kIpDaemonRemotePort, 3, nullptr), 0);
    EXPECT_EQ(IPDaemon_GetLastErrorCode(d.obj), 126);
    EXPECT_EQ(IPDaemon_Set(d.obj, kIpDaemonEOL, 3, reinterpret_cast<INT_PTR>("\n"), 1), 126);
    EXPECT_STREQ(IPDaemon_GetLastError(d.obj), "Invalid ConnectionId");

    ASSERT_EQ(IPDaemon_Do(d.obj, kIpDaemonShutdown, 0, nullptr, nullptr), 0);
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(IPDaemon_Get(d.obj, kIpDaemonListening, 0, nullptr), 0);
    for (const DWORD start = GetTickCount(); !(a.Disconnected() && b.Disconnected()) && GetTickCount() - start < 10000;)
        IPPort_Do(a.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_TRUE(a.Disconnected());
    EXPECT_TRUE(b.Disconnected());
}

TEST(IpDaemon, VetoNumberingAndReuse)
{
    Daemon d(20912);
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    d.Accept(false);
    {
        Client refused;
        (void)refused.Connect(20912);
        d.PumpUntil([&] { return d.Requests() == 1; });
        for (const DWORD start = GetTickCount(); !refused.Disconnected() && GetTickCount() - start < 10000;)
            IPPort_Do(refused.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        EXPECT_TRUE(refused.Disconnected());
    }
    EXPECT_TRUE(d.Connected().empty());
    EXPECT_EQ(d.Count(), 0);

    d.Accept(true);
    auto one = std::make_unique<Client>();
    auto two = std::make_unique<Client>();
    ASSERT_EQ(one->Connect(20912), 0);
    ASSERT_EQ(two->Connect(20912), 0);
    d.PumpUntil([&] { return d.Connected().size() == 2; });
    one.reset();
    d.PumpUntil([&] { return d.Disconnected().size() == 1; });
    ASSERT_EQ(d.Disconnected(), std::vector<int>{1});
    EXPECT_EQ(IPDaemon_CheckIndex(d.obj, kIpDaemonConnected, 1), 280);
    Client three;
    ASSERT_EQ(three.Connect(20912), 0);
    d.PumpUntil([&] { return d.Connected().size() == 3; });
    EXPECT_EQ(d.Connected(), (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(d.Count(), 2);
}

TEST(IpDaemon, DisconnectInsideItsOwnDataIn)
{
    Daemon d(20913);
    d.OnData([&](int id, const std::string& text) {
        if (text.find("bye") != std::string::npos) {
            EXPECT_EQ(IPDaemon_Set(d.obj, kIpDaemonConnected, id, 0, 0), 0);
        }
    });
    ASSERT_EQ(d.Listen(true), 0);
    Client c, other;
    ASSERT_EQ(c.Connect(20913), 0);
    ASSERT_EQ(other.Connect(20913), 0);
    d.PumpUntil([&] { return d.Connected().size() == 2; });
    ASSERT_EQ(c.SendLine("bye"), 0);
    d.PumpUntil([&] { return !d.Disconnected().empty(); });
    EXPECT_EQ(d.Disconnected(), std::vector<int>{1});
    EXPECT_EQ(d.Count(), 1);
    for (const DWORD start = GetTickCount(); !c.Disconnected() && GetTickCount() - start < 10000;)
        IPPort_Do(c.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_TRUE(c.Disconnected());
    // The other connection still works, and the freed number is given again.
    ASSERT_EQ(d.SendLine(2, "still here"), 0);
    EXPECT_EQ(other.GetLine(), "still here");
    Client again;
    ASSERT_EQ(again.Connect(20913), 0);
    d.PumpUntil([&] { return d.Connected().size() == 3; });
    EXPECT_EQ(d.Connected().back(), 1);
}

// A closed connection leaves the map, even though its socket handle is gone
// by then: a small table serves many more connections over time.
TEST(IpDaemon, ASmallTableServesManyConnectionsInTurn)
{
    Daemon d(20915);
    EXPECT_EQ(d.Config("MaxConnections=50"), "");
    ASSERT_EQ(d.Listen(true), 0);
    for (size_t i = 1; i <= 120; ++i) {
        {
            Client c;
            ASSERT_EQ(c.Connect(20915), 0) << i;
            d.PumpUntil([&] { return d.Connected().size() == i; });
        }
        d.PumpUntil([&] { return d.Disconnected().size() == i; });
        ASSERT_EQ(d.Connected().size(), i);
        ASSERT_EQ(d.Connected().back(), 1) << i;
    }
    EXPECT_EQ(d.Count(), 0);
}

// A client that keeps sending: Disconnect delivers what is on its way, up to
// a bound, then closes and returns.
TEST(IpDaemon, DisconnectWhileTheClientKeepsSending)
{
    Daemon d(20917);
    ASSERT_EQ(d.Listen(true), 0);
    FloodPeer client(FloodPeer::Role::Connect, 20917);
    d.PumpUntil([&] { return d.Received(1).size() > 100000; });
    const size_t before = d.Received(1).size();
    ASSERT_GT(before, 100000u);
    INT_PTR args[1] = {1};
    ASSERT_EQ(IPDaemon_Do(d.obj, kIpDaemonDisconnect, 1, args, nullptr), 0);
    EXPECT_LE(d.Received(1).size() - before, size_t(2) << 20);
    EXPECT_EQ(d.Disconnected(), std::vector<int>{1});
    EXPECT_EQ(d.Count(), 0);
}

// A plain blocking client socket of the test, connected to the daemon.
SOCKET RawConnect(int port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    to.sin_port = htons(u_short(port));
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), 0) << WSAGetLastError();
    DWORD wait = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    return s;
}

// A client of the daemon's that said `line`, taken once it came whole in the
// DataIn of connection `id`.
SOCKET ClientThatSaid(Daemon& d, int id, const std::string& line)
{
    SOCKET client = RawConnect(d.Port());
    EXPECT_EQ(send(client, line.data(), int(line.size()), 0), int(line.size()));
    d.PumpUntil([&] { return d.Received(id) == line; });
    return client;
}

// Reads one CR LF line from a test socket; "" on a close or time-out.
std::string RawLine(SOCKET s)
{
    std::string line;
    char c = 0;
    while (recv(s, &c, 1, 0) == 1) {
        line += c;
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0)
            return line;
    }
    return "";
}

// Notifications of a closed connection that are still queued must not reach
// the next connection, which gets the same handle value: here the daemon
// closes a connection in its DataIn while the peer's close is queued behind
// it and a new client waits to be accepted in between.
TEST(IpDaemon, NotificationsOfAClosedConnectionDoNotReachTheNext)
{
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(20916);
    bool closeOnData = true;
    d.OnData([&](int id, const std::string&) {
        if (closeOnData) {
            EXPECT_EQ(d.Disconnect(id), 0);
        }
    });
    ASSERT_EQ(d.Listen(true), 0);
    for (size_t round = 0; round < 3; ++round) {
        closeOnData = true;
        SOCKET first = RawConnect(20916);
        d.PumpUntil([&] { return d.Connected().size() == 2 * round + 1; });
        // The queue then holds: the first's data, the second's connect, the first's close.
        ASSERT_EQ(send(first, "bye\r\n", 5, 0), 5);
        Sleep(50);
        SOCKET second = RawConnect(20916);
        Sleep(50);
        closesocket(first);
        Sleep(50);
        d.PumpUntil([&] { return d.Connected().size() == 2 * round + 2; });
        for (int i = 0; i < 20; ++i)
            IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
        ASSERT_EQ(d.Disconnected().size(), 2 * round + 1) << "the new connection was closed in round " << round;
        ASSERT_EQ(d.Count(), 1);
        // The new connection works both ways.
        closeOnData = false;
        const int id = d.Connected().back();
        ASSERT_EQ(d.SendLine(id, "still here"), 0);
        EXPECT_EQ(RawLine(second), "still here\r\n");
        const std::string hello = "hello " + std::to_string(round) + "\r\n";
        ASSERT_EQ(send(second, hello.data(), int(hello.size()), 0), int(hello.size()));
        d.PumpUntil([&] { return d.Received(id).find(hello) != std::string::npos; });
        EXPECT_NE(d.Received(id).find(hello), std::string::npos);
        closesocket(second);
        d.PumpUntil([&] { return d.Disconnected().size() == 2 * round + 2; });
        ASSERT_EQ(d.Count(), 0);
    }
    WSACleanup();
}

// A client that sends and closes before the daemon takes its connection:
// the bytes and the close are all there at once, and every byte comes out
// before the Disconnected event, also past a read cut short by an urgent byte
// (the system stops a read at the urgent mark with bytes still behind it) and
// past reads that fill the buffer.
TEST(IpDaemon, WhatAClientSentBeforeItsCloseIsDeliveredWhole)
{
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(20918);
    ASSERT_EQ(d.Listen(true), 0);
    struct Case {
        std::string before, urgent, after;
    };
    const std::vector<Case> cases = {
        {"hello\r\n", "", ""},
        {"abc", "X", "def\r\n"},
        {std::string(5000, 'a'), "", ""},
        {std::string(3000, 'b'), "Y", std::string(3000, 'c')},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SOCKET s = RawConnect(20918);
        ASSERT_EQ(send(s, c.before.data(), int(c.before.size()), 0), int(c.before.size()));
        if (!c.urgent.empty()) {
            ASSERT_EQ(send(s, c.urgent.data(), 1, MSG_OOB), 1);
        }
        if (!c.after.empty()) {
            ASSERT_EQ(send(s, c.after.data(), int(c.after.size()), 0), int(c.after.size()));
        }
        closesocket(s);
        d.PumpUntil([&] { return !d.Disconnected().empty(); });
        ASSERT_EQ(d.Disconnected().size(), 1u) << "case " << i;
        const int id = d.Disconnected().back();
        const std::string got = d.Received(id), sent = c.before + c.urgent + c.after;
        EXPECT_TRUE(got == sent) << "case " << i << ": " << got.size() << " of " << sent.size() << " bytes, "
                                 << (got.find_first_of("XY") == std::string::npos ? "without" : "with")
                                 << " the urgent byte";
        ASSERT_FALSE(d.events.events.empty());
        EXPECT_EQ(d.events.events.back().event, kIpDaemonEventDisconnected) << "case " << i;
        d.events.events.clear();
    }
    WSACleanup();
}

// Many clients at once, each echoing its own lines in lockstep, while a third
// of them leave halfway and new ones take their place (and their handle
// values): every line comes back to the connection that sent it, whole.
TEST(IpDaemon, EchoesThreeHundredConnectionsAtOnce)
{
    constexpr int kClients = 300, kRounds = 10;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(20917);
    d.events.TextsAt(kIpDaemonEventDataIn, {});
    d.OnData([&](int id, const std::string&) {
        const RecordedEvent& e = d.events.events.back();
        INT_PTR args[2] = {id, e.values[1]};
        int lengths[2] = {0, e.lengths[1]};
        EXPECT_EQ(IPDaemon_Do(d.obj, kIpDaemonSend, 2, args, lengths), 0);
        d.events.events.clear();
    });
    int errors = 0;
    d.events.OnEvent(kIpDaemonEventError, [&](const RecordedEvent&) { ++errors; });
    ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonConnectionBacklog, 0, kClients, 0), 0);
    ASSERT_EQ(d.Listen(true), 0);

    std::atomic<bool> done{false};
    std::string failures;
    std::thread clients([&] {
        std::vector<SOCKET> s(kClients);
        for (SOCKET& c : s)
            c = RawConnect(20917);
        for (int round = 0; round < kRounds && failures.empty(); ++round) {
            if (round == kRounds / 2) {
                for (int i = 0; i < kClients; i += 3) {
                    closesocket(s[size_t(i)]);
                    s[size_t(i)] = RawConnect(20917);
                }
            }
            for (int i = 0; i < kClients; ++i) {
                const std::string line = "client " + std::to_string(i) + " line " + std::to_string(round) + "\r\n";
                send(s[size_t(i)], line.data(), int(line.size()), 0);
            }
            for (int i = 0; i < kClients && failures.empty(); ++i) {
                const std::string line = "client " + std::to_string(i) + " line " + std::to_string(round) + "\r\n";
                const std::string got = RawLine(s[size_t(i)]);
                if (got != line)
                    failures = "expected " + line + "got " + (got.empty() ? "nothing" : got);
            }
        }
        for (SOCKET c : s)
            closesocket(c);
        done = true;
    });
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 120000)
        IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    clients.join();
    EXPECT_EQ(failures, "");
    d.PumpUntil([&] { return d.Count() == 0; });
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(errors, 0);
    WSACleanup();
}

TEST(IpDaemon, MaxConnectionsIsLockedOnceListeningWasSet)
{
    Daemon d(20914);
    EXPECT_EQ(d.Config("MaxConnections"), "1021");
    EXPECT_EQ(d.Config("MaxConnections=50"), "");
    EXPECT_EQ(d.Config("MaxConnections"), "103");
    EXPECT_EQ(d.Config("MaxConnections=100109"), "rc200");
    for (const char* bad : {"MaxConnections=-1", "MaxConnections=", "MaxLineLength=-1", "InBufferSize=x"})
        EXPECT_EQ(d.Config(bad), "rc-1") << bad;
    EXPECT_EQ(d.Config("MaxConnections"), "103");
    ASSERT_EQ(d.Listen(true), 0);
    ASSERT_EQ(d.Listen(false), 0);
    EXPECT_EQ(d.Config("MaxConnections=10"), "rc108");
    EXPECT_STREQ(IPDaemon_GetLastError(d.obj), "Can't change MaxConnections after setting Listening to True.");
    EXPECT_EQ(d.Config("MaxConnections"), "103");
}

// What the daemon asks of setsockopt while it stands in: SO_LINGER (its
// l_onoff) and SO_KEEPALIVE of each socket but the listening one, which is
// the one given SO_REUSEADDR; both are refused with WSAENOBUFS when asked.
class ConnectionOptions {
public:
    ConnectionOptions()
    {
        m_winsock.Entries().setsockopt = &ConnectionOptions::Record;
        m_winsock.Entries().accept = &ConnectionOptions::Accept;
        s_self = this;
    }
    ~ConnectionOptions() { s_self = nullptr; }
    // "linger=<l_onoff> keepalive=<value>" as the last accepted socket holds them.
    std::string Held() const
    {
        linger lingering{};
        int length = sizeof lingering;
        int keepAlive = 0;
        int keepLength = sizeof keepAlive;
        if (m_winsock.Real().getsockopt(m_accepted, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&lingering),
                                        &length) != 0 ||
            m_winsock.Real().getsockopt(m_accepted, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<char*>(&keepAlive),
                                        &keepLength) != 0)
            return "unknown";
        return "linger=" + std::to_string(lingering.l_onoff) + " keepalive=" + std::to_string(keepAlive);
    }
    // "linger=<l_onoff> keepalive=<value>" per connection socket, in order.
    std::vector<std::string> Set() const
    {
        std::vector<std::string> out;
        for (const auto& [socket, text] : m_set)
            out.push_back(text);
        return out;
    }
    bool refuse = false;

private:
    // The daemon also asks for a next client that may not be there.
    static SOCKET WSAAPI Accept(SOCKET listener, sockaddr* address, int* length)
    {
        const SOCKET accepted = s_self->m_winsock.Real().accept(listener, address, length);
        if (accepted != INVALID_SOCKET)
            s_self->m_accepted = accepted;
        return accepted;
    }
    static int WSAAPI Record(SOCKET socket, int level, int option, const char* value, int length)
    {
        ConnectionOptions& self = *s_self;
        if (level == SOL_SOCKET && option == SO_REUSEADDR)
            self.m_listener = socket;
        if (socket != self.m_listener && level == SOL_SOCKET && (option == SO_LINGER || option == SO_KEEPALIVE)) {
            int shown = 0;
            if (option == SO_LINGER && length == int(sizeof(linger)))
                shown = reinterpret_cast<const linger*>(value)->l_onoff;
            else if (length == int(sizeof(int)))
                shown = *reinterpret_cast<const int*>(value);
            std::string& text = self.m_set[socket];
            text += std::string(text.empty() ? "" : " ") + (option == SO_LINGER ? "linger=" : "keepalive=") +
                    std::to_string(shown);
            if (self.refuse) {
                self.m_winsock.Real().WSASetLastError(WSAENOBUFS);
                return SOCKET_ERROR;
            }
        }
        return self.m_winsock.Real().setsockopt(socket, level, option, value, length);
    }

    static ConnectionOptions* s_self;
    WinsockStandIns m_winsock;
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_accepted = INVALID_SOCKET;
    std::map<SOCKET, std::string> m_set;
};
ConnectionOptions* ConnectionOptions::s_self = nullptr;

// Each new connection has Linger and KeepAlive as the properties stand when
// it comes: inherited from the listening socket, which took them when the
// daemon began to listen, or set on the connection where a property changed
// since. A refusal there is reported through Error with its code, and the
// connection stays. An owner that closes it from that Error event gets its
// Disconnected, and no Connected.
TEST(IpDaemon, EachNewConnectionIsGivenLingerAndKeepAlive)
{
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    {
        // Linger off and KeepAlive on before listening: the connection has
        // them from the listening socket.
        Daemon d(20918);
        ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonLinger, 0, 0, 0), 0);
        ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonKeepAlive, 0, 1, 0), 0);
        ConnectionOptions options;
        ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
        SOCKET client = RawConnect(20918);
        d.PumpUntil([&] { return d.Connected().size() == 1; });
        EXPECT_TRUE(options.Set().empty());
        EXPECT_EQ(options.Held(), "linger=1 keepalive=1");
        closesocket(client);
    }
    Daemon d(20919);
    ConnectionOptions options; // after the daemon's load of Winsock, which binds the real entries
    d.events.TextsAt(kIpDaemonEventError, {1});
    d.events.TextsAt(kIpDaemonEventDataIn, {1});
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    SOCKET first = RawConnect(20919);
    d.PumpUntil([&] { return d.Connected().size() == 1; });
    // The defaults (Linger on, a graceful close; KeepAlive off) are inherited.
    EXPECT_TRUE(options.Set().empty());
    EXPECT_EQ(options.Held(), "linger=0 keepalive=0");

    ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonLinger, 0, 0, 0), 0);
    ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonKeepAlive, 0, 1, 0), 0);
    options.refuse = true;
    SOCKET second = RawConnect(20919);
    d.PumpUntil([&] { return d.Connected().size() == 2; });
    ASSERT_EQ(d.Connected(), (std::vector<int>{1, 2}));
    EXPECT_EQ(options.Set(), (std::vector<std::string>{"linger=1 keepalive=1"}));
    std::vector<std::string> errors;
    for (const RecordedEvent& e : d.events.Of(kIpDaemonEventError))
        errors.push_back(std::to_string(e.values[0]) + " " + e.texts[1]);
    EXPECT_EQ(errors, (std::vector<std::string>{"10055 Error setting Linger option for new connection.",
                                                "10055 Error setting KeepAlive option for new connection."}));
    // The connection works all the same.
    ASSERT_EQ(send(second, "two\r\n", 5, 0), 5);
    d.PumpUntil([&] { return d.Received(2) == "two\r\n"; });
    EXPECT_EQ(d.Received(2), "two\r\n");

    bool closed = false;
    d.events.OnEvent(kIpDaemonEventError, [&](const RecordedEvent&) {
        if (!closed) {
            closed = true;
            EXPECT_EQ(d.Disconnect(3), 0);
        }
    });
    SOCKET third = RawConnect(20919);
    d.PumpUntil([&] { return !d.Disconnected().empty(); });
    EXPECT_EQ(d.Disconnected(), (std::vector<int>{3}));
    EXPECT_EQ(d.Connected(), (std::vector<int>{1, 2}));
    EXPECT_EQ(d.Count(), 2);
    EXPECT_EQ(RawLine(third), "");
    for (SOCKET s : {first, second, third})
        closesocket(s);
    WSACleanup();
}

// An owner whose timer of 10 ms works 15 ms at each tick (a thread with more
// work than time), and a crowd of clients that connect at once, each send
// 100 bytes and close: the owner and the server share the thread. Every
// client is served (within seconds: a turn of one notification between two
// ticks would take half a minute), and after each tick the server has as
// long as the tick took (a slice of a few ms would leave it a sliver), in
// the slice the turns give it and in the time until the thread looks at its
// queue again.
TEST(IpDaemon, ACrowdUnderABusyOwnerIsServedWhileTheOwnerKeepsItsShare)
{
    constexpr int kClients = 300, kBytes = 100;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(20914);
    d.events.TextsAt(kIpDaemonEventDataIn, {});
    std::map<int, int> open;
    int served = 0, broken = 0, errors = 0;
    d.events.OnEvent(kIpDaemonEventDataIn, [&](const RecordedEvent& e) {
        open[int(e.values[0])] += e.lengths[1];
        d.events.events.clear();
    });
    d.events.OnEvent(kIpDaemonEventDisconnected, [&](const RecordedEvent& e) {
        const int id = int(e.values[0]);
        served += open[id] == kBytes;
        broken += open[id] != kBytes;
        open.erase(id);
        d.events.events.clear();
    });
    d.events.OnEvent(kIpDaemonEventError, [&](const RecordedEvent&) { ++errors; });
    ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonConnectionBacklog, 0, kClients, 0), 0);
    ASSERT_EQ(d.Listen(true), 0);
    std::thread clients([] {
        std::vector<SOCKET> s(kClients);
        for (SOCKET& c : s)
            c = RawConnect(20914);
        const std::string bytes(kBytes, 'c');
        for (SOCKET c : s) {
            send(c, bytes.data(), kBytes, 0);
            closesocket(c);
        }
    });
    WatchedRounds rounds;
    TickingTimer timer(10, 15, 15);
    const DWORD start = GetTickCount();
    RunOwnerLoop(30000, [&] { return served + broken == kClients; });
    const DWORD took = GetTickCount() - start;
    const double share = timer.WorkShare();
    clients.join();
    std::printf("[ ipdaemon ] %s\n", rounds.Text().c_str());
    std::printf("[ ipdaemon ] %d clients under a timer of 10 ms that works 15 ms: served in %lu ms, the ticks held "
                "%.0f %% of the thread\n",
                served, (unsigned long)took, share * 100);
    EXPECT_EQ(served, kClients);
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(errors, 0);
    EXPECT_LT(took, 20000u);
    EXPECT_GE(rounds.Count(), 3);
    EXPECT_EQ(rounds.SocketsShort(10), 0);
    EXPECT_GE(rounds.SlicesLookedAfter(), 1);
    EXPECT_EQ(rounds.SlicesCutShort(), 0);
    WSACleanup();
}

// Connects to the daemon, sends `bytes` bytes and closes with a reset (a
// linger of 0), at once.
void ConnectSendAndReset(int port, int bytes)
{
    const SOCKET s = ConnectLoopback(port);
    if (s == INVALID_SOCKET)
        return;
    if (bytes > 0) {
        const std::string data(size_t(bytes), 'r');
        send(s, data.data(), bytes, 0);
    }
    CloseWithReset(s);
}

// Clients that connect and at once close with a reset, before or as the
// daemon accepts them (the system may then post nothing for the socket):
// with nothing sent, with 100 bytes sent first, and under a daemon that
// greets each client in its Connected event (the greeting's send finds the
// client gone), with and without the 100 bytes. Every connection ends with
// one Disconnected, with a reset's code (or 0 where the system saw a
// close), what a client sent before its reset is delivered (a send that
// finds the reset too), and the process's handles are back where they were.
TEST(IpDaemon, ClientsThatResetAtOnceAreLetGo)
{
    constexpr int kClients = 200;
    const struct {
        const char* what;
        int bytes;
        bool greet;
    } kinds[] = {{"nothing sent", 0, false},
                 {"100 bytes sent", 100, false},
                 {"a greeting in Connected", 0, true},
                 {"100 bytes sent, a greeting in Connected", 100, true}};
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        Daemon d(0);
        d.events.TextsAt(kIpDaemonEventDataIn, {});
        d.events.TextsAt(kIpDaemonEventDisconnected, {2});
        int connected = 0, disconnected = 0, received = 0, greetings = 0;
        std::map<std::string, int> ends;
        d.events.OnEvent(kIpDaemonEventConnected, [&](const RecordedEvent& e) {
            ++connected;
            if (kind.greet)
                greetings += d.SendLine(int(e.values[0]), "hello") == 0;
            d.events.events.clear();
        });
        d.events.OnEvent(kIpDaemonEventDataIn, [&](const RecordedEvent& e) {
            received += e.lengths[1];
            d.events.events.clear();
        });
        d.events.OnEvent(kIpDaemonEventDisconnected, [&](const RecordedEvent& e) {
            ++disconnected;
            ++ends[std::to_string(e.values[1]) + " " + e.texts[2]];
            d.events.events.clear();
        });
        ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonConnectionBacklog, 0, kClients, 0), 0);
        ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
        const int port = d.Port();
        const ProcessTally before = ProcessTally::Now();
        std::atomic<bool> sent{false};
        std::thread clients([&] {
            for (int i = 0; i < kClients; ++i)
                ConnectSendAndReset(port, kind.bytes);
            sent = true;
        });
        RunOwnerLoop(15000, [&] { return sent && disconnected >= kClients; });
        clients.join();
        // Nothing more comes.
        RunOwnerLoop(300);
        const ProcessTally after = ProcessTally::Now();
        std::string endings;
        for (const auto& [end, count] : ends)
            endings += " " + std::to_string(count) + " x " + end + ";";
        std::printf("[ ipdaemon ] %d clients that reset, %s: %d connected, %d disconnected, %d bytes,%s\n", kClients,
                    kind.what, connected, disconnected, received, endings.c_str());
        EXPECT_EQ(connected, kClients);
        EXPECT_EQ(disconnected, kClients);
        EXPECT_EQ(d.Count(), 0);
        EXPECT_EQ(received, kClients * kind.bytes);
        for (const auto& [end, count] : ends) {
            const bool reset = (end.rfind("10054 ", 0) == 0 || end.rfind("10053 ", 0) == 0) && end.size() > 6;
            EXPECT_TRUE(reset || end == "0 OK") << end;
        }
        EXPECT_EQ(after.handles, before.handles);
    }
    WSACleanup();
}

// Ten clients each send 42,000 bytes and reset once they are in, while the
// daemon works 5 ms on each record and echoes it in its DataIn, with or
// without pumping its messages first (DoEvents: a close notification is
// taken there): the echoes find the resets (the send gives the reset's
// code, as every send after it does), and still every byte each client sent
// reaches DataIn. Each connection ends with one Disconnected, after the
// DataIn in which the reset was found has returned, not inside it.
TEST(IpDaemon, AnEchoInsideDataInThatFindsTheClientResetLosesNothing)
{
    constexpr int kClients = 10;
    constexpr int kBytes = 42000;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    for (bool pump : {false, true}) {
        SCOPED_TRACE(pump ? "DoEvents, then the echo" : "the echo");
        Daemon d(0);
        d.events.TextsAt(kIpDaemonEventDataIn, {});
        std::map<int, int> inDataIn;
        int received = 0, disconnected = 0, endedInside = 0, resetsSeen = 0, otherFailures = 0;
        d.events.OnEvent(kIpDaemonEventDataIn, [&](const RecordedEvent& e) {
            const int id = int(e.values[0]);
            ++inDataIn[id];
            received += e.lengths[1];
            const std::string text(reinterpret_cast<const char*>(e.values[1]), std::size_t(e.lengths[1]));
            d.events.events.clear();
            Sleep(5);
            if (pump) {
                for (int i = 0; i < 5; ++i)
                    IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
            }
            INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(text.data())};
            int lengths[2] = {0, int(text.size())};
            const int rc = IPDaemon_Do(d.obj, kIpDaemonSend, 2, args, lengths);
            resetsSeen += rc == WSAECONNRESET || rc == WSAECONNABORTED;
            otherFailures += rc != 0 && rc != WSAECONNRESET && rc != WSAECONNABORTED;
            --inDataIn[id];
        });
        d.events.OnEvent(kIpDaemonEventDisconnected, [&](const RecordedEvent& e) {
            ++disconnected;
            endedInside += inDataIn[int(e.values[0])] > 0;
            d.events.events.clear();
        });
        ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
        const int port = d.Port();
        std::atomic<int> done{0};
        std::vector<std::thread> clients;
        for (int i = 0; i < kClients; ++i) {
            clients.emplace_back([&] {
                SOCKET s = RawConnect(port);
                const std::string data(kBytes, 'e');
                for (int at = 0, n = 0; at < kBytes && n >= 0; at += n)
                    n = send(s, data.data() + at, kBytes - at, 0);
                // The bytes are in the daemon's system by then (loopback).
                Sleep(100);
                CloseWithReset(s);
                ++done;
            });
        }
        RunOwnerLoop(30000, [&] { return done == kClients && disconnected >= kClients; });
        for (std::thread& t : clients)
            t.join();
        RunOwnerLoop(200);
        std::printf("[ ipdaemon ] %d clients of %d bytes that reset while echoed%s: %d bytes in DataIn, %d resets "
                    "found\n",
                    kClients, kBytes, pump ? " after DoEvents" : "", received, resetsSeen);
        EXPECT_EQ(received, kClients * kBytes);
        EXPECT_GE(resetsSeen, 1) << "no echo found a reset: nothing was tested";
        EXPECT_EQ(otherFailures, 0);
        EXPECT_EQ(disconnected, kClients);
        EXPECT_EQ(endedInside, 0);
        EXPECT_EQ(d.Count(), 0);
    }
    WSACleanup();
}

// A send of the owner's that finds the client gone ends the connection
// there and then: the method gives the reset's code, and what the client
// sent before its reset (its read notification still queued) and the
// connection's Disconnected have come before it returns, whatever the
// system posts later.
TEST(IpDaemon, ASendThatFindsTheClientGoneEndsTheConnection)
{
    constexpr int kBytes = 20000;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(0);
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    SOCKET client = ClientThatSaid(d, 1, "here\r\n");
    ASSERT_EQ(d.Received(1), "here\r\n");
    const std::string last(kBytes, 'l');
    ASSERT_EQ(send(client, last.data(), kBytes, 0), kBytes);
    Sleep(50);
    CloseWithReset(client);
    Sleep(100);
    // No message is taken between the reset and the send.
    const int rc = d.SendLine(1, "anyone there?");
    EXPECT_TRUE(rc == WSAECONNRESET || rc == WSAECONNABORTED) << rc;
    EXPECT_EQ(d.Received(1), "here\r\n" + last);
    EXPECT_EQ(d.Disconnected(), std::vector<int>{1});
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(IPDaemon_CheckIndex(d.obj, kIpDaemonConnected, 1), 280);
    for (int i = 0; i < 10; ++i)
        IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(d.Disconnected(), std::vector<int>{1});
    WSACleanup();
}

// A send to one client made inside the DataIn of another (a server that
// passes lines on) finds that client reset: the send gives the reset's
// code, and nothing of that client's fires inside the event: neither what
// it sent before its reset, still in the system, nor its Disconnected.
// Both come once the event has returned, all of what it sent and then one
// Disconnected with the reset's code.
TEST(IpDaemon, ASendToAnotherClientInsideDataInEndsItAfterTheEvent)
{
    constexpr int kBytes = 20000;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(0);
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    SOCKET other = ClientThatSaid(d, 1, "hello\r\n");
    SOCKET speaker = RawConnect(d.Port());
    d.PumpUntil([&] { return d.Connected().size() == 2; });
    ASSERT_EQ(d.Connected(), (std::vector<int>{1, 2}));

    // The speaker's line is queued first, then all the other client says
    // before its reset; nothing is taken meanwhile.
    ASSERT_EQ(send(speaker, "pass on\r\n", 9, 0), 9);
    Sleep(50);
    const std::string data(kBytes, 'o');
    ASSERT_EQ(send(other, data.data(), kBytes, 0), kBytes);
    Sleep(50);
    CloseWithReset(other);
    Sleep(100);

    int sendCode = -1;
    size_t eventsInside = 0;
    int countInside = 0;
    d.OnData([&](int id, const std::string&) {
        if (id != 2 || sendCode != -1)
            return;
        const size_t before = d.events.events.size();
        sendCode = d.SendLine(1, "from 2");
        eventsInside = d.events.events.size() - before;
        countInside = d.Count();
    });
    d.PumpUntil([&] { return !d.Disconnected().empty(); });
    for (int i = 0; i < 10; ++i)
        IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    EXPECT_TRUE(sendCode == WSAECONNRESET || sendCode == WSAECONNABORTED) << sendCode;
    EXPECT_EQ(eventsInside, 0u) << "events of the client gone fired inside the DataIn whose send found it so";
    EXPECT_EQ(countInside, 2);
    EXPECT_EQ(d.Received(1), "hello\r\n" + data);
    ASSERT_EQ(d.Disconnected(), std::vector<int>{1});
    const RecordedEvent end = d.events.Of(kIpDaemonEventDisconnected).front();
    EXPECT_TRUE(end.values[1] == WSAECONNRESET || end.values[1] == WSAECONNABORTED) << end.values[1];
    EXPECT_EQ(d.Count(), 1);
    closesocket(speaker);
    WSACleanup();
}

int g_waits = 0;

DWORD WINAPI CountedWait(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD wake)
{
    ++g_waits;
    return MsgWaitForMultipleObjects(count, handles, all, milliseconds, wake);
}

// An owner that pumps its messages in each DataIn event (DoEvents) takes
// every line a client sent, in order, and its DoEvents calls do not wait out
// their step for the next line's event, which is what comes next: they wait
// only where a read's records end and the next read's notification is to
// come, not at each of 2,000 lines.
TEST(IpDaemon, AnOwnerThatPumpsInEachDataInTakesEveryLineWithoutWaiting)
{
    constexpr int kLines = 2000;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(0);
    d.events.TextsAt(kIpDaemonEventDataIn, {1});
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    int lines = 0, misplaced = 0, pumps = 0, waitsInEvents = 0;
    bool ended = false;
    d.events.OnEvent(kIpDaemonEventConnected, [&](const RecordedEvent& e) {
        EXPECT_EQ(IPDaemon_Set(d.obj, kIpDaemonEOL, int(e.values[0]), reinterpret_cast<INT_PTR>("\r\n"), 2), 0);
    });
    d.events.OnEvent(kIpDaemonEventDataIn, [&](const RecordedEvent& e) {
        misplaced += e.texts[1] != std::to_string(100000 + lines) + std::string(92, 'l');
        ++lines;
        d.events.events.clear();
        ++pumps;
        const int before = g_waits;
        IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
        waitsInEvents += g_waits - before;
    });
    d.events.OnEvent(kIpDaemonEventDisconnected, [&](const RecordedEvent&) { ended = true; });
    const int port = d.Port();
    SOCKET client = RawConnect(port);
    d.PumpUntil([&] { return d.Connected().size() == 1; });
    std::string all;
    for (int i = 0; i < kLines; ++i)
        all += std::to_string(100000 + i) + std::string(92, 'l') + "\r\n";
    ASSERT_EQ(send(client, all.data(), int(all.size()), 0), int(all.size()));
    shutdown(client, SD_SEND);
    NetComponent::SetWaitSource(CountedWait);
    const DWORD start = GetTickCount();
    RunOwnerLoop(60000, [&] { return ended; });
    const DWORD took = GetTickCount() - start;
    NetComponent::SetWaitSource(nullptr);
    closesocket(client);
    std::printf("[ ipdaemon ] %d lines with DoEvents in each DataIn: %lu ms, %d of the DoEvents waited\n", lines,
                (unsigned long)took, waitsInEvents);
    EXPECT_TRUE(ended);
    EXPECT_EQ(lines, kLines);
    EXPECT_EQ(misplaced, 0);
    EXPECT_EQ(pumps, kLines);
    EXPECT_LT(waitsInEvents, kLines / 10);
    WSACleanup();
}

// The length of the last wait a wait step made; the wait itself is left out.
DWORD g_lastWait = 0;

DWORD WINAPI NotedWait(DWORD, const HANDLE*, BOOL, DWORD milliseconds, DWORD)
{
    g_lastWait = milliseconds;
    return WAIT_TIMEOUT;
}

// DoEvents takes no argument: one a caller passes anyway (a number it
// meant for something else, -1) changes nothing of its wait step, which
// is 10 ms for the server and 20 ms for a client.
TEST(IpDaemon, DoEventsWaitsItsOwnStepWhateverArgumentsItIsGiven)
{
    Daemon d(0);
    Client c;
    NetComponent::SetWaitSource(NotedWait);
    for (INT_PTR argument : {INT_PTR(-1), INT_PTR(60000)}) {
        INT_PTR args[2] = {argument, argument};
        int lengths[2] = {0, 0};
        g_lastWait = 0;
        for (int i = 0; i < 100 && g_lastWait == 0; ++i)
            IPDaemon_Do(d.obj, kIpDaemonDoEvents, 2, args, lengths);
        EXPECT_EQ(g_lastWait, 10u) << argument;
        g_lastWait = 0;
        for (int i = 0; i < 100 && g_lastWait == 0; ++i)
            IPPort_Do(c.obj, kIpPortDoEvents, 2, args, lengths);
        EXPECT_EQ(g_lastWait, 20u) << argument;
    }
    NetComponent::SetWaitSource(nullptr);
}

// The owner loop's dispatches so far, and the accepts made in each.
int g_dispatch = 0;
std::map<int, int> g_acceptsInDispatch;
SOCKET(WSAAPI* g_realAccept)(SOCKET, sockaddr*, int*) = nullptr;

SOCKET WSAAPI CountedAccept(SOCKET listener, sockaddr* address, int* length)
{
    const SOCKET accepted = g_realAccept(listener, address, length);
    if (accepted != INVALID_SOCKET)
        ++g_acceptsInDispatch[g_dispatch];
    return accepted;
}

// Clients that wait in the backlog are taken several in one accept turn,
// as many as wait while the turn's slice lasts (the clock stands still
// here, so the slice never ends; a turn takes 16 at most): one client a
// turn would keep a crowd waiting a round of the thread's line, and a stop
// for the owner's messages, for each of them.
TEST(IpDaemon, AnAcceptTurnTakesTheClientsThatWait)
{
    constexpr int kClients = 64;
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    Daemon d(0);
    ASSERT_EQ(IPDaemon_Set(d.obj, kIpDaemonConnectionBacklog, 0, kClients, 0), 0);
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    const int port = d.Port();
    std::vector<SOCKET> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(RawConnect(port));
    WinsockStandIns standIns;
    g_realAccept = standIns.Real().accept;
    standIns.Entries().accept = CountedAccept;
    g_acceptsInDispatch.clear();
    NetComponent::SetTickSource([]() -> DWORD { return 100000; });
    const DWORD start = GetTickCount();
    while (d.Connected().size() < size_t(kClients) && GetTickCount() - start < 10000) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++g_dispatch;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    NetComponent::SetTickSource(nullptr);
    int most = 0;
    std::string turns;
    for (const auto& [dispatch, accepts] : g_acceptsInDispatch) {
        most = std::max(most, accepts);
        turns += " " + std::to_string(accepts);
    }
    std::printf("[ ipdaemon ] %d waiting clients taken in turns of:%s\n", kClients, turns.c_str());
    EXPECT_EQ(d.Connected().size(), size_t(kClients));
    EXPECT_GE(most, 8);
    for (SOCKET c : clients)
        closesocket(c);
    WSACleanup();
}

} // namespace
