#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "netcomp/net/whois/WhoisReferral.h"

namespace {

std::string Server(const char* line)
{
    std::string server = "(none)";
    FindWhoisServer(line, uint32_t(std::strlen(line)), server);
    return server;
}

TEST(WhoisReferral, HostAfterTheKey)
{
    EXPECT_EQ(Server("   Registrar WHOIS Server: whois.Example.NET"), "whois.example.net");
    EXPECT_EQ(Server("whois server:\t \tHOST.test trailing words"), "host.test");
    EXPECT_EQ(Server("Whois Server:host.test\r\n"), "host.test");
    EXPECT_EQ(Server("WhOiS sErVeR: a\tb"), "a");
    // Nothing after the key, or no key at all.
    EXPECT_EQ(Server("whois server:   "), "(none)");
    EXPECT_EQ(Server("whois server"), "(none)");
    EXPECT_EQ(Server("refer: whois.example"), "(none)");
    EXPECT_EQ(Server(""), "(none)");
    // The first key with a host counts.
    EXPECT_EQ(Server("whois server: whois server: x"), "whois");
}

} // namespace
