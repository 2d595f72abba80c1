#pragma once
// What the XMPP client writes on the stream (RFC 3920/3921, the legacy
// jabber:iq:auth login of XEP-0078, in-band registration of XEP-0077): the
// escaping of texts, request ids, the login digest, the code words of
// presence, message types and subscriptions, and the stanzas themselves.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using XmppFields = std::vector<std::pair<std::string, std::string>>;

// The component's result codes.
constexpr int kXmppProtocolError = 620; // "Jabber protocol error"
constexpr int kXmppConnectFailed = 621; // "Cannot complete connection"
constexpr int kXmppAuthFailed = 622;    // "Cannot complete authorization"
constexpr int kXmppHashFailed = 623;    // "Cannot encrypt password"
constexpr int kXmppUserWhileConnected = 624;
constexpr int kXmppResourceWhileConnected = 625;
constexpr int kXmppInvalidXml = 626; // "XML data is invalid"
constexpr int kXmppBadIndex = 627;   // "Array index out of bounds"
constexpr int kXmppServerDisconnected = 671;

constexpr const char kStreamsNamespace[] = "http://etherx.jabber.org/streams";

// Appends text as character data or an attribute value: the five markup
// characters as entities, control characters other than tab, LF and CR
// dropped. UTF-8 goes out as it is; a byte above 127 that does not belong to
// a well-formed UTF-8 sequence goes out as the character of its number.
void AppendXmlText(std::string& out, const char* text);
// Whether a text is well-formed UTF-8 throughout (plain ASCII is).
bool IsUtf8Text(const char* text);
std::string XmlText(const char* text);
// "<name>" escaped text "</name>".
void AppendElement(std::string& out, const char* name, const char* text);

// The counter as 8 upper-case hexadecimal digits.
std::string RequestId(uint32_t counter);
// SHA-1 of the stream id followed by the password, as 40 lower-case
// hexadecimal digits (the digest that servers compare).
std::string LoginDigest(const char* streamId, const char* password);

// Presence codes 0-4: "offline", "chat", "away", "xa", "dnd"; the status texts
// that go with them; the code of a word, or -1.
const char* PresenceWord(int code);
const char* PresenceStatusText(int code);
int PresenceCode(const char* word);
// Message types 0-4: "normal", "chat", "groupchat", "headline", "error"; an
// unknown word is 0.
const char* MessageTypeWord(int type);
int MessageTypeCode(const char* word);
// Subscriptions 0-4: "none", "to", "from", "both", "remove"; unknown words 0.
int SubscriptionCode(const char* word);

struct XmppJid {
    std::string user;     // before "@"
    std::string domain;   // between "@" and "/"
    std::string resource; // after "/"
};
XmppJid SplitJid(const char* jid);

// The opening of the client's stream to the server.
std::string StreamHeader(const char* server);
constexpr const char kStreamEnd[] = "</stream:stream>";

std::string SaslAuth(const char* mechanism);
std::string SaslAbort();

// The legacy login: the question for the fields, and the answer built from
// the fields the server listed, in their order: username, resource and
// digest (SHA-1 of stream id and password) as themselves; password only when
// no digest is asked for; another field with a text of its own is written
// back, an empty one left out.
std::string AuthQuery(const std::string& id, const char* user);
std::string AuthAnswer(const std::string& id, const XmppFields& asked, const char* user, const char* password,
                       const char* resource, const char* streamId);
std::string SessionRequest(const std::string& id);

std::string RosterQuery(const std::string& id);
// A roster set of one item with a group element per nonempty piece of groups
// (comma-separated).
std::string RosterItem(const std::string& id, const char* jid, const char* name, const char* groups);
std::string RosterRemoval(const std::string& id, const char* from, const char* jid);
std::string IqResult(const std::string& id);

// "<presence>" with the show word and the status text.
std::string PresenceStanza(int code, const char* status);
// Presence of type "subscribe", "subscribed", "unsubscribe" or
// "unsubscribed" to the JID.
std::string SubscriptionStanza(const char* jid, const char* type);
std::string ProbeStanza(const char* jid);

struct XmppOutgoingMessage {
    const char* to;   // a JID without "@" gets "@" and the server
    const char* from; // user@server/resource
    const char* server;
    int type;
    const char* thread;
    const char* subject;
    const char* text;
    const char* html;  // markup, as it is
    const char* other; // markup, as it is
};
std::string MessageStanza(const XmppOutgoingMessage& m);

std::string RegisterQuery(const std::string& id, const char* server);
std::string RegisterRequest(const std::string& id, const char* server, const XmppFields& fields);
std::string UnregisterRequest(const std::string& id, const char* server);
