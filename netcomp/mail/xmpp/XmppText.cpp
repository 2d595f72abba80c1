// Stanzas are built as text: every caller's text goes through AppendXmlText,
// so nothing the caller passes can close an element or an attribute early.
// The stream is UTF-8 (RFC 3920, 11.5): texts in UTF-8 go out byte for byte.
#include "netcomp/mail/xmpp/XmppText.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/crypto/Sha1.h"

namespace {

const char* const kPresenceWords[] = {"offline", "chat", "away", "xa", "dnd"};
const char* const kPresenceTexts[] = {"Offline.", "Available for Chat.", "Away.", "Extended Away.", "Do Not Disturb."};
const char* const kMessageTypes[] = {"normal", "chat", "groupchat", "headline", "error"};
const char* const kSubscriptions[] = {"none", "to", "from", "both", "remove"};

const char kSaslNamespace[] = "urn:ietf:params:xml:ns:xmpp-sasl";

template <std::size_t N>
int IndexOf(const char* const (&words)[N], const char* word)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (word && std::strcmp(words[i], word) == 0)
            return int(i);
    }
    return -1;
}

// The length of the well-formed UTF-8 sequence at p (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0.
int Utf8SequenceLength(const unsigned char* p)
{
    const unsigned char c = p[0];
    int n;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else
        return 0;
    if (p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < n; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    }
    return n;
}

bool IsEmpty(const char* text)
{
    return !text || !*text;
}

std::string IqOpen(const char* type, const std::string& id)
{
    return std::string("<iq type='") + type + "' id='" + id + "'>\r\n";
}

} // namespace

void AppendXmlText(std::string& out, const char* text)
{
    if (!text)
        return;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            if (c >= 0x80) {
                const int n = Utf8SequenceLength(p);
                if (n > 0) {
                    out.append(reinterpret_cast<const char*>(p), std::size_t(n));
                    p += n;
                    continue;
                }
                out += "&#" + std::to_string(c) + ";";
            } else if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                out += char(c);
            break;
        }
        ++p;
    }
}

bool IsUtf8Text(const char* text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p) {
        const int n = *p < 0x80 ? 1 : Utf8SequenceLength(p);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

std::string XmlText(const char* text)
{
    std::string out;
    AppendXmlText(out, text);
    return out;
}

void AppendElement(std::string& out, const char* name, const char* text)
{
    out += '<';
    out += name;
    out += '>';
    AppendXmlText(out, text);
    out += "</";
    out += name;
    out += '>';
}

std::string RequestId(uint32_t counter)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", unsigned(counter));
    return text;
}

std::string LoginDigest(const char* streamId, const char* password)
{
    Sha1 sha;
    sha.Update(streamId ? streamId : "", streamId ? std::strlen(streamId) : 0);
    sha.Update(password ? password : "", password ? std::strlen(password) : 0);
    const unsigned char* digest = sha.Final();
    std::string hex;
    if (!digest)
        return hex;
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 20; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

const char* PresenceWord(int code)
{
    return code >= 0 && code <= 4 ? kPresenceWords[code] : "";
}

const char* PresenceStatusText(int code)
{
    return code >= 0 && code <= 4 ? kPresenceTexts[code] : "";
}

int PresenceCode(const char* word)
{
    return IndexOf(kPresenceWords, word);
}

const char* MessageTypeWord(int type)
{
    return type >= 0 && type <= 4 ? kMessageTypes[type] : kMessageTypes[0];
}

int MessageTypeCode(const char* word)
{
    const int code = IndexOf(kMessageTypes, word);
    return code < 0 ? 0 : code;
}

int SubscriptionCode(const char* word)
{
    const int code = IndexOf(kSubscriptions, word);
    return code < 0 ? 0 : code;
}

XmppJid SplitJid(const char* jid)
{
    XmppJid out;
    const std::string text = jid ? jid : "";
    const std::size_t at = text.find('@');
    const std::size_t slash = text.find('/', at == std::string::npos ? 0 : at + 1);
    const std::size_t domainStart = at == std::string::npos ? 0 : at + 1;
    if (at != std::string::npos)
        out.user = text.substr(0, at);
    out.domain = text.substr(domainStart, slash == std::string::npos ? std::string::npos : slash - domainStart);
    if (slash != std::string::npos)
        out.resource = text.substr(slash + 1);
    return out;
}

std::string StreamHeader(const char* server)
{
    return "<?xml version='1.0'?>\r\n<stream:stream\r\n  to='" + XmlText(server) +
           "'\r\n  xmlns='jabber:client'\r\n  xmlns:stream='" + kStreamsNamespace + "'\r\n  version='1.0'>";
}

std::string SaslAuth(const char* mechanism)
{
    return std::string("<auth xmlns='") + kSaslNamespace + "' mechanism='" + XmlText(mechanism) + "'/>";
}

std::string SaslAbort()
{
    return std::string("<abort xmlns='") + kSaslNamespace + "'/>";
}

std::string AuthQuery(const std::string& id, const char* user)
{
    std::string out = IqOpen("get", id) + "  <query xmlns='jabber:iq:auth'>\r\n";
    AppendElement(out, "username", user);
    return out + "  </query>\r\n</iq>";
}

std::string AuthAnswer(const std::string& id, const XmppFields& asked, const char* user, const char* password,
                       const char* resource, const char* streamId)
{
    bool digest = false;
    for (const auto& field : asked)
        digest = digest || field.first == "digest";
    std::string out = IqOpen("set", id) + "  <query xmlns='jabber:iq:auth'>\r\n";
    for (const auto& [name, text] : asked) {
        if (name == "resource")
            AppendElement(out, "resource", resource);
        else if (name == "username")
            AppendElement(out, "username", user);
        else if (name == "digest")
            AppendElement(out, "digest", LoginDigest(streamId, password).c_str());
        else if (name == "password" && !digest)
            AppendElement(out, "password", password);
        else if (!text.empty())
            AppendElement(out, name.c_str(), text.c_str());
    }
    return out + "  </query>\r\n</iq>";
}

std::string SessionRequest(const std::string& id)
{
    return "<iq type='set' id ='" + id + "'>\r\n<session xmlns='urn:ietf:params:xml:ns:xmpp-session'/></iq>";
}

std::string RosterQuery(const std::string& id)
{
    return "<iq id='" + id + "' type='get'>\r\n  <query xmlns='jabber:iq:roster'/>\r\n</iq>";
}

std::string RosterItem(const std::string& id, const char* jid, const char* name, const char* groups)
{
    std::string out = IqOpen("set", id) + "<query xmlns='jabber:iq:roster'>\r\n<item jid='" + XmlText(jid) +
                      "' name='" + XmlText(name) + "'>\r\n";
    const std::string list = groups ? groups : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        if (comma > start)
            AppendElement(out, "group", list.substr(start, comma - start).c_str());
        start = comma + 1;
    }
    return out + "</item>\r\n</query>\r\n</iq>";
}

