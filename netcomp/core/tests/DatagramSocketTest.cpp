// The datagram layer under UDP, multicast and raw ICMP, on the loopback: a
// close delivers what has arrived first, a close asked for inside a delivery
// waits for it and nothing follows, held datagrams stay in the socket, what
// waits comes in rounds and in its order, a round that empties the socket
// leaves no notification queued, a notification taken inside a delivery is
// not lost, a stream comes without a notification for each datagram, and an
// answer awaited inside a delivery comes all the same; and an owner's timer
// that is due has its turn before a round and between two.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "netcomp/core/datagram/DatagramSocket.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/QueuedMessages.h"
#include "netcomp/testing/WinsockStandIns.h"

namespace {

class Receiver final : public NetComponent, private DatagramSink {
public:
    // Without `select`, the socket is bound but not yet asked for notifications (Select).
    explicit Receiver(bool select = true) : m_socket(*this, kMsgUdpSocket)
    {
        Setup(true);
        EXPECT_EQ(m_socket.SetCapacity(64), 0);
        EXPECT_EQ(m_socket.Create(SOCK_DGRAM, 0), 0);
        EXPECT_EQ(m_socket.Bind(Ws().htonl(INADDR_LOOPBACK), 0), 0);
        if (select)
            Select();
    }
    void Select() { EXPECT_EQ(m_socket.Select(m_window), 0); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return m_socket.OnMessage(message, wParam, lParam) ? 0 : NetComponent::WindowProc(message, wParam, lParam);
    }

    int Port() const { return BoundPort(m_socket.Handle(), 0); }
    void Pump()
    {
        for (int i = 0; i < 20; ++i)
            (void)WaitStep(10, m_window);
    }

    DatagramSocket m_socket;
    std::vector<std::string> received;
    int closed = 0;
    int errors = 0;
    bool closeOnData = false;
    // The first delivery takes the thread's messages, as an owner that shows
    // a box from its event, and then ends the round.
    bool pumpAndStop = false;
    int writable = 0;
    // The delivery of "ask" sends "answer" to the socket itself and waits for
    // it there, as an owner that sends a request from its event.
    bool answeredInside = false;

private:
    int OnDatagram(char* data, int length, unsigned long, int) override
    {
        EXPECT_EQ(data[length], '\0'); // readable as text during the delivery
        received.emplace_back(data, std::size_t(length));
        if (closeOnData) {
            EXPECT_EQ(m_socket.Close(), 0);
        }
        if (pumpAndStop) {
            pumpAndStop = false;
            Pump();
            return 1;
        }
        if (received.back() == "ask")
            AskAndWait();
        // The answer ends the round that waited for it.
        return received.back() == "answer" ? 1 : kResultOk;
    }
    void AskAndWait()
    {
        DatagramSocket::NestedRound nested(m_socket);
        EXPECT_EQ(nested.Result(), 0);
        // What was queued before goes first, and finds nothing.
        for (int i = 0; i < 5; ++i)
            (void)WaitStep(10, m_window);
        const std::string answer = "answer";
        EXPECT_EQ(m_socket.SendTo(answer.data(), int(answer.size()), Ws().htonl(INADDR_LOOPBACK), Port()), 0);
        for (int i = 0; i < 50 && received.back() != answer; ++i)
            (void)WaitStep(10, m_window);
        answeredInside = received.back() == answer;
    }
    void OnReceiveError(int) override { ++errors; }
    void OnWritable() override { ++writable; }
    void OnClosed() override { ++closed; }
};

class DatagramSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLibraryInstance(GetModuleHandleA(nullptr));
        LibraryStartup();
        m_holder = std::make_unique<Receiver>(); // holds Winsock
        m_sender = Ws().socket(AF_INET, SOCK_DGRAM, 0);
    }
    void TearDown() override { Ws().closesocket(m_sender); }

    void SendTo(int port, const std::string& bytes)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = Ws().htonl(INADDR_LOOPBACK);
        to.sin_port = Ws().htons(u_short(port));
        Ws().sendto(m_sender, bytes.data(), int(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    std::unique_ptr<Receiver> m_holder;
    SOCKET m_sender = INVALID_SOCKET;
};

// The read notifications of one window that the thread's loop takes, or
// that a round takes out of the queue.
struct ReadNotificationCount {
    static inline HWND window = nullptr;
    static inline int taken = 0;

    explicit ReadNotificationCount(HWND w)
    {
        window = w;
        taken = 0;
        hook = SetWindowsHookExA(WH_GETMESSAGE, Count, nullptr, GetCurrentThreadId());
    }
    ~ReadNotificationCount() { UnhookWindowsHookEx(hook); }
    ReadNotificationCount(const ReadNotificationCount&) = delete;
    ReadNotificationCount& operator=(const ReadNotificationCount&) = delete;

    static LRESULT CALLBACK Count(int code, WPARAM removal, LPARAM lParam)
    {
        const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && removal == PM_REMOVE && msg.hwnd == window && msg.message == kMsgUdpSocket &&
            WSAGETSELECTEVENT(msg.lParam) == FD_READ)
            ++taken;
        return CallNextHookEx(nullptr, code, removal, lParam);
    }

    HHOOK hook;
};

