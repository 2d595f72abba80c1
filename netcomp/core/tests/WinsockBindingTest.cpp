// The process-wide Winsock binding, against the real WSOCK32.DLL and against
// a stand-in whose start-up fails on request. This program imports no Winsock
// of its own: whatever keeps the library in the process is the binding's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/core/tests/ProbeComponent.h"
#include "netcomp/include/netcomp_ipinfo.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/WinsockFiles.h"

namespace {

using FakeConfigureFn = void(WINAPI*)(int, int);
using FakeCountFn = int(WINAPI*)();

std::string ConfigAnswer(void* probe, const char* key)
{
    INT_PTR args[2] = {reinterpret_cast<INT_PTR>(key), 0};
    int lengths[2] = {};
    EXPECT_EQ(Probe_Do(probe, kProbeConfig, 2, args, lengths), 0) << key;
    return args[1] ? AnswerText(args[1]) : "(null)";
}

TEST(WinsockBinding, FallbacksUntilLoadedAndAgainAfterTheLastUnload)
{
    ASSERT_EQ(g_winsock.LoadCount(), 0u);
    EXPECT_EQ(Ws().WSAGetLastError(), 10093);
    EXPECT_EQ(Ws().inet_addr("127.0.0.1"), INADDR_NONE);
    EXPECT_EQ(Ws().socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(Ws().WSAIsBlocking(), FALSE);
    EXPECT_STREQ(g_winsock.GetStatus(), "Down");
    EXPECT_STREQ(g_winsock.GetPath(), "WSOCK32.DLL");

    void* first = Probe_Create(nullptr, 0, nullptr);
    void* second = Probe_Create(nullptr, 0, nullptr);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(g_winsock.LoadCount(), 2u);
    EXPECT_EQ(ConfigAnswer(first, "WinsockLoaded"), "True");
    EXPECT_EQ(ConfigAnswer(first, "WinsockStatus"), "Running");
    const std::string path = ConfigAnswer(first, "WinsockPath");
    EXPECT_NE(path.find("\\"), std::string::npos) << path;
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str() + path.size() - 11, 11, "wsock32.dll", 11),
              CSTR_EQUAL)
        << path;
    EXPECT_NE(ConfigAnswer(first, "WinsockInfo"), "");
    EXPECT_NE(ConfigAnswer(first, "WinsockMaxSockets"), "0");
    EXPECT_NE(ConfigAnswer(first, "WinsockMaxDatagramSize"), "0");
    EXPECT_EQ(Ws().inet_addr("127.0.0.1"), Ws().htonl(0x7F000001));

    // One of two lets go: the other still holds a started binding.
    Probe_Destroy(first);
    EXPECT_EQ(g_winsock.LoadCount(), 1u);
    EXPECT_TRUE(g_winsock.IsStarted());
    EXPECT_STREQ(g_winsock.GetStatus(), "Running");
    EXPECT_EQ(ConfigAnswer(second, "WinsockStatus"), "Running");
    EXPECT_NE(Ws().inet_addr("127.0.0.1"), INADDR_NONE);

    Probe_Destroy(second);
    EXPECT_EQ(g_winsock.LoadCount(), 0u);
    EXPECT_STREQ(g_winsock.GetStatus(), "Down");
    EXPECT_EQ(g_winsock.GetMaxSockets(), 0);
    EXPECT_EQ(Ws().inet_addr("127.0.0.1"), INADDR_NONE);
    EXPECT_EQ(Ws().WSAGetLastError(), 10093);
}

// Look-ups are answered by a thread of the system that posts the answer and
// then still returns through Winsock's code; the answer may end the last
// component. Cancelled or answered, the library must still be there.
TEST(WinsockBinding, StaysLoadedAfterTheLastComponentsLookUp)
{
    IPInfo_StaticInit(GetModuleHandleA(nullptr));
    for (const bool cancel : {false, true}) {
        ASSERT_EQ(g_winsock.LoadCount(), 0u);
        EventRecorder events;
        void* info = IPInfo_Create(EventRecorder::Callback, events.User(), nullptr);
        ASSERT_NE(info, nullptr);
        const std::vector<std::string> files = BoundWinsockFiles();
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>("localhost"), 0};
        int lengths[2] = {};
        ASSERT_EQ(IPInfo_Do(info, kIpInfoResolveName, 2, args, lengths), 0) << IPInfo_GetLastError(info);
        if (cancel) {
            ASSERT_EQ(IPInfo_Set(info, kIpInfoPendingRequests, 0, 0, 0), 0);
        } else {
            for (int i = 0; i < 1000 && events.Of(kIpInfoEventRequestComplete).empty(); ++i)
                IPInfo_Do(info, kIpInfoDoEvents, 0, args, lengths);
            ASSERT_EQ(events.Of(kIpInfoEventRequestComplete).size(), 1u);
        }
        IPInfo_Destroy(info);
        EXPECT_EQ(g_winsock.LoadCount(), 0u);
        EXPECT_STREQ(g_winsock.GetStatus(), "Down");
        EXPECT_EQ(UnloadedOf(files), std::vector<std::string>()) << (cancel ? "cancelled" : "answered");
    }
    IPInfo_StaticDestroy();
}

