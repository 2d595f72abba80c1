// TCP connections that always have data to read, on the loopback: the read
// notification that finds an owner's timer due gives way to it (the first
// one asks, so the timer ticks before anything is read), so does every other
// read of the thread until the timer has had its turn, and the turn of the
// reads that waited for the timer is queued by the time the timer ticks, so
// reading goes on right after the tick. (Under Wine the read notification that each
// recv arms is posted a moment later, so a loop may find its queue empty
// between two reads and a due timer slip in there: nothing but the first
// read shows whether the socket gave way.)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/core/tcp/TcpSocket.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/PumpWaits.h"
#include "netcomp/testing/WinsockStandIns.h"

namespace {

class Reader final : public TcpSocket {
public:
    Reader() { Init(); }
    bool connected = false;
    std::size_t bytes = 0;
    // What the owner does in each record's event.
    std::function<void()> onData;

private:
    void OnConnectComplete(int code) override { connected = code == 0; }
    void OnCloseComplete(int) override {}
    int OnDataArrived(const char*, uint32_t n, bool) override
    {
        bytes += n;
        if (onData)
            onData();
        return 0;
    }
    void OnError(int, const char*) override {}
    void OnReadyToSend() override {}
    void OnConnectionStatus(const char*, int) override {}
};

// A reader connected to a peer of its own on the loopback.
struct Connection {
    explicit Connection(SOCKET listener)
    {
        // Room for all that is sent, so that all of it waits before the first read.
        reader.SetInBufferSize(8 << 20);
        EXPECT_EQ(reader.SetRemoteHost("127.0.0.1"), 0);
        EXPECT_EQ(reader.SetRemotePort(BoundPort(listener)), 0);
        EXPECT_EQ(reader.SetConnected(true), 0);
        peer = accept(listener, nullptr, nullptr);
        for (int i = 0; i < 100 && !reader.connected; ++i)
            (void)reader.WaitStep(10, reader.Window());
    }
    ~Connection() { closesocket(peer); }

    // Sends 1 MB, which waits in the reader's socket.
    void SendMegabyte()
    {
        const std::string block(65536, 'x');
        for (int i = 0; i < 16; ++i)
            ASSERT_EQ(send(peer, block.data(), int(block.size()), 0), int(block.size()));
    }

    Reader reader;
    SOCKET peer = INVALID_SOCKET;
};

constexpr std::size_t kMegabyte = std::size_t(1) << 20;

double Milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Connections to a listener of the test's own on the loopback.
class TcpReadTurns : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLibraryInstance(GetModuleHandleA(nullptr));
        LibraryStartup();
        listener = BindLoopback(SOCK_STREAM, 0);
        ASSERT_EQ(listen(listener, 2), 0);
    }
    void TearDown() override
    {
        closesocket(listener);
        WSACleanup();
    }

    SOCKET listener = INVALID_SOCKET;
};

TEST_F(TcpReadTurns, TheOwnersTimerGoesBetweenReadsAndReadingFollowsAtOnce)
{
    // Two connections of one thread: once one read gives way, so does the
    // other's, though the queue was asked a moment ago.
    Connection first(listener), second(listener);
    ASSERT_TRUE(first.reader.connected);
    ASSERT_TRUE(second.reader.connected);
    first.SendMegabyte();
    second.SendMegabyte();
    std::size_t readAtTick = 0;
    bool readQueuedAtTick = false;
    DueTimer timer([&] {
        readAtTick = first.reader.bytes + second.reader.bytes;
        readQueuedAtTick =
            Queued(first.reader.Window(), kMsgSocketTurn) || Queued(second.reader.Window(), kMsgSocketTurn);
    });
    const DWORD start = GetTickCount();
    while (first.reader.bytes + second.reader.bytes < 2 * kMegabyte && GetTickCount() - start < 10000)
        (void)first.reader.WaitStep(10, first.reader.Window());
    EXPECT_TRUE(timer.Ticked());
    EXPECT_EQ(readAtTick, 0u);
    EXPECT_TRUE(readQueuedAtTick);
    EXPECT_EQ(first.reader.bytes, kMegabyte);
    EXPECT_EQ(second.reader.bytes, kMegabyte);
}

