// The Whois component through its exported functions against the whois
// peer on 127.0.0.1:43 (a registry that refers to 127.0.0.1 or localhost, a
// registrar that answers), which logs every query line it gets.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_whois.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

INT_PTR P(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

// The lines of the peer's query log that ask for this test's domains (all
// under .test; other tests of the run may query the peer too), read through
// the Unix path of the build tree.
std::string QueryLog()
{
    const char* build = std::getenv("KES_BINARY_DIR");
    std::ifstream in(std::string("Z:") + (build ? build : "") + "/peers/whois/queries.log");
    std::string ours;
    for (std::string line; std::getline(in, line);) {
        if (line.find(".test") != std::string::npos)
            ours += line + "\n";
    }
    return ours;
}

struct Whois {
    void* obj = nullptr;
    EventRecorder events;

    Whois()
    {
        obj = Whois_Create(EventRecorder::Callback, events.User(), nullptr);
        EXPECT_EQ(SetText(kWhoisDefaultServer, "127.0.0.1"), 0);
        EXPECT_EQ(Whois_Set(obj, kWhoisTimeout, 0, 10, 0), 0);
    }
    ~Whois() { Whois_Destroy(obj); }

    std::string Text(int property) { return reinterpret_cast<const char*>(Whois_Get(obj, property, 0, nullptr)); }
    int SetText(int property, const char* text) { return Whois_Set(obj, property, 0, P(text), 0); }
    int Query(const char* domain)
    {
        INT_PTR args[1] = {P(domain)};
        return Whois_Do(obj, kWhoisQuery, 1, args, nullptr);
    }
    std::string Error() { return Whois_GetLastError(obj); }
};

TEST(Whois, ReferralThenAnswer)
{
    const std::string before = QueryLog();
    Whois whois;
    EXPECT_EQ(whois.Text(kWhoisServer), "");
    ASSERT_EQ(whois.Query("KES.test"), 0) << whois.Error();
    EXPECT_EQ(whois.Text(kWhoisServer), "127.0.0.1");
    EXPECT_EQ(whois.Text(kWhoisDomain), "KES.test");
    // Every line ends in CR LF; the last piece came without one.
    EXPECT_EQ(
        whois.Text(kWhoisDomainInfo),
        "Domain Name: kes.test\r\nRegistrant: Kestrova test lab\r\n\r\nName Server: ns1.kes.test\r\nStatus: active");
    EXPECT_EQ(QueryLog().substr(before.size()), "domain kes.test\nkes.test\n");
    EXPECT_EQ(whois.events.Of(kWhoisEventConnected).size(), 2u);

    // The registrar found stays: the next query asks it alone.
    ASSERT_EQ(whois.SetText(kWhoisDomain, "nothing.test"), 0) << whois.Error();
    EXPECT_EQ(whois.Text(kWhoisDomainInfo), "No match for \"nothing.test\".\r\n");
    EXPECT_EQ(QueryLog().substr(before.size()), "domain kes.test\nkes.test\nnothing.test\n");
}

TEST(Whois, ReferralInCapitalsAndNone)
{
    Whois whois;
    ASSERT_EQ(whois.Query("upper.test"), 0) << whois.Error();
    EXPECT_EQ(whois.Text(kWhoisServer), "localhost");
    EXPECT_EQ(whois.Text(kWhoisDomainInfo), "Domain Name: upper.test\r\nStatus: active\r\n");

    Whois unknown;
    EXPECT_EQ(unknown.Query("unknown.test"), 125);
    EXPECT_EQ(unknown.Error(), "Can't find registrar server for domain.  Please supply in the Server property.");
    EXPECT_EQ(unknown.Text(kWhoisDomainInfo), "");
    EXPECT_EQ(unknown.Text(kWhoisServer), "");

    // An empty domain asks nothing; a line break in one is refused.
    const std::string before = QueryLog();
    EXPECT_EQ(unknown.Query(""), 0);
    EXPECT_EQ(unknown.Query("a.test\r\nb.test"), WSAEINVAL);
    EXPECT_EQ(QueryLog(), before);
}

TEST(Whois, AnswerTooLong)
{
    Whois whois;
    ASSERT_EQ(whois.SetText(kWhoisServer, "127.0.0.1"), 0);
    EXPECT_EQ(whois.Query("flood.test"), WSAEMSGSIZE);
    EXPECT_EQ(whois.Error(), "The answer is longer than 16 MB; the rest was not read.");
    const std::string info = whois.Text(kWhoisDomainInfo);
    EXPECT_GT(info.size(), 15u << 20);
    EXPECT_LE(info.size(), 16u << 20);
    EXPECT_EQ(info.substr(0, 8), "Flood: a");
}

TEST(Whois, UnknownServer)
{
    // A name that does not resolve (refused without a query to any server).
    Whois whois;
    const std::string nowhere = std::string(70, 'x') + ".invalid";
    ASSERT_EQ(whois.SetText(kWhoisServer, nowhere.c_str()), 0);
    EXPECT_NE(whois.Query("kes.test"), 0);
    EXPECT_NE(whois.Error(), "");
    EXPECT_EQ(whois.Text(kWhoisDomainInfo), "");
}

} // namespace
