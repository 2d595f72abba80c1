// Ping through its exported functions on 127.0.0.1, both paths. A raw ICMP
// socket of the test's own sees every ICMP message on the loopback, so the
// requests the component sends are checked byte for byte, and crafted
// answers (destination unreachable) are sent back to it through the same
// socket. Linux answers only echo requests, which gives a request type that
// is never answered for the time-out and interruption cases.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/core/icmp/IcmpDll.h"
#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/core/icmp/PingEngine.h"
#include "netcomp/include/netcomp_ping.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kUnanswered = 42; // an ICMP type no host answers

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string GetText(void* ping, int property)
{
    return reinterpret_cast<const char*>(Ping_Get(ping, property, 0, nullptr));
}

int Do(void* ping, int method, std::vector<INT_PTR> args)
{
    std::vector<int> lengths(args.size() + 1, 0);
    return Ping_Do(ping, method, int(args.size()), args.data(), lengths.data());
}

// A Config query's answer; a query that fails fails the test.
std::string Config(void* ping, const char* text)
{
    INT_PTR args[2] = {T(text), 0};
    int lengths[2] = {};
    EXPECT_EQ(0, Ping_Do(ping, kPingConfig, 2, args, lengths)) << text << ": " << Ping_GetLastError(ping);
    return AnswerText(args[1]);
}

// The test's own view of the loopback's ICMP traffic.
class IcmpCapture {
public:
    IcmpCapture()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
        DWORD timeout = 200;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    }
    ~IcmpCapture()
    {
        closesocket(m_socket);
        WSACleanup();
    }
    bool Ok() const { return m_socket != INVALID_SOCKET; }

    // The next ICMP message of the given type (IP header removed), or empty.
    Bytes Next(int type)
    {
        for (int tries = 0; tries < 20; ++tries) {
            char buffer[2048];
            const int n = recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0)
                continue;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
            const std::size_t offset = icmp::IcmpOffset(bytes, std::size_t(n));
            if (std::size_t(n) > offset && bytes[offset] == type)
                return Bytes(bytes + offset, bytes + n);
        }
        return {};
    }

    void SendToLoopback(const Bytes& message)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(m_socket, reinterpret_cast<const char*>(message.data()), int(message.size()), 0,
               reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
};

class PingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Ping_StaticInit(GetModuleHandleA(nullptr)); }
    static void TearDownTestSuite() { Ping_StaticDestroy(); }
    void SetUp() override
    {
        m_events.TextsAt(kPingEventResponse, {1, 2});
        m_events.TextsAt(kPingEventError, {1});
        m_ping = Ping_Create(EventRecorder::Callback, m_events.User(), nullptr);
        ASSERT_NE(nullptr, m_ping);
    }
    void TearDown() override { Ping_Destroy(m_ping); }

    std::vector<RecordedEvent> Responses() const { return m_events.Of(kPingEventResponse); }

    EventRecorder m_events;
    void* m_ping = nullptr;
};

