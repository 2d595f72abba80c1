// The XMPP component against real servers on the loopback, two parties on
// one thread: ejabberd (the digest login, which it takes in lower case only)
// and prosody (no digest: the password login). Rosters, presence and
// subscriptions, messages both ways in UTF-8 (and from a text in the ANSI
// code page), and in-band registration.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "netcomp/mail/tests/XmppTestSupport.h"

using namespace xmpptest;

namespace {

const char kGreeting[] = "Gr\xC3\xBC\xC3\x9F"
                         "e \xE2\x82\xAC \xF0\x9F\x98\x80 <&> 'quoted'";

class XmppPeerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { XMPP_StaticInit(GetModuleHandleA(nullptr)); }

    static void LogIn(Party& party, int port, const char* user)
    {
        party.Use("localhost", port, "desk");
        ASSERT_EQ(party.xmpp.Do(kXmppConnect, {user, "wonder"}), 0) << party.xmpp.LastError();
        ASSERT_TRUE(party.xmpp.GetBool(kXmppConnected));
        const auto connected = party.events.Of(kXmppEventConnected);
        ASSERT_FALSE(connected.empty());
        EXPECT_EQ(connected.back().texts[1], "Login Complete.");
        // The server routes messages to the party only once it has taken
        // its presence, which it echoes back.
        ASSERT_TRUE(PumpUntil(party.xmpp, [&] {
            for (const RecordedEvent& e : party.events.Of(kXmppEventPresence))
                if (e.texts[0] == user)
                    return true;
            return false;
        })) << party.Transcript();
    }

