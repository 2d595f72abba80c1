// The LDAP component through its exported functions: byte for byte against
// scripted servers, and against slapd on 127.0.0.1:21389 (the users of the
// lookup tests under dc=kes,dc=test, the administrator cn=admin with the
// password "secret", sorting through the sssvlv overlay).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ldap.h"
#include "netcomp/net/tests/LdapTestBytes.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kSlapd = 21389;
const char* const kBase = "dc=kes,dc=test";
const char* const kPeople = "ou=People,dc=kes,dc=test";
const char* const kAdmin = "cn=admin,dc=kes,dc=test";

INT_PTR P(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Entry {
    std::string dn;
    std::vector<std::pair<std::string, std::string>> attributes;
};

struct Ldap {
    void* obj = nullptr;
    EventRecorder events;
    std::vector<Entry> entries;

    Ldap()
    {
        for (int e : {kLdapEventResult, kLdapEventSearchComplete, kLdapEventSearchPage})
            events.TextsAt(e, {1, 3});
        events.TextsAt(kLdapEventExtendedResponse, {1, 3, 4, 5});
        events.TextsAt(kLdapEventSearchResult, {1});
        events.TextsAt(kLdapEventError, {1});
        // The entry's attributes are the attribute list while the event runs.
        events.OnEvent(kLdapEventSearchResult, [this](const RecordedEvent& e) {
            Entry entry;
            entry.dn = e.texts[1];
            const int n = int(Get(kLdapAttrCount));
            for (int i = 1; i <= n; ++i)
                entry.attributes.emplace_back(Text(kLdapAttrType, i), Value(i));
            entries.push_back(entry);
        });
        obj = LDAP_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Ldap() { LDAP_Destroy(obj); }

    INT_PTR Get(int property, int index = 0) { return LDAP_Get(obj, property, index, nullptr); }
    std::string Text(int property, int index = 0) { return reinterpret_cast<const char*>(Get(property, index)); }
    std::string Value(int index)
    {
        int length = 0;
        const char* data = reinterpret_cast<const char*>(LDAP_Get(obj, kLdapAttrValue, index, &length));
        return std::string(data, size_t(length));
    }
    int Set(int property, INT_PTR value, int index = 0, int length = 0)
    {
        return LDAP_Set(obj, property, index, value, length);
    }
    int SetText(int property, const char* text, int index = 0) { return Set(property, P(text), index); }
    int Do(int method) { return LDAP_Do(obj, method, 0, nullptr, nullptr); }
    int Do(int method, INT_PTR arg)
    {
        INT_PTR args[1] = {arg};
        int lengths[1] = {0};
        return LDAP_Do(obj, method, 1, args, lengths);
    }
    std::string Error() { return LDAP_GetLastError(obj); }

    void Server(int port, int version = 3)
    {
        ASSERT_EQ(SetText(kLdapServerName, "127.0.0.1"), 0);
        ASSERT_EQ(Set(kLdapServerPort, port), 0);
        ASSERT_EQ(Set(kLdapLDAPVersion, version), 0);
        ASSERT_EQ(Set(kLdapTimeout, 10), 0);
    }
    void Attributes(const std::vector<std::pair<std::string, std::string>>& list, int op = 0)
    {
        ASSERT_EQ(Set(kLdapAttrCount, int(list.size())), 0);
        for (size_t i = 0; i < list.size(); ++i) {
            ASSERT_EQ(SetText(kLdapAttrType, list[i].first.c_str(), int(i + 1)), 0);
            ASSERT_EQ(Set(kLdapAttrValue, P(list[i].second.data()), int(i + 1), int(list[i].second.size())), 0);
            ASSERT_EQ(Set(kLdapAttrModOp, op, int(i + 1)), 0);
        }
    }
    int Search(const char* base, const char* filter)
    {
        entries.clear();
        EXPECT_EQ(SetText(kLdapDN, base), 0);
        return Do(kLdapSearch, P(filter));
    }
    int BindAdmin()
    {
        EXPECT_EQ(SetText(kLdapDN, kAdmin), 0);
        EXPECT_EQ(SetText(kLdapPassword, "secret"), 0);
        return Do(kLdapBind);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> out;
        for (const Entry& e : entries)
            out.push_back(e.dn);
        return out;
    }
    // The values of an attribute of entry i, in order.
    std::vector<std::string> Values(size_t i, const std::string& type) const
    {
        std::vector<std::string> out;
        bool in = false;
        for (const auto& a : entries.at(i).attributes) {
            if (!a.first.empty())
                in = _stricmp(a.first.c_str(), type.c_str()) == 0;
            if (in)
                out.push_back(a.second);
        }
        return out;
    }
};

// A message: messageID and the operation element (hex).
std::string Message(int id, const std::string& op)
{
    char n[11];
    if (id < 0x80)
        std::snprintf(n, sizeof n, "0201%02x", id);
    else
        std::snprintf(n, sizeof n, "0202%04x", id);
    return Bytes(T(0x30, n + op));
}

// A bind without a password; the name is the DN property of the time.
std::string BindV2(const std::string& name = "")
{
    return T(0x60, "020102" + S(0x04, name) + "8000");
}
const std::string kAnonymousBindV2 = BindV2();
const std::string kBindOk = T(0x61, "0a0100" + std::string("0400") + "0400");
const std::string kSearchDone = T(0x65, "0a0100" + std::string("0400") + "0400");

// The search of base "" for (cn=*) with the component's defaults.
std::string SearchAll(const std::string& attributes = "")
{
    return T(0x63, "0400" + std::string("0a0102") + "0a0100" + "020100" + "020100" + "010100" + "8702636e" +
                       T(0x30, attributes));
}

TEST(LdapScripted, SearchBindsFirstAndReadsEntries)
{
    ScriptedServer server;
    server.ExpectBytes(Message(1, kAnonymousBindV2))
        .Send(Message(1, kBindOk))
        .ExpectBytes(Message(2, SearchAll(S(0x04, "mail"))))
        .Send(Message(
            2, T(0x64, S(0x04, "cn=a") + T(0x30, T(0x30, S(0x04, "mail") + T(0x31, S(0x04, "x@a") + S(0x04, "y@a")))))))
        // The second entry and the end arrive together, the end cut in two.
        .Send(Message(2, T(0x64, S(0x04, "cn=b") + T(0x30, ""))) + Message(2, kSearchDone).substr(0, 5))
        .Send(Message(2, kSearchDone).substr(5))
        .Silence();
    ASSERT_TRUE(server.Start());
    Ldap ldap;
    ldap.Server(server.Port(), 2);
    ldap.Attributes({{"mail", ""}});
    ASSERT_EQ(ldap.Search("", "(cn=*)"), 0) << ldap.Error();
    EXPECT_EQ(ldap.Names(), (std::vector<std::string>{"cn=a", "cn=b"}));
    EXPECT_EQ(ldap.Values(0, "mail"), (std::vector<std::string>{"x@a", "y@a"}));
    EXPECT_EQ(ldap.entries[0].attributes[1].first, "");
    // Afterwards the list is the caller's again.
    EXPECT_EQ(ldap.Get(kLdapAttrCount), 1);
    EXPECT_EQ(ldap.Text(kLdapAttrType, 1), "mail");
    EXPECT_EQ(ldap.events.Of(kLdapEventResult).size(), 1u);
    ASSERT_EQ(ldap.events.Of(kLdapEventSearchComplete).size(), 1u);
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchComplete)[0].values[0], 2);
    EXPECT_EQ(ldap.Text(kLdapResultDescription), "[ok]");
    EXPECT_EQ(ldap.Get(kLdapMessageId), 3);
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    EXPECT_EQ(ldap.Set(kLdapAttrCount, -1), 280);
    EXPECT_EQ(ldap.Error(), "Invalid attribute index (out of range).");
    EXPECT_EQ(LDAP_CheckIndex(ldap.obj, kLdapAttrType, 2), 280);
    EXPECT_EQ(ldap.Set(kLdapConnected, 0), 0);
    EXPECT_EQ("", server.Finish());
}

