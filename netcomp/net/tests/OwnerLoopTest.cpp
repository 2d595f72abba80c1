// The sockets' turns under owner loops that are not a plain GetMessage loop,
// against the flood peer: a loop that takes only the messages from WM_USER
// to 0x7FFF (the sockets' own among them) and waits for posted messages
// alone, while timers of its thread are due for ever; an owner that pumps
// its messages inside its DataIn event; and a loop with nothing of its own
// waiting while a long line of connections takes its turns. Every byte
// comes, in its place, and every connection ends or reads on.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/net/tests/FloodClients.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/WatchedRounds.h"

using namespace floodclients;

namespace {

// Where this file's servers listen for the peer's clients.
constexpr int kServer = 20846;
constexpr DWORD kLongest = 30000;

class OwnerLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLibraryInstance(GetModuleHandleA(nullptr));
        LibraryStartup();
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    }
    void TearDown() override
    {
        SocketTurns::SetWatchMilliseconds(0);
        WSACleanup();
    }
};

// An owner that lets its components work while it keeps its own timers,
// painting and input from running. The line of sockets that wait for their
// turn stops when it finds the owner's timer due, and never sees it taken:
// its watch, a posted message, ends every stop. A crowd of clients that
// send and close, and IPPorts receiving streams that end, are read whole.
TEST_F(OwnerLoop, ALoopThatTakesOnlyTheSocketsMessagesReadsEverything)
{
    TickingTimer slow(500), fast(50);
    {
        constexpr int kClients = 1000, kBytes = 3000;
        CrowdServer server(kServer, kClients, kBytes);
        const SOCKET control = AskForClients("crowd " + std::to_string(kServer) + " " + std::to_string(kClients) + " " +
                                             std::to_string(kBytes) + "\n");
        const DWORD start = GetTickCount();
        RunPartialLoop(kLongest, [&] { return server.disconnected == kClients; });
        closesocket(control);
        std::printf("[ loops    ] %d clients of %d bytes under the partial loop: %d ended whole after %lu ms, %lld "
                    "bytes read\n",
                    kClients, kBytes, server.complete, (unsigned long)(GetTickCount() - start),
                    server.connections.received);
        EXPECT_EQ(server.disconnected, kClients);
        EXPECT_EQ(server.complete, kClients) << server.firstBroken;
    }
    constexpr int kPorts = 20;
    constexpr unsigned long long kStream = 2 << 20;
    std::vector<std::unique_ptr<PatternStreams::Port>> streams;
    std::vector<std::unique_ptr<ComponentHolder<IPPortFunctions>>> ports;
    for (int i = 0; i < kPorts; ++i) {
        streams.push_back(std::make_unique<PatternStreams::Port>());
        ports.push_back(PatternPort(*streams.back(), kStream));
    }
    const DWORD start = GetTickCount();
    RunPartialLoop(kLongest,
                   [&] { return std::all_of(streams.begin(), streams.end(), [](const auto& s) { return s->ended; }); });
    int whole = 0;
    for (const auto& s : streams)
        whole += s->ended && s->stream.bytes == kStream && s->stream.misplaced == 0;
    std::printf("[ loops    ] %d ports of 2 MB under the partial loop: %d whole after %lu ms\n", kPorts, whole,
                (unsigned long)(GetTickCount() - start));
    EXPECT_EQ(whole, kPorts);
}

// An owner whose DataIn event checks the pattern stream and then pumps its
// messages (DoEvents).
struct Pumping {
    static int WINAPI OnIpPort(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Pumping*>(user);
        PatternStreams::OnIpPort(reinterpret_cast<INT_PTR>(&self->read), event, count, params, lengths);
        if (event == kIpPortEventDataIn && self->port) {
            ++self->pumps;
            IPPort_Do(self->port, kIpPortDoEvents, 0, nullptr, nullptr);
        }
        return 0;
    }

    PatternStreams::Port read;
    void* port = nullptr;
    int pumps = 0;
};

