// The process-wide bindings that Ping and IPInfo share with every other
// component: Winsock, taken and given back by components on many threads at
// once, and the system libraries (iphlpapi.dll, icmp.dll), which stay loaded
// while any component still uses them.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/core/icmp/IcmpDll.h"
#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/include/netcomp_ipinfo.h"
#include "netcomp/include/netcomp_ping.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/include/netcomp.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string ConfigAnswer(int(WINAPI* doMethod)(void*, int, int, INT_PTR*, int*), void* obj, const char* key)
{
    INT_PTR args[2] = {T(key), 0};
    int lengths[2] = {};
    doMethod(obj, NETCOMP_METHOD_CONFIG, 2, args, lengths);
    return AnswerText(args[1]);
}

// Lets a group of threads start each round together.
class Rendezvous {
public:
    explicit Rendezvous(int count) : m_count(count) {}
    void Wait()
    {
        const int round = m_round;
        if (++m_arrived == m_count) {
            m_arrived = 0;
            ++m_round;
        }
        while (m_round == round)
            std::this_thread::yield();
    }

private:
    const int m_count;
    std::atomic<int> m_arrived{0};
    std::atomic<int> m_round{0};
};

// The application creates components on its main thread and on audit
// workers at the same moment: every one of them must find Winsock started,
// also when they all take the first reference together.
TEST(SharedBindings, ComponentsOnManyThreadsAllFindWinsockRunning)
{
    Ping_StaticInit(GetModuleHandleA(nullptr));
    IPInfo_StaticInit(GetModuleHandleA(nullptr));
    constexpr int kThreads = 8;
    std::atomic<int> failures{0};
    Rendezvous rendezvous(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 60; ++i) {
                rendezvous.Wait(); // nothing holds Winsock here
                if (t % 2 == 0) {
                    void* ping = Ping_Create(nullptr, 0, nullptr);
                    if (!ping || ConfigAnswer(Ping_Do, ping, "WinsockLoaded") != "True" ||
                        Ping_Set(ping, kPingRemoteHost, 0, T("127.0.0.1"), 0) != 0 ||
                        std::string(reinterpret_cast<const char*>(Ping_Get(ping, kPingRemoteHost, 0, nullptr))) !=
                            "127.0.0.1")
                        ++failures;
                    rendezvous.Wait();
                    Ping_Destroy(ping);
                } else {
                    void* info = IPInfo_Create(nullptr, 0, nullptr);
                    if (!info || ConfigAnswer(IPInfo_Do, info, "WinsockLoaded") != "True")
                        ++failures;
                    rendezvous.Wait();
                    IPInfo_Destroy(info);
                }
                rendezvous.Wait();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(0u, g_winsock.LoadCount());
    EXPECT_STREQ("Down", g_winsock.GetStatus());
    IPInfo_StaticDestroy();
    Ping_StaticDestroy();
}

// DNS and MX share iphlpapi.dll with IPInfo, and an IPInfo object may outlive
// its component's StaticDestroy: neither may find the library gone.
TEST(SharedBindings, StaticDestroyLeavesLibrariesToTheirOtherUsers)
{
    const unsigned before = IpHelperDll().References();
    IPInfo_StaticInit(GetModuleHandleA(nullptr));
    IPInfo_StaticInit(GetModuleHandleA(nullptr)); // a second user of the library
    void* info = IPInfo_Create(nullptr, 0, nullptr);
    ASSERT_NE(nullptr, info);
    IPInfo_StaticDestroy();
    IPInfo_StaticDestroy();
    EXPECT_TRUE(IpHelperDll().IsLoaded());
    EXPECT_GE(IPInfo_Get(info, kIpInfoAdapterCount, 0, nullptr), 0); // -1: the list could not be read
    IPInfo_Destroy(info);
    EXPECT_EQ(before, IpHelperDll().References());
    IPInfo_StaticDestroy(); // one too many is harmless
    EXPECT_EQ(before, IpHelperDll().References());

    Ping_StaticInit(GetModuleHandleA(nullptr));
    void* ping = Ping_Create(nullptr, 0, nullptr);
    ASSERT_NE(nullptr, ping);
    Ping_StaticDestroy();
    EXPECT_TRUE(IcmpDll().IsLoaded());
    EXPECT_EQ("", ConfigAnswer(Ping_Do, ping, "UseICMPDLL=true"));
    INT_PTR host = T("127.0.0.1");
    int length = 0;
    EXPECT_EQ(0, Ping_Do(ping, kPingPingHost, 1, &host, &length)) << Ping_GetLastError(ping);
    Ping_Destroy(ping);
    EXPECT_FALSE(IcmpDll().IsLoaded());
}

} // namespace