int (*g_realRecv)(SOCKET, char*, int, int) = nullptr;
int g_reads = 0;
int g_mostRead = 0;
// The clock of the tests that make it move: by this much a read, and in the
// lockstep test in its waits.
DWORD g_clock = 100000;
DWORD g_clockPerRead = 0;

// The clock at the thread's last look at its queue, and the longest time a
// read came after one.
DWORD g_lookedAt = 0;
DWORD g_longestUnlooked = 0;

int WSAAPI CountedRecv(SOCKET s, char* buffer, int length, int flags)
{
    const int got = g_realRecv(s, buffer, length, flags);
    if (got > 0) {
        ++g_reads;
        g_clock += g_clockPerRead;
        g_mostRead = std::max(g_mostRead, got);
        g_longestUnlooked = std::max(g_longestUnlooked, g_clock - g_lookedAt);
    }
    return got;
}

// Asking whether the thread's other messages wait is a request to the
// system, which reads make once in 3 ms of the thread's time: with the clock
// standing still, a connection's reads of a megabyte ask once; with a clock
// that moves 1 ms a read, no read of 4 MB comes more than 3 ms after the
// last look, and they look no more often than that (a look once in 10 ms
// leaves a due timer waiting longer than its period).
TEST_F(TcpReadTurns, ReadsAskAboutTheOwnersMessagesOnceIn3Milliseconds)
{
    for (const DWORD perRead : {DWORD(0), DWORD(1)}) {
        SCOPED_TRACE(perRead);
        const std::size_t megabytes = perRead ? 4 : 1;
        Connection c(listener);
        ASSERT_TRUE(c.reader.connected);
        for (std::size_t i = 0; i < megabytes; ++i)
            c.SendMegabyte();
        WinsockStandIns standIns;
        g_realRecv = standIns.Real().recv;
        standIns.Entries().recv = CountedRecv;
        g_reads = g_mostRead = 0;
        g_clockPerRead = perRead;
        // The queue is answered as empty: what an earlier test of the
        // thread left due (a timer) must not stop the line and make it look
        // again.
        static int asked;
        asked = 0;
        SocketTurns::SetQueueStatusSource([](UINT) -> DWORD {
            ++asked;
            g_lookedAt = g_clock;
            return 0;
        });
        NetComponent::SetTickSource([]() -> DWORD { return g_clock; });
        g_longestUnlooked = 0;
        g_lookedAt = g_clock;
        // The owner's own loop: a wait step of a component's would count
        // as a look each time it found the queue empty, which it does as
        // often as Winsock posts the next read notification late.
        RunOwnerLoop(10000, [&] { return c.reader.bytes >= megabytes * kMegabyte; });
        NetComponent::SetTickSource(nullptr);
        SocketTurns::SetQueueStatusSource(nullptr);
        g_clockPerRead = 0;
        std::printf("[ turns    ] %d reads with the clock moving %lu ms a read: %d looks, a read at most %lu ms "
                    "after one\n",
                    g_reads, (unsigned long)perRead, asked, (unsigned long)g_longestUnlooked);
        EXPECT_EQ(c.reader.bytes, megabytes * kMegabyte);
        if (perRead == 0) {
            EXPECT_EQ(asked, 1);
        } else {
            EXPECT_LE(g_longestUnlooked, 3u);
            EXPECT_LE(asked, g_reads / 3 + 1);
        }
    }
}

// The lockstep test's clock moves only while the thread waits, 5 ms a wait,
// however long the machine keeps the thread from running.
int g_waits = 0;