// The owner's DataIn event pumps its messages (DoEvents) under a timer of
// its thread: the read notifications that come meanwhile are taken inside
// the event, and each is read once the event has returned. The line of
// sockets never waits for its watch here.
TEST_F(OwnerLoop, AnOwnerThatPumpsInsideItsEventReadsTheWholeStream)
{
    SocketTurns::SetWatchMilliseconds(60000);
    Pumping pumping;
    constexpr unsigned long long kStream = 4 << 20;
    ComponentHolder<IPPortFunctions> port(Pumping::OnIpPort, reinterpret_cast<INT_PTR>(&pumping));
    pumping.port = port.Handle();
    ASSERT_EQ(port.Set(kIpPortTimeout, 5), 0);
    INT_PTR target[2] = {reinterpret_cast<INT_PTR>("127.0.0.1"), kPattern};
    ASSERT_EQ(IPPort_Do(port.Handle(), kIpPortConnect, 2, target, nullptr), 0) << port.LastError();
    ASSERT_EQ(port.Do(kIpPortSendLine, {("bytes " + std::to_string(kStream)).c_str()}), 0) << port.LastError();
    TickingTimer timer(10);
    RunOwnerLoop(kLongest, [&] { return pumping.read.ended; });
    std::printf("[ loops    ] a port whose DataIn pumps: %llu bytes in %d events, the timer of 10 ms ticked %d "
                "times\n",
                pumping.read.stream.bytes, pumping.pumps, timer.Ticks());
    EXPECT_EQ(pumping.read.stream.bytes, kStream);
    EXPECT_EQ(pumping.read.stream.misplaced, 0u);
    EXPECT_TRUE(pumping.read.ended);
}

// A long line of connections whose clients never stop, formed once by a
// timer of the owner's that ticks once: with no timer, input or painting of
// the owner's waiting after that, the line hands out its turns slice after
// slice (each posts the next), and every connection reads on.
TEST_F(OwnerLoop, ALongLineGoesOnWhenNothingElseWaits)
{
    SocketTurns::SetWatchMilliseconds(60000);
    constexpr unsigned kClients = 250;
    PatternStreams::PerConnection streams;
    ComponentHolder<IPDaemonFunctions> daemon(PatternStreams::OnIpDaemon, reinterpret_cast<INT_PTR>(&streams));
    ASSERT_EQ(daemon.SetText(kIpDaemonLocalHost, "127.0.0.1"), 0);
    ASSERT_EQ(daemon.Set(kIpDaemonLocalPort, kServer + 1), 0);
    ASSERT_EQ(daemon.Set(kIpDaemonConnectionBacklog, int(kClients)), 0);
    ASSERT_EQ(daemon.Set(kIpDaemonListening, 1), 0);
    const SOCKET control =
        AskForClients("flood " + std::to_string(kServer + 1) + " " + std::to_string(kClients) + "\n");
    RunOwnerLoop(10000, [&] { return streams.size() == kClients; });
    ASSERT_EQ(streams.size(), kClients);
    std::map<int, unsigned long long> before;
    DueTimer due([&] {
        for (const auto& entry : streams)
            before[entry.first] = entry.second.bytes;
    });
    RunOwnerLoop(1500);
    closesocket(control);
    ASSERT_TRUE(due.Ticked());
    unsigned long long least = ~0ull, misplaced = 0;
    for (const auto& entry : streams) {
        least = std::min(least, entry.second.bytes - before[entry.first]);
        misplaced += entry.second.misplaced;
    }
    std::printf("[ loops    ] %u connections after the one timer's tick: the least read %llu bytes more\n", kClients,
                least);
    EXPECT_GT(least, 16384u);
    EXPECT_EQ(misplaced, 0u);
}

