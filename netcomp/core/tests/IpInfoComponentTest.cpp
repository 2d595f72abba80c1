// IPInfo through its exported functions. Adapter and parameter answers are
// checked against what the IP Helper library tells the test itself, so the
// test holds on any machine; look-ups name only "localhost" and 127.0.0.1.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "netcomp/include/netcomp_ipinfo.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

class IpInfoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { IPInfo_StaticInit(GetModuleHandleA(nullptr)); }
    static void TearDownTestSuite() { IPInfo_StaticDestroy(); }
    void SetUp() override
    {
        m_events.TextsAt(kIpInfoEventRequestComplete, {2});
        m_events.TextsAt(kIpInfoEventError, {1});
        m_info = IPInfo_Create(EventRecorder::Callback, m_events.User(), nullptr);
        ASSERT_NE(nullptr, m_info);
    }
    void TearDown() override { IPInfo_Destroy(m_info); }

    std::string Text(int property) { return reinterpret_cast<const char*>(IPInfo_Get(m_info, property, 0, nullptr)); }
    int Number(int property) { return int(IPInfo_Get(m_info, property, 0, nullptr)); }

    int Do(int method, const char* arg, std::string* answer = nullptr)
    {
        INT_PTR args[2] = {T(arg), 0};
        int lengths[2] = {};
        const int rc = IPInfo_Do(m_info, method, arg ? 2 : 0, args, lengths);
        if (answer)
            *answer = args[1] ? reinterpret_cast<const char*>(args[1]) : "";
        return rc;
    }

    // Pumps until the number of events reaches n (or about two seconds pass).
    void WaitForEvents(std::size_t n)
    {
        for (int i = 0; i < 100 && m_events.events.size() < n; ++i)
            Do(kIpInfoDoEvents, nullptr);
    }

    EventRecorder m_events;
    void* m_info = nullptr;
};

std::vector<BYTE> AdaptersOfTheSystem()
{
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW)
        return {};
    std::vector<BYTE> buffer(size);
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size) != NO_ERROR)
        return {};
    return buffer;
}

std::string Joined(const IP_ADDR_STRING* entry)
{
    std::string text;
    for (; entry; entry = entry->Next)
        text += (text.empty() ? "" : " ") + std::string(entry->IpAddress.String);
    return text;
}

std::string Lease(time_t t)
{
    const std::tm* local = std::localtime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", local->tm_mon + 1, local->tm_mday,
                  local->tm_year + 1900, local->tm_hour, local->tm_min, local->tm_sec);
    return text;
}

