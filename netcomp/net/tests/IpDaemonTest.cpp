// IPDaemon through its exported functions on 127.0.0.1:20910-20919, with
// IPPort components of the same thread as its clients.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/net/tests/FloodPeer.h"

namespace {

struct Daemon {
    void* obj = nullptr;
    std::vector<int> connected;
    std::vector<int> disconnected;
    std::map<int, std::string> received;
    int requests = 0;
    bool accept = true;
    std::function<void(int, const std::string&)> onData;

    explicit Daemon(int port)
    {
        obj = IPDaemon_Create(&Daemon::Record, reinterpret_cast<INT_PTR>(this), nullptr);
        EXPECT_EQ(IPDaemon_Set(obj, kIpDaemonLocalPort, 0, port, 0), 0);
    }
    ~Daemon() { IPDaemon_Destroy(obj); }

    static int WINAPI Record(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Daemon*>(user);
        switch (event) {
        case kIpDaemonEventConnected:
            self->connected.push_back(int(params[0]));
            break;
        case kIpDaemonEventConnectionRequest:
            ++self->requests;
            params[0] = self->accept ? 1 : 0;
            break;
        case kIpDaemonEventDataIn: {
            const std::string text(reinterpret_cast<const char*>(params[1]), size_t(lengths[1]));
            self->received[int(params[0])] += text;
            if (self->onData)
                self->onData(int(params[0]), text);
            break;
        }
        case kIpDaemonEventDisconnected:
            self->disconnected.push_back(int(params[0]));
            break;
        default:
            break;
        }
        return 0;
    }

    int Listen(bool on) { return IPDaemon_Set(obj, kIpDaemonListening, 0, on ? 1 : 0, 0); }
    int SendLine(int id, const char* text)
    {
        INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(text)};
        return IPDaemon_Do(obj, kIpDaemonSendLine, 2, args, nullptr);
    }
    std::string Config(const char* setting)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(setting), 0};
        const int rc = IPDaemon_Do(obj, kIpDaemonConfig, 2, args, nullptr);
        return rc != 0 ? "rc" + std::to_string(rc) : args[1] ? reinterpret_cast<const char*>(args[1]) : "";
    }
    int Count() { return int(IPDaemon_Get(obj, kIpDaemonConnectionCount, 0, nullptr)); }
    void PumpUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 300 && !done(); ++i)
            IPDaemon_Do(obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    }
};

struct Client {
    void* obj = nullptr;
    bool disconnected = false;
    std::string data;

    Client() { obj = IPPort_Create(&Client::Record, reinterpret_cast<INT_PTR>(this), nullptr); }
    ~Client() { IPPort_Destroy(obj); }

    static int WINAPI Record(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Client*>(user);
        if (event == kIpPortEventDisconnected)
            self->disconnected = true;
        else if (event == kIpPortEventDataIn)
            self->data.append(reinterpret_cast<const char*>(params[0]), size_t(lengths[0]));
        return 0;
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
    d.onData = [&](int id, const std::string& text) {
        INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(text.data())};
        int lengths[2] = {0, int(text.size())};
        EXPECT_EQ(IPDaemon_Do(d.obj, kIpDaemonSend, 2, args, lengths), 0);
    };
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    EXPECT_EQ(d.Listen(true), 104);
    EXPECT_STREQ(IPDaemon_GetLastError(d.obj), "IPDaemon is already listening.");
    EXPECT_EQ(IPDaemon_Set(d.obj, kIpDaemonLocalPort, 0, 20911, 0), 106);

    Client a, b;
    ASSERT_EQ(a.Connect(20910), 0) << IPPort_GetLastError(a.obj);
    ASSERT_EQ(b.Connect(20910), 0) << IPPort_GetLastError(b.obj);
    d.PumpUntil([&] { return d.connected.size() == 2; });
    ASSERT_EQ(d.connected, (std::vector<int>{1, 2}));
    EXPECT_EQ(d.Count(), 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(IPDaemon_Get(d.obj, kIpDaemonRemoteHost, 2, nullptr)), "127.0.0.1");
    EXPECT_EQ(IPDaemon_Get(d.obj, kIpDaemonRemotePort, 2, nullptr), b.LocalPort());
    EXPECT_EQ(IPDaemon_Get(d.obj, kIpDaemonRemotePort, 1, nullptr), a.LocalPort());

    ASSERT_EQ(a.SendLine("from a"), 0);
    ASSERT_EQ(b.SendLine("from b"), 0);
    EXPECT_EQ(b.GetLine(), "from b");
    EXPECT_EQ(a.GetLine(), "from a");
    EXPECT_EQ(d.received[1], "from a\r\n");
    EXPECT_EQ(d.received[2], "from b\r\n");

