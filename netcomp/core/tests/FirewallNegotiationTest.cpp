#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/tcp/FirewallNegotiation.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

using Outcome = FirewallNegotiation::Outcome;

std::string Str(const NetStringBase& s)
{
    return std::string(s.Data(), s.Length());
}

FirewallTarget Target(FirewallKind kind)
{
    FirewallTarget t;
    t.kind = kind;
    t.remoteHost = "example.test";
    t.remotePort = 0x1F90; // 8080
    t.remoteAddress = 0x0100007F;
    return t;
}

TEST(FirewallNegotiation, HttpTunnel)
{
    FirewallNegotiation n;
    NetString out;
    FirewallTarget t = Target(FirewallKind::HttpTunnel);
    t.user = "u";
    t.password = "p";
    ASSERT_EQ(n.Start(t, out), kResultOk);
    EXPECT_EQ(Str(out), "CONNECT example.test:8080 HTTP/1.0\r\nProxy-authorization: Basic dTpw\r\n\r\n");

    // Split reply; the bytes behind the blank line belong to the remote host.
    EXPECT_EQ(n.Feed("HTTP/1.0 200 Connection established\r\n", 38, out), Outcome::NeedMore);
    EXPECT_EQ(n.Feed("Via: x\r\n\r\nSSH-2.0", 17, out), Outcome::Open);
    EXPECT_EQ(std::string(n.Leftover(), n.LeftoverLength()), "SSH-2.0");

    ASSERT_EQ(n.Start(Target(FirewallKind::HttpTunnel), out), kResultOk);
    EXPECT_EQ(Str(out), "CONNECT example.test:8080 HTTP/1.0\r\n\r\n");
    const std::string refused = "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n";
    EXPECT_EQ(n.Feed(refused.data(), uint32_t(refused.size()), out), Outcome::Failed);
    EXPECT_STREQ(n.FailText(), "HTTP/1.0 407 Proxy Authentication Required");
    EXPECT_FALSE(n.Pending());

    t.remoteHost = "evil\r\nX: y";
    EXPECT_EQ(n.Start(t, out), kFirewallError);
}

TEST(FirewallNegotiation, Socks4)
{
    FirewallNegotiation n;
    NetString out;
    FirewallTarget t = Target(FirewallKind::Socks4);
    t.user = "bob";
    ASSERT_EQ(n.Start(t, out), kResultOk);
    EXPECT_EQ(Str(out), std::string("\x04\x01\x1F\x90\x7F\x00\x00\x01"
                                    "bob\0",
                                    12));
    EXPECT_EQ(n.Feed("\0\x5A\0\0\0\0\0\0data", 12, out), Outcome::Open);
    EXPECT_EQ(std::string(n.Leftover(), n.LeftoverLength()), "data");

    const struct {
        char code;
        const char* text;
    } failures[] = {{91, "firewall request rejected or failed"},
                    {92, "firewall request rejected because identd is not available"},
                    {93, "firewall request rejected because identd reports different user"},
                    {17, "unknown firewall error: 17"}};
    for (const auto& f : failures) {
        ASSERT_EQ(n.Start(t, out), kResultOk);
        const char reply[8] = {0, f.code, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(n.Feed(reply, 4, out), Outcome::NeedMore);
        EXPECT_EQ(n.Feed(reply + 4, 4, out), Outcome::Failed);
        EXPECT_STREQ(n.FailText(), f.text);
    }
}

TEST(FirewallNegotiation, Socks5WithPasswordAndHostName)
{
    FirewallNegotiation n;
    NetString out;
    FirewallTarget t = Target(FirewallKind::Socks5);
    t.remoteHost = "*example.test";
    t.user = "user";
    t.password = "pw";
    ASSERT_EQ(n.Start(t, out), kResultOk);
    EXPECT_EQ(Str(out), std::string("\x05\x02\x00\x02", 4));
    ASSERT_EQ(n.Feed("\x05\x02", 2, out), Outcome::Send);
    EXPECT_EQ(Str(out), std::string("\x01\x04user\x02pw"));
    ASSERT_EQ(n.Feed("\x01\x00", 2, out), Outcome::Send);
    EXPECT_EQ(Str(out), std::string("\x05\x01\x00\x03\x0c"
                                    "example.test\x1F\x90",
                                    19));
    // The reply is read by its address type: a domain name of 3 bytes here.
    ASSERT_EQ(n.Feed("\x05\x00\x00\x03\x03", 5, out), Outcome::NeedMore);
    ASSERT_EQ(n.Feed("abc\x00", 4, out), Outcome::NeedMore);
    ASSERT_EQ(n.Feed("\x50hello", 6, out), Outcome::Open);
    EXPECT_EQ(std::string(n.Leftover(), n.LeftoverLength()), "hello");

    // An IPv6 bound address is 22 bytes in all.
    ASSERT_EQ(n.Start(Target(FirewallKind::Socks5), out), kResultOk);
    EXPECT_EQ(Str(out), std::string("\x05\x01\x00", 3));
    ASSERT_EQ(n.Feed("\x05\x00", 2, out), Outcome::Send);
    EXPECT_EQ(Str(out), std::string("\x05\x01\x00\x01\x7F\x00\x00\x01\x1F\x90", 10));
    const std::string v6 = std::string("\x05\x00\x00\x04", 4) + std::string(18, '\0') + "x";
    ASSERT_EQ(n.Feed(v6.data(), uint32_t(v6.size()), out), Outcome::Open);
    EXPECT_EQ(std::string(n.Leftover(), n.LeftoverLength()), "x");
}

TEST(FirewallNegotiation, Socks5Failures)
{
    FirewallNegotiation n;
    NetString out;
    FirewallTarget t = Target(FirewallKind::Socks5);
    ASSERT_EQ(n.Start(t, out), kResultOk);
    EXPECT_EQ(n.Feed("\x05\xFF", 2, out), Outcome::Failed);
    EXPECT_STREQ(n.FailText(), "no acceptable firewall authentication methods");

    t.user = "u";
    t.password = "p";
    ASSERT_EQ(n.Start(t, out), kResultOk);
    ASSERT_EQ(n.Feed("\x05\x02", 2, out), Outcome::Send);
    EXPECT_EQ(n.Feed("\x01\x01", 2, out), Outcome::Failed);
    EXPECT_STREQ(n.FailText(), "firewall authentication failed: 1");

    ASSERT_EQ(n.Start(Target(FirewallKind::Socks5), out), kResultOk);
    ASSERT_EQ(n.Feed("\x05\x00", 2, out), Outcome::Send);
    EXPECT_EQ(n.Feed("\x05\x05", 2, out), Outcome::Failed);
    EXPECT_STREQ(n.FailText(), "connection refused");

    // A name the length byte cannot carry is refused, not wrapped.
    t.remoteHost = nullptr;
    const std::string longName = "*" + std::string(256, 'a');
    t.remoteHost = longName.c_str();
    EXPECT_EQ(n.Start(t, out), kFirewallError);
}

} // namespace