TEST_F(IpInfoTest, AdaptersAsTheSystemReportsThem)
{
    const std::vector<BYTE> buffer = AdaptersOfTheSystem();
    std::vector<const IP_ADAPTER_INFO*> adapters;
    for (auto* a = buffer.empty() ? nullptr : reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a; a = a->Next)
        adapters.push_back(a);
    ASSERT_EQ(int(adapters.size()), Number(kIpInfoAdapterCount));
    EXPECT_EQ(adapters.empty() ? 0 : 1, Number(kIpInfoAdapterIndex));

    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const IP_ADAPTER_INFO& a = *adapters[i];
        SCOPED_TRACE(a.AdapterName);
        ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoAdapterIndex, 0, INT_PTR(i + 1), 0));
        EXPECT_EQ(int(i + 1), Number(kIpInfoAdapterIndex));
        EXPECT_EQ(a.Description, Text(kIpInfoAdapterDescription));
        EXPECT_EQ(int(a.Index), Number(kIpInfoAdapterSystemIndex));
        EXPECT_EQ(a.DhcpEnabled ? 1 : 0, Number(kIpInfoAdapterDhcpEnabled));
        EXPECT_EQ(a.DhcpServer.IpAddress.String, Text(kIpInfoAdapterDhcpServer));
        EXPECT_EQ(a.GatewayList.IpAddress.String, Text(kIpInfoAdapterGateway));
        EXPECT_EQ(a.IpAddressList.IpAddress.String, Text(kIpInfoAdapterIpAddress));
        EXPECT_EQ(Lease(a.LeaseExpires), Text(kIpInfoAdapterLeaseExpires));
        EXPECT_EQ(Lease(a.LeaseObtained), Text(kIpInfoAdapterLeaseObtained));
        EXPECT_EQ(a.AdapterName, Text(kIpInfoAdapterName));
        EXPECT_EQ(Joined(&a.IpAddressList), Text(kIpInfoAdapterOtherIpAddresses));
        std::string hardware;
        for (UINT b = 0; b < a.AddressLength; ++b) {
            char pair[4];
            std::snprintf(pair, sizeof pair, b ? "-%02x" : "%02x", a.Address[b]);
            hardware += pair;
        }
        EXPECT_EQ(hardware, Text(kIpInfoAdapterPhysicalAddress));
        EXPECT_EQ(a.PrimaryWinsServer.IpAddress.String, Text(kIpInfoAdapterPrimaryWinsServer));
        EXPECT_EQ(a.SecondaryWinsServer.IpAddress.String, Text(kIpInfoAdapterSecondaryWinsServer));
        EXPECT_EQ(a.IpAddressList.IpMask.String, Text(kIpInfoAdapterSubnetMask));
        if (a.Type == MIB_IF_TYPE_ETHERNET) {
            EXPECT_EQ("ETHERNET", Text(kIpInfoAdapterType));
        }
        EXPECT_EQ(a.HaveWins ? 1 : 0, Number(kIpInfoAdapterWinsEnabled));
    }

    // A bad index is refused and the selection stays.
    const int selected = Number(kIpInfoAdapterIndex);
    for (int bad : {0, int(adapters.size()) + 1, -3}) {
        EXPECT_EQ(169, IPInfo_Set(m_info, kIpInfoAdapterIndex, 0, bad, 0)) << bad;
        EXPECT_STREQ("Bad Adapter Index.", IPInfo_GetLastError(m_info));
        EXPECT_EQ(selected, Number(kIpInfoAdapterIndex));
    }
    EXPECT_EQ(-1, IPInfo_Set(m_info, kIpInfoAdapterName, 0, 0, 0));
}

TEST_F(IpInfoTest, NetworkParametersAsTheSystemReportsThem)
{
    ULONG size = 0;
    ASSERT_EQ(DWORD(ERROR_BUFFER_OVERFLOW), GetNetworkParams(nullptr, &size));
    std::vector<BYTE> buffer(size);
    ASSERT_EQ(DWORD(NO_ERROR), GetNetworkParams(reinterpret_cast<FIXED_INFO*>(buffer.data()), &size));
    const auto& p = *reinterpret_cast<const FIXED_INFO*>(buffer.data());
    EXPECT_EQ(p.DomainName, Text(kIpInfoDomainName));
    EXPECT_EQ(p.DnsServerList.IpAddress.String, Text(kIpInfoDnsServer));
    EXPECT_EQ(Joined(&p.DnsServerList), Text(kIpInfoOtherDnsServers));
    EXPECT_EQ(p.ScopeId, Text(kIpInfoDhcpScope));
    EXPECT_EQ(p.EnableProxy ? 1 : 0, Number(kIpInfoArpProxyEnabled));
    EXPECT_EQ(p.EnableDns ? 1 : 0, Number(kIpInfoDnsResolutionEnabled));
    EXPECT_EQ(p.EnableRouting ? 1 : 0, Number(kIpInfoRoutingEnabled));
    const char* nodeTypes[] = {"", "BROADCAST", "PEERTOPEER", "", "MIXED", "", "", "", "HYBRID"};
    EXPECT_EQ(p.NodeType < 9 ? nodeTypes[p.NodeType] : "", Text(kIpInfoNodeType));
    EXPECT_FALSE(Text(kIpInfoLocalHost).empty());
}

