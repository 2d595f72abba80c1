// The XMPP component against the scripted server: the login transcript byte
// for byte (the SASL attempt ended with <abort/>, the lower-case digest, a
// stanza with a foreign id during a wait), what an incoming message brings
// and what the answer does not carry back, what an event may do, the server's failures at each
// step, and what the caller may not pass.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/mail/tests/XmppTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

using namespace xmpptest;

namespace {

const char kClientHeader[] =
    "<?xml version='1.0'?>\r\n<stream:stream\r\n  to='localhost'\r\n  xmlns='jabber:client'\r\n"
    "  xmlns:stream='http://etherx.jabber.org/streams'\r\n  version='1.0'>";
const char kServerHeader[] = "<?xml version='1.0'?><stream:stream xmlns='jabber:client' "
                             "xmlns:stream='http://etherx.jabber.org/streams' id='s1' from='localhost' version='1.0'>";
const char kFeatures[] =
    "<stream:features><mechanisms xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>"
    "<mechanism>SCRAM-SHA-1</mechanism><mechanism>PLAIN</mechanism><mechanism>DIGEST-MD5</mechanism>"
    "</mechanisms><auth xmlns='http://jabber.org/features/iq-auth'/></stream:features>";
const char kAuthQuery[] = "<iq type='get' id='00000001'>\r\n  <query xmlns='jabber:iq:auth'>\r\n"
                          "<username>alice</username>  </query>\r\n</iq>";
const char kAuthFields[] = "<iq type='result' id='00000001'><query xmlns='jabber:iq:auth'><username/><password/>"
                           "<digest/><resource/></query></iq>";
// SHA-1 of "s1" and "wonder", in lower case.
const char kAuthAnswer[] = "<iq type='set' id='00000002'>\r\n  <query xmlns='jabber:iq:auth'>\r\n"
                           "<username>alice</username><digest>11b10588f8b972851bb6b1ccc58118cb3b884095</digest>"
                           "<resource>desk</resource>  </query>\r\n</iq>";

class XmppScriptedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { XMPP_StaticInit(GetModuleHandleA(nullptr)); }

    void Start(ScriptedServer& server)
    {
        server.SetStepTimeout(5000);
        ASSERT_TRUE(server.Start());
        me.Use("localhost", server.Port(), "desk");
        ASSERT_EQ(me.xmpp.Set(kXmppTimeout, 3), 0);
        ASSERT_EQ(me.xmpp.SetText(kXmppUser, "alice"), 0);
        ASSERT_EQ(me.xmpp.SetText(kXmppPassword, "wonder"), 0);
    }
    // The stream up to the legacy login, SASL answered with a failure.
    static void UpToLogin(ScriptedServer& server)
    {
        server.ExpectBytes(kClientHeader)
            .Send(std::string(kServerHeader) + kFeatures)
            .ExpectBytes("<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='DIGEST-MD5'/>")
            .Send("<failure xmlns='urn:ietf:params:xml:ns:xmpp-sasl'><not-authorized/></failure>")
            .ExpectBytes(kAuthQuery);
    }

    Party me;
};