// An Abandon has no answer: it is done once sent, and ends the action that
// waited for the request it abandons.
TEST(LdapScripted, AbandonEndsWhenSent)
{
    ScriptedServer server;
    server.ExpectBytes(Message(1, kAnonymousBindV2))
        .Send(Message(1, kBindOk))
        .ExpectBytes(Message(2, SearchAll()))
        .ExpectBytes(Message(3, "500102"))
        .ExpectBytes(Message(4, "500107"))
        .ExpectBytes(Message(5, SearchAll()))
        .Send(Message(5, T(0x64, S(0x04, "cn=a") + T(0x30, ""))))
        .ExpectBytes(Message(6, "500105"))
        .Silence();
    ASSERT_TRUE(server.Start());
    Ldap ldap;
    ldap.Server(server.Port(), 2);
    ASSERT_EQ(ldap.Do(kLdapBind), 0);
    // Timeout 0: the search is sent, and the action stays open until its answer.
    ASSERT_EQ(ldap.Set(kLdapTimeout, 0), 0);
    ASSERT_EQ(ldap.Search("", "(cn=*)"), 0);
    EXPECT_EQ(ldap.Get(kLdapIdle), 0);
    EXPECT_EQ(ldap.Do(kLdapModify), 334);
    EXPECT_EQ(ldap.Error(), "Busy performing current action.");
    EXPECT_EQ(ldap.Do(kLdapAbandon, 2), 0);
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    ASSERT_EQ(ldap.Set(kLdapTimeout, 5), 0);
    EXPECT_EQ(ldap.Do(kLdapAbandon, 7), 0) << ldap.Error();
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    EXPECT_EQ(ldap.Get(kLdapMessageId), 5);
    EXPECT_EQ(ldap.Set(kLdapMessageId, 0), 280);
    EXPECT_EQ(ldap.Error(), "The message id is a number from 1 to 2147483647.");
    EXPECT_EQ(ldap.Get(kLdapMessageId), 5);
    // From inside an event of a search that waits: another request is
    // refused, an Abandon of the search goes out and ends the wait.
    int modify = -1;
    int abandon = -1;
    ldap.events.OnEvent(kLdapEventSearchResult, [&](const RecordedEvent&) {
        modify = ldap.Do(kLdapModify);
        abandon = ldap.Do(kLdapAbandon, 5);
    });
    EXPECT_EQ(ldap.Search("", "(cn=*)"), 0) << ldap.Error();
    EXPECT_EQ(modify, 334);
    EXPECT_EQ(abandon, 0);
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    EXPECT_EQ("", server.Finish());
}

