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

#include "netcomp/core/ComponentObject.h"
#include "netcomp/core/IcmpDll.h"
#include "netcomp/core/IcmpPacket.h"
#include "netcomp/core/PingEngine.h"
#include "netcomp/core/PingNumbers.h"
#include "netcomp/core/netcomp.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kUnanswered = 42; // an ICMP type no host answers

struct Event {
    int event;
    std::vector<std::string> texts;
    std::vector<INT_PTR> values;
};

std::vector<Event> g_events;

int WINAPI Record(INT_PTR, int event, int count, INT_PTR* params, int*)
{
    Event e{event, {}, {}};
    for (int i = 0; i < count; ++i) {
        e.values.push_back(params[i]);
        // Response: id, source, status, time; Error: code, text.
        const bool text = (event == kPingEventResponse && (i == 1 || i == 2)) || (event == kPingEventError && i == 1);
        e.texts.push_back(text ? reinterpret_cast<const char*>(params[i]) : "");
    }
    g_events.push_back(e);
    return 0;
}

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

std::string Config(void* ping, const char* text)
{
    INT_PTR args[2] = {T(text), 0};
    int lengths[2] = {};
    Ping_Do(ping, kPingConfig, 2, args, lengths);
    return args[1] ? reinterpret_cast<const char*>(args[1]) : "";
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
        g_events.clear();
        m_ping = Ping_Create(Record, 7, nullptr);
        ASSERT_NE(nullptr, m_ping);
    }
    void TearDown() override { Ping_Destroy(m_ping); }

    std::vector<Event> Responses() const
    {
        std::vector<Event> out;
        for (const Event& e : g_events)
            if (e.event == kPingEventResponse)
                out.push_back(e);
        return out;
    }

    void* m_ping = nullptr;
};

// The keys of the component base reach the base through Ping's own Config;
// a set leaves the answer slot alone, an unknown key empties it.
TEST_F(PingTest, ConfigKeysOfTheBaseClasses)
{
    const struct {
        const char* text;
        int result;
        const char* answer; // null: the slot keeps "before"
    } cases[] = {
        {"CodePage=932", 0, nullptr},    {"codepage", 0, "932"},       {"AbsoluteTimeout=yes", 0, nullptr},
        {"ABSOLUTETIMEOUT", 0, "True"},  {"WinsockLoaded", 0, "True"}, {"WinsockStatus", 0, "Running"},
        {"WinsockLoaded=false", -1, ""}, {"Timeout", -1, ""},          {"SocketHandle=5", -1, ""},
        {"QOSFlags=16", 0, nullptr},     {"qosflags", 0, "16"},        {"OutBufferSize", 0, "2048"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        INT_PTR args[2] = {T(c.text), T("before")};
        int lengths[2] = {};
        EXPECT_EQ(c.result, Ping_Do(m_ping, kPingConfig, 2, args, lengths));
        EXPECT_STREQ(c.answer ? c.answer : "before", reinterpret_cast<const char*>(args[1]));
        if (c.result == -1) {
            EXPECT_STREQ("Unknown config setting.", Ping_GetLastError(m_ping));
            EXPECT_EQ(-1, Ping_GetLastErrorCode(m_ping));
        }
    }
}

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
    EXPECT_EQ(0, Ping_Get(m_ping, 99, 0, nullptr));
    EXPECT_EQ(0, Ping_CheckIndex(m_ping, kPingPacketSize, 12));

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
    EXPECT_EQ(0, Config(m_ping, "UseConnection=yes").size());
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
        g_events.clear();
        EXPECT_EQ(0, Config(m_ping, dll ? "UseICMPDLL=true" : "UseICMPDLL=false").size());
        ASSERT_EQ(0, Do(m_ping, kPingPingHost, {T("127.0.0.1")})) << Ping_GetLastError(m_ping);
        const std::vector<Event> responses = Responses();
        ASSERT_EQ(1u, responses.size());
        const Event& r = responses[0];
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
        g_events.clear();
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
        g_events.clear();
        g_unreachableCode = c.code;
        SetTimer(nullptr, 0, 100, SendUnreachable);
        EXPECT_EQ(127, Do(m_ping, kPingPingHost, {T("127.0.0.1")})); // a time-out would give 301
        EXPECT_STREQ(c.text, Ping_GetLastError(m_ping));
        const std::vector<Event> responses = Responses();
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
    const std::vector<Event> responses = Responses();
    ASSERT_EQ(2u, responses.size());
    EXPECT_EQ(first, responses[0].values[0]);
    EXPECT_EQ(second, responses[1].values[0]);
    for (const Event& r : responses) {
        EXPECT_EQ("OK", r.texts[2]);
        EXPECT_LT(r.values[3], 5000);
    }
    EXPECT_GE(responses[0].values[3], 30); // timed from its own request
    EXPECT_EQ(1, Ping_Get(m_ping, kPingActive, 0, nullptr));

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
    ASSERT_EQ(0, Config(m_ping, "UseICMPDLL=true").size());
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
        g_events.clear();
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

TEST_F(PingTest, IcmpDllUnreachableStatusesAreReported)
{
    // The loopback never answers "unreachable"; the reply records icmp.dll
    // would leave are handed to the engine directly.
    ASSERT_EQ(0, Config(m_ping, "UseICMPDLL=1").size());
    ASSERT_EQ(0, Ping_Set(m_ping, kPingTimeout, 0, 0, 0));
    ASSERT_EQ(0, Ping_Set(m_ping, kPingActive, 0, 1, 0));
    auto& engine = static_cast<ComponentObject<PingEngine>*>(m_ping)->GetEngine();
    const struct {
        ULONG status;
        const char* text;
    } cases[] = {{11002, "Network unreachable."},
                 {11003, "Host unreachable."},
                 {11004, "Protocol unreachable."},
                 {11005, "Port unreachable."}};
    for (const auto& c : cases) {
        g_events.clear();
        ICMP_ECHO_REPLY reply = {};
        reply.Address = htonl(INADDR_LOOPBACK);
        reply.Status = c.status;
        engine.DeliverIcmpDllReplies(&reply, 1);
        const std::vector<Event> responses = Responses();
        ASSERT_EQ(1u, responses.size()) << c.status;
        EXPECT_EQ(c.text, responses[0].texts[2]);
        EXPECT_EQ("127.0.0.1", responses[0].texts[1]);
    }
    EXPECT_EQ(0, Ping_Set(m_ping, kPingActive, 0, 0, 0));
}

} // namespace