TEST_F(PingTest, DefaultsAndProperties)
{
    EXPECT_EQ(64, Ping_Get(m_ping, kPingPacketSize, 0, nullptr));
    EXPECT_EQ(60, Ping_Get(m_ping, kPingTimeout, 0, nullptr));
    EXPECT_EQ(8, Ping_Get(m_ping, kPingMessageType, 0, nullptr));
    EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));
    EXPECT_EQ("", GetText(m_ping, kPingRemoteHost));
    EXPECT_EQ("True", Config(m_ping, "UseConnection"));
    EXPECT_EQ("False", Config(m_ping, "UseICMPDLL"));
    EXPECT_EQ("2048", Config(m_ping, "MaxMessageSize"));
    EXPECT_EQ("-1", Config(m_ping, "SocketHandle"));

    EXPECT_EQ(0, Ping_Set(m_ping, kPingPacketSize, 0, 4, 0));
    EXPECT_EQ(8, Ping_Get(m_ping, kPingPacketSize, 0, nullptr));
    EXPECT_EQ(0, Ping_Set(m_ping, kPingRemoteHost, 0, T("localhost"), 0));
    EXPECT_EQ("127.0.0.1", GetText(m_ping, kPingRemoteHost));
    EXPECT_EQ(-1, Ping_Set(m_ping, kPingRequestId, 0, 5, 0));

    // The time-out is unsigned: -1 is the longest wait there is, not "no
    // time-out", and the ping still waits for its answer.
    EXPECT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, -1, 0));
    EXPECT_EQ(INT_PTR(0xFFFFFFFFu / 1000), Ping_Get(m_ping, kPingTimeout, 0, nullptr));
    EXPECT_EQ("True", Config(m_ping, "UseConnection"));

    // Timeout 0 means answers come as events: the socket must not be tied
    // to one host.
    EXPECT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 0, 0));
    EXPECT_EQ("False", Config(m_ping, "UseConnection"));

    EXPECT_EQ(0, Do(m_ping, kPingPingHost, {T("")}));
    EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));

    // While active and connected the host cannot change.
    ASSERT_EQ(0, Do(m_ping, kPingConfig, {T("UseConnection=yes")})) << Ping_GetLastError(m_ping);
    EXPECT_EQ(0, Ping_Set(m_ping, kPingRemoteHost, 0, T("127.0.0.1"), 0));
    ASSERT_EQ(0, Ping_Set(m_ping, kPingActive, 0, 1, 0));
    EXPECT_EQ(114, Ping_Set(m_ping, kPingRemoteHost, 0, T("127.0.0.2"), 0));
    EXPECT_STREQ("Cannot change RemoteHost when UseConnection is set and ICMPPort is Active.",
                 Ping_GetLastError(m_ping));
    EXPECT_EQ(104, Ping_Set(m_ping, kPingActive, 0, 1, 0));
    EXPECT_EQ(107, Ping_Set(m_ping, kPingLocalHost, 0, T("127.0.0.1"), 0));
    EXPECT_EQ(112, Do(m_ping, kPingConfig, {T("MaxMessageSize=100")}));
    EXPECT_EQ(117, Do(m_ping, kPingConfig, {T("UseConnection=false")}));
    EXPECT_EQ(0, Ping_Set(m_ping, kPingTimeToLive, 0, 33, 0));
    EXPECT_EQ(33, Ping_Get(m_ping, kPingTimeToLive, 0, nullptr));
    EXPECT_EQ(0, Ping_Set(m_ping, kPingActive, 0, 0, 0));
}

TEST_F(PingTest, PingsLoopbackOnBothPaths)
{
    for (bool dll : {false, true}) {
        SCOPED_TRACE(dll ? "icmp.dll" : "raw socket");
        m_events.Clear();
        ASSERT_EQ(0, Do(m_ping, kPingConfig, {T(dll ? "UseICMPDLL=true" : "UseICMPDLL=false")}))
            << Ping_GetLastError(m_ping);
        ASSERT_EQ(0, Do(m_ping, kPingPingHost, {T("127.0.0.1")})) << Ping_GetLastError(m_ping);
        const std::vector<RecordedEvent> responses = Responses();
        ASSERT_EQ(1u, responses.size());
        const RecordedEvent& r = responses[0];
        ASSERT_EQ(4u, r.values.size());
        EXPECT_EQ(Ping_Get(m_ping, kPingRequestId, 0, nullptr), r.values[0]);
        EXPECT_EQ("127.0.0.1", r.texts[1]);
        EXPECT_EQ("OK", r.texts[2]);
        EXPECT_GE(r.values[3], 0);
        EXPECT_EQ(r.values[3], Ping_Get(m_ping, kPingResponseTime, 0, nullptr));
        EXPECT_EQ("127.0.0.1", GetText(m_ping, kPingResponseSource));
        EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr)); // a waited ping closes again
    }
}