// With Timeout 0 the answers come while the owner pumps messages: their
// events are as busy as those of a waiting method, and the attribute list is
// the entry's while its event runs.
TEST(LdapScripted, AnswersNobodyWaitsFor)
{
    ScriptedServer server;
    server.ExpectBytes(Message(1, kAnonymousBindV2))
        .Send(Message(1, kBindOk))
        .ExpectBytes(Message(2, SearchAll()))
        .Send(Message(2, T(0x64, S(0x04, "cn=a") +
                                     T(0x30, T(0x30, S(0x04, "mail") +
                                                         T(0x31, S(0x04, "x@a") + S(0x04, "y@a") + S(0x04, "z@a")))))) +
              Message(2, kSearchDone))
        .Silence();
    ASSERT_TRUE(server.Start());
    Ldap ldap;
    ldap.Server(server.Port(), 2);
    ASSERT_EQ(ldap.Set(kLdapTimeout, 0), 0);
    const auto settle = [&] {
        for (int i = 0; i < 500 && ldap.Get(kLdapIdle) == 0; ++i)
            ASSERT_EQ(ldap.Do(kLdapDoEvents), 0);
        ASSERT_EQ(ldap.Get(kLdapIdle), 1);
    };
    ASSERT_EQ(ldap.Do(kLdapBind), 0);
    settle();
    std::vector<int> inside;
    ldap.events.OnEvent(kLdapEventSearchResult, [&](const RecordedEvent&) {
        inside.push_back(int(ldap.Get(kLdapAttrCount)));
        inside.push_back(ldap.Set(kLdapAttrValue, P("v"), 3, 1));
        inside.push_back(ldap.SetText(kLdapDN, "cn=b"));
    });
    ASSERT_EQ(ldap.Search("", "(cn=*)"), 0);
    settle();
    EXPECT_EQ(inside, (std::vector<int>{3, 334, 334}));
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchComplete).size(), 1u);
    // The list is the caller's again, and takes Sets.
    EXPECT_EQ(ldap.Get(kLdapAttrCount), 0);
    EXPECT_EQ(ldap.Set(kLdapAttrCount, 1), 0);
    EXPECT_EQ(ldap.Set(kLdapAttrValue, P("v"), 1, 1), 0);
    EXPECT_EQ(ldap.Set(kLdapConnected, 0), 0);
    EXPECT_EQ("", server.Finish());
}

