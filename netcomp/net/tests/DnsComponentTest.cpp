// DNS and MX through their exported functions: against BIND (authoritative
// for kes.test, every record type the field reader knows) on port 21053 and
// dnsmasq on 21054, and against a scripted UDP peer for the exact query
// bytes and for answers that must not be taken.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_mx.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kBindPort = 21053;
constexpr int kDnsmasqPort = 21054;

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Dns {
    EventRecorder events;
    void* obj;

    explicit Dns(int port)
    {
        obj = DNS_Create(EventRecorder::Callback, events.User(), nullptr);
        events.TextsAt(kDnsEventResponse, {1, 3});
        events.TextsAt(kDnsEventError, {1});
        // The discovered server is off this machine: the loopback before any query.
        EXPECT_EQ(DNS_Set(obj, kDnsDnsServer, 0, T("127.0.0.1"), 0), 0);
        EXPECT_EQ(DNS_Set(obj, kDnsDnsPort, 0, port, 0), 0);
        EXPECT_EQ(DNS_Set(obj, kDnsTimeout, 0, 5, 0), 0);
    }
    ~Dns() { DNS_Destroy(obj); }

    int Query(const char* name, int type)
    {
        EXPECT_EQ(DNS_Set(obj, kDnsQueryType, 0, type, 0), 0);
        INT_PTR args[1] = {T(name)};
        return DNS_Do(obj, kDnsResolve, 1, args, nullptr);
    }
    INT_PTR Get(int property, int index = 0) { return DNS_Get(obj, property, index, nullptr); }
    std::string Text(int property, int index = 0)
    {
        int length = -1;
        const char* p = reinterpret_cast<const char*>(DNS_Get(obj, property, index, &length));
        return length >= 0 ? std::string(p, std::size_t(length)) : std::string(p);
    }
    std::string Field(int record, int field)
    {
        DNS_Set(obj, kDnsFieldIndex, 0, field, 0);
        const std::string value = Text(kDnsRecordFieldValue, record);
        const int rc = DNS_GetLastErrorCode(obj);
        return rc == 0 ? value : "rc" + std::to_string(rc);
    }
    // Field `field` of every record in the selected section.
    std::set<std::string> Fields(int field)
    {
        std::set<std::string> values;
        for (int i = 1; i <= int(Get(kDnsRecordCount)); ++i)
            values.insert(Field(i, field));
        return values;
    }
};