TEST_F(XmppScriptedTest, LoginTranscriptAndAMessageEachWay)
{
    ScriptedServer server;
    server.ExpectBytes(kClientHeader)
        .Send(kServerHeader)
        .Send(kFeatures)
        .ExpectBytes("<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='DIGEST-MD5'/>")
        .Send("<challenge xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>bm9uY2U9IjEiLHFvcD0iYXV0aCI=</challenge>")
        .ExpectBytes("<abort xmlns='urn:ietf:params:xml:ns:xmpp-sasl'/>")
        .Send("<failure xmlns='urn:ietf:params:xml:ns:xmpp-sasl'><aborted/></failure>")
        .ExpectBytes(kAuthQuery)
        .Send(kAuthFields)
        .ExpectBytes(kAuthAnswer)
        .Send("<iq type='result' id='00000002'/>")
        .ExpectBytes("<iq type='set' id ='00000003'>\r\n<session xmlns='urn:ietf:params:xml:ns:xmpp-session'/></iq>")
        .Send("<iq type='result' id='00000003'/>")
        .ExpectBytes("<iq id='00000004' type='get'>\r\n  <query xmlns='jabber:iq:roster'/>\r\n</iq>")
        // Not the reply: a stanza of its own, then the roster in two pieces.
        .Send("<iq type='get' id='ping1' from='localhost'><ping xmlns='urn:xmpp:ping'/></iq><iq type='result' "
              "id='00000004'><query xmlns='jabber:iq:roster'><item jid='bob@localhost' name='Bob' subscription='both'>"
              "<group>Friends</grou")
        .Send("p></item></query></iq>")
        .ExpectBytes("<presence/>")
        .ExpectBytes("<presence><show>chat</show><status>Available for Chat.</status></presence>")
        // A roster push that does not come from the server is not taken.
        .Send("<iq type='set' id='f1' from='mallory@localhost'><query xmlns='jabber:iq:roster'>"
              "<item jid='mallory@localhost' subscription='both'/></query></iq>")
        .Send("<message from='bob@localhost/home' type='chat'><thread>t-1</thread><subject>Hi</subject>"
              "<body>caf\xC3\xA9</body><x xmlns='jabber:x:event'><composing/></x></message>")
        .ExpectBytes("<message to='bob@localhost' from='alice@localhost/desk' type='chat'>\r\n<body>Yes</body>"
                     "</message>")
        .ExpectBytes("<presence type='unavailable'/>")
        .ExpectBytes("</stream:stream>")
        .Send("</stream:stream>")
        .ExpectClose();
    Start(server);

    // The ping arrives while Connect runs: from its event no other action
    // starts and who one is stays, but the answer may be prepared; it goes
    // from the event of the message, which DoEvents fires.
    int nestedAction = 0, nestedUser = 0, prepared = -1, answered = -1;
    me.events.OnEvent(kXmppEventIq, [&](const RecordedEvent&) {
        nestedAction = me.xmpp.Do(kXmppSendCommand, {"<presence/>"});
        nestedUser = me.xmpp.SetText(kXmppUser, "bob");
        prepared = me.xmpp.SetText(kXmppMessageText, "Yes");
    });
    std::string thread, subject, other, xml;
    me.events.OnEvent(kXmppEventMessageIn, [&](const RecordedEvent&) {
        thread = me.xmpp.GetText(kXmppMessageThread);
        subject = me.xmpp.GetText(kXmppMessageSubject);
        other = me.xmpp.GetText(kXmppMessageOtherData);
        EXPECT_EQ(me.xmpp.Query("MessageXML", xml), 0);
        answered = me.xmpp.Do(kXmppSendMessage, {"bob"});
    });
    ASSERT_EQ(me.xmpp.Do(kXmppConnect, {"alice", "wonder"}), 0) << me.xmpp.LastError();
    EXPECT_EQ(nestedAction, 143);
    EXPECT_EQ(nestedUser, 143);
    EXPECT_EQ(prepared, 0);
    const auto iq = me.events.Of(kXmppEventIq);
    ASSERT_EQ(iq.size(), 1u);
    EXPECT_EQ(iq[0].texts[0], "<iq type='get' id='ping1' from='localhost'><ping xmlns='urn:xmpp:ping'/></iq>");
    ASSERT_EQ(me.xmpp.GetInt(kXmppBuddyCount), 1);
    EXPECT_EQ(me.xmpp.GetText(kXmppBuddyGroup, 1), "Friends");
    EXPECT_EQ(me.xmpp.GetInt(kXmppBuddySubscription, 1), 3);
    EXPECT_EQ(me.events.Of(kXmppEventRosterReceived).size(), 1u);
    const auto progress = me.Trace(2);
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(progress[3], "SASL mechanism DIGEST-MD5 not completed; legacy authentication follows.");

    ASSERT_TRUE(PumpUntil(me.xmpp, [&] { return !me.events.Of(kXmppEventMessageIn).empty(); }));
    EXPECT_EQ(answered, 0) << me.xmpp.LastError();
    EXPECT_EQ(me.events.Of(kXmppEventMessageIn)[0].texts[3], "caf\xC3\xA9");
    EXPECT_EQ(me.xmpp.GetInt(kXmppBuddyCount), 1);
    // What the message brought reads back in its event, and does not go
    // out again with the answer.
    EXPECT_EQ(thread, "t-1");
    EXPECT_EQ(subject, "Hi");
    EXPECT_EQ(other, "<x xmlns='jabber:x:event'><composing xmlns='jabber:x:event'></composing></x>");
    EXPECT_EQ(xml.substr(0, 35), "<message from='bob@localhost/home' ");
    EXPECT_EQ(me.xmpp.GetText(kXmppMessageThread), "");
    EXPECT_EQ(me.xmpp.Do(kXmppDisconnect), 0) << me.xmpp.LastError();
    EXPECT_FALSE(me.xmpp.GetBool(kXmppConnected));
    EXPECT_EQ(server.Finish(), "");
}