namespace {

// The same component as a program that loads netcomp.dll sees it.
TEST(NetcompDll, ExportsPingAndIpInfo)
{
    HMODULE dll = LoadLibraryA("netcomp.dll");
    ASSERT_NE(nullptr, dll);
    for (const char* component : {"Ping", "IPInfo"}) {
        for (const char* verb : {"StaticInit", "StaticDestroy", "Create", "Destroy", "Get", "Set", "Do", "CheckIndex",
                                 "GetLastError", "GetLastErrorCode"}) {
            const std::string name = std::string(component) + "_" + verb;
            EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(dll, name.c_str()))) << name;
        }
    }
    using StaticInitFn = int(WINAPI*)(HINSTANCE);
    using StaticDestroyFn = int(WINAPI*)();
    using CreateFn = void*(WINAPI*)(ComponentEventCallback, INT_PTR, const char*);
    using DestroyFn = int(WINAPI*)(void*);
    using GetFn = INT_PTR(WINAPI*)(void*, int, int, int*);
    using DoFn = int(WINAPI*)(void*, int, int, INT_PTR*, int*);
    auto fn = [dll](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll, name)); };
    auto staticInit = reinterpret_cast<StaticInitFn>(fn("Ping_StaticInit"));
    auto staticDestroy = reinterpret_cast<StaticDestroyFn>(fn("Ping_StaticDestroy"));
    auto create = reinterpret_cast<CreateFn>(fn("Ping_Create"));
    auto destroy = reinterpret_cast<DestroyFn>(fn("Ping_Destroy"));
    auto get = reinterpret_cast<GetFn>(fn("Ping_Get"));
    auto doMethod = reinterpret_cast<DoFn>(fn("Ping_Do"));
    ASSERT_TRUE(staticInit && staticDestroy && create && destroy && get && doMethod);

    EXPECT_EQ(0, staticInit(dll));
    g_events.clear();
    void* ping = create(Record, 0, nullptr);
    ASSERT_NE(nullptr, ping);
    INT_PTR args[1] = {T("127.0.0.1")};
    int lengths[1] = {};
    EXPECT_EQ(0, doMethod(ping, kPingPingHost, 1, args, lengths));
    EXPECT_STREQ("127.0.0.1", reinterpret_cast<const char*>(get(ping, kPingResponseSource, 0, nullptr)));
    ASSERT_EQ(1u, g_events.size());
    EXPECT_EQ("OK", g_events[0].texts[2]);
    EXPECT_EQ(0, destroy(ping));
    EXPECT_EQ(0, staticDestroy());
    FreeLibrary(dll);
}

} // namespace