TEST(DnsAgainstBind, EveryRecordTypeField)
{
    struct Case {
        const char* name;
        int type;
        int field;
        std::set<std::string> values;
    } cases[] = {
        {"www.kes.test", 1, 1, {"10.0.0.80"}},
        {"kes.test", 2, 1, {"ns1.kes.test"}},
        {"ftp.kes.test", 5, 1, {"www.kes.test"}},
        {"kes.test", 6, 2, {"hostmaster.kes.test"}},
        {"kes.test", 6, 3, {"2026120701"}},
        {"kes.test", 6, 6, {"86400"}},
        {"staff.kes.test", 7, 1, {"ns1.kes.test"}},
        {"group.kes.test", 8, 1, {"alice.kes.test"}},
        {"old.kes.test", 9, 1, {"new.kes.test"}},
        {"wks.kes.test", 11, 1, {"10.0.0.80"}},
        {"wks.kes.test", 11, 3, {"21 25 80"}},
        {"80.0.0.10.in-addr.arpa", 12, 1, {"www.kes.test"}},
        {"host.kes.test", 13, 1, {"x86-64"}},
        {"host.kes.test", 13, 2, {"Windows XP"}},
        {"staff.kes.test", 14, 1, {"admin.kes.test"}},
        {"kes.test", 15, 1, {"10", "20"}},
        {"kes.test", 15, 2, {"mx1.kes.test", "mx2.kes.test"}},
        {"kes.test", 16, 1, {"v=spf1 -all"}},
        {"big.kes.test",
         16,
         1,
         {"0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789abcdefgh"
          "ijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghij"}},
        {"contact.kes.test", 17, 2, {"info.kes.test"}},
        {"afs.kes.test", 18, 2, {"ns1.kes.test"}},
        {"x25.kes.test", 19, 1, {"311061700956"}},
        {"isdn.kes.test", 20, 1, {"150862028003217 004"}},
        {"relay.kes.test", 21, 1, {"10"}},
        {"www.kes.test", 28, 1, {"2001:0db8::0.0.0.128"}},
        {"mapped.kes.test", 28, 1, {"::ffff:10.0.0.81"}},
        {"_ldap._tcp.kes.test", 33, 3, {"389"}},
        {"_ldap._tcp.kes.test", 33, 4, {"ns1.kes.test"}},
        {"null.kes.test", 10, 1, {"rc221"}},
        {"null.kes.test", 10, 0, {std::string("\x01\x02\x03", 3)}},
    };
    Dns dns(kBindPort);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(c.type));
        ASSERT_EQ(dns.Query(c.name, c.type), 0) << DNS_GetLastError(dns.obj);
        EXPECT_EQ(dns.Text(kDnsStatus), "OK");
        EXPECT_EQ(dns.Get(kDnsStatusCode), 0);
        EXPECT_EQ(dns.Get(kDnsRecordType, 1), c.type);
        EXPECT_EQ(dns.Fields(c.field), c.values);
    }
    // The names, TTL and type texts of the last answer, and its Response event.
    ASSERT_EQ(dns.Query("_ldap._tcp.kes.test", 33), 0);
    EXPECT_EQ(dns.Text(kDnsRecordDomain, 1), "_ldap._tcp.kes.test");
    EXPECT_EQ(dns.Text(kDnsRecordTypeName, 1), "SRV");
    EXPECT_EQ(dns.Get(kDnsRecordTtl, 1), 300);
    EXPECT_EQ(dns.Get(kDnsRecordFieldCount, 1), 4);
    DNS_Set(dns.obj, kDnsFieldIndex, 0, 2, 0);
    EXPECT_EQ(dns.Text(kDnsRecordFieldName, 1), "WEIGHT");
    DNS_Set(dns.obj, kDnsFieldIndex, 0, 5, 0);
    EXPECT_EQ(dns.Text(kDnsRecordFieldName, 1), "");
    const RecordedEvent response = dns.events.Of(kDnsEventResponse).back();
    EXPECT_EQ(response.texts[1], "_ldap._tcp.kes.test");
    EXPECT_EQ(response.values[2], 0);
    EXPECT_EQ(response.texts[3], "OK");
    EXPECT_EQ(response.values[4], 4); // authoritative
    // The additional section holds the target's address.
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRecordSource, 0, 2, 0), 0);
    EXPECT_EQ(dns.Get(kDnsRecordCount), 1);
    EXPECT_EQ(dns.Field(1, 1), "127.0.0.1");
    EXPECT_EQ(dns.Text(kDnsRecordDomain, 1), "ns1.kes.test");
    EXPECT_EQ(DNS_Set(dns.obj, kDnsRecordSource, 0, 4, 0), 222);
    EXPECT_STREQ(DNS_GetLastError(dns.obj), "Invalid record source.");
    EXPECT_EQ(DNS_CheckIndex(dns.obj, kDnsRecordFieldValue, 2), 280);
    EXPECT_EQ(dns.Text(kDnsRecordDomain, 2), "");
    // ANY: every record of the apex.
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRecordSource, 0, 0, 0), 0);
    ASSERT_EQ(dns.Query("kes.test", 255), 0);
    std::set<std::string> types;
    for (int i = 1; i <= int(dns.Get(kDnsRecordCount)); ++i)
        types.insert(dns.Text(kDnsRecordTypeName, i));
    EXPECT_EQ(types, (std::set<std::string>{"SOA", "NS", "MX", "TXT"}));
}