// A smaller MaxMessageSize: the largest ping it allows is answered, one
// byte more is refused.
TEST_F(PingTest, AnswerThatFillsTheReceiveBuffer)
{
    ASSERT_EQ(0, Do(m_ping, kPingConfig, {T("MaxMessageSize=100")}));
    EXPECT_EQ("100", Config(m_ping, "MaxMessageSize"));
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 5, 0));
    for (int packetSize : {104, 80}) { // 104: 100 bytes of payload
        SCOPED_TRACE(packetSize);
        m_events.Clear();
        ASSERT_EQ(0, Ping_Set(m_ping, kPingPacketSize, 0, packetSize, 0));
        EXPECT_EQ(0, Do(m_ping, kPingPingHost, {T("127.0.0.1")})) << Ping_GetLastError(m_ping);
        ASSERT_EQ(1u, Responses().size());
        EXPECT_EQ("OK", Responses()[0].texts[2]);
    }
    ASSERT_EQ(0, Ping_Set(m_ping, kPingPacketSize, 0, 106, 0)); // 102 bytes of payload
    EXPECT_EQ(118, Do(m_ping, kPingPingHost, {T("127.0.0.1")}));
    EXPECT_STREQ("Message can't be longer than MaxMessageSize.", Ping_GetLastError(m_ping));
}

TEST_F(PingTest, EchoRequestOnTheWire)
{
    IcmpCapture capture;
    ASSERT_TRUE(capture.Ok());
    // 64: the default; 10: too small for the id and send time, which must
    // still fit whole into the payload.
    const struct {
        int packetSize;
        std::size_t messageSize;
    } cases[] = {{64, 64}, {10, 12}, {200, 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packetSize);
        ASSERT_EQ(0, Ping_Set(m_ping, kPingPacketSize, 0, c.packetSize, 0));
        ASSERT_EQ(0, Do(m_ping, kPingPingHost, {T("127.0.0.1")})) << Ping_GetLastError(m_ping);
        const std::uint32_t id = std::uint32_t(Ping_Get(m_ping, kPingRequestId, 0, nullptr));
        Bytes request;
        for (int i = 0; i < 5 && (request.size() < 8 || icmp::ReadStamp(request.data(), 4) != id); ++i)
            request = capture.Next(icmp::kEchoRequest);
        ASSERT_EQ(c.messageSize, request.size());
        EXPECT_EQ(8, request[0]);
        EXPECT_EQ(0, request[1]);
        EXPECT_EQ(0, icmp::InternetChecksum(request.data(), request.size())); // checksum verifies
        EXPECT_EQ(id, icmp::ReadStamp(request.data(), 4));
        for (std::size_t i = 12; i < request.size(); ++i)
            ASSERT_EQ('*', request[i]) << i;
        // The echo reply carries the same bytes back.
        const Bytes reply = capture.Next(icmp::kEchoReply);
        ASSERT_EQ(request.size(), reply.size());
        EXPECT_TRUE(std::equal(request.begin() + 4, request.end(), reply.begin() + 4));
    }
}

// Crafted destination-unreachable answers, sent while the component waits.
IcmpCapture* g_capture = nullptr;
void* g_ping = nullptr;
int g_unreachableCode = 0;

void CALLBACK SendUnreachable(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const std::uint32_t id = std::uint32_t(Ping_Get(g_ping, kPingRequestId, 0, nullptr));
    // Unused word, the original request's IP header, its ICMP header, its payload.
    Bytes body(4 + 20 + 4 + 8, 0);
    body[4] = 0x45;
    std::memcpy(body.data() + 28, &id, 4);
    g_capture->SendToLoopback(
        icmp::BuildMessage(icmp::kDestinationUnreachable, std::uint8_t(g_unreachableCode), body.data(), body.size()));
}

TEST_F(PingTest, UnreachableAnswerEndsTheWait)
{
    IcmpCapture capture;
    ASSERT_TRUE(capture.Ok());
    g_capture = &capture;
    g_ping = m_ping;
    const struct {
        int code;
        const char* text;
    } cases[] = {{3, "Port unreachable."}, {1, "Host unreachable."}, {13, "Destination unreachable: 13"}};
    ASSERT_EQ(0, Ping_Set(m_ping, kPingMessageType, 0, kUnanswered, 0));
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 10, 0));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        m_events.Clear();
        g_unreachableCode = c.code;
        SetTimer(nullptr, 0, 100, SendUnreachable);
        EXPECT_EQ(127, Do(m_ping, kPingPingHost, {T("127.0.0.1")})); // a time-out would give 301
        EXPECT_STREQ(c.text, Ping_GetLastError(m_ping));
        const std::vector<RecordedEvent> responses = Responses();
        ASSERT_EQ(1u, responses.size());
        EXPECT_EQ(c.text, responses[0].texts[2]);
        EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));
    }
}