    // Messages both ways: the text arrives byte for byte, and what one
    // message brought (thread, subject) does not go out with the answer.
    static void Converse(Party& alice, Party& bob)
    {
        std::string subjectInEvent, threadInEvent;
        bob.events.OnEvent(kXmppEventMessageIn, [&](const RecordedEvent&) {
            subjectInEvent = bob.xmpp.GetText(kXmppMessageSubject);
            threadInEvent = bob.xmpp.GetText(kXmppMessageThread);
        });
        ASSERT_EQ(alice.xmpp.Set(kXmppMessageType, 1), 0);
        ASSERT_EQ(alice.xmpp.SetText(kXmppMessageSubject, "S\xC3\xBC"
                                                          "bject"),
                  0);
        ASSERT_EQ(alice.xmpp.SetText(kXmppMessageThread, "thread-1"), 0);
        ASSERT_EQ(alice.xmpp.SetText(kXmppMessageText, kGreeting), 0);
        ASSERT_EQ(alice.xmpp.Do(kXmppSendMessage, {"bob"}), 0) << alice.xmpp.LastError();
        EXPECT_EQ(alice.xmpp.GetText(kXmppMessageText), "");
        ASSERT_TRUE(PumpUntil(bob.xmpp, [&] { return !bob.events.Of(kXmppEventMessageIn).empty(); }))
            << "alice:" << alice.Transcript() << "\nbob:" << bob.Transcript();
        const RecordedEvent in = bob.events.Of(kXmppEventMessageIn)[0];
        EXPECT_EQ(in.texts[0], "alice");
        EXPECT_EQ(in.texts[1], "localhost");
        EXPECT_EQ(in.texts[2], "desk");
        EXPECT_EQ(in.texts[3], kGreeting);
        EXPECT_EQ(subjectInEvent, "S\xC3\xBC"
                                  "bject");
        EXPECT_EQ(threadInEvent, "thread-1");
        EXPECT_EQ(bob.xmpp.GetInt(kXmppMessageType), 1);

        // A text that is not UTF-8 is the program's ANSI code page (1252 in
        // the test prefix): it arrives as the same characters in UTF-8.
        ASSERT_EQ(GetACP(), 1252u);
        ASSERT_EQ(bob.xmpp.SetText(kXmppMessageText, "Danke! caf\xE9 \x80 \x93q\x94"), 0);
        ASSERT_EQ(bob.xmpp.Do(kXmppSendMessage, {"alice@localhost"}), 0) << bob.xmpp.LastError();
        ASSERT_TRUE(PumpUntil(alice.xmpp, [&] { return !alice.events.Of(kXmppEventMessageIn).empty(); }))
            << "alice:" << alice.Transcript() << "\nbob:" << bob.Transcript();
        EXPECT_EQ(alice.events.Of(kXmppEventMessageIn)[0].texts[3],
                  "Danke! caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
        EXPECT_EQ(alice.xmpp.GetText(kXmppMessageThread), "");
        EXPECT_EQ(alice.xmpp.GetText(kXmppMessageSubject), "");
        const std::string sent = bob.Sent();
        EXPECT_EQ(sent.find("thread-1"), std::string::npos) << sent;
        bob.events.OnEvent(kXmppEventMessageIn, nullptr);
    }
};

TEST_F(XmppPeerTest, EjabberdDigestLoginRosterPresenceAndMessages)
{
    Party alice, bob;
    LogIn(alice, kEjabberdPort, "alice");
    LogIn(bob, kEjabberdPort, "bob");
    // The offered SASL mechanism is announced and aborted, then the legacy
    // login sends the digest in lower case, never the password.
    const std::string sent = alice.Sent();
    EXPECT_NE(sent.find("mechanism='DIGEST-MD5'/><abort xmlns='urn:ietf:params:xml:ns:xmpp-sasl'/>"), std::string::npos)
        << sent;
    const std::size_t digest = sent.find("<digest>");
    ASSERT_NE(digest, std::string::npos) << sent;
    EXPECT_EQ(sent.find_first_not_of("0123456789abcdef", digest + 8), digest + 48);
    EXPECT_EQ(sent.find("<password>"), std::string::npos);

    // Roster: a buddy with two groups, one group taken away again.
    ASSERT_EQ(alice.xmpp.Do(kXmppAdd, {"bob@localhost", "Bob", "Friends,Work"}), 0) << alice.xmpp.LastError();
    ASSERT_TRUE(PumpUntil(alice.xmpp, [&] { return alice.xmpp.GetInt(kXmppBuddyCount) == 1; }));
    EXPECT_EQ(alice.xmpp.GetText(kXmppBuddyId, 1), "bob@localhost");
    EXPECT_EQ(alice.xmpp.GetText(kXmppBuddyGroup, 1), "Friends,Work");
    EXPECT_FALSE(alice.events.Of(kXmppEventBuddyUpdate).empty());
    ASSERT_EQ(alice.xmpp.Do(kXmppRemove, {"bob@localhost", "Bob", "friends"}), 0) << alice.xmpp.LastError();
    ASSERT_TRUE(PumpUntil(alice.xmpp, [&] { return alice.xmpp.GetText(kXmppBuddyGroup, 1) == "Work"; }));

    // Subscription: bob is asked and accepts; alice sees bob's presence.
    bob.events.Clear();
    ASSERT_EQ(alice.xmpp.Do(kXmppSubscribeTo, {"bob@localhost"}), 0) << alice.xmpp.LastError();
    ASSERT_TRUE(PumpUntil(bob.xmpp, [&] { return !bob.events.Of(kXmppEventSubscriptionRequest).empty(); }));
    EXPECT_EQ(bob.events.Of(kXmppEventSubscriptionRequest)[0].texts[0], "alice");
    ASSERT_TRUE(PumpUntil(alice.xmpp, [&] { return alice.xmpp.GetInt(kXmppBuddySubscription, 1) == 1; }));
    alice.events.Clear();
    ASSERT_EQ(bob.xmpp.Do(kXmppChangePresence, {reinterpret_cast<const char*>(INT_PTR(4)), "In a meeting"}), 0);
    ASSERT_TRUE(PumpUntil(alice.xmpp, [&] {
        for (const RecordedEvent& e : alice.events.Of(kXmppEventPresence))
            if (e.texts[0] == "bob" && e.values[3] == 4 && e.texts[4] == "In a meeting")
                return true;
        return false;
    }));

    Converse(alice, bob);

    // The buddy goes, with the subscription.
    ASSERT_EQ(alice.xmpp.Do(kXmppRemove, {"bob@localhost", "", ""}), 0) << alice.xmpp.LastError();
    ASSERT_TRUE(PumpUntil(alice.xmpp, [&] { return alice.xmpp.GetInt(kXmppBuddyCount) == 0; }));
    EXPECT_EQ(alice.xmpp.Do(kXmppDisconnect), 0) << alice.xmpp.LastError();
    EXPECT_FALSE(alice.xmpp.GetBool(kXmppConnected));
    EXPECT_EQ(bob.xmpp.Do(kXmppDisconnect), 0);
}

TEST_F(XmppPeerTest, ProsodyPasswordLoginAndMessages)
{
    Party alice, bob;
    LogIn(alice, kProsodyPort, "alice");
    LogIn(bob, kProsodyPort, "bob");
    const std::string sent = alice.Sent();
    EXPECT_NE(sent.find("<password>wonder</password>"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("<digest>"), std::string::npos);
    Converse(alice, bob);

    // A wrong password: the server's refusal, with its condition.
    Party eve;
    eve.Use("localhost", kProsodyPort, "desk");
    EXPECT_EQ(eve.xmpp.Do(kXmppConnect, {"alice", "wrong"}), 620);
    EXPECT_STREQ(eve.xmpp.LastError(), "Jabber protocol error (620: not-authorized).");
}

// prosody takes at most 10,000 bytes in a stanza of a stream without a SASL
// login: a longer message is answered with a stream error and the end of
// the stream, and the connection closes (reset when the rest of the message
// was still unread). The stream error reaches the caller: as the Error
// event, as the code and text of the next call, and as the reason of the one
// Disconnected; the call after that logs in again.
TEST_F(XmppPeerTest, ProsodyStreamErrorEndsTheSessionAndReachesTheCaller)
{
    const char kCondition[] = "Server-defined error: policy-violation.";
    const std::string big(40000, 'x');
    const auto bigMessage = [&](Party& party) {
        party.events.Clear();
        ASSERT_EQ(party.xmpp.SetText(kXmppMessageText, big.c_str()), 0);
        (void)party.xmpp.Do(kXmppSendMessage, {"bob"});
    };
    const auto endedWithTheError = [&](Party& party) {
        const auto errors = party.events.Of(kXmppEventError);
        ASSERT_EQ(errors.size(), 1u) << party.Transcript();
        EXPECT_EQ(errors[0].values[0], 620);
        EXPECT_EQ(errors[0].texts[1], kCondition);
        const auto gone = party.events.Of(kXmppEventDisconnected);
        ASSERT_EQ(gone.size(), 1u) << party.Transcript();
        EXPECT_EQ(gone[0].values[0], 620);
        EXPECT_EQ(gone[0].texts[1], kCondition);
        EXPECT_FALSE(party.xmpp.GetBool(kXmppConnected));
    };

    // An owner that pumps its messages hears of it there; the next call
    // returns it, once.
    Party dave;
    dave.events.TextsAt(kXmppEventDisconnected, {1});
    LogIn(dave, kProsodyPort, "dave");
    bigMessage(dave);
    ASSERT_TRUE(PumpUntil(dave.xmpp, [&] { return !dave.events.Of(kXmppEventDisconnected).empty(); }))
        << dave.Transcript();
    endedWithTheError(dave);
    ASSERT_EQ(dave.xmpp.SetText(kXmppMessageText, "after"), 0);
    EXPECT_EQ(dave.xmpp.Do(kXmppSendMessage, {"bob"}), 620);
    EXPECT_STREQ(dave.xmpp.LastError(), kCondition);
    ASSERT_EQ(dave.xmpp.SetText(kXmppMessageText, "again"), 0);
    EXPECT_EQ(dave.xmpp.Do(kXmppSendMessage, {"bob"}), 0) << dave.xmpp.LastError();
    EXPECT_TRUE(dave.xmpp.GetBool(kXmppConnected));
    EXPECT_EQ(dave.events.Of(kXmppEventDisconnected).size(), 1u);
    EXPECT_EQ(dave.xmpp.Do(kXmppDisconnect), 0);

    // An owner that only sends: at the latest the send that finds the
    // connection gone returns the stream error, not the socket's code, and
    // none after it reports success on the ended stream.
    Party eve;
    eve.events.TextsAt(kXmppEventDisconnected, {1});
    LogIn(eve, kProsodyPort, "dave");
    bigMessage(eve);
    ASSERT_EQ(eve.xmpp.SetText(kXmppMessageText, "next"), 0);
    int rc = 0;
    for (int i = 0; i < 250 && rc == 0; ++i) {
        Sleep(20);
        ASSERT_EQ(eve.xmpp.SetText(kXmppMessageText, "next"), 0);
        rc = eve.xmpp.Do(kXmppSendMessage, {"bob"});
    }
    EXPECT_EQ(rc, 620) << eve.xmpp.LastError() << eve.Transcript();
    EXPECT_STREQ(eve.xmpp.LastError(), kCondition);
    endedWithTheError(eve);
}

// Registration on a stream without a login, then the login on the same
// stream, and the account removed again; a taken name is refused. (prosody
// never answers a legacy login of an unknown user: its plain-text store
// fails on it, so a removed account is seen by registering its name anew.)
TEST_F(XmppPeerTest, InBandRegistrationOnBothServers)
{
    for (int port : {kEjabberdPort, kProsodyPort}) {
        SCOPED_TRACE(port);
        const std::string user = "carol" + std::to_string(GetTickCount() % 100000);
        Party carol;
        carol.Use("localhost", port, "desk");
        ASSERT_EQ(carol.xmpp.Do(kXmppQueryRegister, {"localhost"}), 0) << carol.xmpp.LastError();
        bool username = false, password = false;
        for (int i = 1; i <= carol.xmpp.GetInt(kXmppUserInfoCount); ++i) {
            username = username || carol.xmpp.GetText(kXmppUserInfoField, i) == "username";
            password = password || carol.xmpp.GetText(kXmppUserInfoField, i) == "password";
        }
        EXPECT_TRUE(username && password);
        ASSERT_EQ(carol.xmpp.Set(kXmppUserInfoCount, 0), 0);
        ASSERT_EQ(carol.xmpp.Do(kXmppSetUserInfoField, {"username", "alice"}), 0);
        ASSERT_EQ(carol.xmpp.Do(kXmppSetUserInfoField, {"password", "secret"}), 0);
        EXPECT_EQ(carol.xmpp.Do(kXmppRegister, {"localhost"}), 620);
        EXPECT_NE(std::string(carol.xmpp.LastError()).find("already exists"), std::string::npos)
            << carol.xmpp.LastError();

        ASSERT_EQ(carol.xmpp.Do(kXmppSetUserInfoField, {"USERNAME", user.c_str()}), 0);
        EXPECT_EQ(carol.xmpp.GetInt(kXmppUserInfoCount), 2);
        ASSERT_EQ(carol.xmpp.Do(kXmppRegister, {"localhost"}), 0) << carol.xmpp.LastError();
        ASSERT_EQ(carol.xmpp.Do(kXmppConnect, {user.c_str(), "secret"}), 0) << carol.xmpp.LastError();
        EXPECT_EQ(carol.xmpp.GetInt(kXmppBuddyCount), 0);
        ASSERT_EQ(carol.xmpp.Do(kXmppUnregister), 0) << carol.xmpp.LastError();
        (void)carol.xmpp.Do(kXmppDisconnect);

        // The name is free again: it registers anew.
        Party again;
        again.Use("localhost", port, "desk");
        ASSERT_EQ(again.xmpp.Do(kXmppSetUserInfoField, {"username", user.c_str()}), 0);
        ASSERT_EQ(again.xmpp.Do(kXmppSetUserInfoField, {"password", "other"}), 0);
        EXPECT_EQ(again.xmpp.Do(kXmppRegister, {""}), 0) << again.xmpp.LastError();
    }
}

} // namespace