TEST(DnsAgainstBind, NameErrorRefusedAndBadNames)
{
    Dns dns(kBindPort);
    // Inside the Response event the records are read as after it: the
    // section and field may be chosen there, another query may not start.
    std::string inside;
    int nested = 0;
    dns.events.OnEvent(kDnsEventResponse, [&](const RecordedEvent&) {
        inside = std::to_string(DNS_Set(dns.obj, kDnsRecordSource, 0, 1, 0));
        inside += " " + std::to_string(DNS_Set(dns.obj, kDnsFieldIndex, 0, 1, 0));
        inside += " " + dns.Text(kDnsRecordTypeName, 1);
        inside += " " + dns.Text(kDnsRecordFieldValue, 1);
        INT_PTR args[1] = {T("www.kes.test")};
        nested = DNS_Do(dns.obj, kDnsResolve, 1, args, nullptr);
        DNS_Set(dns.obj, kDnsRecordSource, 0, 0, 0);
    });
    ASSERT_EQ(dns.Query("nosuch.kes.test", 1), 0);
    EXPECT_EQ(inside, "0 0 SOA ns1.kes.test");
    EXPECT_EQ(nested, 143);
    dns.events.OnEvent(kDnsEventResponse, [](const RecordedEvent&) {});
    EXPECT_EQ(dns.Get(kDnsStatusCode), 3);
    EXPECT_EQ(dns.Text(kDnsStatus), "Name error");
    EXPECT_EQ(dns.Get(kDnsRecordCount), 0);
    // The zone's SOA comes in the authority section.
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRecordSource, 0, 1, 0), 0);
    EXPECT_EQ(dns.Get(kDnsRecordCount), 1);
    EXPECT_EQ(dns.Text(kDnsRecordTypeName, 1), "SOA");
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRecordSource, 0, 0, 0), 0);
    const RecordedEvent nx = dns.events.Of(kDnsEventResponse).back();
    EXPECT_EQ(nx.values[2], 3);
    EXPECT_EQ(nx.texts[3], "Name error");
    EXPECT_EQ(nx.texts[1], "nosuch.kes.test");

    ASSERT_EQ(dns.Query("example.com", 1), 0);
    EXPECT_EQ(dns.Get(kDnsStatusCode), 5);
    EXPECT_EQ(dns.Text(kDnsStatus), "Refused");
    // An existing name without records of the type.
    ASSERT_EQ(dns.Query("www.kes.test", 15), 0);
    EXPECT_EQ(dns.Get(kDnsStatusCode), 100);
    EXPECT_EQ(dns.Text(kDnsStatus), "No records were found.");

    EXPECT_EQ(dns.Query("a..kes.test", 1), 225);
    EXPECT_EQ(dns.Query((std::string(64, 'x') + ".kes.test").c_str(), 1), 225);
    EXPECT_TRUE(dns.Get(kDnsIdle));
}

const char kTruncated[] = "Truncated response from the DNS server: the answer does not fit a datagram.";

// An answer too long for a datagram: BIND sets TC and sends none of its
// records. The call fails with its own code and text, and never passes for a
// name without records.
TEST(DnsAgainstBind, AnswerTooLongForADatagram)
{
    Dns dns(kBindPort);
    EXPECT_EQ(dns.Query("long.kes.test", 16), kDnsTruncatedResponse);
    EXPECT_STREQ(DNS_GetLastError(dns.obj), kTruncated);
    EXPECT_EQ(dns.Get(kDnsStatusCode), kDnsTruncatedResponse);
    EXPECT_EQ(dns.Text(kDnsStatus), kTruncated);
    EXPECT_EQ(dns.Get(kDnsRecordCount), 0);
    EXPECT_TRUE(dns.events.Of(kDnsEventResponse).empty());
    ASSERT_EQ(dns.events.Of(kDnsEventError).size(), 1u);
    EXPECT_EQ(dns.events.Of(kDnsEventError)[0].values[0], kDnsTruncatedResponse);
    EXPECT_EQ(dns.events.Of(kDnsEventError)[0].texts[1], kTruncated);
}