void CALLBACK InterruptPing(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    INT_PTR none = 0;
    Ping_Do(g_ping, kPingInterrupt, 0, &none, nullptr);
}

TEST_F(PingTest, UnansweredRequestTimesOutOrIsInterrupted)
{
    g_ping = m_ping;
    ASSERT_EQ(0, Ping_Set(m_ping, kPingMessageType, 0, kUnanswered, 0));
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 1, 0));
    EXPECT_EQ(301, Do(m_ping, kPingPingHost, {T("127.0.0.1")}));
    EXPECT_STREQ("Interrupted.", Ping_GetLastError(m_ping));
    EXPECT_EQ(0, Ping_Get(m_ping, kPingResponseTime, 0, nullptr));
    EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));
    EXPECT_TRUE(Responses().empty());

    // Only the interruption can end this wait in time for the test to end.
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 3600, 0));
    SetTimer(nullptr, 0, 50, InterruptPing);
    EXPECT_EQ(301, Do(m_ping, kPingPingHost, {T("127.0.0.1")}));
    EXPECT_STREQ("Interrupted.", Ping_GetLastError(m_ping));
    EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));
}

TEST_F(PingTest, WithoutTimeoutAnswersArriveAsEvents)
{
    // Two requests before any answer is taken in: each answer names its own.
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 0, 0));
    ASSERT_EQ(0, Do(m_ping, kPingPingHost, {T("127.0.0.1")}));
    const INT_PTR first = Ping_Get(m_ping, kPingRequestId, 0, nullptr);
    Sleep(30);
    ASSERT_EQ(0, Do(m_ping, kPingPingHost, {T("127.0.0.1")}));
    const INT_PTR second = Ping_Get(m_ping, kPingRequestId, 0, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(1, Ping_Get(m_ping, kPingActive, 0, nullptr));
    for (int i = 0; i < 200 && Responses().size() < 2; ++i)
        Do(m_ping, kPingDoEvents, {});
    const std::vector<RecordedEvent> responses = Responses();
    ASSERT_EQ(2u, responses.size());
    EXPECT_EQ(first, responses[0].values[0]);
    EXPECT_EQ(second, responses[1].values[0]);
    for (const RecordedEvent& r : responses) {
        EXPECT_EQ("OK", r.texts[2]);
        EXPECT_LT(r.values[3], 5000);
    }
    EXPECT_GE(responses[0].values[3], 30); // timed from its own request
    EXPECT_EQ(1, Ping_Get(m_ping, kPingActive, 0, nullptr));

    // The socket hears every echo answer on the machine: one to a request
    // this object never sent (another program's ping) is no answer of its.
    IcmpCapture capture;
    ASSERT_TRUE(capture.Ok());
    const std::uint32_t foreign = std::uint32_t(second) ^ 0x5A5A5A5Au;
    Bytes stamp(8, 0);
    std::memcpy(stamp.data(), &foreign, 4);
    capture.SendToLoopback(icmp::BuildMessage(icmp::kEchoReply, 0, stamp.data(), stamp.size()));
    ASSERT_FALSE(capture.Next(icmp::kEchoReply).empty());
    for (int i = 0; i < 20; ++i)
        Do(m_ping, kPingDoEvents, {});
    EXPECT_EQ(2u, Responses().size());

    // The receive-buffer size goes to the open socket at once.
    EXPECT_EQ(0, Do(m_ping, kPingConfig, {T("InBufferSize=8192")}));
    EXPECT_EQ("8192", Config(m_ping, "InBufferSize"));
    EXPECT_NE("-1", Config(m_ping, "SocketHandle"));

    EXPECT_EQ(0, Ping_Set(m_ping, kPingActive, 0, 0, 0));
}