// The stand-in counts start-ups and clean-ups. Each test starts with the
// stand-in started once by a component, so the binding already keeps it.
class FakeWinsockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_fake = LoadLibraryA("netcomp_fakewsock.dll");
        ASSERT_NE(m_fake, nullptr);
        m_configure =
            reinterpret_cast<FakeConfigureFn>(reinterpret_cast<void*>(GetProcAddress(m_fake, "FakeConfigure")));
        m_startups = reinterpret_cast<FakeCountFn>(reinterpret_cast<void*>(GetProcAddress(m_fake, "FakeStartups")));
        m_cleanups = reinterpret_cast<FakeCountFn>(reinterpret_cast<void*>(GetProcAddress(m_fake, "FakeCleanups")));
        ASSERT_TRUE(m_configure && m_startups && m_cleanups);
        g_winsock.SetPath("netcomp_fakewsock.dll");
        m_configure(0, 0x0101);
        Probe_Destroy(Probe_Create(nullptr, 0, nullptr));
        m_startupsBefore = m_startups();
        m_cleanupsBefore = m_cleanups();
    }

    void TearDown() override
    {
        EXPECT_EQ(g_winsock.LoadCount(), 0u);
        // Every start of a component was given back; the binding keeps one
        // start of its own, however many came and went.
        EXPECT_EQ(Startups(), Cleanups());
        EXPECT_EQ(m_startups() - m_cleanups(), 1);
        g_winsock.SetPath(nullptr);
        g_winsock.Init();
        FreeLibrary(m_fake);
        EXPECT_NE(GetModuleHandleA("netcomp_fakewsock.dll"), nullptr);
    }

    // Since the test began.
    int Startups() const { return m_startups() - m_startupsBefore; }
    int Cleanups() const { return m_cleanups() - m_cleanupsBefore; }

    HMODULE m_fake = nullptr;
    FakeConfigureFn m_configure = nullptr;
    FakeCountFn m_startups = nullptr;
    FakeCountFn m_cleanups = nullptr;
    int m_startupsBefore = 0;
    int m_cleanupsBefore = 0;
};

TEST_F(FakeWinsockTest, FailedStartsGiveBackWhatTheyTook)
{
    const struct {
        int result;
        int version;
        const char* info;
    } cases[] = {
        {WSAVERNOTSUPPORTED, 0x0101, "Version not supported."},   {WSAEINVAL, 0x0101, "Version not supported."},
        {WSASYSNOTREADY, 0x0101, "Network subsystem not ready."}, {0, 0x0202, "Incompatible Winsock version."},
        {WSAEPROCLIM, 0x0101, "Incompatible Winsock version."},
    };
    for (const auto& c : cases) {
        m_configure(c.result, c.version);
        void* probe = Probe_Create(nullptr, 0, nullptr);
        ASSERT_NE(probe, nullptr);
        EXPECT_EQ(ConfigAnswer(probe, "WinsockLoaded"), "False") << c.info;
        EXPECT_EQ(ConfigAnswer(probe, "WinsockInfo"), c.info);
        EXPECT_EQ(ConfigAnswer(probe, "WinsockStatus"), "Down");
        EXPECT_EQ(g_winsock.LoadCount(), 0u);
        EXPECT_EQ(g_winsock.Module(), nullptr);
        EXPECT_EQ(Startups(), Cleanups());
        Probe_Destroy(probe);
    }
}

TEST_F(FakeWinsockTest, AFailedStartLeavesOtherHoldersRunning)
{
    void* a = Probe_Create(nullptr, 0, nullptr);
    void* b = Probe_Create(nullptr, 0, nullptr);
    EXPECT_EQ(ConfigAnswer(a, "WinsockInfo"), "Fake Winsock");
    EXPECT_EQ(ConfigAnswer(a, "WinsockMaxSockets"), "100");
    EXPECT_EQ(ConfigAnswer(a, "WinsockMaxDatagramSize"), "512");
    const std::string path = ConfigAnswer(a, "WinsockPath");
    EXPECT_NE(path.find("netcomp_fakewsock.dll"), std::string::npos) << path;
    m_configure(WSAVERNOTSUPPORTED, 0x0101);
    void* c = Probe_Create(nullptr, 0, nullptr);
    EXPECT_EQ(ConfigAnswer(c, "WinsockLoaded"), "False");
    EXPECT_EQ(g_winsock.LoadCount(), 2u);
    EXPECT_EQ(ConfigAnswer(a, "WinsockStatus"), "Running");
    EXPECT_EQ(Startups(), 2);
    Probe_Destroy(c);
    Probe_Destroy(a);
    EXPECT_EQ(ConfigAnswer(b, "WinsockStatus"), "Running");
    EXPECT_EQ(Cleanups(), 1);
    Probe_Destroy(b);
}

TEST(WinsockBindingPath, MissingLibraryAndPathLimits)
{
    g_winsock.SetPath("no_such_winsock.dll");
    void* probe = Probe_Create(nullptr, 0, nullptr);
    EXPECT_EQ(ConfigAnswer(probe, "WinsockLoaded"), "False");
    EXPECT_EQ(ConfigAnswer(probe, "WinsockInfo"), "Could not load Winsock DLL.");
    EXPECT_EQ(ConfigAnswer(probe, "WinsockPath"), "no_such_winsock.dll");
    Probe_Destroy(probe);
    g_winsock.SetPath(std::string(300, 'x').c_str());
    EXPECT_EQ(std::string(g_winsock.GetPath()).size(), 200u);
    g_winsock.SetPath("");
    EXPECT_STREQ(g_winsock.GetPath(), "WSOCK32.DLL");
    g_winsock.Init();
}

} // namespace