TEST_F(XmppScriptedTest, ServerRefusalsAndTheStreamGoingWrong)
{
    // Each case on a fresh component: the script, the code, the text.
    auto login = [](ScriptedServer& server, int timeout, int code, const char* text, int errorEvents = 0) {
        Party party;
        server.SetStepTimeout(5000);
        ASSERT_TRUE(server.Start());
        party.Use("localhost", server.Port(), "desk");
        ASSERT_EQ(party.xmpp.Set(kXmppTimeout, timeout), 0);
        EXPECT_EQ(party.xmpp.Do(kXmppConnect, {"alice", "wonder"}), code);
        EXPECT_STREQ(party.xmpp.LastError(), text);
        EXPECT_EQ(int(party.events.Of(kXmppEventError).size()), errorEvents);
        EXPECT_EQ(server.Finish(), "");
    };
    {
        // An old server's refusal of the login, with its code and text.
        ScriptedServer server;
        UpToLogin(server);
        server.Send(kAuthFields)
            .ExpectBytes(kAuthAnswer)
            .Send("<iq type='error' id='00000002'><error code='401'>Unauthorized</error></iq>")
            .Silence();
        login(server, 3, 620, "Jabber protocol error (401: Unauthorized).");
    }
    {
        // A stream error ends the wait; the server's end of stream closes.
        ScriptedServer server;
        UpToLogin(server);
        server
            .Send("<stream:error><conflict xmlns='urn:ietf:params:xml:ns:xmpp-streams'/></stream:error>"
                  "</stream:stream>")
            .ExpectClose();
        login(server, 3, 620, "Server-defined error: conflict.", 1);
    }
    {
        // Gone in the middle of a request.
        ScriptedServer server;
        UpToLogin(server);
        server.Send("<iq type='result' id='0000").Disconnect();
        login(server, 3, 671, "Server disconnected.");
    }
    {
        // Quiet: the time-out.
        ScriptedServer server;
        UpToLogin(server);
        server.Silence();
        login(server, 1, 301, "Timeout.");
    }
    {
        // What is not an XML stream: the Error event, and the connection goes.
        ScriptedServer server;
        server.ExpectBytes(kClientHeader).Send("HTTP/1.1 400 Bad Request\r\n\r\n<html></html>").ExpectClose();
        login(server, 3, 626, "XML data is invalid (The server's stream does not begin with a stream element.).", 1);
    }
}

