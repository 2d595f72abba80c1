// Many sockets on one thread, and owner loops of every kind, against the
// flood peer (netcomp/net/tests/flood_peer.c, started by
// tools/socket-crowds-bench.sh on base port 20921):
//   socket_crowds_bench crowd <clients> <bytes> <timer ms> [partial]
//       an IPDaemon takes a crowd of clients that connect, each send the
//       bytes and close, under a plain GetMessage loop (or the partial loop:
//       only WM_USER..0x7FFF taken, waits for posted messages alone) with a
//       thread timer running: how long until every connection ended, how
//       many ended whole, and the timer's ticks and longest gap
//   socket_crowds_bench ports <ports> <kilobytes> <timer ms> [partial|replace|pump]
//       that many IPPorts on one thread each receive that many kilobytes
//       under the owner's loop with a timer: how long until every port has
//       its bytes, whether all came in place, the timer's ticks and gap;
//       "replace" destroys half of them once they are half way and opens new
//       ones in their place; with "pump" the owner's DataIn event pumps
//       its messages (DoEvents)
//   socket_crowds_bench crowd-and-ports <clients> <bytes> <ports> <kilobytes> <timer ms>
//       both at once on one thread
//   socket_crowds_bench dns <count>
//       a DNS component resolves that many names one after the other
//       (blocking Resolve, Timeout 5) against a server that answers at once
//   socket_crowds_bench http <count>
//       an HTTP component gets a 13-byte reply that many times, one after
//       the other (blocking Get)
// Prints one line of figures. A case that has not ended after 30 s stops
// and says how far it got.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/FloodPeer.h"
#include "bench/WallClock.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/testing/CrowdStream.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/PatternStream.h"