TEST(DnsAgainstDnsmasq, AddressMailTextAndService)
{
    Dns dns(kDnsmasqPort);
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0) << DNS_GetLastError(dns.obj);
    EXPECT_EQ(dns.Fields(1), std::set<std::string>{"10.0.0.80"});
    ASSERT_EQ(dns.Query("kes.test", 15), 0);
    EXPECT_EQ(dns.Fields(2), std::set<std::string>{"mx1.kes.test"});
    ASSERT_EQ(dns.Query("kes.test", 16), 0);
    EXPECT_EQ(dns.Fields(1), std::set<std::string>{"v=spf1 -all"});
    ASSERT_EQ(dns.Query("_ldap._tcp.kes.test", 33), 0);
    EXPECT_EQ(dns.Fields(1), std::set<std::string>{"1"});
    EXPECT_EQ(dns.Fields(2), std::set<std::string>{"5"});
    EXPECT_EQ(dns.Fields(3), std::set<std::string>{"389"});
    ASSERT_EQ(dns.Query("kes.test", 6), 0);
    EXPECT_EQ(dns.Fields(1), std::set<std::string>{"ns1.kes.test"});
}

struct Mx {
    EventRecorder events;
    void* obj;

    explicit Mx(int port = kBindPort)
    {
        obj = MX_Create(EventRecorder::Callback, events.User(), nullptr);
        events.TextsAt(kMxEventResponse, {1, 2, 6});
        EXPECT_EQ(MX_Set(obj, kMxDnsServer, 0, T("127.0.0.1"), 0), 0);
        EXPECT_EQ(MX_Set(obj, kMxDnsPort, 0, port, 0), 0);
        EXPECT_EQ(MX_Set(obj, kMxTimeout, 0, 5, 0), 0);
    }
    ~Mx() { MX_Destroy(obj); }

    int Resolve(const char* name)
    {
        events.Clear();
        return MX_Set(obj, kMxDomain, 0, T(name), 0);
    }
    std::string Text(int property) { return reinterpret_cast<const char*>(MX_Get(obj, property, 0, nullptr)); }
};

TEST(MxAgainstPeers, PreferredExchanger)
{
    Mx mx;
    ASSERT_EQ(mx.Resolve("someone@kes.test"), 0) << MX_GetLastError(mx.obj);
    EXPECT_EQ(mx.Text(kMxMailServer), "mx1.kes.test");
    EXPECT_EQ(mx.Text(kMxStatus), "OK");
    EXPECT_EQ(mx.Text(kMxDomain), "someone@kes.test");
    const auto responses = mx.events.Of(kMxEventResponse);
    ASSERT_EQ(responses.size(), 2u);
    std::set<std::string> seen;
    for (const RecordedEvent& e : responses) {
        EXPECT_EQ(e.texts[1], "kes.test");
        EXPECT_EQ(e.values[4], 300);
        EXPECT_EQ(e.texts[6], "OK");
        EXPECT_EQ(e.values[7], 4);
        seen.insert(e.texts[2] + " " + std::to_string(e.values[3]));
    }
    EXPECT_EQ(seen, (std::set<std::string>{"mx1.kes.test 10", "mx2.kes.test 20"}));

    // Of two with the lowest preference, the first in the answer; after two "@" the last part.
    ASSERT_EQ(mx.Resolve("a@b@many.kes.test"), 0);
    const auto many = mx.events.Of(kMxEventResponse);
    ASSERT_EQ(many.size(), 3u);
    std::string first;
    for (const RecordedEvent& e : many) {
        if (e.values[3] == 10 && first.empty())
            first = e.texts[2];
    }
    EXPECT_EQ(mx.Text(kMxMailServer), first);

    // Only a CNAME: no Response, no exchanger, Status OK.
    ASSERT_EQ(mx.Resolve("ftp.kes.test"), 0);
    EXPECT_TRUE(mx.events.Of(kMxEventResponse).empty());
    EXPECT_EQ(mx.Text(kMxStatus), "OK");
    EXPECT_EQ(mx.Text(kMxMailServer), "");

    ASSERT_EQ(mx.Resolve("nosuch.kes.test"), 0);
    EXPECT_EQ(mx.Text(kMxStatus), "Name error");
    ASSERT_EQ(mx.events.Of(kMxEventResponse).size(), 1u);
    EXPECT_EQ(mx.events.Of(kMxEventResponse)[0].values[5], 3);
    ASSERT_EQ(mx.Resolve("www.kes.test"), 0);
    EXPECT_EQ(mx.Text(kMxStatus), "No mail servers were found.");
    EXPECT_EQ(mx.events.Of(kMxEventResponse)[0].values[5], 100);
    EXPECT_TRUE(MX_Get(mx.obj, kMxIdle, 0, nullptr));
    EXPECT_EQ(MX_Set(mx.obj, kMxIdle, 0, 1, 0), -1);
    EXPECT_EQ(MX_Set(mx.obj, kMxMailServer, 0, T("x"), 0), -1);

    Mx light(kDnsmasqPort);
    ASSERT_EQ(light.Resolve("postmaster@kes.test"), 0) << MX_GetLastError(light.obj);
    EXPECT_EQ(light.Text(kMxMailServer), "mx1.kes.test");
    ASSERT_EQ(light.events.Of(kMxEventResponse).size(), 1u);
    EXPECT_EQ(light.events.Of(kMxEventResponse)[0].values[3], 10);
}