TEST(LdapScripted, ResultsAndFailures)
{
    ScriptedServer server;
    server.ExpectBytes(Message(1, kAnonymousBindV2))
        .Send(Message(1, T(0x61, "0a0131" + std::string("0400") + "0400")))
        .ExpectBytes(Message(2, S(0x4a, "cn=x")))
        .Send(Message(2, T(0x6b, "0a0120" + S(0x04, "dc=kes") + S(0x04, "gone"))))
        .ExpectBytes(Message(3, S(0x4a, "cn=x")))
        // A reference to another server ends the operation as unknown.
        .Send(Message(3, T(0x73, S(0x04, "ldap://elsewhere/"))))
        .ExpectBytes(Message(4, S(0x4a, "cn=x")))
        .Send(Message(4, T(0x6b, "0a01")))
        .ExpectBytes(Message(5, S(0x4a, "cn=x")))
        .Send(Message(5, T(0x6b, "0a0100" + std::string("0400"))).substr(0, 9))
        .Disconnect();
    ASSERT_TRUE(server.Start());
    Ldap ldap;
    ldap.Server(server.Port(), 2);
    ASSERT_EQ(ldap.Do(kLdapBind), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 49);
    EXPECT_EQ(ldap.Text(kLdapResultDescription), "[invalid credentials]");
    ASSERT_EQ(ldap.SetText(kLdapDN, "cn=x"), 0);
    ASSERT_EQ(ldap.Do(kLdapDelete), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 32);
    EXPECT_EQ(ldap.Text(kLdapResultDescription), "gone");
    EXPECT_EQ(ldap.Text(kLdapResultDN), "dc=kes");
    const RecordedEvent result = ldap.events.Of(kLdapEventResult).back();
    EXPECT_EQ(result.values[0], 2);
    EXPECT_EQ(result.texts[1], "dc=kes");
    EXPECT_EQ(result.values[2], 32);
    EXPECT_EQ(result.texts[3], "gone");

    EXPECT_EQ(ldap.Do(kLdapDelete), 336);
    EXPECT_EQ(ldap.Error(), "unknown response type: 115.");
    EXPECT_EQ(ldap.Get(kLdapResultCode), 336);
    ASSERT_FALSE(ldap.events.Of(kLdapEventError).empty());
    EXPECT_EQ(ldap.events.Of(kLdapEventError).back().texts[1], "unknown response type: 115.");

    // A message that is whole but cannot be read ends the action with the
    // codec's code; the connection stays.
    EXPECT_EQ(ldap.Do(kLdapDelete), 446);
    EXPECT_EQ(ldap.Error(), "Error decoding incoming data.");
    EXPECT_EQ(ldap.Get(kLdapConnected), 1);

    // The server goes away in the middle of an answer.
    EXPECT_EQ(ldap.Do(kLdapDelete), WSAECONNRESET);
    EXPECT_EQ(ldap.Get(kLdapConnected), 0);
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    EXPECT_EQ("", server.Finish());
}