TEST_F(IpInfoTest, DhcpAndArpFailuresAreReported)
{
    // Wine implements neither DHCP release/renew nor ARP: they fail with 50.
    ULONG size = 0;
    GetInterfaceInfo(nullptr, &size);
    std::vector<BYTE> table(size ? size : sizeof(IP_INTERFACE_INFO));
    const bool haveMap = GetInterfaceInfo(reinterpret_cast<IP_INTERFACE_INFO*>(table.data()), &size) == NO_ERROR;
    const int count = Number(kIpInfoAdapterCount);
    for (int method : {kIpInfoDhcpRelease, kIpInfoDhcpRenew}) {
        SCOPED_TRACE(method);
        const int rc = Do(method, nullptr);
        if (count == 0) {
            EXPECT_EQ(137, rc);
            EXPECT_STREQ("No adapter has been selected.  Please choose an Adapter by setting AdapterIndex.",
                         IPInfo_GetLastError(m_info));
            continue;
        }
        bool mapped = false;
        const auto* map = reinterpret_cast<const IP_INTERFACE_INFO*>(table.data());
        for (LONG i = 0; haveMap && i < map->NumAdapters; ++i)
            mapped = mapped || map->Adapter[i].Index == ULONG(Number(kIpInfoAdapterSystemIndex));
        if (mapped) {
            EXPECT_EQ(136, rc);
            EXPECT_STREQ("Could not perform DHCP operation (error 0x32).", IPInfo_GetLastError(m_info));
        } else if (haveMap) {
            EXPECT_EQ(137, rc);
            EXPECT_STREQ("Adapter not found in adapter map.", IPInfo_GetLastError(m_info));
        } else {
            EXPECT_EQ(136, rc);
        }
    }

    std::string mac = "unset";
    EXPECT_EQ(135, Do(kIpInfoGetMac, "127.0.0.1", &mac));
    EXPECT_STREQ("Can't get MAC address (error: 0x32).", IPInfo_GetLastError(m_info));
    EXPECT_EQ("", mac);
    EXPECT_EQ(135, Do(kIpInfoGetMac, "no.address", &mac));
    EXPECT_STREQ("Invalid IP address.", IPInfo_GetLastError(m_info));
    EXPECT_EQ(135, IPInfo_GetLastErrorCode(m_info));
}

TEST_F(IpInfoTest, HostAndServiceLookups)
{
    std::string answer = "unset";
    ASSERT_EQ(0, Do(kIpInfoResolveName, "localhost", &answer));
    EXPECT_EQ("", answer); // not known before the look-up completes
    EXPECT_EQ(1, Number(kIpInfoPendingRequests));
    const INT_PTR request = IPInfo_Get(m_info, kIpInfoRequestId, 0, nullptr);
    EXPECT_NE(0, request);
    WaitForEvents(1);
    ASSERT_EQ(1u, m_events.events.size());
    EXPECT_EQ(kIpInfoEventRequestComplete, m_events.events[0].event);
    EXPECT_EQ(request, m_events.events[0].values[0]);
    EXPECT_EQ(0, m_events.events[0].values[1]);
    EXPECT_EQ("OK", m_events.events[0].texts.back());
    EXPECT_EQ(0, Number(kIpInfoPendingRequests));
    EXPECT_EQ("127.0.0.1", Text(kIpInfoHostAddress));
    EXPECT_EQ("localhost", Text(kIpInfoHostName));

    m_events.Clear();
    ASSERT_EQ(0, Do(kIpInfoResolveAddress, "127.0.0.1", &answer));
    EXPECT_EQ("", Text(kIpInfoHostName)); // earlier answers are cleared at the start
    WaitForEvents(1);
    ASSERT_EQ(1u, m_events.events.size());
    EXPECT_EQ(0, m_events.events[0].values[1]);
    EXPECT_EQ("localhost", Text(kIpInfoHostName));

    m_events.Clear();
    EXPECT_EQ(134, IPInfo_Set(m_info, kIpInfoHostAddress, 0, T("not-an-address"), 0));
    EXPECT_STREQ("Invalid address string.", IPInfo_GetLastError(m_info));
    EXPECT_EQ(0, IPInfo_Set(m_info, kIpInfoHostName, 0, T(""), 0));
    EXPECT_EQ(0, Number(kIpInfoPendingRequests));

    // Services come from the local services file.
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoServiceProtocol, 0, T("tcp"), 0));
    EXPECT_EQ("tcp", Text(kIpInfoServiceProtocol));
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoServiceName, 0, T("smtp"), 0));
    WaitForEvents(1);
    ASSERT_EQ(1u, m_events.events.size());
    EXPECT_EQ(0, m_events.events[0].values[1]);
    EXPECT_EQ(25, Number(kIpInfoServicePort));
    EXPECT_EQ("smtp", Text(kIpInfoServiceName));
    EXPECT_EQ("mail", Text(kIpInfoServiceAliases));

    m_events.Clear();
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoServicePort, 0, 80, 0));
    WaitForEvents(1);
    ASSERT_EQ(1u, m_events.events.size());
    EXPECT_EQ("http", Text(kIpInfoServiceName));
    EXPECT_EQ(80, Number(kIpInfoServicePort));
    EXPECT_EQ(0, IPInfo_Set(m_info, kIpInfoServicePort, 0, 0, 0));
    EXPECT_EQ(0, Number(kIpInfoPendingRequests));
}