TEST_F(DatagramSocketTest, CloseDeliversWhatArrivedFirst)
{
    Receiver& receiver = *m_holder;
    for (const char* text : {"one", "two", "three"})
        SendTo(receiver.Port(), text);
    EXPECT_EQ(receiver.m_socket.Close(), 0);
    EXPECT_EQ(receiver.received, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(receiver.closed, 1);
    EXPECT_FALSE(receiver.m_socket.IsOpen());
    EXPECT_EQ(receiver.m_socket.Close(), 0); // closed already: nothing more happens
    EXPECT_EQ(receiver.closed, 1);
}

TEST_F(DatagramSocketTest, CloseInsideADeliveryWaitsForItAndNothingFollows)
{
    Receiver& receiver = *m_holder;
    receiver.closeOnData = true;
    for (const char* text : {"one", "two", "three"})
        SendTo(receiver.Port(), text);
    receiver.Pump();
    EXPECT_EQ(receiver.received, (std::vector<std::string>{"one"}));
    EXPECT_FALSE(receiver.m_socket.IsOpen());
    EXPECT_EQ(receiver.closed, 1);
}

TEST_F(DatagramSocketTest, HeldDatagramsWaitInTheSocket)
{
    Receiver& receiver = *m_holder;
    receiver.m_socket.SetAcceptData(false);
    SendTo(receiver.Port(), "held");
    SendTo(receiver.Port(), std::string(65, 'x')); // longer than the capacity
    receiver.Pump();
    EXPECT_TRUE(receiver.received.empty());
    receiver.m_socket.SetAcceptData(true);
    receiver.Pump();
    EXPECT_EQ(receiver.received, (std::vector<std::string>{"held"}));
    EXPECT_EQ(receiver.errors, 1); // 10040: the message was too long

    // Held at the close, they go with the socket.
    receiver.m_socket.SetAcceptData(false);
    SendTo(receiver.Port(), "dropped");
    EXPECT_EQ(receiver.m_socket.Close(), 0);
    EXPECT_EQ(receiver.received.size(), 1u);
}

// A round reads a share of what waits; the next rounds read the rest, and
// every datagram comes in its order.
TEST_F(DatagramSocketTest, WhatWaitsComesInRoundsInItsOrder)
{
    Receiver& receiver = *m_holder;
    int size = 1 << 20;
    EXPECT_EQ(receiver.m_socket.SetReceiveBufferSize(&size), 0);
    receiver.m_socket.SetAcceptData(false);
    std::vector<std::string> sent;
    for (int i = 0; i < 200; ++i) {
        sent.push_back(std::to_string(i));
        SendTo(receiver.Port(), sent.back());
    }
    receiver.m_socket.SetAcceptData(true);
    std::size_t firstRound = 0;
    const DWORD start = GetTickCount();
    while (receiver.received.size() < sent.size() && GetTickCount() - start < 5000) {
        const std::size_t before = receiver.received.size();
        (void)receiver.WaitStep(10, receiver.Window()); // one message: one round at most
        if (firstRound == 0)
            firstRound = receiver.received.size() - before;
    }
    EXPECT_GT(firstRound, 0u);
    EXPECT_LT(firstRound, sent.size());
    EXPECT_EQ(receiver.received, sent);
}

// The owner's timer, due all along, has its turn before the first round
// and between every two, and the later rounds bring the rest. Datagrams too
// long for the buffer leave the socket all the same, each with its error,
// and count in a round's share as the others do. The rounds are given all
// the time they want, so that only the count ends one.
TEST_F(DatagramSocketTest, TheOwnersTimerGoesBetweenRounds)
{
    // A timer that is due again each time it has ticked (the thread's queue
    // shows it due before the tick returns).
    struct AlwaysDue : ThreadTimer {
        explicit AlwaysDue(std::function<void()> onTick) : ThreadTimer(USER_TIMER_MINIMUM), onTick(std::move(onTick))
        {
            Sleep(3 * USER_TIMER_MINIMUM);
            UntilATimerIsDue();
        }
        void OnTick() override
        {
            onTick();
            Sleep(3 * USER_TIMER_MINIMUM);
            UntilATimerIsDue();
        }
        std::function<void()> onTick;
    };
    for (const std::size_t length : {std::size_t(3), std::size_t(65)}) {
        SCOPED_TRACE(length);
        Receiver receiver;
        receiver.m_socket.SetRoundShare(64, 10000);
        int size = 1 << 20;
        EXPECT_EQ(receiver.m_socket.SetReceiveBufferSize(&size), 0);
        receiver.m_socket.SetAcceptData(false);
        std::vector<std::string> sent;
        for (int i = 0; i < 200; ++i) {
            std::string datagram = std::to_string(i);
            datagram.resize(length, '.');
            sent.push_back(datagram);
            SendTo(receiver.Port(), datagram);
        }
        const auto taken = [&receiver] { return receiver.received.size() + std::size_t(receiver.errors); };
        std::vector<std::size_t> takenAtTicks;
        AlwaysDue timer([&] {
            if (taken() < sent.size())
                takenAtTicks.push_back(taken());
        });
        receiver.m_socket.SetAcceptData(true);
        RunOwnerLoop(10000, [&] { return taken() == sent.size(); });
        EXPECT_EQ(takenAtTicks, (std::vector<std::size_t>{0, 64, 128, 192}));
        EXPECT_EQ(taken(), sent.size());
        if (length <= 64)
            EXPECT_EQ(receiver.received, sent);
        else
            EXPECT_EQ(receiver.errors, 200);
    }
}

// A pause that ends while the owner's timer is due lets the timer go first:
// the owner's first tick, after the first round, takes longer than the
// pause, and a second timer falls due meanwhile.
TEST_F(DatagramSocketTest, APauseThatEndsWhileTheOwnersTimerIsDueGivesWayToIt)
{
    Receiver& receiver = *m_holder;
    receiver.m_socket.SetRoundShare(64, 10000);
    int size = 1 << 20;
    EXPECT_EQ(receiver.m_socket.SetReceiveBufferSize(&size), 0);
    receiver.m_socket.SetAcceptData(false);
    for (int i = 0; i < 200; ++i)
        SendTo(receiver.Port(), std::to_string(i));
    std::unique_ptr<OneShotTimer> second;
    std::size_t takenAtSecond = 0;
    DueTimer first([&] {
        second = std::make_unique<OneShotTimer>(USER_TIMER_MINIMUM, [&] { takenAtSecond = receiver.received.size(); });
        Sleep(4 * USER_TIMER_MINIMUM);
    });
    receiver.m_socket.SetAcceptData(true);
    RunOwnerLoop(10000, [&] { return receiver.received.size() == 200; });
    ASSERT_TRUE(second && second->Ticked());
    EXPECT_EQ(takenAtSecond, 64u);
    EXPECT_EQ(receiver.received.size(), 200u);
}

// The notifications that a round's reads leave behind for each datagram
// still waiting are taken out again, and a round that empties the socket
// asks for no round after it: once everything has come, the queue holds no
// notification of the socket. So for datagrams too long for the buffer.
TEST_F(DatagramSocketTest, ARoundThatEmptiesTheSocketLeavesNoNotification)
{
    for (const std::size_t length : {std::size_t(3), std::size_t(65)}) {
        SCOPED_TRACE(length);
        Receiver receiver;
        const auto taken = [&receiver] { return receiver.received.size() + std::size_t(receiver.errors); };
        for (int i = 0; i < 10; ++i) {
            std::string datagram = "d" + std::to_string(i);
            datagram.resize(length, '.');
            SendTo(receiver.Port(), datagram);
        }
        for (int i = 0; i < 100 && taken() < 10; ++i)
            (void)receiver.WaitStep(10, receiver.Window());
        ASSERT_EQ(taken(), 10u);
        Sleep(100);
        EXPECT_EQ(TakeQueuedMessages(receiver.Window()), 0);
    }
}

// A notification that the owner's own message loop takes while a datagram
// is delivered starts no round; when that delivery ends the round with
// datagrams left, another round still comes for them.
TEST_F(DatagramSocketTest, ANotificationTakenInsideADeliveryIsNotLost)
{
    Receiver& receiver = *m_holder;
    receiver.pumpAndStop = true;
    for (const char* text : {"one", "two", "three"})
        SendTo(receiver.Port(), text);
    for (int i = 0; i < 100 && receiver.received.size() < 3; ++i)
        (void)receiver.WaitStep(10, receiver.Window());
    EXPECT_EQ(receiver.received, (std::vector<std::string>{"one", "two", "three"}));
}

// A stream read in rounds stops Winsock's notifications until a round finds
// the socket empty: 300 datagrams that wait come with a few notifications,
// not one for each, and in their order, twice over, and a datagram that
// comes after them is announced as before. Asking Winsock for its
// events anew makes it post a write notification each time: the sink hears
// only of the first.
TEST_F(DatagramSocketTest, AStreamComesWithoutANotificationForEachDatagram)
{
    Receiver& receiver = *m_holder;
    int size = 1 << 20;
    EXPECT_EQ(receiver.m_socket.SetReceiveBufferSize(&size), 0);
    ReadNotificationCount count(receiver.Window());
    std::vector<std::string> sent;
    for (int burst = 0; burst < 2; ++burst) {
        receiver.m_socket.SetAcceptData(false);
        for (int i = 0; i < 300; ++i) {
            sent.push_back(std::to_string(sent.size()));
            SendTo(receiver.Port(), sent.back());
        }
        receiver.m_socket.SetAcceptData(true);
        RunOwnerLoop(5000, [&] { return receiver.received.size() == sent.size(); });
    }
    // Once the socket is empty, Winsock announces each datagram again.
    sent.push_back("after");
    SendTo(receiver.Port(), sent.back());
    RunOwnerLoop(2000, [&] { return receiver.received.size() == sent.size(); });
    EXPECT_EQ(receiver.received, sent);
    EXPECT_LT(count.taken, 60);
    receiver.Pump();
    EXPECT_EQ(receiver.writable, 1);
}

// An owner that waits inside a delivery for an answer to the socket, while
// a stream is being read, has it announced to the round it waits in: here
// the second round of the stream, which no notification of Winsock's began.
TEST_F(DatagramSocketTest, AnAnswerAwaitedInsideADeliveryOfAStreamComes)
{
    Receiver& receiver = *m_holder;
    receiver.m_socket.SetRoundShare(2, 10000);
    receiver.m_socket.SetAcceptData(false);
    for (const char* text : {"one", "two", "ask"})
        SendTo(receiver.Port(), text);
    receiver.m_socket.SetAcceptData(true);
    RunOwnerLoop(3000, [&] { return receiver.received.size() == 4; });
    EXPECT_TRUE(receiver.answeredInside);
    EXPECT_EQ(receiver.received, (std::vector<std::string>{"one", "two", "ask", "answer"}));
}

// Sends of the socket that find its buffer full, as a stand-in for sendto
// says they do.
struct FullSendBuffer {
    static inline WinsockStandIns* winsock = nullptr;

    FullSendBuffer()
    {
        winsock = &standIns;
        standIns.Entries().sendto = &SendTo;
    }
    ~FullSendBuffer() { winsock = nullptr; }

    static int WSAAPI SendTo(SOCKET, const char*, int, int, const sockaddr*, int)
    {
        winsock->Real().WSASetLastError(WSAEWOULDBLOCK);
        return SOCKET_ERROR;
    }

    WinsockStandIns standIns;
};

// The sink hears of the socket's first write notification, and then of the
// one that a send which found the buffer full (10035) waits for, and of no
// other: a stream that comes before the first has been taken, whose rounds
// ask Winsock for their notifications anew, brings no more.
TEST_F(DatagramSocketTest, TheSinkHearsWhenASendCanGoAgain)
{
    Receiver receiver(false);
    int size = 1 << 20;
    EXPECT_EQ(receiver.m_socket.SetReceiveBufferSize(&size), 0);
    std::vector<std::string> sent;
    for (int i = 0; i < 300; ++i) {
        sent.push_back(std::to_string(i));
        SendTo(receiver.Port(), sent.back());
    }
    receiver.Select();
    RunOwnerLoop(5000, [&] { return receiver.received.size() == sent.size(); });
    receiver.Pump();
    EXPECT_EQ(receiver.received, sent);
    EXPECT_EQ(receiver.writable, 1);
    {
        FullSendBuffer full;
        const std::string bytes = "full";
        EXPECT_EQ(receiver.m_socket.SendTo(bytes.data(), int(bytes.size()), Ws().htonl(INADDR_LOOPBACK), 9),
                  WSAEWOULDBLOCK);
    }
    receiver.Pump();
    EXPECT_EQ(receiver.writable, 2);
}

} // namespace
