// Many sockets on one thread, and owner loops of every kind, against the
// flood peer (netcomp/net/tests/flood_peer.c, started by
// tools/socket-crowds-bench.sh on base port 20921):
//   socket_crowds_bench crowd <clients> <bytes> <timer ms> [<loop>]
//       an IPDaemon takes a crowd of clients that connect, each send the
//       bytes and close, under a plain GetMessage loop with a thread timer
//       running: how long until every connection ended, how many ended
//       whole, and the timer's ticks and longest gap. The loop may be
//       "partial" (only WM_USER..0x7FFF taken, waits for posted messages
//       alone), "posted" (posted messages and timers alone taken,
//       PM_QS_POSTMESSAGE), "alternate" (partial for 200 ms, plain for 200 ms, and so
//       on), or "busy <least>-<most>": plain, with a timer whose every tick
//       works that many milliseconds (in turn through the range), which
//       also prints the share of the thread the ticks held
//   socket_crowds_bench ports <ports> <kilobytes> <timer ms> [partial|posted|alternate|busy
//   <least>-<most>|replace|pump]
//       that many IPPorts on one thread each receive that many kilobytes
//       under the owner's loop with a timer: how long from the first connect
//       until every port has its bytes, whether all came in place, the
//       timer's ticks and gap; "replace" destroys half of them once they
//       are half way and opens new ones in their place; with "pump" the
//       owner's DataIn event pumps its messages (DoEvents)
//   socket_crowds_bench waiting <clients> <bytes> <timer ms> <least>-<most> [hold] [pairs <n>]
//       a crowd that waits in the backlog (every client has connected, sent
//       its bytes and closed before the owner's loop starts; with "hold",
//       the clients stay connected, and the crowd is done once every byte
//       has come), taken under the timer doing nothing and under the timer
//       working that many milliseconds a tick, with a second thread timer
//       of 500 ms without a procedure beside it; n pairs of those (6), the
//       busy half first in every other pair: the median times, busy ÷ idle
//       with its spread, every pair's times, and the share of the thread
//       the busy ticks held
//   socket_crowds_bench crowd-and-ports <clients> <bytes> <ports> <kilobytes> <timer ms>
//       both at once on one thread
//   socket_crowds_bench idle <clients> <trips>
//       an IPDaemon holds that many idle connections of the peer's, then a
//       client of the program's own makes that many one-line round trips
//       to it, one after the other: the first, the median and the slowest
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

// The owner's loop and its timer's work at each tick.
struct Loop {
    std::string kind = "plain"; // plain, partial, posted or alternate
    DWORD workLeast = 0;
    DWORD workMost = 0;

    // From the arguments after the timer's period: a loop, or an option of
    // the case's own (left in `how`).
    static Loop From(int argc, char** argv, int at, std::string* how = nullptr)
    {
        Loop loop;
        const std::string word = argc > at ? argv[at] : "";
        if (word == "partial" || word == "posted" || word == "alternate")
            loop.kind = word;
        else if (word == "busy" && argc > at + 1)
            std::sscanf(argv[at + 1], "%lu-%lu", &loop.workLeast, &loop.workMost);
        else if (how)
            *how = word.empty() ? "plain" : word;
        if (loop.workMost < loop.workLeast)
            loop.workMost = loop.workLeast;
        return loop;
    }
    // A plain loop whose timer works "<least>-<most>" milliseconds a tick.
    static Loop Busy(const char* range)
    {
        Loop loop;
        std::sscanf(range, "%lu-%lu", &loop.workLeast, &loop.workMost);
        loop.workMost = std::max(loop.workMost, loop.workLeast);
        return loop;
    }
    std::string Name() const
    {
        if (workMost == 0)
            return kind;
        return "busy " + std::to_string(workLeast) + "-" + std::to_string(workMost) + " ms";
    }
    void Run(const std::function<bool()>& done) const
    {
        if (kind == "partial")
            RunPartialLoop(kLongest, done);
        else if (kind == "posted")
            RunPostedLoop(kLongest, done);
        else if (kind == "alternate")
            RunAlternatingLoop(200, 200, kLongest, done);
        else
            RunOwnerLoop(kLongest, done);
    }
};