TEST_F(IpInfoTest, QueueLimitAndCancelledRequests)
{
    for (int i = 0; i < 96; ++i)
        ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoHostName, 0, T("localhost"), 0)) << i;
    EXPECT_EQ(96, Number(kIpInfoPendingRequests));
    EXPECT_EQ(131, IPInfo_Set(m_info, kIpInfoHostName, 0, T("localhost"), 0));
    EXPECT_STREQ("Request queue is full.", IPInfo_GetLastError(m_info));

    // Keep two; the completions of the cancelled ones that still arrive are
    // for requests nobody waits for.
    EXPECT_EQ(0, IPInfo_Set(m_info, kIpInfoPendingRequests, 0, 2, 0));
    EXPECT_EQ(2, Number(kIpInfoPendingRequests));
    WaitForEvents(96);
    int completed = 0;
    for (const RecordedEvent& e : m_events.events) {
        if (e.event == kIpInfoEventRequestComplete) {
            ++completed;
            EXPECT_EQ("OK", e.texts.back());
        } else {
            EXPECT_EQ(kIpInfoEventError, e.event);
            EXPECT_EQ(132, e.values[0]);
            EXPECT_EQ("Message for unknown request.", e.texts.back());
        }
    }
    EXPECT_EQ(2, completed);
    EXPECT_EQ(0, Number(kIpInfoPendingRequests));

    // Reset cancels everything still queued.
    ASSERT_EQ(0, IPInfo_Set(m_info, kIpInfoHostName, 0, T("localhost"), 0));
    EXPECT_EQ(0, Do(kIpInfoReset, nullptr));
    EXPECT_EQ(0, Number(kIpInfoPendingRequests));
}

// Winsock may still write a cancelled look-up's answer into its buffer (Wine
// does: its cancel does nothing); an object destroyed with look-ups pending
// must not leave that write to land in freed memory.
TEST(IpInfoLifetime, DestroyedWithLookupsPending)
{
    IPInfo_StaticInit(GetModuleHandleA(nullptr));
    for (int round = 0; round < 5; ++round) {
        void* info = IPInfo_Create(nullptr, 0, nullptr);
        ASSERT_NE(nullptr, info);
        for (int i = 0; i < 96; ++i)
            ASSERT_EQ(0, IPInfo_Set(info, kIpInfoHostName, 0, T("localhost"), 0));
        if (round % 2) { // cancelled before, or by the destruction itself
            ASSERT_EQ(0, IPInfo_Set(info, kIpInfoPendingRequests, 0, 0, 0));
        }
        IPInfo_Destroy(info);
        // Whatever lands now lands in memory the heap hands out next.
        std::vector<std::vector<char>> fill;
        for (int i = 0; i < 400; ++i)
            fill.emplace_back(1024, char(0x5A));
        Sleep(100);
        for (const auto& block : fill)
            for (char c : block)
                ASSERT_EQ(char(0x5A), c);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    IPInfo_StaticDestroy();
}

} // namespace
