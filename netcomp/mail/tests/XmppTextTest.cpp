// What the XMPP client writes: escaped texts (UTF-8 as it is), the login
// digest servers accept, request ids, JIDs and the stanzas whose shape
// carries a rule of their own.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/mail/xmpp/XmppText.h"

namespace {

TEST(XmppText, EscapesMarkupAndKeepsUtf8)
{
    EXPECT_EQ(XmlText("a<b>&'\"c"), "a&lt;b&gt;&amp;&apos;&quot;c");
    // UTF-8 goes out byte for byte, so "Grüße €" arrives as it was written.
    EXPECT_EQ(XmlText("Gr\xC3\xBC\xC3\x9F"
                      "e \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC \xF0\x9F\x98\x80");
    // A byte that belongs to no well-formed sequence goes out as the
    // character of its number (a Latin-1 text still reads right).
    EXPECT_EQ(XmlText("caf\xE9"), "caf&#233;");
    EXPECT_EQ(XmlText("\xE2\x82"), "&#226;&#130;");           // cut short
    EXPECT_EQ(XmlText("\xC0\xAF"), "&#192;&#175;");           // overlong "/"
    EXPECT_EQ(XmlText("\xED\xA0\x80"), "&#237;&#160;&#128;"); // a surrogate
    EXPECT_EQ(XmlText("\xF4\x90\x80\x80"), "&#244;&#144;&#128;&#128;");
    // Control characters cannot stand in XML; tab, LF and CR can.
    EXPECT_EQ(XmlText("a\x01\x1F"
                      "b\t\r\nc"),
              "ab\t\r\nc");
    EXPECT_EQ(XmlText(nullptr), "");
    // What the engine takes as UTF-8 and sends as it is; any other text is
    // converted from the ANSI code page first.
    EXPECT_TRUE(IsUtf8Text("plain"));
    EXPECT_TRUE(IsUtf8Text("Gr\xC3\xBC\xC3\x9F"
                           "e \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsUtf8Text("caf\xE9 \x80 \x93q\x94"));
    EXPECT_FALSE(IsUtf8Text("ok \xC0\xAF"));
    EXPECT_FALSE(IsUtf8Text("cut \xE2\x82"));
}

TEST(XmppText, DigestIdsAndJids)
{
    // Lower-case hex: ejabberd took this one for stream id
    // 158060394609358830 and password "wonder", and refuses it upper-case.
    EXPECT_EQ(LoginDigest("158060394609358830", "wonder"), "23ca29abd9a60d19e67ffb76af5d50e36a481fd1");
    EXPECT_EQ(LoginDigest("abc", ""), "a9993e364706816aba3e25717850c26c9cd0d89d");

    EXPECT_EQ(RequestId(1), "00000001");
    EXPECT_EQ(RequestId(0xABCDEF12u), "ABCDEF12");

    const XmppJid full = SplitJid("alice@localhost/home/desk");
    EXPECT_EQ(full.user, "alice");
    EXPECT_EQ(full.domain, "localhost");
    EXPECT_EQ(full.resource, "home/desk");
    const XmppJid bare = SplitJid("localhost/r");
    EXPECT_EQ(bare.user, "");
    EXPECT_EQ(bare.domain, "localhost");
    EXPECT_EQ(bare.resource, "r");
}

TEST(XmppText, LoginAnswerTakesTheFieldsTheServerAsked)
{
    // ejabberd asks for username, resource, password and digest: the digest
    // goes, the password stays home.
    const XmppFields ejabberd = {{"username", ""}, {"resource", ""}, {"password", ""}, {"digest", ""}};
    EXPECT_EQ(AuthAnswer("00000002", ejabberd, "alice", "wonder", "desk", "abc"),
              "<iq type='set' id='00000002'>\r\n  <query xmlns='jabber:iq:auth'>\r\n"
              "<username>alice</username><resource>desk</resource>"
              "<digest>a9c9c3bd74ab9eb94c2cde4194c5a46403ca9a32</digest>  </query>\r\n</iq>");
    // prosody knows no digest: then the password goes. A field the server
    // filled is handed back, an empty unknown one left out.
    const XmppFields prosody = {{"username", ""}, {"password", ""}, {"token", "x&y"}, {"resource", ""}, {"odd", ""}};
    EXPECT_EQ(AuthAnswer("00000003", prosody, "bob", "w<o", "r", "id"),
              "<iq type='set' id='00000003'>\r\n  <query xmlns='jabber:iq:auth'>\r\n"
              "<username>bob</username><password>w&lt;o</password><token>x&amp;y</token>"
              "<resource>r</resource>  </query>\r\n</iq>");
}

TEST(XmppText, StanzasEscapeWhatTheCallerGives)
{
    EXPECT_EQ(RosterItem("0000000A", "o'neil@localhost", "O'Neil", "Friends,,Work,"),
              "<iq type='set' id='0000000A'>\r\n<query xmlns='jabber:iq:roster'>\r\n"
              "<item jid='o&apos;neil@localhost' name='O&apos;Neil'>\r\n"
              "<group>Friends</group><group>Work</group></item>\r\n</query>\r\n</iq>");

    XmppOutgoingMessage m{"bob", "alice@localhost/desk", "localhost", 1, "", "Hi", "caf\xC3\xA9 & more", "", ""};
    EXPECT_EQ(MessageStanza(m), "<message to='bob@localhost' from='alice@localhost/desk' type='chat'>\r\n"
                                "<subject>Hi</subject><body>caf\xC3\xA9 &amp; more</body></message>");
    XmppOutgoingMessage empty{"bob@other", "a@b/c", "localhost", 9, "t1", nullptr, "", "<html/>", "<x/>"};
    EXPECT_EQ(MessageStanza(empty), "<message to='bob@other' from='a@b/c' type='normal'>\r\n"
                                    "<thread>t1</thread><body/>\r\n<html/><x/></message>");

    EXPECT_EQ(PresenceStanza(3, "Back <soon>"),
              "<presence><show>xa</show><status>Back &lt;soon&gt;</status></presence>");
    EXPECT_EQ(RegisterRequest("00000004", "localhost", {{"username", "carol"}, {"password", "p"}}),
              "<iq type='set' to='localhost' id='00000004'>\r\n  <query xmlns='jabber:iq:register'>\r\n"
              "<username>carol</username><password>p</password>  </query>\r\n</iq>");
}

} // namespace