// An owner whose timer of 10 ms works 8 to 15 ms at each tick (a thread
// with more work than time: a window that redraws, a poller), beside a
// crowd of clients that send and close and IPPorts receiving streams: the
// two share the thread. Everything comes whole within seconds (a turn of
// one notification between two ticks would take minutes); the line stops
// for the ticks (a line that never stopped for them would leave them
// nothing), and after each the sockets have as long as it took: the slice
// the turns give them, and the time until the thread looks at its queue
// again, on the turns' own clock (a busy machine that takes the thread
// away lengthens both alike, and may serve the crowd within a few ticks).
TEST_F(OwnerLoop, ABusyOwnerAndItsSocketsShareTheThread)
{
    constexpr int kClients = 1000, kBytes = 100, kPorts = 20;
    constexpr unsigned long long kStream = 1 << 20;
    CrowdServer server(kServer + 1, kClients, kBytes);
    std::vector<std::unique_ptr<PatternStreams::Port>> streams;
    std::vector<std::unique_ptr<ComponentHolder<IPPortFunctions>>> ports;
    for (int i = 0; i < kPorts; ++i) {
        streams.push_back(std::make_unique<PatternStreams::Port>());
        ports.push_back(PatternPort(*streams.back(), kStream));
    }
    const SOCKET control = AskForClients("crowd " + std::to_string(kServer + 1) + " " + std::to_string(kClients) + " " +
                                         std::to_string(kBytes) + "\n");
    WatchedRounds rounds;
    TickingTimer timer(10, 8, 15);
    const DWORD start = GetTickCount();
    RunOwnerLoop(kLongest, [&] {
        return server.disconnected == kClients &&
               std::all_of(streams.begin(), streams.end(), [](const auto& s) { return s->ended; });
    });
    const DWORD took = GetTickCount() - start;
    const double share = timer.WorkShare();
    closesocket(control);
    int whole = 0;
    for (const auto& s : streams)
        whole += s->ended && s->stream.bytes == kStream && s->stream.misplaced == 0;
    std::printf("[ loops    ] %d clients and %d ports of 1 MB under a timer of 10 ms that works 8-15 ms: %d clients "
                "and %d ports whole after %lu ms, the ticks held %.0f %% of the thread, at most %lu ms apart\n",
                kClients, kPorts, server.complete, whole, (unsigned long)took, share * 100,
                (unsigned long)timer.LongestGap());
    std::printf("[ loops    ] %s\n", rounds.Text().c_str());
    EXPECT_EQ(server.complete, kClients) << server.firstBroken;
    EXPECT_EQ(whole, kPorts);
    EXPECT_LT(took, 20000u);
    EXPECT_GE(rounds.Count(), 3);
    EXPECT_EQ(rounds.SocketsShort(8), 0);
    EXPECT_GE(rounds.SlicesLookedAfter(), 1);
    EXPECT_EQ(rounds.SlicesCutShort(), 0);
}

// A loop that takes only the sockets' messages for 400 ms, then every
// message for 200 ms, and so on (an owner with a modal loop of its own now
// and then), beside IPPorts that read for ever: in each phase that takes
// every message the owner's timer of 10 ms ticks within about 100 ms. The
// line stopped stopping for the timer in the partial phase (two stops of
// 100 ms that the loop left untaken take 200 ms of it, so it does in each),
// and tries it again that soon.
TEST_F(OwnerLoop, ALoopThatTakesItsTimersAgainHasThemBackSoon)
{
    constexpr int kPorts = 20, kRounds = 4;
    std::vector<std::unique_ptr<PatternStreams::Port>> streams;
    std::vector<std::unique_ptr<ComponentHolder<IPPortFunctions>>> ports;
    for (int i = 0; i < kPorts; ++i) {
        streams.push_back(std::make_unique<PatternStreams::Port>());
        ports.push_back(PatternPort(*streams.back(), 0));
    }
    TickingTimer timer(10);
    DWORD slowest = 0;
    std::string delays;
    for (int round = 0; round < kRounds; ++round) {
        RunPartialLoop(400);
        const int before = timer.Ticks();
        const DWORD phase = GetTickCount();
        DWORD firstTick = 0;
        RunOwnerLoop(200, [&] {
            if (firstTick == 0 && timer.Ticks() > before)
                firstTick = GetTickCount() - phase + 1;
            return false;
        });
        const DWORD delay = firstTick ? firstTick - 1 : 200;
        slowest = std::max(slowest, delay);
        delays += " " + std::to_string(delay);
    }
    unsigned long long least = ~0ull, misplaced = 0;
    for (const auto& s : streams) {
        least = std::min(least, s->stream.bytes);
        misplaced += s->stream.misplaced;
    }
    std::printf("[ loops    ] %d ports under a loop that alternates: the timer's first tick in each full phase "
                "after (ms):%s; the least port read %llu bytes\n",
                kPorts, delays.c_str(), least);
    EXPECT_LT(slowest, 150u);
    EXPECT_EQ(misplaced, 0u);
    EXPECT_GT(least, 100000u);
}

} // namespace