TEST(LdapScripted, TimeoutAndBadStream)
{
    ScriptedServer server;
    server.ExpectBytes(Message(1, BindV2("cn=x")))
        .Send(Message(1, kBindOk))
        .ExpectBytes(Message(2, T(0x6e, S(0x04, "cn=x") + T(0x30, S(0x04, "sn") + S(0x04, "B")))))
        .ExpectBytes(Message(3, T(0x6e, S(0x04, "cn=x") + T(0x30, S(0x04, "sn") + S(0x04, "B")))))
        .Send("\x04\x01x")
        .ExpectClose();
    ASSERT_TRUE(server.Start());
    Ldap ldap;
    ldap.Server(server.Port(), 2);
    ASSERT_EQ(ldap.Set(kLdapTimeout, 1), 0);
    ldap.Attributes({{"sn", "B"}});
    ASSERT_EQ(ldap.SetText(kLdapDN, "cn=x"), 0);
    ASSERT_EQ(ldap.Do(kLdapCompare), 301) << server.Finish();
    EXPECT_EQ(ldap.Error(), "Timeout.");
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    // Bytes that are no message: the stream cannot be followed, the connection goes.
    ASSERT_EQ(ldap.Set(kLdapTimeout, 10), 0);
    EXPECT_EQ(ldap.Do(kLdapCompare), 446);
    EXPECT_EQ(ldap.Get(kLdapConnected), 0);
    ASSERT_FALSE(ldap.events.Of(kLdapEventError).empty());
    EXPECT_EQ(ldap.events.Of(kLdapEventError).back().texts[1], "Error decoding incoming data.");
    EXPECT_EQ(ldap.Do(kLdapSearch, P("(cn=x")), 335);
    EXPECT_EQ("", server.Finish());
}

// Lengths no message can have (2^31, 0xFFFFFFFF, the indefinite form)
// allocate nothing: they are bad data, 446 with the codec's text, and the
// stream cannot be followed past them, so the connection goes.
TEST(LdapScripted, ImpossibleLengthsAreBadData)
{
    const std::vector<std::string> lengths = {"3084"
                                              "80000000",
                                              "3084"
                                              "ffffffff",
                                              "3080"};
    ScriptedServer server;
    for (size_t i = 0; i < lengths.size(); ++i) {
        if (i > 0)
            server.Accept();
        server.ExpectBytes(Message(1, BindV2("cn=x")))
            .Send(Message(1, kBindOk))
            .ExpectBytes(Message(2, S(0x4a, "cn=x")))
            .Send(Bytes(lengths[i] + "020102"))
            .ExpectClose();
    }
    ASSERT_TRUE(server.Start());
    for (const std::string& length : lengths) {
        Ldap ldap;
        ldap.Server(server.Port(), 2);
        ASSERT_EQ(ldap.SetText(kLdapDN, "cn=x"), 0);
        EXPECT_EQ(ldap.Do(kLdapDelete), 446) << length;
        EXPECT_EQ(ldap.Error(), "Error decoding incoming data.") << length;
        const auto errors = ldap.events.Of(kLdapEventError);
        EXPECT_TRUE(errors.size() == 1 && errors[0].values[0] == 446) << length;
        EXPECT_EQ(ldap.Get(kLdapConnected), 0) << length;
    }
    EXPECT_EQ("", server.Finish());
}

// The paged-results control with a page size of 2 and a cookie (hex).
std::string PagedControl(const std::string& cookie)
{
    return T(0xa0, T(0x30, S(0x04, "1.2.840.113556.1.4.319") + "010100" + T(0x04, T(0x30, "020102" + cookie))));
}

// The end of a page whose control hands the next cookie back.
std::string PageDone(int id, const std::string& cookie)
{
    return Message(id, kSearchDone +
                           T(0xa0, T(0x30, S(0x04, "1.2.840.113556.1.4.319") + T(0x04, T(0x30, "020100" + cookie)))));
}