TEST_F(PingTest, WakeOnLan)
{
    IcmpCapture capture;
    ASSERT_TRUE(capture.Ok());
    EXPECT_EQ(0, Do(m_ping, kPingWakeOnLan, {T("127.0.0.1"), T("00-11-22-33-44-5f")})) << Ping_GetLastError(m_ping);
    EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr)); // as it was before
    const Bytes message = capture.Next(icmp::kEchoRequest);
    ASSERT_EQ(4 + icmp::kWakeOnLanSize, message.size());
    EXPECT_EQ(0, icmp::InternetChecksum(message.data(), message.size()));
    const std::uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x5f};
    EXPECT_EQ(icmp::WakeOnLanPattern(mac), Bytes(message.begin() + 4, message.end()));

    for (const char* bad : {"0011223344", "", "00-11-22-33-44-55-66"}) {
        EXPECT_EQ(128, Do(m_ping, kPingWakeOnLan, {T("127.0.0.1"), T(bad)})) << bad;
        EXPECT_STREQ("Bad MAC address.", Ping_GetLastError(m_ping));
        EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));
    }
}

// Stand-ins for IcmpSendEcho: the two ways Windows versions report an
// unreachable host, and no answer at all.
DWORD WINAPI HostUnreachableRecord(HANDLE, IPAddr to, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID buffer, DWORD, DWORD)
{
    auto* reply = static_cast<ICMP_ECHO_REPLY*>(buffer);
    *reply = ICMP_ECHO_REPLY();
    reply->Address = to;
    reply->Status = 11003;
    return 1;
}

DWORD WINAPI PortUnreachableFailure(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD)
{
    SetLastError(11005);
    return 0;
}

DWORD WINAPI TimedOut(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD)
{
    SetLastError(11010);
    return 0;
}

DWORD WINAPI GeneralFailure(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD)
{
    SetLastError(11050);
    return 0;
}

TEST_F(PingTest, IcmpDllAnswersOtherThanEcho)
{
    ASSERT_EQ(0, Do(m_ping, kPingConfig, {T("UseICMPDLL=true")})) << Ping_GetLastError(m_ping);
    const struct {
        IcmpSendEchoFn sendEcho;
        int result;
        const char* text;
        std::size_t responses;
    } cases[] = {
        {HostUnreachableRecord, 127, "Host unreachable.", 1},
        {PortUnreachableFailure, 127, "Port unreachable.", 1},
        {TimedOut, 301, "Interrupted.", 0},
        {GeneralFailure, 11050, "[11050] (no description available)", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        m_events.Clear();
        IcmpDllReplaceSendEcho(c.sendEcho);
        EXPECT_EQ(c.result, Do(m_ping, kPingPingHost, {T("127.0.0.1")}));
        IcmpDllReplaceSendEcho(nullptr);
        EXPECT_STREQ(c.text, Ping_GetLastError(m_ping));
        ASSERT_EQ(c.responses, Responses().size());
        if (c.responses) {
            EXPECT_EQ(c.text, Responses()[0].texts[2]);
        }
        EXPECT_EQ(0, Ping_Get(m_ping, kPingActive, 0, nullptr));
    }
}

// Linux drops ICMP messages shorter than their header before a raw socket
// sees them, so the received bytes are handed to the engine directly.
TEST_F(PingTest, MessageTooShortFiresTheErrorEvent)
{
    auto& engine = ComponentObject<PingEngine>::FromHandle(m_ping)->GetEngine();
    std::uint8_t packet[20 + 3] = {0x45};
    engine.DeliverRaw(packet, int(sizeof packet), "127.0.0.1");
    const std::vector<RecordedEvent> errors = m_events.Of(kPingEventError);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(119, errors[0].values[0]);
    EXPECT_EQ("Message too short.", errors[0].texts[1]);
    EXPECT_TRUE(Responses().empty());
}

} // namespace
