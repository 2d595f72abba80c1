// How the XMPP client reads the server: the stream cut into header, stanzas
// and end however the bytes are split, and each stanza read into values.
// The stream is what ejabberd sent to a client (a login, a roster push, a
// message with XHTML and an extension, presence and the end).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "netcomp/mail/xmpp/XmppBuddyList.h"
#include "netcomp/mail/xmpp/XmppStanza.h"
#include "netcomp/mail/xmpp/XmppStreamCutter.h"

namespace {

const std::string kHeader = "<?xml version='1.0'?><stream:stream id='158060394609358830' version='1.0' xml:lang='en' "
                            "xmlns:stream='http://etherx.jabber.org/streams' from='localhost' xmlns='jabber:client'>";
const std::vector<std::string> kStanzas = {
    "<stream:features><mechanisms xmlns='urn:ietf:params:xml:ns:xmpp-sasl'><mechanism>DIGEST-MD5</mechanism>"
    "<mechanism>PLAIN</mechanism><mechanism>SCRAM-SHA-512</mechanism><mechanism>X-OAUTH2</mechanism></mechanisms>"
    "<register xmlns='http://jabber.org/features/iq-register'/><auth xmlns='http://jabber.org/features/iq-auth'/>"
    "</stream:features>",
    "<challenge "
    "xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>bm9uY2U9IjI5ODA1MzQxNDk0MjM1NzA1MjEiLHFvcD0iYXV0aCI=</challenge>",
    "<failure xmlns='urn:ietf:params:xml:ns:xmpp-sasl'><aborted/><text xml:lang='en'>Aborted</text></failure>",
    "<iq xml:lang='en' type='result' id='00000001'><query xmlns='jabber:iq:auth'><username/><resource/><password/>"
    "<digest/></query></iq>",
    "<iq xml:lang='en' to='alice@localhost/desk' from='alice@localhost' type='set' id='push1'>"
    "<query xmlns='jabber:iq:roster'><item subscription='none' jid='bob@localhost' name='Bob'><group>Friends</group>"
    "<group>Work</group></item></query></iq>",
    "<message xml:lang='en' to='alice@localhost/desk' from='bob@localhost/home' type='chat' id='m1'>"
    "<thread>t-7</thread><body>Gr\xC3\xBC\xC3\x9F"
    "e &amp; more</body>"
    "<html xmlns='http://jabber.org/protocol/xhtml-im'><body "
    "xmlns='http://www.w3.org/1999/xhtml'><p>Hi</p></body></html>"
    "<x xmlns='jabber:x:oob' kind='a&amp;b'><url>http://localhost/f</url></x></message>",
    "<presence xml:lang='en' to='alice@localhost/desk' from='bob@localhost/home'><show>dnd</show>"
    "<status>In a meeting</status></presence>",
};
const std::string kEnd = "</stream:stream>";

std::string WholeStream()
{
    std::string s = kHeader;
    for (const std::string& stanza : kStanzas)
        s += "\n " + stanza; // the blanks between stanzas that servers send as keep-alives
    return s + kEnd;
}

// Feeds the stream in pieces of the sizes given (cycled) and lists what the
// cutter cut, kind by kind.
std::vector<XmppStreamCutter::Piece> Cut(const std::string& stream, const std::vector<std::size_t>& sizes, int* rc)
{
    XmppStreamParser parser;
    std::vector<XmppStreamCutter::Piece> pieces;
    *rc = 0;
    for (std::size_t at = 0, k = 0; at < stream.size() && *rc == 0; ++k) {
        const std::size_t n = std::min(sizes[k % sizes.size()], stream.size() - at);
        *rc = parser.Feed(stream.data() + at, uint32_t(n));
        at += n;
        XmppStreamCutter::Piece piece;
        while (parser.Cutter().Next(piece))
            pieces.push_back(piece);
    }
    return pieces;
}

TEST(XmppStream, CutsHeaderStanzasAndEndHoweverTheBytesArrive)
{
    const std::string stream = WholeStream();
    std::mt19937 random(7);
    std::vector<std::vector<std::size_t>> splits = {{stream.size()}, {1}, {2, 3}};
    for (int i = 0; i < 20; ++i)
        splits.push_back({1 + random() % 40, 1 + random() % 7, 1 + random() % 300});
    for (const auto& sizes : splits) {
        int rc = -1;
        const auto pieces = Cut(stream, sizes, &rc);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(pieces.size(), kStanzas.size() + 2);
        EXPECT_EQ(pieces[0].kind, XmppStreamCutter::Kind::StreamStart);
        EXPECT_EQ(pieces[0].text, kHeader);
        EXPECT_EQ(pieces[0].id, "158060394609358830");
        EXPECT_TRUE(pieces[0].version1);
        for (std::size_t k = 0; k < kStanzas.size(); ++k) {
            EXPECT_EQ(pieces[k + 1].kind, XmppStreamCutter::Kind::Stanza);
            EXPECT_EQ(pieces[k + 1].text, kStanzas[k]);
        }
        EXPECT_EQ(pieces.back().kind, XmppStreamCutter::Kind::StreamEnd);
    }
}

TEST(XmppStream, RefusesWhatIsNoStream)
{
    int rc = 0;
    Cut("<?xml version='1.0'?><html><body/></html>", {5}, &rc);
    EXPECT_EQ(rc, kXmppInvalidXml);
    // A stream element in another namespace is no stream either.
    Cut("<stream:stream xmlns:stream='urn:other'>", {100}, &rc);
    EXPECT_EQ(rc, kXmppInvalidXml);

    XmppStreamParser parser;
    const std::string header = kHeader + "<message><body>";
    ASSERT_EQ(parser.Feed(header.data(), uint32_t(header.size())), 0);
    const std::string block(64 * 1024, 'x');
    int fed = 0;
    for (uint32_t total = 0; total <= XmppStreamCutter::kMaxPiece && fed == 0; total += uint32_t(block.size()))
        fed = parser.Feed(block.data(), uint32_t(block.size()));
    EXPECT_EQ(fed, kXmppInvalidXml);
    EXPECT_STREQ(parser.Cutter().ErrorText(), "A stanza from the server is too long.");
}

// A stanza may carry 128 attributes and bring the namespaces in scope to 128
// (the stream header declares two); the 129th of either stops the stream
// with the parser's 200.
TEST(XmppStream, AtMost128AttributesAndDeclarationsInScope)
{
    auto stanza = [](int declarations, int attributes) {
        std::string s = "<message";
        for (int i = 0; i < declarations; ++i)
            s += " xmlns:n" + std::to_string(i) + "='urn:n" + std::to_string(i) + "'";
        for (int i = 0; i < attributes; ++i)
            s += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        return s + "><body>b</body></message>";
    };
    int rc = -1;
    const auto pieces = Cut(kHeader + stanza(126, 128) + kEnd, {100}, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[1].text, stanza(126, 128));

    Cut(kHeader + stanza(127, 0), {100}, &rc);
    EXPECT_EQ(rc, 200);
    Cut(kHeader + stanza(0, 129), {100}, &rc);
    EXPECT_EQ(rc, 200);
}

class XmppStanzaTest : public ::testing::Test {
protected:
    void Parse(const std::string& text) { ASSERT_EQ(ParseStanza(m_parser, text.data(), uint32_t(text.size())), 0); }
    XmlParser m_parser;
};

TEST_F(XmppStanzaTest, FeaturesChooseTheMechanism)
{
    Parse(kStanzas[0]);
    EXPECT_EQ(ReadStanzaTop(m_parser).name, "stream:features");
    std::string mechanism;
    bool tls = true;
    ASSERT_EQ(ReadFeatures(m_parser, mechanism, tls), 0);
    EXPECT_EQ(mechanism, "DIGEST-MD5");
    EXPECT_FALSE(tls);
    // prosody's list: SCRAM first, which the client does not announce.
    Parse("<stream:features><starttls xmlns='urn:ietf:params:xml:ns:xmpp-tls'/><mechanisms "
          "xmlns='urn:ietf:params:xml:ns:xmpp-sasl'><mechanism>SCRAM-SHA-1</mechanism><mechanism>PLAIN</mechanism>"
          "</mechanisms></stream:features>");
    ASSERT_EQ(ReadFeatures(m_parser, mechanism, tls), 0);
    EXPECT_EQ(mechanism, "PLAIN");
    EXPECT_TRUE(tls);

    Parse(kStanzas[3]);
    const XmppFields fields = ReadQueryFields(m_parser);
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[3].first, "digest");
}