// An IPDaemon that takes the peer's crowd and checks each connection as it
// ends.
struct Crowd {
    Crowd(int clients, int bytes, bool hold = false) : clients(clients), bytes(bytes), hold(hold)
    {
        for (int i = 0; i < clients; ++i)
            expected += (long long)std::to_string(i).size() + 1 + bytes;
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
        control = AskFloodPeer("crowd " + std::to_string(kCrowdServer) + " " + std::to_string(clients) + " " +
                               std::to_string(bytes) + (hold ? " hold" : ""));
    }
    bool Done() const { return hold ? connections.received == expected : ended == clients; }
    // The connections whole: those that ended, or with "hold" those open.
    int Whole() const
    {
        if (!hold)
            return whole_;
        int n = 0;
        for (const auto& [id, got] : connections.open)
            n += CrowdWhole(got, bytes);
        return n;
    }
    // Waits for the peer's word that every client has connected, sent and
    // closed (the daemon takes none meanwhile: they wait in its backlog).
    bool WaitForPeer()
    {
        std::string answer;
        char c = 0;
        while (answer.find('\n') == std::string::npos && recv(control, &c, 1, 0) == 1)
            answer += c;
        return answer.rfind("connected", 0) == 0;
    }

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
    bool hold;
    long long expected = 0;
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
    explicit Ports(unsigned long long bytes, bool pump = false) : bytes(bytes), pump(pump) {}
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

// Runs `start`, then the owner's loop with a thread timer of `timerMs` (0:
// none) until `done`, and prints the case, the seconds it took from the
// start, what came of it and the timer's ticks. The timer starts once
// `start` has returned: a blocking call of the owner's (the ports' connects)
// ends as soon as its own answer comes, before a timer's turn.
void Timed(const std::string& what, int timerMs, const Loop& loop, const std::function<void()>& start,
           const std::function<bool()>& done, const std::function<std::string()>& outcome)
{
    const double began = Now();
    start();
    std::unique_ptr<TickingTimer> timer;
    const double timerStart = Now();
    if (timerMs > 0)
        timer = std::make_unique<TickingTimer>(UINT(timerMs), loop.workLeast, loop.workMost);
    loop.Run(done);
    const double end = Now();
    std::printf("%s: %.3f s, %s; ", what.c_str(), end - began, outcome().c_str());
    if (!timer) {
        std::printf("no timer\n");
        return;
    }
    std::printf("%d ticks of %lu, longest timer gap %lu ms", timer->Ticks(),
                (unsigned long)((end - timerStart) * 1000 / timerMs), (unsigned long)timer->LongestGap());
    if (loop.workMost > 0)
        std::printf(", timer held %.0f %% of the thread", timer->WorkShare() * 100);
    std::printf("\n");
}

int CrowdCase(int clients, int bytes, int timerMs, const Loop& loop)
{
    Crowd crowd(clients, bytes);
    const std::string what = "crowd " + std::to_string(clients) + " of " + std::to_string(bytes) + " bytes, timer " +
                             std::to_string(timerMs) + " ms, " + loop.Name() + " loop";
    Timed(
        what, timerMs, loop, [&] { crowd.Ask(); }, [&] { return crowd.Done(); },
        [&] {
            return std::to_string(crowd.ended) + " ended, " + std::to_string(crowd.whole_) + " whole, " +
                   std::to_string(crowd.connections.received) + " bytes";
        });
    return 0;
}

// The waiting crowd under the owner's loop and a timer whose ticks work
// `loop`'s milliseconds, beside a second thread timer of 500 ms without a
// procedure (an owner's WM_TIMER that its loop dispatches to nothing): the
// seconds until every connection ended.
double WaitingCrowd(int clients, int bytes, bool hold, int timerMs, const Loop& loop, std::string* outcome,
                    double* held, bool* whole)
{
    Crowd crowd(clients, bytes, hold);
    crowd.Ask();
    if (!crowd.WaitForPeer()) {
        *outcome = "the peer did not send the crowd";
        *whole = false;
        return 0;
    }
    const UINT_PTR bare = SetTimer(nullptr, 0, 500, nullptr);
    TickingTimer timer(UINT(timerMs), loop.workLeast, loop.workMost);
    const double start = Now();
    loop.Run([&] { return crowd.Done(); });
    const double took = Now() - start;
    if (bare)
        KillTimer(nullptr, bare);
    *held = timer.WorkShare();
    const int ended = hold ? int(crowd.connections.open.size()) : crowd.ended;
    *outcome = std::to_string(ended) + (hold ? " held, " : " ended, ") + std::to_string(crowd.Whole()) + " whole";
    *whole = ended == clients && crowd.Whole() == clients;
    return took;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// "<median> (<min>-<max>)" of the values, each times `scale`, with `digits`
// decimals.
std::string Spread(const std::vector<double>& values, double scale, int digits)
{
    if (values.empty())
        return "-";
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f-%.*f)", digits, Median(values) * scale, digits, *least * scale, digits,
                  *most * scale);
    return text;
}

