// IPInfo's host look-ups with Winsock's asynchronous call replaced by the
// test's own, which answers when the test says so: request handles beyond 32
// bits, as 64-bit Windows may hand out, and answers that Winsock writes for a
// request after it was cancelled (Wine's cancel does nothing).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "netcomp/include/netcomp_ipinfo.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/testing/WinsockStandIns.h"

namespace {

struct Lookup {
    HWND window;
    u_int message;
    char* buffer;
    HANDLE handle;
};
std::vector<Lookup> g_lookups;

HANDLE WSAAPI StartLookup(HWND window, u_int message, const char*, char* buffer, int)
{
    const auto handle = reinterpret_cast<HANDLE>(std::uintptr_t(0x7A5500000000ull) + 0x10 * (g_lookups.size() + 1));
    g_lookups.push_back({window, message, buffer, handle});
    return handle;
}

int WSAAPI CancelDoesNothing(HANDLE)
{
    return 0;
}

// Writes a hostent with one address into the look-up's buffer, as Winsock
// does, and posts the completion.
void Answer(const Lookup& lookup, const char* name, std::uint8_t lastByte)
{
    auto* host = reinterpret_cast<hostent*>(lookup.buffer);
    char** lists = reinterpret_cast<char**>(lookup.buffer + sizeof(hostent));
    char* address = reinterpret_cast<char*>(lists + 3);
    char* text = address + 4;
    const std::uint8_t bytes[4] = {127, 0, 0, lastByte};
    std::memcpy(address, bytes, 4);
    std::strcpy(text, name);
    lists[0] = nullptr; // no aliases
    lists[1] = address;
    lists[2] = nullptr;
    host->h_name = text;
    host->h_aliases = &lists[0];
    host->h_addrtype = AF_INET;
    host->h_length = 4;
    host->h_addr_list = &lists[1];
    PostMessageA(lookup.window, lookup.message, WPARAM(lookup.handle), MAKELPARAM(256, 0));
}

struct Completion {
    int event;
    INT_PTR handle;
};
std::vector<Completion> g_events;

int WINAPI Record(INT_PTR, int event, int count, INT_PTR* params, int*)
{
    g_events.push_back({event, count > 0 ? params[0] : 0});
    return 0;
}

class IpInfoLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        IPInfo_StaticInit(GetModuleHandleA(nullptr));
        g_lookups.clear();
        g_events.clear();
        m_info = IPInfo_Create(Record, 0, nullptr);
        ASSERT_NE(nullptr, m_info);
        m_winsock.emplace();
        m_winsock->Entries().WSAAsyncGetHostByName = StartLookup;
        m_winsock->Entries().WSACancelAsyncRequest = CancelDoesNothing;
    }
    void TearDown() override
    {
        m_winsock.reset();
        IPInfo_Destroy(m_info);
        IPInfo_StaticDestroy();
    }

    void Pump()
    {
        INT_PTR none = 0;
        for (int i = 0; i < 5; ++i)
            IPInfo_Do(m_info, kIpInfoDoEvents, 0, &none, nullptr);
    }
    std::string Text(int property) { return reinterpret_cast<const char*>(IPInfo_Get(m_info, property, 0, nullptr)); }

    void* m_info = nullptr;
    std::optional<WinsockStandIns> m_winsock;
};

TEST_F(IpInfoLookup, RequestHandlesKeepAllTheirBits)
{
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoHostName, 0, reinterpret_cast<INT_PTR>("one.test"), 0));
    const INT_PTR handle = IPInfo_Get(m_info, kIpInfoRequestId, 0, nullptr);
    ASSERT_EQ(1u, g_lookups.size());
    EXPECT_EQ(reinterpret_cast<INT_PTR>(g_lookups[0].handle), handle);
    Answer(g_lookups[0], "one.test", 9);
    Pump();
    ASSERT_EQ(1u, g_events.size());
    EXPECT_EQ(kIpInfoEventRequestComplete, g_events[0].event);
    EXPECT_EQ(handle, g_events[0].handle);
    EXPECT_EQ("127.0.0.9", Text(kIpInfoHostAddress));
}

TEST_F(IpInfoLookup, CancelledLookupKeepsItsBufferUntilAnswered)
{
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoHostName, 0, reinterpret_cast<INT_PTR>("first.test"), 0));
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoPendingRequests, 0, 0, 0)); // cancels it
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoHostName, 0, reinterpret_cast<INT_PTR>("second.test"), 0));
    ASSERT_EQ(2u, g_lookups.size());
    // The second answer is written, then the first one comes after all.
    Answer(g_lookups[1], "second.test", 2);
    Answer(g_lookups[0], "first.test", 1);
    Pump();
    ASSERT_EQ(2u, g_events.size());
    EXPECT_EQ(kIpInfoEventRequestComplete, g_events[0].event);
    EXPECT_EQ(kIpInfoEventError, g_events[1].event); // "Message for unknown request."
    EXPECT_EQ("second.test", Text(kIpInfoHostName));
    EXPECT_EQ("127.0.0.2", Text(kIpInfoHostAddress));
}

} // namespace
