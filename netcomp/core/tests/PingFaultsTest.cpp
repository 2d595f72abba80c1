// Ping where a real network differs from the loopback's echo: an answer from
// another address than the pinged host's (a router's "unreachable"), the
// largest messages the component accepts, and an owner that destroys the
// component from inside its own Response event.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/core/icmp/PingEngine.h"
#include "netcomp/include/netcomp_ping.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

constexpr int kUnanswered = 42; // an ICMP type no host answers

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

int PingHost(void* ping, const char* host)
{
    INT_PTR arg = T(host);
    int length = 0;
    return Ping_Do(ping, kPingPingHost, 1, &arg, &length);
}

int Config(void* ping, const char* text)
{
    INT_PTR args[2] = {T(text), 0};
    int lengths[2] = {};
    return Ping_Do(ping, kPingConfig, 2, args, lengths);
}

class PingFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Ping_StaticInit(GetModuleHandleA(nullptr));
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite()
    {
        WSACleanup();
        Ping_StaticDestroy();
    }
    void SetUp() override
    {
        m_events.TextsAt(kPingEventResponse, {1, 2});
        m_ping = Ping_Create(EventRecorder::Callback, m_events.User(), nullptr);
        ASSERT_NE(nullptr, m_ping);
    }
    void TearDown() override { Ping_Destroy(m_ping); }

    EventRecorder m_events;
    void* m_ping = nullptr;
};

// A router's "unreachable": sent from 127.0.0.2, naming the request that the
// component waits for.
void* g_waiting = nullptr;

void CALLBACK UnreachableFromRouter(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const std::uint32_t id = std::uint32_t(Ping_Get(g_waiting, kPingRequestId, 0, nullptr));
    // Unused word, the original request's IP header and the first 8 bytes of its ICMP message.
    std::vector<std::uint8_t> body(4 + 20 + 8, 0);
    body[4] = 0x45;
    std::memcpy(body.data() + 28, &id, 4);
    const std::vector<std::uint8_t> message =
        icmp::BuildMessage(icmp::kDestinationUnreachable, 1, body.data(), body.size());
    SOCKET router = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.2");
    bind(router, reinterpret_cast<sockaddr*>(&address), sizeof address);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    sendto(router, reinterpret_cast<const char*>(message.data()), int(message.size()), 0,
           reinterpret_cast<sockaddr*>(&address), sizeof address);
    closesocket(router);
}

TEST_F(PingFaults, UnreachableFromAnotherAddressEndsTheWait)
{
    g_waiting = m_ping;
    ASSERT_EQ(0, Ping_Set(m_ping, kPingMessageType, 0, kUnanswered, 0));
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 3, 0));
    SetTimer(nullptr, 0, 100, UnreachableFromRouter);
    EXPECT_EQ(127, PingHost(m_ping, "127.0.0.1")); // not heard: 301 after the time-out
    EXPECT_STREQ("Host unreachable.", Ping_GetLastError(m_ping));
    const std::vector<RecordedEvent> responses = m_events.Of(kPingEventResponse);
    ASSERT_EQ(1u, responses.size());
    EXPECT_EQ("127.0.0.2", responses[0].texts[1]);
    EXPECT_STREQ("127.0.0.2", reinterpret_cast<const char*>(Ping_Get(m_ping, kPingResponseSource, 0, nullptr)));
}

// Every size Send accepts comes back whole, on both paths: the raw socket
// receives the IP header in front of the message.
TEST_F(PingFaults, LargestAcceptedMessagesAreAnswered)
{
    const struct {
        const char* path;
        const char* maxSize;
        int packetSize; // the payload is 4 bytes less
    } cases[] = {
        {"UseICMPDLL=false", "MaxMessageSize=2048", 2052},
        {"UseICMPDLL=true", "MaxMessageSize=2048", 2052},
        {"UseICMPDLL=false", "MaxMessageSize=65000", 65004},
        {"UseICMPDLL=true", "MaxMessageSize=8000", 8004},
    };
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 3, 0));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " " + c.maxSize);
        m_events.Clear();
        ASSERT_EQ(0, Config(m_ping, c.path));
        ASSERT_EQ(0, Config(m_ping, c.maxSize));
        ASSERT_EQ(0, Ping_Set(m_ping, kPingPacketSize, 0, c.packetSize, 0));
        EXPECT_EQ(0, PingHost(m_ping, "127.0.0.1")) << Ping_GetLastError(m_ping);
        const std::vector<RecordedEvent> responses = m_events.Of(kPingEventResponse);
        ASSERT_EQ(1u, responses.size());
        EXPECT_EQ("OK", responses[0].texts[2]);
        EXPECT_TRUE(m_events.Of(kPingEventError).empty());
        ASSERT_EQ(0, Ping_Set(m_ping, kPingPacketSize, 0, c.packetSize + 1, 0));
        EXPECT_EQ(118, PingHost(m_ping, "127.0.0.1"));
        EXPECT_STREQ("Message can't be longer than MaxMessageSize.", Ping_GetLastError(m_ping));
    }
}