// `pairs` pairs of runs, each the crowd under the idle timer and under the
// busy one; the busy half runs first in every other pair (a run lasts a
// fraction of a second, and the first of a pair meets a colder thread and
// peer). Prints the medians with their spread (a slow mode shows as a
// maximum), every pair's times, and the busy timer's share of the thread.
int WaitingCase(int clients, int bytes, int timerMs, const Loop& busy, bool hold, int pairs)
{
    std::vector<double> busyTimes, idleTimes, ratios, held;
    std::string each, broken;
    int whole = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        const bool busyFirst = pair % 2 == 1;
        double times[2] = {0, 0}; // idle, busy
        for (int half = 0; half < 2; ++half) {
            const bool isBusy = (half == 0) == busyFirst;
            std::string outcome;
            double share = 0;
            bool ok = false;
            const double took =
                WaitingCrowd(clients, bytes, hold, timerMs, isBusy ? busy : Loop(), &outcome, &share, &ok);
            times[isBusy] = took;
            whole += ok;
            if (!ok && broken.empty())
                broken = std::string(isBusy ? " (busy: " : " (idle: ") + outcome + ")";
            if (isBusy)
                held.push_back(share);
        }
        idleTimes.push_back(times[0]);
        busyTimes.push_back(times[1]);
        if (times[0] > 0)
            ratios.push_back(times[1] / times[0]);
        char text[64];
        std::snprintf(text, sizeof text, " %.0f/%.0f%s", times[1] * 1000, times[0] * 1000, busyFirst ? "*" : "");
        each += text;
    }
    std::printf("waiting crowd %d of %d bytes%s, timer %d ms, %s, %d pairs: %.3f s busy, %.3f s idle (medians); "
                "%d of %d runs whole%s; busy ÷ idle %.2f, with min and max %s; timer held %.0f %% of the thread in the "
                "busy runs, %s; each pair busy/idle ms (* busy first):%s\n",
                clients, bytes, hold ? " held" : "", timerMs, busy.Name().c_str(), pairs, Median(busyTimes),
                Median(idleTimes), whole, 2 * pairs, broken.c_str(), Median(ratios), Spread(ratios, 1, 2).c_str(),
                Median(held) * 100, Spread(held, 100, 0).c_str(), each.c_str());
    return 0;
}

// An IPDaemon holding the peer's crowd of idle connections (each sent its
// number and waits) echoes what a client of its own sends.
struct IdleCrowd {
    explicit IdleCrowd(int clients) : clients(clients)
    {
        daemon = IPDaemon_Create(Event, reinterpret_cast<INT_PTR>(this), nullptr);
        const std::string most = "MaxConnections=" + std::to_string(clients + 16);
        INT_PTR config[1] = {T(most.c_str())};
        IPDaemon_Do(daemon, kIpDaemonConfig, 1, config, nullptr);
        IPDaemon_Set(daemon, kIpDaemonConnectionBacklog, 0, clients, 0);
        IPDaemon_Set(daemon, kIpDaemonLocalHost, 0, T("127.0.0.1"), 0);
        IPDaemon_Set(daemon, kIpDaemonLocalPort, 0, kCrowdServer, 0);
        IPDaemon_Set(daemon, kIpDaemonListening, 0, 1, 0);
    }
    ~IdleCrowd() { IPDaemon_Destroy(daemon); }

    static int WINAPI Event(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<IdleCrowd*>(user);
        const int id = int(params[0]);
        if (event == kIpDaemonEventConnected) {
            ++self->connected;
        } else if (event == kIpDaemonEventDataIn) {
            std::string& got = self->lines[id];
            got.append(reinterpret_cast<const char*>(params[1]), std::size_t(lengths[1]));
            if (got.rfind("trip", 0) != 0) {
                self->heard += got.find('\n') != std::string::npos;
                return 0;
            }
            if (got.find('\n') == std::string::npos)
                return 0;
            INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(got.data())};
            int sizes[2] = {0, int(got.size())};
            self->failed += IPDaemon_Do(self->daemon, kIpDaemonSend, 2, args, sizes) != 0;
            got.clear();
        }
        return 0;
    }

    int clients;
    void* daemon = nullptr;
    std::map<int, std::string> lines;
    int connected = 0;
    int heard = 0;
    int failed = 0;
};

// A client of the bench's own on a thread of its own: `trips` one-line
// round trips to the daemon, one after the other, each timed.
struct TripClient {
    int trips = 0;
    std::vector<double> times;
    volatile LONG done = 0;