// The query for www.kes.test, type A, with id and recursion flag.
std::string Query(unsigned id, bool rd, int type = 1)
{
    std::string q{char(id >> 8), char(id & 0xFF), char(rd ? 1 : 0), 0, 0, 1, 0, 0, 0, 0, 0, 0};
    q += std::string("\3www\3kes\4test\0", 14);
    q += {0, char(type), 0, 1};
    return q;
}

// An answer to `query` with one A record 10.0.0.<last>.
std::string AnswerTo(const std::string& query, int last)
{
    std::string a = query;
    a[2] = char(0x85);
    a[3] = char(0x80);
    a[7] = 1;
    a += std::string("\xc0\x0c\0\1\0\1\0\0\0\x3c\0\4\x0a\0\0", 15) + char(last);
    return a;
}

TEST(DnsScripted, QueryBytesAndAnswersNotTaken)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int other = server.AddChannel(ScriptTransport::Udp);
    const std::string q1 = Query(0x0102, true);
    const std::string q2 = Query(0x0103, false, 0x1c);
    server.ExpectBytes(q1)
        .On(other)
        .SendWith([&](const std::string&) { return AnswerTo(q1, 1); }) // right id, wrong port
        .On(0)
        .SendWith([&](const std::string&) { return AnswerTo(Query(0x0101, true), 2); }) // an earlier id
        .SendWith([&](const std::string&) {
            std::string q = AnswerTo(q1, 3);
            q[2] = 0x01; // a query, not a response
            return q;
        })
        .SendWith([&](const std::string&) { return AnswerTo(q1, 4); })
        .ExpectBytes(q2)
        .Silence();
    ASSERT_TRUE(server.Start());
    Dns dns(server.Port());
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRequestId, 0, 0x8102, 0), 0); // kept to 15 bits
    EXPECT_EQ(dns.Get(kDnsRequestId), 0x0102);
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0) << DNS_GetLastError(dns.obj);
    EXPECT_EQ(dns.Field(1, 1), "10.0.0.4");
    EXPECT_EQ(dns.events.Of(kDnsEventResponse).size(), 1u);
    EXPECT_EQ(dns.Get(kDnsRequestId), 0x0103);
    EXPECT_TRUE(dns.Get(kDnsIdle)); // the socket stays open

    // The type's low byte and no recursion; no answer: a time-out, then idle again.
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRecursionDesired, 0, 0, 0), 0);
    ASSERT_EQ(DNS_Set(dns.obj, kDnsTimeout, 0, 1, 0), 0);
    EXPECT_EQ(dns.Query("www.kes.test", 0x11c), 301);
    EXPECT_STREQ(DNS_GetLastError(dns.obj), "Timeout.");
    EXPECT_TRUE(dns.Get(kDnsIdle));
    EXPECT_EQ(server.Finish(), "");
}