DWORD WINAPI WaitFiveMilliseconds(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD wake)
{
    ++g_waits;
    g_clock += 5;
    return MsgWaitForMultipleObjects(count, handles, all, milliseconds, wake);
}

// A thread that waits for each answer, as the request and reply protocols
// do, looks at its queue in its waits (a wait step that finds nothing to
// take): its reads add no looks of their own, though each comes more than
// the 3 ms after the last look at which reads look. The peer takes a moment
// to answer, as a server does, so that the thread waits for most answers.
// The clock moves only in the waits, so that a busy machine, which lets the
// thread run late after a wait, does not make its reads look.
TEST_F(TcpReadTurns, AThreadThatWaitsForEachAnswerMakesNoLooksOfItsOwn)
{
    Connection c(listener);
    ASSERT_TRUE(c.reader.connected);
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        char buffer[256];
        int got;
        while (!stop && (got = recv(c.peer, buffer, sizeof buffer, 0)) > 0) {
            Sleep(1);
            send(c.peer, buffer, got, 0);
        }
    });
    static int asked;
    asked = 0;
    SocketTurns::SetQueueStatusSource([](UINT flags) -> DWORD {
        ++asked;
        return GetQueueStatus(flags);
    });
    g_waits = 0;
    NetComponent::SetTickSource([]() -> DWORD { return g_clock; });
    NetComponent::SetWaitSource(WaitFiveMilliseconds);
    const std::string request(100, 'q');
    const double start = Milliseconds();
    int exchanges = 0;
    while (Milliseconds() - start < 500) {
        const std::size_t before = c.reader.bytes;
        ASSERT_EQ(c.reader.SendRaw(request.data(), int(request.size()), 0), 0);
        const double sent = Milliseconds();
        while (c.reader.bytes < before + request.size() && Milliseconds() - sent < 5000)
            (void)c.reader.WaitStep(10, c.reader.Window());
        if (c.reader.bytes != before + request.size())
            break;
        ++exchanges;
    }
    NetComponent::SetWaitSource(nullptr);
    NetComponent::SetTickSource(nullptr);
    SocketTurns::SetQueueStatusSource(nullptr);
    // The reader's close ends the echo.
    stop = true;
    (void)c.reader.SetConnected(false);
    echo.join();
    std::printf("[ turns    ] %d exchanges in 500 ms, %d waits, %d looks\n", exchanges, g_waits, asked);
    EXPECT_EQ(c.reader.bytes, std::size_t(exchanges) * request.size());
    ASSERT_GE(g_waits, 20);
    // A read after each wait would look as often as the thread waits.
    EXPECT_LE(asked, 2);
}

// A line that ends (its last socket closes, here in the owner's timer that
// the line stopped for) takes back the watch it had scheduled: no watch
// message comes to the window afterwards, where a window that has gone and
// another took its handle would receive it.
TEST_F(TcpReadTurns, ALineThatEndsTakesBackItsWatch)
{
    Connection c(listener);
    ASSERT_TRUE(c.reader.connected);
    c.SendMegabyte();
    bool closedWhileWaiting = false;
    DueTimer timer([&] {
        closedWhileWaiting = c.reader.bytes < kMegabyte;
        (void)c.reader.SetConnected(false);
    });
    int watches = 0;
    const double start = Milliseconds();
    while (Milliseconds() - start < 400) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, kMsgSocketWatch, kMsgSocketWatch, PM_REMOVE)) {
            ++watches;
            DispatchMessageA(&msg);
        } else if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    ASSERT_TRUE(timer.Ticked());
    EXPECT_TRUE(closedWhileWaiting);
    EXPECT_EQ(watches, 0);
}