    static DWORD WINAPI Run(void* self)
    {
        auto& c = *static_cast<TripClient*>(self);
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        peer.sin_port = htons(u_short(kCrowdServer));
        if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
            Sleep(200); // taken and settled before the first trip
            for (int i = 0; i < c.trips; ++i) {
                const std::string line = "trip " + std::to_string(i) + "\r\n";
                const double start = Now();
                if (send(s, line.data(), int(line.size()), 0) != int(line.size()))
                    break;
                std::string back;
                char buffer[64];
                int got = 0;
                while (back.find('\n') == std::string::npos && (got = recv(s, buffer, sizeof buffer, 0)) > 0)
                    back.append(buffer, std::size_t(got));
                if (back != line)
                    break;
                c.times.push_back((Now() - start) * 1000);
            }
        }
        closesocket(s);
        InterlockedExchange(&c.done, 1);
        return 0;
    }
};

// A daemon holds `clients` idle connections of the peer's; then a client of
// its own makes `trips` one-line round trips, one after the other: the
// first, the median and the slowest.
int IdleCase(int clients, int trips)
{
    IdleCrowd crowd(clients);
    const SOCKET control =
        AskFloodPeer("crowd " + std::to_string(kCrowdServer) + " " + std::to_string(clients) + " 0 hold");
    const double start = Now();
    RunOwnerLoop(kLongest, [&] { return crowd.heard == clients; });
    const double held = Now() - start;
    // Settled: nothing of the crowd's is queued any more.
    RunOwnerLoop(500);
    TripClient client;
    client.trips = trips;
    HANDLE thread = CreateThread(nullptr, 0, TripClient::Run, &client, 0, nullptr);
    RunOwnerLoop(kLongest, [&] { return client.done != 0; });
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    closesocket(control);
    std::vector<double> sorted = client.times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("idle %d connections, %d one-line round trips: %.3f s, %d held in %.3f s, %zu trips back; first %.2f "
                "ms, median %.2f ms, slowest %.2f ms\n",
                clients, trips, sorted.empty() ? 0.0 : sorted.back() / 1000, crowd.heard, held, client.times.size(),
                client.times.empty() ? 0.0 : client.times.front(), Median(client.times),
                sorted.empty() ? 0.0 : sorted.back());
    return 0;
}

int PortsCase(int count, int kilobytes, int timerMs, const Loop& loop, const std::string& option)
{
    const std::string how = loop.kind == "plain" && loop.workMost == 0 ? option : loop.Name();
    Ports ports((unsigned long long)kilobytes << 10, how == "pump");
    const bool replace = how == "replace";
    const std::string what = "ports " + std::to_string(count) + " of " + std::to_string(kilobytes) + " KB, timer " +
                             std::to_string(timerMs) + " ms, " + how;
    Timed(
        what, timerMs, loop,
        [&] {
            for (int i = 0; i < count; ++i)
                ports.Open();
        },
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
    Ports ports((unsigned long long)kilobytes << 10);
    const std::string what = "crowd " + std::to_string(clients) + " of " + std::to_string(bytes) + " bytes and " +
                             std::to_string(count) + " ports of " + std::to_string(kilobytes) + " KB, timer " +
                             std::to_string(timerMs) + " ms";
    Timed(
        what, timerMs, Loop(),
        [&] {
            crowd.Ask();
            for (int i = 0; i < count; ++i)
                ports.Open();
        },
        [&] { return crowd.Done() && ports.Done(); },
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
        rc = CrowdCase(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), Loop::From(argc, argv, 5));
    else if (what == "waiting" && argc >= 6) {
        bool hold = false;
        int pairs = 6;
        for (int at = 6; at < argc; ++at) {
            if (std::string(argv[at]) == "hold")
                hold = true;
            else if (std::string(argv[at]) == "pairs" && at + 1 < argc)
                pairs = std::max(1, std::atoi(argv[++at]));
        }
        rc = WaitingCase(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), Loop::Busy(argv[5]), hold, pairs);
    } else if (what == "ports" && argc >= 5) {
        std::string option = "plain";
        const Loop loop = Loop::From(argc, argv, 5, &option);
        rc = PortsCase(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), loop, option);
    } else if (what == "crowd-and-ports" && argc == 7)
        rc = CrowdAndPorts(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                           std::atoi(argv[6]));
    else if (what == "idle" && argc == 4)
        rc = IdleCase(std::atoi(argv[2]), std::atoi(argv[3]));
    else if (what == "dns" && argc == 3)
        rc = Dns(std::atoi(argv[2]));
    else if (what == "http" && argc == 3)
        rc = Http(std::atoi(argv[2]));
    else
        std::fprintf(stderr, "usage: see the head of SocketCrowdsBench.cpp\n");
    WSACleanup();
    return rc;
}
