// NetClock through its exported functions against a scripted RFC 868 peer
// over UDP (inetd's own time service ignores requests from 127.x): fixed
// answers, answers that hold no time, silence and a closed port; the clock
// setter is replaced, so no test touches this computer's clock.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_netclock.h"
#include "netcomp/net/netclock/NetClockEngine.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string Seconds(unsigned s)
{
    return {char(s >> 24), char(s >> 16 & 0xFF), char(s >> 8 & 0xFF), char(s & 0xFF)};
}

std::vector<SYSTEMTIME> g_clockSet;
BOOL g_clockResult = TRUE;

BOOL WINAPI RecordClock(const SYSTEMTIME* time)
{
    g_clockSet.push_back(*time);
    if (!g_clockResult)
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return g_clockResult;
}

struct Clock {
    EventRecorder events;
    void* obj;

    explicit Clock(int port)
    {
        obj = NetClock_Create(EventRecorder::Callback, events.User(), nullptr);
        events.TextsAt(kNetClockEventError, {1});
        EXPECT_EQ(NetClock_Set(obj, kNetClockTimeServer, 0, T("127.0.0.1"), 0), 0);
        EXPECT_EQ(NetClock_Set(obj, kNetClockTimePort, 0, port, 0), 0);
        EXPECT_EQ(NetClock_Set(obj, kNetClockTimeout, 0, 2, 0), 0);
        NetClockEngine::SetClockSetter(&RecordClock);
        g_clockSet.clear();
    }
    ~Clock()
    {
        NetClock_Destroy(obj);
        NetClockEngine::SetClockSetter(nullptr);
    }

    int Do(int method) { return NetClock_Do(obj, method, 0, nullptr, nullptr); }
    std::string Text(int property) { return reinterpret_cast<const char*>(NetClock_Get(obj, property, 0, nullptr)); }
};

// The local text the system gives for a GMT time.
std::string LocalText(SYSTEMTIME utc)
{
    SYSTEMTIME local = {};
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    char text[40];
    wsprintfA(text, "%02d/%02d/%04d %02d:%02d:%02d", local.wMonth, local.wDay, local.wYear, local.wHour, local.wMinute,
              local.wSecond);
    return text;
}

TEST(NetClockScripted, AnswersAsGmtAndLocalText)
{
    ScriptedServer server(ScriptTransport::Udp);
    server.Expect("time?")
        .Send(Seconds(3155673600u))
        .Expect("time?")
        .Send(Seconds(3287044800u) + "trailing")
        .Expect("time?")
        .Send(Seconds(3155673600u));
    ASSERT_TRUE(server.Start());
    Clock clock(server.Port());
    EXPECT_TRUE(NetClock_Get(clock.obj, kNetClockIdle, 0, nullptr));
    ASSERT_EQ(clock.Do(kNetClockGetTime), 0) << NetClock_GetLastError(clock.obj);
    EXPECT_EQ(clock.Text(kNetClockServerTime), "01/01/2000 00:00:00 GMT");
    EXPECT_EQ(clock.Text(kNetClockLocalTime), LocalText({2000, 1, 6, 1, 0, 0, 0, 0}));
    ASSERT_EQ(clock.Do(kNetClockGetTime), 0);
    EXPECT_EQ(clock.Text(kNetClockServerTime), "02/29/2004 12:00:00 GMT");
    EXPECT_TRUE(g_clockSet.empty());

    // GetAndSetTime hands the server's time to the clock as UTC.
    ASSERT_EQ(clock.Do(kNetClockGetAndSetTime), 0) << NetClock_GetLastError(clock.obj);
    ASSERT_EQ(g_clockSet.size(), 1u);
    EXPECT_EQ(g_clockSet[0].wYear, 2000);
    EXPECT_EQ(g_clockSet[0].wMonth, 1);
    EXPECT_EQ(g_clockSet[0].wDay, 1);
    EXPECT_EQ(g_clockSet[0].wHour, 0);
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(NetClock_Set(clock.obj, kNetClockServerTime, 0, T("x"), 0), -1);
    EXPECT_EQ(NetClock_Set(clock.obj, kNetClockIdle, 0, 0, 0), -1);
}

TEST(NetClockScripted, FailuresAreReported)
{
    ScriptedServer server(ScriptTransport::Udp);
    server.Expect("time?")
        .Send(Seconds(0))
        .Expect("time?")
        .Send(std::string("\xbc\x17", 2))
        .Expect("time?")
        .Send(Seconds(3155673600u))
        .Expect("time?")
        .Silence();
    ASSERT_TRUE(server.Start());
    Clock clock(server.Port());
    EXPECT_EQ(clock.Do(kNetClockGetTime), 120);
    EXPECT_STREQ(NetClock_GetLastError(clock.obj), "No valid time was received from the server.");
    EXPECT_EQ(clock.Text(kNetClockServerTime), "");
    EXPECT_EQ(clock.Text(kNetClockLocalTime), "");
    EXPECT_EQ(clock.Do(kNetClockGetTime), 120);

    g_clockResult = FALSE;
    EXPECT_EQ(clock.Do(kNetClockGetAndSetTime), 119);
    g_clockResult = TRUE;
    EXPECT_STREQ(NetClock_GetLastError(clock.obj), "Error setting system time [1314].");
    EXPECT_EQ(clock.Text(kNetClockServerTime), "01/01/2000 00:00:00 GMT");

    ASSERT_EQ(NetClock_Set(clock.obj, kNetClockTimeout, 0, 1, 0), 0);
    EXPECT_EQ(clock.Do(kNetClockGetTime), 301);
    EXPECT_STREQ(NetClock_GetLastError(clock.obj), "Timeout.");
    EXPECT_TRUE(NetClock_Get(clock.obj, kNetClockIdle, 0, nullptr));
    EXPECT_EQ(server.Finish(), "");
}

// A receive error ends the request with its code: here an answer longer
// than the socket takes.
TEST(NetClockScripted, ReceiveErrorEndsTheRequest)
{
    ScriptedServer server(ScriptTransport::Udp);
    server.Expect("time?").Send(Seconds(3155673600u));
    ASSERT_TRUE(server.Start());
    Clock clock(server.Port());
    INT_PTR args[2] = {T("MaxPacketSize=2"), 0};
    ASSERT_EQ(NetClock_Do(clock.obj, kNetClockConfig, 2, args, nullptr), 0);
    EXPECT_EQ(clock.Do(kNetClockGetTime), 10040);
    EXPECT_STREQ(NetClock_GetLastError(clock.obj), "Winsock error in recv()");
    ASSERT_EQ(clock.events.Of(kNetClockEventError).size(), 1u);
    EXPECT_EQ(clock.events.Of(kNetClockEventError)[0].values[0], 10040);
    EXPECT_TRUE(NetClock_Get(clock.obj, kNetClockIdle, 0, nullptr));
    EXPECT_EQ(server.Finish(), "");
}

} // namespace