    d.onData = nullptr;
    ASSERT_EQ(d.SendLine(2, "only b"), 0);
    EXPECT_EQ(b.GetLine(), "only b");
    for (int i = 0; i < 20; ++i)
        IPDaemon_Do(d.obj, kIpDaemonDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(a.data, "from a");

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
    for (int i = 0; i < 100 && !(a.disconnected && b.disconnected); ++i)
        IPPort_Do(a.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_TRUE(a.disconnected);
    EXPECT_TRUE(b.disconnected);
}

TEST(IpDaemon, VetoNumberingAndReuse)
{
    Daemon d(20912);
    ASSERT_EQ(d.Listen(true), 0) << IPDaemon_GetLastError(d.obj);
    d.accept = false;
    {
        Client refused;
        (void)refused.Connect(20912);
        d.PumpUntil([&] { return d.requests == 1; });
        for (int i = 0; i < 100 && !refused.disconnected; ++i)
            IPPort_Do(refused.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        EXPECT_TRUE(refused.disconnected);
    }
    EXPECT_TRUE(d.connected.empty());
    EXPECT_EQ(d.Count(), 0);

    d.accept = true;
    auto one = std::make_unique<Client>();
    auto two = std::make_unique<Client>();
    ASSERT_EQ(one->Connect(20912), 0);
    ASSERT_EQ(two->Connect(20912), 0);
    d.PumpUntil([&] { return d.connected.size() == 2; });
    one.reset();
    d.PumpUntil([&] { return d.disconnected.size() == 1; });
    ASSERT_EQ(d.disconnected, std::vector<int>{1});
    EXPECT_EQ(IPDaemon_CheckIndex(d.obj, kIpDaemonConnected, 1), 280);
    Client three;
    ASSERT_EQ(three.Connect(20912), 0);
    d.PumpUntil([&] { return d.connected.size() == 3; });
    EXPECT_EQ(d.connected, (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(d.Count(), 2);
}

TEST(IpDaemon, DisconnectInsideItsOwnDataIn)
{
    Daemon d(20913);
    d.onData = [&](int id, const std::string& text) {
        if (text.find("bye") != std::string::npos) {
            EXPECT_EQ(IPDaemon_Set(d.obj, kIpDaemonConnected, id, 0, 0), 0);
        }
    };
    ASSERT_EQ(d.Listen(true), 0);
    Client c, other;
    ASSERT_EQ(c.Connect(20913), 0);
    ASSERT_EQ(other.Connect(20913), 0);
    d.PumpUntil([&] { return d.connected.size() == 2; });
    ASSERT_EQ(c.SendLine("bye"), 0);
    d.PumpUntil([&] { return !d.disconnected.empty(); });
    EXPECT_EQ(d.disconnected, std::vector<int>{1});
    EXPECT_EQ(d.Count(), 1);
    for (int i = 0; i < 100 && !c.disconnected; ++i)
        IPPort_Do(c.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_TRUE(c.disconnected);
    // The other connection still works, and the freed number is given again.
    ASSERT_EQ(d.SendLine(2, "still here"), 0);
    EXPECT_EQ(other.GetLine(), "still here");
    Client again;
    ASSERT_EQ(again.Connect(20913), 0);
    d.PumpUntil([&] { return d.connected.size() == 3; });
    EXPECT_EQ(d.connected.back(), 1);
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
            d.PumpUntil([&] { return d.connected.size() == i; });
        }
        d.PumpUntil([&] { return d.disconnected.size() == i; });
        ASSERT_EQ(d.connected.size(), i);
        ASSERT_EQ(d.connected.back(), 1) << i;
    }
    EXPECT_EQ(d.Count(), 0);
}

// A client that keeps sending: Disconnect delivers what is on its way, up to
// a bound, then closes and returns.
TEST(IpDaemon, DisconnectWhileTheClientKeepsSending)
{
    Daemon d(20916);
    ASSERT_EQ(d.Listen(true), 0);
    FloodPeer client(FloodPeer::Role::Connect, 20916);
    d.PumpUntil([&] { return d.received[1].size() > 100000; });
    ASSERT_GT(d.received[1].size(), 100000u);
    const size_t before = d.received[1].size();
    INT_PTR args[1] = {1};
    ASSERT_EQ(IPDaemon_Do(d.obj, kIpDaemonDisconnect, 1, args, nullptr), 0);
    EXPECT_LE(d.received[1].size() - before, size_t(2) << 20);
    EXPECT_EQ(d.disconnected, std::vector<int>{1});
    EXPECT_EQ(d.Count(), 0);
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

} // namespace