std::string RosterRemoval(const std::string& id, const char* from, const char* jid)
{
    return "<iq from='" + XmlText(from) + "' type='set' id='" + id +
           "'>\r\n<query xmlns='jabber:iq:roster'>\r\n<item jid='" + XmlText(jid) +
           "' subscription='remove'/>\r\n</query>\r\n</iq>\r\n";
}

std::string IqResult(const std::string& id)
{
    return "<iq type='result' id='" + XmlText(id.c_str()) + "'/>";
}

std::string PresenceStanza(int code, const char* status)
{
    std::string out = "<presence>";
    AppendElement(out, "show", PresenceWord(code));
    AppendElement(out, "status", status);
    return out + "</presence>";
}

std::string SubscriptionStanza(const char* jid, const char* type)
{
    return "<presence to='" + XmlText(jid) + "' type='" + type + "'/>";
}

std::string ProbeStanza(const char* jid)
{
    return "<presence type='probe' to='" + XmlText(jid) + "'/>";
}

std::string MessageStanza(const XmppOutgoingMessage& m)
{
    std::string to = m.to ? m.to : "";
    if (to.find('@') == std::string::npos)
        to += std::string("@") + (m.server ? m.server : "");
    std::string out = "<message to='" + XmlText(to.c_str()) + "' from='" + XmlText(m.from) + "' type='" +
                      MessageTypeWord(m.type) + "'>\r\n";
    if (!IsEmpty(m.thread))
        AppendElement(out, "thread", m.thread);
    if (!IsEmpty(m.subject))
        AppendElement(out, "subject", m.subject);
    if (IsEmpty(m.text))
        out += "<body/>\r\n";
    else
        AppendElement(out, "body", m.text);
    if (m.html)
        out += m.html;
    if (m.other)
        out += m.other;
    return out + "</message>";
}

std::string RegisterQuery(const std::string& id, const char* server)
{
    return "<iq type='get' to='" + XmlText(server) + "' id='" + id +
           "'>\r\n<query xmlns='jabber:iq:register'/>\r\n</iq>";
}

std::string RegisterRequest(const std::string& id, const char* server, const XmppFields& fields)
{
    std::string out =
        "<iq type='set' to='" + XmlText(server) + "' id='" + id + "'>\r\n  <query xmlns='jabber:iq:register'>\r\n";
    for (const auto& [name, value] : fields)
        AppendElement(out, name.c_str(), value.c_str());
    return out + "  </query>\r\n</iq>";
}

std::string UnregisterRequest(const std::string& id, const char* server)
{
    return "<iq type='set' to='" + XmlText(server) + "' id='" + id +
           "'>\r\n  <query xmlns='jabber:iq:register'>\r\n    <remove/>\r\n</query>\r\n</iq>";
}