// Two connections wait in the line for their turn while the owner's timer
// is due; the timer's tick closes the one whose window holds the line's
// message: the other reads on at once, though the line's watch would come
// only a minute later.
TEST_F(TcpReadTurns, TheLineGoesOnWhenTheWindowOfItsMessageGoes)
{
    SocketTurns::SetWatchMilliseconds(60000);
    std::unique_ptr<Connection> connections[2] = {std::make_unique<Connection>(listener),
                                                  std::make_unique<Connection>(listener)};
    for (auto& c : connections) {
        ASSERT_TRUE(c->reader.connected);
        c->SendMegabyte();
    }
    int closed = -1;
    DueTimer timer([&] {
        for (int i = 0; i < 2 && closed < 0; ++i) {
            if (Queued(connections[i]->reader.Window(), kMsgSocketTurn)) {
                connections[i].reset();
                closed = i;
            }
        }
    });
    const Reader* other = nullptr;
    RunOwnerLoop(10000, [&] {
        if (closed >= 0 && !other)
            other = &connections[1 - closed]->reader;
        return other && other->bytes == kMegabyte;
    });
    SocketTurns::SetWatchMilliseconds(0);
    ASSERT_TRUE(timer.Ticked());
    ASSERT_GE(closed, 0) << "no connection held the line's message when the timer ticked";
    EXPECT_EQ(other->bytes, kMegabyte);
}

// A read takes what the socket holds, up to the receive buffer's room, which
// grows to 64 KB for a connection that keeps filling it: a megabyte that
// waits comes in reads of up to 64 KB, not of the 2 KB the buffer starts
// with (each read costs several requests to the wineserver, whatever it
// takes).
TEST_F(TcpReadTurns, AReadTakesUpTo64KilobytesOfWhatWaits)
{
    Connection c(listener);
    ASSERT_TRUE(c.reader.connected);
    c.SendMegabyte();
    WinsockStandIns standIns;
    g_realRecv = standIns.Real().recv;
    standIns.Entries().recv = CountedRecv;
    g_reads = g_mostRead = 0;
    const DWORD start = GetTickCount();
    while (c.reader.bytes < kMegabyte && GetTickCount() - start < 10000)
        (void)c.reader.WaitStep(10, c.reader.Window());
    std::printf("[ turns    ] a megabyte in %d reads, the largest of %d bytes\n", g_reads, g_mostRead);
    EXPECT_EQ(c.reader.bytes, kMegabyte);
    EXPECT_EQ(g_mostRead, 65536);
    EXPECT_LT(g_reads, 32);
}

// An owner that pumps its messages in each record's event (DoEvents) has an
// event to come after every record but the last of a short read: the next
// record of the read, or after the last record of a read that filled its
// room, the next read (the socket holds more, and Winsock posts its
// notification a moment later). Its DoEvents then only takes what waits,
// never waiting its step. The owner holds the socket's notifications aside
// while it pumps, so that a DoEvents that waited would find the queue empty
// and wait every time.
TEST_F(TcpReadTurns, AnOwnerThatPumpsInEachRecordWaitsOnlyAfterAShortRead)
{
    Connection c(listener);
    ASSERT_TRUE(c.reader.connected);
    c.SendMegabyte();
    PumpWaits counted;
    int events = 0;
    c.reader.onData = [&] {
        ++events;
        std::vector<MSG> aside;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, kMsgTcpSocket, kMsgTcpSocket, PM_REMOVE))
            aside.push_back(msg);
        counted.InEvent(true);
        (void)c.reader.DoEvents();
        counted.InEvent(false);
        for (const MSG& m : aside)
            PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
    };
    RunOwnerLoop(10000, [&] { return c.reader.bytes >= kMegabyte; });
    c.reader.onData = nullptr;
    std::printf("[ turns    ] a megabyte in %d events, %d reads that filled their room, %d waits in an event after "
                "one\n",
                events, counted.FullReads(), counted.WaitsAfterFullReads());
    EXPECT_EQ(c.reader.bytes, kMegabyte);
    ASSERT_GE(counted.FullReads(), 4);
    EXPECT_EQ(counted.WaitsAfterFullReads(), 0);
}

} // namespace