TEST_F(XmppScriptedTest, WhatTheCallerMayNotPass)
{
    EXPECT_EQ(me.xmpp.Set(kXmppUserInfoCount, 14), 627);
    EXPECT_STREQ(me.xmpp.LastError(), "Array index out of bounds (Count must be beteen 0 and 13).");
    EXPECT_EQ(me.xmpp.Set(kXmppUserInfoCount, 2), 0);
    EXPECT_EQ(me.xmpp.SetText(kXmppUserInfoField, "username", 2), 0);
    EXPECT_EQ(me.xmpp.GetText(kXmppUserInfoField, 2), "username");
    EXPECT_EQ(me.xmpp.GetText(kXmppUserInfoField, 3), "");
    EXPECT_STREQ(me.xmpp.LastError(), "Array index out of bounds (Invalid UserInfo index.).");
    EXPECT_EQ(me.xmpp.GetText(kXmppBuddyId, 1), "");
    EXPECT_STREQ(me.xmpp.LastError(), "Array index out of bounds (Invalid Buddy index).");
    EXPECT_EQ(me.xmpp.LastErrorCode(), 627);
    EXPECT_EQ(me.xmpp.GetInt(kXmppBuddySubscription, 0), -1);
    EXPECT_EQ(me.xmpp.LastErrorCode(), 627);
    EXPECT_EQ(me.xmpp.SetText(kXmppBuddyGroup, "Friends", 1), 627);
    EXPECT_EQ(me.xmpp.CheckIndex(kXmppBuddySubscription, 0), NETCOMP_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(me.xmpp.CheckIndex(kXmppUserInfoValue, 3), NETCOMP_INDEX_OUT_OF_RANGE);
    ASSERT_EQ(me.xmpp.Set(kXmppUserInfoCount, 0), 0);
    for (int i = 0; i < 13; ++i)
        ASSERT_EQ(me.xmpp.Do(kXmppSetUserInfoField, {("f" + std::to_string(i)).c_str(), "v"}), 0);
    EXPECT_EQ(me.xmpp.Do(kXmppSetUserInfoField, {"F0", "replaced"}), 0);
    EXPECT_EQ(me.xmpp.Do(kXmppSetUserInfoField, {"one-too-many", "v"}), 627);
    EXPECT_EQ(me.xmpp.GetInt(kXmppUserInfoCount), 13);

    // While connected, who one is stays; a command that is no well-formed
    // XML is refused before anything is sent.
    ScriptedServer server;
    UpToLogin(server);
    server.Send(kAuthFields)
        .ExpectBytes(kAuthAnswer)
        .Send("<iq type='result' id='00000002'/>")
        .ExpectBytes("<iq type='set' id ='00000003'>\r\n<session xmlns='urn:ietf:params:xml:ns:xmpp-session'/></iq>")
        .Send("<iq type='result' id='00000003'/>")
        .ExpectBytes("<iq id='00000004' type='get'>\r\n  <query xmlns='jabber:iq:roster'/>\r\n</iq>")
        .Send("<iq type='result' id='00000004'><query xmlns='jabber:iq:roster'/></iq>")
        .ExpectBytes("<presence/>")
        .ExpectBytes("<presence><show>dnd</show><status>Busy &amp; away</status></presence>")
        .ExpectBytes("<presence><show>dnd</show><status>Busy &amp; away</status></presence>")
        .ExpectBytes("<presence to='bob@localhost' type='subscribe'/>")
        .Silence();
    Start(server);
    ASSERT_EQ(me.xmpp.Set(kXmppPresence, 4), 0);
    ASSERT_EQ(me.xmpp.SetText(kXmppStatusText, "Busy & away"), 0);
    // A setting that connects or sends is an action of its own: its events
    // start no other.
    std::vector<int> nested;
    me.events.OnEvent(kXmppEventProtocolTrace, [&](const RecordedEvent& e) {
        if (e.values[0] == 0)
            nested.push_back(me.xmpp.Do(kXmppDisconnect));
    });
    ASSERT_EQ(me.xmpp.Set(kXmppConnected, 1), 0) << me.xmpp.LastError();
    ASSERT_EQ(me.xmpp.SetText(kXmppStatusText, "Busy & away"), 0);
    me.events.OnEvent(kXmppEventProtocolTrace, nullptr);
    EXPECT_EQ(nested, std::vector<int>(9, 143));
    EXPECT_EQ(me.xmpp.SetText(kXmppUser, "bob"), 624);
    EXPECT_STREQ(me.xmpp.LastError(), "Cannot change user during a connection.");
    EXPECT_EQ(me.xmpp.SetText(kXmppResource, "other"), 625);
    EXPECT_EQ(me.xmpp.Do(kXmppSendCommand, {"<presence><show>away</show>"}), 206);
    EXPECT_EQ(me.xmpp.Do(kXmppSendCommand, {"<presence to='bob@localhost' type='subscribe'/>"}), 0);
    EXPECT_EQ(server.Finish(), "");
}

} // namespace