// The network audit pings from several threads at once. Each unconnected raw
// socket sees every answer on the machine: each ping must take its own.
struct Answers {
    std::vector<INT_PTR> ids;
};

int WINAPI RecordAnswer(INT_PTR user, int event, int count, INT_PTR* params, int*)
{
    if (event == kPingEventResponse && count == 4)
        reinterpret_cast<Answers*>(user)->ids.push_back(params[0]);
    return 0;
}

TEST_F(PingFaults, PingsOnSeveralThreadsEachTakeTheirOwnAnswer)
{
    constexpr int kThreads = 4;
    constexpr int kPings = 10;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            Answers answers;
            void* ping = Ping_Create(RecordAnswer, reinterpret_cast<INT_PTR>(&answers), nullptr);
            // The loopback always answers: the time-out only bounds a lost
            // answer, and must not be met by a thread that a loaded machine
            // keeps waiting for its turn.
            Ping_Set(ping, kPingTimeout, 0, 20, 0);
            for (int i = 0; i < kPings; ++i) {
                answers.ids.clear();
                if (PingHost(ping, "127.0.0.1") != 0 || answers.ids.size() != 1 ||
                    answers.ids[0] != Ping_Get(ping, kPingRequestId, 0, nullptr))
                    ++failures;
            }
            Ping_Destroy(ping);
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(0, failures.load());
}

// The owner destroys the component from inside its Response event. The freed
// memory is taken and overwritten at once, so an engine that went on
// working on it would not get far.
void* g_victim = nullptr;
std::vector<void*> g_scribbles;
int g_destroyedInEvent = 0;

int WINAPI DestroyOnResponse(INT_PTR, int event, int, INT_PTR*, int*)
{
    if (event != kPingEventResponse || !g_victim)
        return 0;
    Ping_Destroy(g_victim);
    g_victim = nullptr;
    ++g_destroyedInEvent;
    for (int i = 0; i < 32; ++i) {
        void* block = std::malloc(sizeof(ComponentObject<PingEngine>));
        std::memset(block, 0xA5, sizeof(ComponentObject<PingEngine>));
        g_scribbles.push_back(block);
    }
    return 0;
}

TEST(PingDestroyedInEvent, WaitedAndUnwaitedPings)
{
    Ping_StaticInit(GetModuleHandleA(nullptr));
    const struct {
        const char* path;
        int timeout;
    } cases[] = {{"UseICMPDLL=false", 5}, {"UseICMPDLL=true", 5}, {"UseICMPDLL=false", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + (c.timeout ? ", waited" : ", answer from the message loop"));
        g_destroyedInEvent = 0;
        g_victim = Ping_Create(DestroyOnResponse, 0, nullptr);
        ASSERT_NE(nullptr, g_victim);
        void* ping = g_victim;
        ASSERT_EQ(0, Config(ping, c.path));
        ASSERT_EQ(0, Ping_Set(ping, kPingTimeout, 0, c.timeout, 0));
        // Waited, the call returns (its wait stopped by the destruction).
        (void)PingHost(ping, "127.0.0.1");
        // Unwaited, the answer arrives through the thread's own message loop.
        for (int i = 0; i < 300 && g_destroyedInEvent == 0; ++i) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            Sleep(10);
        }
        EXPECT_EQ(1, g_destroyedInEvent);
    }
    for (void* block : g_scribbles)
        std::free(block);
    g_scribbles.clear();
    Ping_StaticDestroy();
}

} // namespace