// A server that answers every page with a cookie would be asked for pages
// for ever: a search stops with 337 when a cookie comes again, or after 100
// pages in a row that brought no entry (pages with entries start the count
// again).
TEST(LdapScripted, PagingThatNeverEndsIsStopped)
{
    const std::string entry = T(0x64, S(0x04, "cn=a") + T(0x30, ""));
    ScriptedServer server;
    server.ExpectBytes(Message(1, kAnonymousBindV2))
        .Send(Message(1, kBindOk))
        .ExpectBytes(Message(2, SearchAll() + PagedControl(S(0x04, ""))))
        .Send(Message(2, entry) + PageDone(2, S(0x04, "c1")))
        .ExpectBytes(Message(3, SearchAll() + PagedControl(S(0x04, "c1"))))
        .Send(PageDone(3, S(0x04, "c1")));
    int id = 4;
    server.ExpectBytes(Message(id, SearchAll() + PagedControl(S(0x04, "")))).Send(PageDone(id, S(0x04, "p0")));
    for (int page = 1; page <= 150; ++page) {
        ++id;
        const std::string cookie = S(0x04, "p" + std::to_string(page - 1));
        // The 50th page brings an entry: the count of empty pages starts again.
        server.ExpectBytes(Message(id, SearchAll() + PagedControl(cookie)))
            .Send((page == 50 ? Message(id, entry) : std::string()) +
                  PageDone(id, S(0x04, "p" + std::to_string(page))));
    }
    server.Silence();
    ASSERT_TRUE(server.Start());
    Ldap ldap;
    ldap.Server(server.Port(), 2);
    ASSERT_EQ(ldap.Set(kLdapPageSize, 2), 0);
    EXPECT_EQ(ldap.Search("", "(cn=*)"), 337);
    EXPECT_EQ(ldap.Error(), "Paged search stopped: the server sent the same cookie again.");
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchPage).size(), 2u);
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    ldap.events.Clear();
    EXPECT_EQ(ldap.Search("", "(cn=*)"), 337);
    EXPECT_EQ(ldap.Error(), "Paged search stopped: the server sent 100 pages in a row without an entry.");
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchPage).size(), 151u);
    EXPECT_EQ(ldap.entries.size(), 1u);
    const auto errors = ldap.events.Of(kLdapEventError);
    EXPECT_TRUE(errors.size() == 1 && errors[0].values[0] == 337);
    EXPECT_EQ(ldap.Set(kLdapConnected, 0), 0);
    EXPECT_EQ("", server.Finish());
}

TEST(LdapSlapd, BindsAndSearches)
{
    Ldap ldap;
    ldap.Server(kSlapd, 2);
    // LDAPv2 anonymous, bound by the search itself; the escapes reach the server.
    ASSERT_EQ(ldap.Search(kBase, "(sAMAccountName=ops\\281\\29)"), 0) << ldap.Error();
    EXPECT_EQ(ldap.Names(), std::vector<std::string>{"cn=Operations One,ou=People,dc=kes,dc=test"});
    EXPECT_EQ(ldap.Values(0, "department"), std::vector<std::string>{"Night shift"});
    EXPECT_EQ(ldap.Values(0, "objectClass"), std::vector<std::string>{"user"});
    EXPECT_EQ(ldap.Do(kLdapUnbind), 0);
    EXPECT_EQ(ldap.Get(kLdapConnected), 0);

    ldap.Server(kSlapd);
    EXPECT_EQ(ldap.BindAdmin(), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0);
    ASSERT_EQ(ldap.SetText(kLdapPassword, "wrong"), 0);
    EXPECT_EQ(ldap.Do(kLdapBind), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 49);
    EXPECT_EQ(ldap.Text(kLdapResultDescription), "[invalid credentials]");
    ASSERT_EQ(ldap.SetText(kLdapDN, "cn=Ada Lovelace,ou=People,dc=kes,dc=test"), 0);
    ASSERT_EQ(ldap.SetText(kLdapPassword, "engine"), 0);
    EXPECT_EQ(ldap.Do(kLdapBind), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0);

    ldap.Attributes({{"cn", ""}, {"sn", ""}});
    ASSERT_EQ(ldap.Search(kPeople, "(&(objectClass=user)(|(cn=*love*)(sn=Bab*)))"), 0);
    EXPECT_EQ(ldap.Names().size(), 2u);
    EXPECT_EQ(ldap.entries[0].attributes.size(), 2u);
    // Types only.
    ASSERT_EQ(ldap.Set(kLdapSearchReturnValues, 0), 0);
    ASSERT_EQ(ldap.Search(kPeople, "(cn=Charles Babbage)"), 0);
    ASSERT_EQ(ldap.entries.size(), 1u);
    EXPECT_EQ(ldap.entries[0].attributes, (std::vector<std::pair<std::string, std::string>>{{"cn", ""}, {"sn", ""}}));
    ASSERT_EQ(ldap.Set(kLdapSearchReturnValues, 1), 0);
    // One level only, and a size limit the server keeps.
    ldap.Attributes({});
    ASSERT_EQ(ldap.Set(kLdapSearchScope, 1), 0);
    ASSERT_EQ(ldap.Search(kBase, "(objectClass=*)"), 0);
    EXPECT_EQ(ldap.Names(), std::vector<std::string>{kPeople});
    ASSERT_EQ(ldap.Set(kLdapSearchScope, 2), 0);
    ASSERT_EQ(ldap.Set(kLdapSearchSizeLimit, 1), 0);
    ASSERT_EQ(ldap.Search(kPeople, "(objectClass=user)"), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 4);
    EXPECT_EQ(ldap.Names().size(), 1u);
}