TEST_F(XmppStanzaTest, RosterIntoTheBuddyList)
{
    Parse("<iq type='result' id='00000004'><query xmlns='jabber:iq:roster'>"
          "<item jid='bob@localhost' name='Bob' subscription='both'><group>A</group><group>B</group></item>"
          "<item jid='carol@localhost' subscription='none' ask='subscribe'/></query></iq>");
    std::vector<XmppRosterItem> items;
    const char* why = "";
    ASSERT_EQ(ReadRoster(m_parser, items, &why), 0);
    XmppBuddyList buddies;
    ASSERT_EQ(buddies.Assign(items), 0);
    ASSERT_EQ(buddies.Count(), 2u);
    EXPECT_STREQ(buddies.Item(0, XmppBuddyList::kGroups), "A,B");
    EXPECT_EQ(buddies.Subscription(0), 3);
    EXPECT_STREQ(buddies.Item(1, XmppBuddyList::kAsk), "subscribe");
    EXPECT_STREQ(buddies.Item(1, XmppBuddyList::kStatus), "Availible.");

    // A push replaces its row, adds a new one at the end, or removes one.
    Parse(kStanzas[4]);
    ASSERT_EQ(ReadRoster(m_parser, items, &why), 0);
    int row = -1;
    ASSERT_EQ(buddies.Apply(items[0], &row), 0);
    EXPECT_EQ(row, 0);
    EXPECT_STREQ(buddies.Item(0, XmppBuddyList::kGroups), "Friends,Work");
    EXPECT_EQ(buddies.Subscription(0), 0);
    ASSERT_EQ(buddies.Apply({"dave@localhost", "", "", 2, ""}, &row), 0);
    EXPECT_EQ(row, 2);
    ASSERT_EQ(buddies.Apply({"bob@localhost", "", "", 4, ""}, &row), 0);
    EXPECT_EQ(row, -1);
    ASSERT_EQ(buddies.Count(), 2u);
    EXPECT_STREQ(buddies.Item(0, XmppBuddyList::kJid), "carol@localhost");
    EXPECT_STREQ(buddies.Item(1, XmppBuddyList::kJid), "dave@localhost");

    for (const char* bad :
         {"<iq type='result'><query xmlns='jabber:iq:auth'/></iq>",
          "<iq type='set'><query xmlns='jabber:iq:roster'><entry/></query></iq>",
          "<iq type='set'><query xmlns='jabber:iq:roster'><item jid='x'><note/></item></query></iq>"}) {
        Parse(bad);
        EXPECT_EQ(ReadRoster(m_parser, items, &why), kXmppInvalidXml) << bad;
    }
}

