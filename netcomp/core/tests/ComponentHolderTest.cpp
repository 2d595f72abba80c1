// The typed holder over a real component: what it writes reaches the
// component, what it reads comes back typed, and it reports the component's
// own codes.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp_ipinfo.h"
#include "netcomp/include/netcomp_ping.h"

namespace {

TEST(ComponentHolder, DrivesPingThroughTypedCalls)
{
    ASSERT_EQ(0, Ping_StaticInit(GetModuleHandleA(nullptr)));
    {
        ComponentHolder<PingFunctions> ping;
        std::string answer = "unset";
        EXPECT_EQ(0, ping.Query("UseConnection", answer));
        EXPECT_EQ("True", answer);
        EXPECT_EQ(-1, ping.Query("NoSuchSetting", answer));
        EXPECT_EQ("", answer);
        EXPECT_EQ(0, ping.Config("AbsoluteTimeout=TRUE"));
        EXPECT_EQ(0, ping.Query("AbsoluteTimeout", answer));
        EXPECT_EQ("True", answer);

        EXPECT_EQ(0, ping.SetText(kPingRemoteHost, "localhost"));
        EXPECT_EQ("127.0.0.1", ping.GetText(kPingRemoteHost));
        EXPECT_EQ(0, ping.Set(kPingTimeout, 5));
        EXPECT_EQ(5, ping.GetInt(kPingTimeout));
        EXPECT_EQ(0, ping.Do(kPingPingHost, {"127.0.0.1"})) << ping.LastError();
        EXPECT_EQ("127.0.0.1", ping.GetText(kPingResponseSource));
        EXPECT_FALSE(ping.GetBool(kPingActive));
        EXPECT_EQ(128, ping.Do(kPingWakeOnLan, {"127.0.0.1", "00-11"}));
        EXPECT_STREQ("Bad MAC address.", ping.LastError());
        EXPECT_EQ(128, ping.LastErrorCode());
    }
    EXPECT_EQ(0, Ping_StaticDestroy());
}

TEST(ComponentHolder, ReadsTextsThatComeAndGo)
{
    ASSERT_EQ(0, IPInfo_StaticInit(GetModuleHandleA(nullptr)));
    {
        ComponentHolder<IPInfoFunctions> info;
        EXPECT_FALSE(info.GetText(kIpInfoLocalHost).empty());
        EXPECT_EQ("", info.GetText(kIpInfoHostName)); // nothing looked up yet
        EXPECT_EQ(134, info.SetText(kIpInfoHostAddress, "not-an-address"));
        EXPECT_STREQ("Invalid address string.", info.LastError());
    }
    EXPECT_EQ(0, IPInfo_StaticDestroy());
}

} // namespace