TEST(LdapSlapd, SortsAndPages)
{
    Ldap ldap;
    ldap.Server(kSlapd);
    ldap.Attributes({{"cn", ""}});
    ASSERT_EQ(ldap.SetText(kLdapSortAttributes, "-cn/2.5.13.3"), 0);
    ASSERT_EQ(ldap.Search(kPeople, "(objectClass=user)"), 0) << ldap.Error();
    ASSERT_EQ(ldap.Get(kLdapResultCode), 0) << ldap.Text(kLdapResultDescription);
    EXPECT_EQ(ldap.Names(), (std::vector<std::string>{"cn=Operations One,ou=People,dc=kes,dc=test",
                                                      "cn=Charles Babbage,ou=People,dc=kes,dc=test",
                                                      "cn=Ada Lovelace,ou=People,dc=kes,dc=test"}));
    ASSERT_EQ(ldap.SetText(kLdapSortAttributes, "cn/2.5.13.3"), 0);
    ASSERT_EQ(ldap.Set(kLdapPageSize, 2), 0);
    ldap.events.Clear();
    ASSERT_EQ(ldap.Search(kBase, "(objectClass=*)"), 0) << ldap.Error();
    EXPECT_EQ(ldap.Names().size(), 5u);
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchPage).size(), 2u);
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchComplete).size(), 1u);
    // Unsorted pages from back-mdb, and a cancel on the first page.
    ASSERT_EQ(ldap.SetText(kLdapSortAttributes, ""), 0);
    ldap.events.AnswerWith(kLdapEventSearchPage, 4, 1);
    ldap.events.Clear();
    ASSERT_EQ(ldap.Search(kBase, "(objectClass=*)"), 0) << ldap.Error();
    EXPECT_EQ(ldap.Names().size(), 2u);
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchPage).size(), 1u);
    EXPECT_EQ(ldap.events.Of(kLdapEventSearchComplete).size(), 0u);
    EXPECT_EQ(ldap.Get(kLdapIdle), 1);
    // The connection is free for the next request.
    ASSERT_EQ(ldap.Set(kLdapPageSize, 0), 0);
    ASSERT_EQ(ldap.Search(kBase, "(objectClass=organization)"), 0);
    EXPECT_EQ(ldap.Names(), std::vector<std::string>{kBase});
}