TEST(DnsScripted, TimeoutZeroAnswersAsEventsAndLateAnswersAreDropped)
{
    ScriptedServer server(ScriptTransport::Udp);
    const std::string q1 = Query(0x0200, true);
    const std::string q2 = Query(0x0201, true);
    server
        .ExpectBytes(q1) // lost
        .ExpectBytes(q2)
        .SendWith([&](const std::string&) { return AnswerTo(q1, 1); }) // late for the first query
        .SendWith([&](const std::string&) {
            // Cut by the server (TC): counts beyond what the message holds,
            // and a length past its end; the record that came whole counts.
            std::string a = AnswerTo(q2, 2);
            a[2] = char(0x87);
            a[7] = 5;
            a[9] = 3;
            return a + std::string("\xc0\x0c\0\1\0\1\0\0\0\x3c\0\x40\x0a", 13);
        });
    ASSERT_TRUE(server.Start());
    Dns dns(server.Port());
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRequestId, 0, 0x0200, 0), 0);
    ASSERT_EQ(DNS_Set(dns.obj, kDnsTimeout, 0, 1, 0), 0);
    EXPECT_EQ(dns.Query("www.kes.test", 1), 301);
    ASSERT_EQ(DNS_Set(dns.obj, kDnsTimeout, 0, 0, 0), 0);
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0);
    EXPECT_FALSE(dns.Get(kDnsIdle));
    for (int i = 0; i < 300 && !dns.Get(kDnsIdle); ++i)
        DNS_Do(dns.obj, kDnsDoEvents, 0, nullptr, nullptr);
    ASSERT_TRUE(dns.Get(kDnsIdle));
    ASSERT_EQ(dns.events.Of(kDnsEventResponse).size(), 1u);
    EXPECT_EQ(dns.events.Of(kDnsEventResponse)[0].values[0], 0x0201);
    EXPECT_EQ(dns.Get(kDnsRecordCount), 1);
    EXPECT_EQ(dns.Field(1, 1), "10.0.0.2");
    EXPECT_EQ(dns.Text(kDnsRecordDomain, 2), "");
    // A record that is not there has no data: an empty text with the index's
    // code in the length and in the last error.
    int length = -1;
    EXPECT_STREQ(reinterpret_cast<const char*>(DNS_Get(dns.obj, kDnsRecordData, 2, &length)), "");
    EXPECT_EQ(length, 280);
    EXPECT_EQ(DNS_GetLastErrorCode(dns.obj), 280);
    length = -1;
    EXPECT_STREQ(reinterpret_cast<const char*>(DNS_Get(dns.obj, kDnsRecordFieldValue, 2, &length)), "");
    EXPECT_EQ(length, 280);
    EXPECT_EQ(DNS_CheckIndex(dns.obj, kDnsRecordData, 2), 280);
    EXPECT_STREQ(DNS_GetLastError(dns.obj), "Invalid record index (out of range).");
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRecordSource, 0, 1, 0), 0);
    EXPECT_EQ(dns.Get(kDnsRecordCount), 0);
    EXPECT_EQ(server.Finish(), "");
}

// The answer to `query` with RCODE `rcode`, the given answer and authority
// counts, and `rest` after the question.
std::string Broken(const std::string& query, int answers, int authority, const std::string& rest, int rcode = 0)
{
    std::string a = query;
    a[2] = char(0x85);
    a[3] = char(0x80 | rcode);
    a[7] = char(answers);
    a[9] = char(authority);
    return a + rest;
}

const char kMalformed[] = "Malformed response from the DNS server.";

