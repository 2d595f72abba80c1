#pragma once
// What the tests ask of the flood peer (netcomp/net/tests/flood_peer.c, on
// base port 20821) over TCP, and how they check what comes: crowds of
// clients for a server of the test's (CrowdServer, AskForClients), pattern
// streams for IPPorts and IPDaemon connections (PatternStreams,
// PatternPort), and the owner's timers that tick meanwhile.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/testing/CrowdStream.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/PatternStream.h"

namespace floodclients {

constexpr int kCrowd = 20828;   // "crowd <port> <count> <bytes>" sends clients to a server,
                                // "flood <port> <count>" clients that send the pattern for ever
constexpr int kPattern = 20829; // "bytes <n>" sends n bytes of the pattern (0: for ever)

// An IPDaemon that takes a crowd of clients, each sending its bytes and
// closing, and checks each connection's bytes as it ends.
struct CrowdServer {
    CrowdServer(int port, int count, int bytes) : daemon(Event, reinterpret_cast<INT_PTR>(this)), bytes(bytes)
    {
        EXPECT_EQ(daemon.Config("MaxConnections=2000"), 0);
        EXPECT_EQ(daemon.Set(kIpDaemonConnectionBacklog, count), 0);
        EXPECT_EQ(daemon.SetText(kIpDaemonLocalHost, "127.0.0.1"), 0);
        EXPECT_EQ(daemon.Set(kIpDaemonLocalPort, port), 0);
        EXPECT_EQ(daemon.Set(kIpDaemonListening, 1), 0);
    }

    static int WINAPI Event(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<CrowdServer*>(user);
        std::string ended;
        if (self->connections.Take(event, params, lengths, ended))
            self->Ended(ended);
        return 0;
    }

    // A connection's bytes, whole and in order, or what went wrong.
    void Ended(const std::string& got)
    {
        ++disconnected;
        if (CrowdWhole(got, bytes))
            ++complete;
        else if (firstBroken.empty())
            firstBroken = std::to_string(got.size()) + " bytes: " + got.substr(0, 40);
    }

    ComponentHolder<IPDaemonFunctions> daemon;
    int bytes;
    CrowdConnections connections;
    int disconnected = 0;
    int complete = 0;
    std::string firstBroken;
};

// The owner's timers for a crowd: thread timers, and timers of a window of
// its own, which only count their ticks.
struct OwnerTimers {
    OwnerTimers(const std::vector<UINT>& threadPeriods, const std::vector<UINT>& windowPeriods)
    {
        for (const UINT period : threadPeriods)
            threadTimers.push_back(std::make_unique<TickingTimer>(period));
        window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        for (std::size_t i = 0; i < windowPeriods.size(); ++i)
            EXPECT_NE(SetTimer(window, i + 1, windowPeriods[i], nullptr), 0u);
    }
    ~OwnerTimers() { DestroyWindow(window); }

    std::vector<std::unique_ptr<TickingTimer>> threadTimers;
    HWND window = nullptr;
};

// Asks the peer for clients of a server of the test's (a crowd, a flood):
// the connection its answer comes on, which does not block.
inline SOCKET AskForClients(const std::string& request)
{
    const SOCKET control = ConnectLoopback(kCrowd);
    EXPECT_NE(control, INVALID_SOCKET);
    EXPECT_EQ(send(control, request.data(), int(request.size()), 0), int(request.size()));
    u_long nonBlocking = 1;
    ioctlsocket(control, FIONBIO, &nonBlocking);
    return control;
}

// The owner's callbacks that check the pattern streams of IPPort and of
// IPDaemon's connections.
struct PatternStreams {
    using PerConnection = std::map<int, PatternStream>;
    // An IPPort's stream, and whether the port heard that the peer closed.
    struct Port {
        PatternStream stream;
        bool ended = false;
    };

    static int WINAPI OnIpPort(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* port = reinterpret_cast<Port*>(user);
        if (event == kIpPortEventDataIn)
            port->stream.Take(reinterpret_cast<const char*>(params[0]), lengths[0]);
        else if (event == kIpPortEventDisconnected)
            port->ended = true;
        return 0;
    }
    static int WINAPI OnIpDaemon(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        if (event == kIpDaemonEventDataIn)
            (*reinterpret_cast<PerConnection*>(user))[int(params[0])].Take(reinterpret_cast<const char*>(params[1]),
                                                                           lengths[1]);
        return 0;
    }
};

// An IPPort on the owner's callback that has asked the pattern port for
// `bytes` of the pattern (0: for ever).
inline std::unique_ptr<ComponentHolder<IPPortFunctions>> PatternPort(PatternStreams::Port& read,
                                                                     unsigned long long bytes)
{
    auto port =
        std::make_unique<ComponentHolder<IPPortFunctions>>(PatternStreams::OnIpPort, reinterpret_cast<INT_PTR>(&read));
    EXPECT_EQ(port->Set(kIpPortTimeout, 5), 0);
    INT_PTR target[2] = {reinterpret_cast<INT_PTR>("127.0.0.1"), kPattern};
    EXPECT_EQ(IPPort_Do(port->Handle(), kIpPortConnect, 2, target, nullptr), 0) << port->LastError();
    const std::string request = "bytes " + std::to_string(bytes);
    EXPECT_EQ(port->Do(kIpPortSendLine, {request.c_str()}), 0) << port->LastError();
    return port;
}

} // namespace floodclients