TEST(LdapSlapd, Writes)
{
    const std::string dn = "cn=Grace Hopper,ou=People,dc=kes,dc=test";
    Ldap ldap;
    ldap.Server(kSlapd);
    ASSERT_EQ(ldap.BindAdmin(), 0);
    ASSERT_EQ(ldap.SetText(kLdapDN, dn.c_str()), 0);
    (void)ldap.Do(kLdapDelete); // a run that stopped half-way
    ldap.Attributes(
        {{"objectClass", "person"}, {"cn", "Grace Hopper"}, {"sn", "Hopper"}, {"description", "one"}, {"", "two"}});
    ASSERT_EQ(ldap.Do(kLdapAdd), 0) << ldap.Error();
    ASSERT_EQ(ldap.Get(kLdapResultCode), 0) << ldap.Text(kLdapResultDescription);
    ASSERT_EQ(ldap.Do(kLdapAdd), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 68);

    ldap.Attributes({{"telephoneNumber", "+1 555 0100"}, {"", "+1 555 0101"}}, 0);
    ASSERT_EQ(ldap.Do(kLdapModify), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0) << ldap.Text(kLdapResultDescription);
    // The whole attribute goes with an empty value.
    ldap.Attributes({{"description", ""}}, 1);
    ASSERT_EQ(ldap.Do(kLdapModify), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0) << ldap.Text(kLdapResultDescription);
    ldap.Attributes({{"sn", "Hopper-Murray"}}, 2);
    ASSERT_EQ(ldap.Do(kLdapModify), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0);

    ldap.Attributes({{"sn", "Hopper-Murray"}});
    ASSERT_EQ(ldap.Do(kLdapCompare), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 6);
    EXPECT_EQ(ldap.Text(kLdapResultDescription), "[true]");
    ldap.Attributes({{"sn", "Hopper"}});
    ASSERT_EQ(ldap.Do(kLdapCompare), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 5);

    ldap.Attributes({});
    ASSERT_EQ(ldap.Search(dn.c_str(), "(objectClass=*)"), 0);
    ASSERT_EQ(ldap.entries.size(), 1u);
    EXPECT_EQ(ldap.Values(0, "telephoneNumber"), (std::vector<std::string>{"+1 555 0100", "+1 555 0101"}));
    EXPECT_TRUE(ldap.Values(0, "description").empty());
    EXPECT_EQ(ldap.Values(0, "sn"), std::vector<std::string>{"Hopper-Murray"});

    ASSERT_EQ(ldap.Set(kLdapDeleteOldRDN, 1), 0);
    ASSERT_EQ(ldap.Do(kLdapModifyRDN, P("cn=Admiral Hopper")), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0) << ldap.Text(kLdapResultDescription);
    const std::string moved = "cn=Admiral Hopper,ou=People,dc=kes,dc=test";
    ASSERT_EQ(ldap.Search(moved.c_str(), "(cn=*)"), 0);
    ASSERT_EQ(ldap.entries.size(), 1u);
    EXPECT_EQ(ldap.Values(0, "cn"), std::vector<std::string>{"Admiral Hopper"});

    ASSERT_EQ(ldap.SetText(kLdapDN, moved.c_str()), 0);
    ASSERT_EQ(ldap.Do(kLdapDelete), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 0);
    ASSERT_EQ(ldap.Do(kLdapDelete), 0);
    EXPECT_EQ(ldap.Get(kLdapResultCode), 32);
    EXPECT_EQ(ldap.Text(kLdapResultDN), "ou=People,dc=kes,dc=test");

    // Who am I? (RFC 4532) answers with the bound name.
    INT_PTR args[2] = {P("1.3.6.1.4.1.4203.1.11.3"), 0};
    int lengths[2] = {0, 0};
    ASSERT_EQ(LDAP_Do(ldap.obj, kLdapExtendedRequest, 2, args, lengths), 0) << ldap.Error();
    const std::vector<RecordedEvent> extended = ldap.events.Of(kLdapEventExtendedResponse);
    ASSERT_EQ(extended.size(), 1u);
    EXPECT_EQ(extended[0].values[2], 0);
    EXPECT_EQ(extended[0].texts[5], "dn:cn=admin,dc=kes,dc=test");
}

} // namespace