// An answer that cannot be read fails the call with its own code and text,
// the Error event and Status saying the same, and keeps no record: it never
// passes for an answer without records. The server's response code in its
// header still stands; an answer that reads and holds no records keeps its
// own text.
TEST(DnsScripted, UnreadableAnswersFailTheCall)
{
    const std::string a7("\xc0\x0c\0\1\0\1\0\0\0\x3c\0\4\x0a\0\0\7", 16);
    struct Case {
        const char* what;
        int answers, authority;
        std::string rest;
    } cases[] = {
        {"ANCOUNT 1 and no answer bytes", 1, 0, ""},
        {"counts beyond the packet", 3, 2, a7},
        {"a compression pointer to itself", 1, 0, std::string("\xc0\x1e\0\1\0\1\0\0\0\x3c\0\4\x0a\0\0\7", 16)},
        {"a compression pointer past the packet", 1, 0, std::string("\xc0\xff\0\1\0\1\0\0\0\x3c\0\4\x0a\0\0\7", 16)},
        {"RDATA shorter than an A record", 1, 0, std::string("\xc0\x0c\0\1\0\1\0\0\0\x3c\0\2\x0a\0", 14)},
        {"a reserved label type", 1, 0, std::string("\x40\x0c\0\1\0\1\0\0\0\x3c\0\4\x0a\0\0\7", 16)},
    };
    const int count = int(sizeof cases / sizeof cases[0]);
    ScriptedServer server(ScriptTransport::Udp);
    unsigned id = 0x0300;
    const std::string first = Query(id++, true);
    server.ExpectBytes(first).SendWith([&](const std::string&) { return AnswerTo(first, 7); });
    for (const Case& c : cases) {
        const std::string q = Query(id++, true);
        server.ExpectBytes(q).SendWith(
            [q, c](const std::string&) { return Broken(q, c.answers, c.authority, c.rest); });
    }
    const std::string none = Query(id++, true);
    const std::string nx = Query(id++, true);
    const std::string late = Query(id++, true);
    server.ExpectBytes(none)
        .SendWith([&](const std::string&) { return Broken(none, 0, 0, ""); })
        .ExpectBytes(nx)
        .SendWith([&](const std::string&) { return Broken(nx, 1, 0, "", 3); })
        .ExpectBytes(late)
        .SendWith([&](const std::string&) { return Broken(late, 1, 0, ""); });
    ASSERT_TRUE(server.Start());
    Dns dns(server.Port());
    ASSERT_EQ(DNS_Set(dns.obj, kDnsRequestId, 0, 0x0300, 0), 0);
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0) << DNS_GetLastError(dns.obj);
    ASSERT_EQ(dns.Get(kDnsRecordCount), 1);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(cases[i].what);
        dns.events.Clear();
        EXPECT_EQ(dns.Query("www.kes.test", 1), kDnsMalformedResponse);
        EXPECT_STREQ(DNS_GetLastError(dns.obj), kMalformed);
        EXPECT_EQ(dns.Text(kDnsStatus), kMalformed);
        EXPECT_EQ(dns.Get(kDnsStatusCode), kDnsMalformedResponse);
        EXPECT_EQ(dns.Get(kDnsRecordCount), 0);
        EXPECT_TRUE(dns.events.Of(kDnsEventResponse).empty());
        const auto errors = dns.events.Of(kDnsEventError);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].values[0], kDnsMalformedResponse);
        EXPECT_EQ(errors[0].texts[1], kMalformed);
        EXPECT_TRUE(dns.Get(kDnsIdle));
    }
    dns.events.Clear();
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0) << DNS_GetLastError(dns.obj);
    EXPECT_EQ(dns.Get(kDnsStatusCode), 100);
    EXPECT_EQ(dns.Text(kDnsStatus), "No records were found.");
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0) << DNS_GetLastError(dns.obj);
    EXPECT_EQ(dns.Get(kDnsStatusCode), 3);
    EXPECT_EQ(dns.Text(kDnsStatus), "Name error");
    EXPECT_TRUE(dns.events.Of(kDnsEventError).empty());
    ASSERT_EQ(dns.events.Of(kDnsEventResponse).size(), 2u);
    EXPECT_EQ(dns.events.Of(kDnsEventResponse)[1].values[2], 3);

    // With Timeout 0 the Error event and the properties tell it.
    ASSERT_EQ(DNS_Set(dns.obj, kDnsTimeout, 0, 0, 0), 0);
    dns.events.Clear();
    ASSERT_EQ(dns.Query("www.kes.test", 1), 0);
    for (int i = 0; i < 300 && !dns.Get(kDnsIdle); ++i)
        DNS_Do(dns.obj, kDnsDoEvents, 0, nullptr, nullptr);
    ASSERT_TRUE(dns.Get(kDnsIdle));
    ASSERT_EQ(dns.events.Of(kDnsEventError).size(), 1u);
    EXPECT_EQ(dns.events.Of(kDnsEventError)[0].values[0], kDnsMalformedResponse);
    EXPECT_TRUE(dns.events.Of(kDnsEventResponse).empty());
    EXPECT_EQ(dns.Get(kDnsStatusCode), kDnsMalformedResponse);
    EXPECT_EQ(dns.Text(kDnsStatus), kMalformed);
    EXPECT_EQ(server.Finish(), "");

    // MX rides on the same reading: an MX record too short for its exchange.
    ScriptedServer mxServer(ScriptTransport::Udp);
    const std::string mq = Query(0x0400, true, 15);
    mxServer.ExpectBytes(mq).SendWith([&](const std::string&) {
        return Broken(mq, 1, 0, std::string("\xc0\x0c\0\x0f\0\1\0\0\0\x3c\0\2\0\x0a", 14));
    });
    ASSERT_TRUE(mxServer.Start());
    Mx mx(mxServer.Port());
    mx.events.TextsAt(kMxEventError, {1});
    ASSERT_EQ(MX_Set(mx.obj, kMxRequestId, 0, 0x0400, 0), 0);
    EXPECT_EQ(mx.Resolve("www.kes.test"), kMxMalformedResponse);
    EXPECT_STREQ(MX_GetLastError(mx.obj), kMalformed);
    EXPECT_EQ(mx.Text(kMxStatus), kMalformed);
    EXPECT_EQ(mx.Text(kMxMailServer), "");
    EXPECT_TRUE(mx.events.Of(kMxEventResponse).empty());
    ASSERT_EQ(mx.events.Of(kMxEventError).size(), 1u);
    EXPECT_EQ(mx.events.Of(kMxEventError)[0].values[0], kMxMalformedResponse);
    EXPECT_EQ(mx.events.Of(kMxEventError)[0].texts[1], kMalformed);
    EXPECT_EQ(mxServer.Finish(), "");
}