namespace {

using namespace floodpeer;
constexpr DWORD kLongest = 30000;

void RunLoop(bool partial, const std::function<bool()>& done)
{
    if (partial)
        RunPartialLoop(kLongest, done);
    else
        RunOwnerLoop(kLongest, done);
}

// An IPDaemon that takes the peer's crowd and checks each connection as it
// ends.
struct Crowd {
    Crowd(int clients, int bytes) : clients(clients), bytes(bytes)
    {
        daemon = IPDaemon_Create(Event, reinterpret_cast<INT_PTR>(this), nullptr);
        INT_PTR config[1] = {T("MaxConnections=2000")};
        IPDaemon_Do(daemon, kIpDaemonConfig, 1, config, nullptr);
        IPDaemon_Set(daemon, kIpDaemonConnectionBacklog, 0, clients, 0);
        IPDaemon_Set(daemon, kIpDaemonLocalHost, 0, T("127.0.0.1"), 0);
        IPDaemon_Set(daemon, kIpDaemonLocalPort, 0, kCrowdServer, 0);
        IPDaemon_Set(daemon, kIpDaemonListening, 0, 1, 0);
    }
    ~Crowd()
    {
        if (control != INVALID_SOCKET)
            closesocket(control);
        IPDaemon_Destroy(daemon);
    }
    void Ask()
    {
        control = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        peer.sin_port = htons(u_short(kCrowd));
        connect(control, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
        const std::string request = "crowd " + std::to_string(kCrowdServer) + " " + std::to_string(clients) + " " +
                                    std::to_string(bytes) + "\n";
        send(control, request.data(), int(request.size()), 0);
    }
    bool Done() const { return ended == clients; }

    static int WINAPI Event(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Crowd*>(user);
        std::string ended;
        if (self->connections.Take(event, params, lengths, ended))
            self->Ended(ended);
        return 0;
    }
    void Ended(const std::string& got)
    {
        ++ended;
        whole_ += CrowdWhole(got, bytes);
    }

    int clients;
    int bytes;
    void* daemon = nullptr;
    SOCKET control = INVALID_SOCKET;
    CrowdConnections connections;
    int ended = 0;
    int whole_ = 0;
};

// A pattern stream whose owner pumps its messages (DoEvents) in each
// DataIn event.
struct PumpingStream : PatternStream {
    void* port = nullptr;
};

int WINAPI OnPumpingPort(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
{
    OnIpPort(user, event, count, params, lengths);
    auto* stream = reinterpret_cast<PumpingStream*>(user);
    if (event == kIpPortEventDataIn && stream->port)
        IPPort_Do(stream->port, kIpPortDoEvents, 0, nullptr, nullptr);
    return 0;
}

// IPPorts connected to the pattern port, each asking for `bytes`; with
// `pump`, their owner pumps its messages in each DataIn event.
struct Ports {
    Ports(int count, unsigned long long bytes, bool pump = false) : bytes(bytes), pump(pump)
    {
        for (int i = 0; i < count; ++i)
            Open();
    }
    ~Ports()
    {
        for (void* port : ports)
            IPPort_Destroy(port);
    }
    void Open()
    {
        if (!pump) {
            streams.push_back(std::make_unique<PatternStream>());
            ports.push_back(PatternPort(*streams.back(), bytes));
            return;
        }
        auto stream = std::make_unique<PumpingStream>();
        stream->port = PatternPort(*stream, bytes, OnPumpingPort);
        ports.push_back(stream->port);
        streams.push_back(std::move(stream));
    }
    // Ports half way through their bytes are destroyed, half of all ports
    // at most, and new ones are opened in their place.
    void ReplaceHalfWay()
    {
        for (std::size_t i = 0; i < ports.size() && replaced < int(ports.size()) / 2; ++i) {
            if (ports[i] && streams[i]->bytes >= bytes / 2 && streams[i]->bytes < bytes) {
                IPPort_Destroy(ports[i]);
                ports[i] = nullptr;
                dropped.push_back(std::move(streams[i]));
                streams[i] = std::make_unique<PatternStream>();
                ++replaced;
                Open();
            }
        }
    }
    bool Done() const
    {
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (ports[i] && streams[i]->bytes < bytes)
                return false;
        }
        return true;
    }
    int Whole() const
    {
        int n = 0;
        for (std::size_t i = 0; i < ports.size(); ++i)
            n += ports[i] && streams[i]->bytes == bytes && streams[i]->misplaced == 0;
        return n;
    }
    int Live() const
    {
        return int(std::count_if(ports.begin(), ports.end(), [](void* p) { return p != nullptr; }));
    }

    unsigned long long bytes;
    bool pump;
    std::vector<void*> ports;
    std::vector<std::unique_ptr<PatternStream>> streams;
    std::vector<std::unique_ptr<PatternStream>> dropped;
    int replaced = 0;
};

// Runs the owner's loop with a thread timer of `timerMs` (0: none) from
// `start` until `done`, and prints the case, the seconds it took, what came
// of it and the timer's ticks.
void Timed(const std::string& what, int timerMs, bool partial, const std::function<void()>& start,
           const std::function<bool()>& done, const std::function<std::string()>& outcome)
{
    std::unique_ptr<TickingTimer> timer;
    if (timerMs > 0)
        timer = std::make_unique<TickingTimer>(UINT(timerMs));
    const double began = Now();
    start();
    RunLoop(partial, done);
    const double seconds = Now() - began;
    std::printf("%s: %.3f s, %s; ", what.c_str(), seconds, outcome().c_str());
    if (timer)
        std::printf("%d ticks of %lu, longest timer gap %lu ms\n", timer->Ticks(),
                    (unsigned long)(seconds * 1000 / timerMs), (unsigned long)timer->LongestGap());
    else
        std::printf("no timer\n");
}

int CrowdCase(int clients, int bytes, int timerMs, bool partial)
{
    Crowd crowd(clients, bytes);
    const std::string what = "crowd " + std::to_string(clients) + " of " + std::to_string(bytes) + " bytes, timer " +
                             std::to_string(timerMs) + " ms, " + (partial ? "partial" : "plain") + " loop";
    Timed(
        what, timerMs, partial, [&] { crowd.Ask(); }, [&] { return crowd.Done(); },
        [&] {
            return std::to_string(crowd.ended) + " ended, " + std::to_string(crowd.whole_) + " whole, " +
                   std::to_string(crowd.connections.received) + " bytes";
        });
    return 0;
}

int PortsCase(int count, int kilobytes, int timerMs, const std::string& how)
{
    Ports ports(count, (unsigned long long)kilobytes << 10, how == "pump");
    const bool replace = how == "replace";
    const std::string what = "ports " + std::to_string(count) + " of " + std::to_string(kilobytes) + " KB, timer " +
                             std::to_string(timerMs) + " ms, " + how;
    Timed(
        what, timerMs, how == "partial", [] {},
        [&] {
            if (replace)
                ports.ReplaceHalfWay();
            return ports.Done();
        },
        [&] {
            return std::to_string(ports.Whole()) + " of " + std::to_string(ports.Live()) + " whole (" +
                   std::to_string(ports.replaced) + " replaced)";
        });
    return 0;
}

int CrowdAndPorts(int clients, int bytes, int count, int kilobytes, int timerMs)
{
    Crowd crowd(clients, bytes);
    Ports ports(count, (unsigned long long)kilobytes << 10);
    const std::string what = "crowd " + std::to_string(clients) + " of " + std::to_string(bytes) + " bytes and " +
                             std::to_string(count) + " ports of " + std::to_string(kilobytes) + " KB, timer " +
                             std::to_string(timerMs) + " ms";
    Timed(
        what, timerMs, false, [&] { crowd.Ask(); }, [&] { return crowd.Done() && ports.Done(); },
        [&] {
            return std::to_string(crowd.whole_) + " of the crowd whole, " + std::to_string(ports.Whole()) +
                   " ports whole";
        });
    return 0;
}

int Dns(int count)
{
    void* dns = DNS_Create(nullptr, 0, nullptr);
    DNS_Set(dns, kDnsDnsServer, 0, T("127.0.0.1"), 0);
    DNS_Set(dns, kDnsDnsPort, 0, kAnswers, 0);
    DNS_Set(dns, kDnsTimeout, 0, 5, 0);
    const double start = Now();
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const std::string name = "host" + std::to_string(i) + ".kes.test";
        INT_PTR args[1] = {T(name.c_str())};
        failed += DNS_Do(dns, kDnsResolve, 1, args, nullptr) != 0;
    }
    std::printf("dns %d look-ups: %.3f s, %d failed\n", count, Now() - start, failed);
    DNS_Destroy(dns);
    return 0;
}

int Http(int count)
{
    void* http = HTTP_Create(nullptr, 0, nullptr);
    HTTP_Set(http, kHttpTimeout, 0, 5, 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(kEndlessHttp) + "/small";
    const double start = Now();
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        INT_PTR args[1] = {T(url.c_str())};
        failed += HTTP_Do(http, kHttpMethodGet, 1, args, nullptr) != 0;
    }
    std::printf("http %d small gets: %.3f s, %d failed\n", count, Now() - start, failed);
    HTTP_Destroy(http);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    int rc = 2;
    if (what == "crowd" && argc >= 5)
        rc = CrowdCase(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                       argc > 5 && std::string(argv[5]) == "partial");
    else if (what == "ports" && argc >= 5)
        rc = PortsCase(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argc > 5 ? argv[5] : "plain");
    else if (what == "crowd-and-ports" && argc == 7)
        rc = CrowdAndPorts(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                           std::atoi(argv[6]));
    else if (what == "dns" && argc == 3)
        rc = Dns(std::atoi(argv[2]));
    else if (what == "http" && argc == 3)
        rc = Http(std::atoi(argv[2]));
    else
        std::fprintf(stderr, "usage: see the head of SocketCrowdsBench.cpp\n");
    WSACleanup();
    return rc;
}