// A server's roster pushes of ever new buddies stop growing the list at its
// bound: 620, and the list as it was; known buddies still change.
TEST_F(XmppStanzaTest, TheBuddyListIsBounded)
{
    std::vector<XmppRosterItem> items(XmppBuddyList::kMaxBuddies + 1);
    for (size_t i = 0; i < items.size(); ++i)
        items[i].jid = "b" + std::to_string(i) + "@localhost";
    XmppBuddyList buddies;
    EXPECT_EQ(buddies.Assign(items), kXmppProtocolError);
    EXPECT_EQ(buddies.Count(), 0u);
    items.pop_back();
    ASSERT_EQ(buddies.Assign(items), 0);
    int row = -1;
    EXPECT_EQ(buddies.Apply({"new@localhost", "", "", 2, ""}, &row), kXmppProtocolError);
    EXPECT_EQ(row, -1);
    EXPECT_EQ(buddies.Count(), XmppBuddyList::kMaxBuddies);
    ASSERT_EQ(buddies.Apply({"b0@localhost", "Zero", "", 2, ""}, &row), 0);
    EXPECT_EQ(row, 0);
    EXPECT_STREQ(buddies.Item(0, XmppBuddyList::kName), "Zero");
}

TEST_F(XmppStanzaTest, MessageFieldsAndWhatElseItCarries)
{
    Parse(kStanzas[5]);
    const XmppIncomingMessage m = ReadMessage(m_parser, kStanzas[5].c_str());
    EXPECT_EQ(m.from, "bob@localhost/home");
    EXPECT_EQ(m.type, 1);
    EXPECT_EQ(m.text, "Gr\xC3\xBC\xC3\x9F"
                      "e & more");
    EXPECT_EQ(m.thread, "t-7");
    EXPECT_FALSE(m.hasSubject);
    EXPECT_EQ(m.html, "<html xmlns='http://jabber.org/protocol/xhtml-im'><body xmlns='http://www.w3.org/1999/xhtml'>"
                      "<p>Hi</p></body></html>");
    EXPECT_EQ(m.other, "<x xmlns='jabber:x:oob' kind='a&amp;b'><url xmlns='jabber:x:oob'>http://localhost/f</url></x>");
}

TEST_F(XmppStanzaTest, PresenceAndErrors)
{
    Parse(kStanzas[6]);
    XmppIncomingPresence p = ReadPresence(m_parser);
    EXPECT_EQ(p.code, 4);
    EXPECT_EQ(p.status, "In a meeting");
    Parse("<presence from='bob@localhost/home' type='unavailable'/>");
    p = ReadPresence(m_parser);
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(p.status, "Offline.");
    Parse("<presence from='b@l'><show>away</show></presence>");
    EXPECT_EQ(ReadPresence(m_parser).status, "Away.");

    std::string detail;
    Parse("<iq type='error' id='2'><error type='auth'><not-authorized xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/>"
          "</error></iq>");
    ASSERT_TRUE(ReadStanzaError(m_parser, detail));
    EXPECT_EQ(detail, "620: not-authorized");
    Parse("<iq type='error'><error code='401' type='auth'><not-authorized xmlns='x'/><text xmlns='x'>Bad digest</text>"
          "</error></iq>");
    ASSERT_TRUE(ReadStanzaError(m_parser, detail));
    EXPECT_EQ(detail, "401: Bad digest");
    Parse("<iq type='error'><error code='406'>Not Acceptable</error></iq>");
    ASSERT_TRUE(ReadStanzaError(m_parser, detail));
    EXPECT_EQ(detail, "406: Not Acceptable");
    Parse("<stream:error><conflict xmlns='urn:ietf:params:xml:ns:xmpp-streams'/></stream:error>");
    EXPECT_EQ(ReadStreamErrorCondition(m_parser), "conflict");
}

} // namespace