// A cut answer (TC) is judged by what it holds: without a record it tells
// nothing of the name and fails the call; the server's response code still
// stands.
TEST(DnsScripted, TruncatedAnswers)
{
    const auto cut = [](std::string answer) {
        answer[2] = char(answer[2] | 0x02);
        return answer;
    };
    ScriptedServer server(ScriptTransport::Udp);
    const std::string mq = Query(0x0500, true, 15);
    const std::string nx = Query(0x0501, true, 15);
    server.ExpectBytes(mq)
        .SendWith([&](const std::string&) { return cut(Broken(mq, 0, 0, "")); })
        .ExpectBytes(nx)
        .SendWith([&](const std::string&) { return cut(Broken(nx, 0, 0, "", 3)); });
    ASSERT_TRUE(server.Start());
    Mx mx(server.Port());
    mx.events.TextsAt(kMxEventError, {1});
    ASSERT_EQ(MX_Set(mx.obj, kMxRequestId, 0, 0x0500, 0), 0);
    EXPECT_EQ(mx.Resolve("www.kes.test"), kMxTruncatedResponse);
    EXPECT_STREQ(MX_GetLastError(mx.obj), kTruncated);
    EXPECT_EQ(mx.Text(kMxStatus), kTruncated);
    EXPECT_TRUE(mx.events.Of(kMxEventResponse).empty());
    ASSERT_EQ(mx.events.Of(kMxEventError).size(), 1u);
    EXPECT_EQ(mx.events.Of(kMxEventError)[0].values[0], kMxTruncatedResponse);
    ASSERT_EQ(mx.Resolve("www.kes.test"), 0) << MX_GetLastError(mx.obj);
    EXPECT_EQ(mx.Text(kMxStatus), "Name error");
    EXPECT_EQ(server.Finish(), "");
}

} // namespace
