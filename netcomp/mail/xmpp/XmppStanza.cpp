// The readers walk the parser's tree with its cursor: "/" for the top
// element, "[n]" for a child, and "*offset" to come back to an element seen
// before, so a reader can go down into a child and return.
#include "netcomp/mail/xmpp/XmppStanza.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kRosterNamespace[] = "jabber:iq:roster";
const char kTlsNamespace[] = "urn:ietf:params:xml:ns:xmpp-tls";

class Tree {
public:
    explicit Tree(XmlParser& parser) : m_parser(parser) {}

    bool Top() { return m_parser.SetXPath("/") == 0; }
    bool Path(const char* path) { return m_parser.SetXPath(path) == 0; }
    uint32_t Here() const { return m_parser.Dom().Cursor(); }
    bool Back(uint32_t offset) { return m_parser.SetXPath(("*" + std::to_string(offset)).c_str()) == 0; }
    // The n-th child (1-based) of the element at the cursor.
    bool Child(int n) { return m_parser.SetXPath(("[" + std::to_string(n) + "]").c_str()) == 0; }

    int Children() const { return m_parser.Dom().ChildCount(); }
    std::string LocalName() const { return m_parser.Dom().ElementLocalName(); }
    std::string Uri() const { return m_parser.Dom().ElementNamespaceURI(); }
    std::string Text() const { return m_parser.Dom().ElementText(); }
    bool Is(const char* localName) const { return std::strcmp(m_parser.Dom().ElementLocalName(), localName) == 0; }

    // An attribute without a prefix, or "".
    std::string Attr(const char* name) const
    {
        const XmlDom& dom = m_parser.Dom();
        for (int i = 0; i < dom.AttrCount(); ++i) {
            if (std::strcmp(dom.AttrName(i), name) == 0 && *dom.AttrPrefix(i) == '\0')
                return dom.AttrValue(i);
        }
        return std::string();
    }

    // The element at the cursor and everything below it as XML: the name
    // with its namespace, the attributes, the text, then the children.
    void WriteOut(std::string& out, int depth)
    {
        const XmlDom& dom = m_parser.Dom();
        const std::string name = dom.ElementLocalName();
        out += "<" + name;
        const std::string uri = dom.ElementNamespaceURI();
        if (!uri.empty())
            out += " xmlns='" + XmlText(uri.c_str()) + "'";
        for (int i = 0; i < dom.AttrCount(); ++i) {
            const std::string prefix = dom.AttrPrefix(i);
            if (!prefix.empty() && prefix != "xml")
                out += " xmlns:" + prefix + "='" + XmlText(dom.AttrNamespaceURI(i)) + "'";
            out += " " + (prefix.empty() ? std::string() : prefix + ":") + dom.AttrName(i) + "='" +
                   XmlText(dom.AttrValue(i)) + "'";
        }
        out += ">";
        AppendXmlText(out, dom.ElementText());
        const uint32_t here = Here();
        const int n = Children();
        for (int k = 1; k <= n && depth < 128; ++k) {
            if (Back(here) && Child(k))
                WriteOut(out, depth + 1);
        }
        out += "</" + name + ">";
    }

private:
    XmlParser& m_parser;
};

} // namespace

int ParseStanza(XmlParser& parser, const char* text, uint32_t length)
{
    parser.Reset();
    parser.SetStrict(true);
    parser.SetBuildDom(true);
    parser.SetPrefixTolerance(XmlParser::kTolerateAttributePrefixes | XmlParser::kTolerateElementPrefixes);
    int rc = parser.InputBytes(text, length);
    if (rc == 0)
        rc = parser.EndOfInput();
    if (rc == 0 && parser.Dom().Root() == 0)
        rc = kXmlInvalidEndState;
    return rc;
}

XmppStanzaTop ReadStanzaTop(XmlParser& parser)
{
    XmppStanzaTop top;
    Tree tree(parser);
    if (!tree.Top())
        return top;
    top.name = parser.Dom().ElementQName();
    top.localName = tree.LocalName();
    top.uri = tree.Uri();
    top.id = tree.Attr("id");
    top.type = tree.Attr("type");
    top.from = tree.Attr("from");
    top.to = tree.Attr("to");
    top.childCount = tree.Children();
    if (top.childCount > 0 && tree.Child(1)) {
        top.firstChild = tree.LocalName();
        top.firstChildUri = tree.Uri();
    }
    return top;
}

int ReadFeatures(XmlParser& parser, std::string& mechanism, bool& startTls)
{
    Tree tree(parser);
    startTls = false;
    if (!tree.Top())
        return kXmppInvalidXml;
    const uint32_t features = tree.Here();
    const int n = tree.Children();
    for (int k = 1; k <= n; ++k) {
        if (!tree.Back(features) || !tree.Child(k))
            return kXmppInvalidXml;
        if (tree.Is("starttls") && tree.Uri() == kTlsNamespace) {
            startTls = true;
            continue;
        }
        if (!tree.Is("mechanisms"))
            continue;
        mechanism.clear();
        const uint32_t mechanisms = tree.Here();
        const int m = tree.Children();
        for (int j = 1; j <= m; ++j) {
            if (!tree.Back(mechanisms) || !tree.Child(j))
                return kXmppInvalidXml;
            const std::string name = tree.Text();
            if (name == "DIGEST-MD5")
                mechanism = name;
            else if (name == "PLAIN" && mechanism.empty())
                mechanism = name;
        }
    }
    return 0;
}

XmppFields ReadQueryFields(XmlParser& parser)
{
    XmppFields fields;
    Tree tree(parser);
    if (!tree.Top() || !tree.Path("query"))
        return fields;
    const uint32_t query = tree.Here();
    const int n = tree.Children();
    for (int k = 1; k <= n; ++k) {
        if (tree.Back(query) && tree.Child(k))
            fields.emplace_back(tree.LocalName(), tree.Text());
    }
    return fields;
}

int ReadRoster(XmlParser& parser, std::vector<XmppRosterItem>& items, const char** why)
{
    items.clear();
    Tree tree(parser);
    if (!tree.Top() || !tree.Path("query") || tree.Uri() != kRosterNamespace) {
        *why = "The reply holds no roster.";
        return kXmppInvalidXml;
    }
    const uint32_t query = tree.Here();
    const int n = tree.Children();
    for (int k = 1; k <= n; ++k) {
        if (!tree.Back(query) || !tree.Child(k) || !tree.Is("item")) {
            *why = "A roster entry is not an item.";
            return kXmppInvalidXml;
        }
        XmppRosterItem item;
        item.jid = tree.Attr("jid");
        item.name = tree.Attr("name");
        item.ask = tree.Attr("ask");
        item.subscription = SubscriptionCode(tree.Attr("subscription").c_str());
        const uint32_t element = tree.Here();
        const int groups = tree.Children();
        for (int j = 1; j <= groups; ++j) {
            if (!tree.Back(element) || !tree.Child(j) || !tree.Is("group")) {
                *why = "A roster item holds something else than groups.";
                return kXmppInvalidXml;
            }
            if (j > 1)
                item.groups += ",";
            item.groups += tree.Text();
        }
        items.push_back(std::move(item));
    }
    return 0;
}

XmppIncomingMessage ReadMessage(XmlParser& parser, const char* stanzaText)
{
    XmppIncomingMessage m;
    Tree tree(parser);
    if (!tree.Top())
        return m;
    m.from = tree.Attr("from");
    m.to = tree.Attr("to");
    m.type = MessageTypeCode(tree.Attr("type").c_str());
    const uint32_t message = tree.Here();
    const int n = tree.Children();
    for (int k = 1; k <= n; ++k) {
        if (!tree.Back(message) || !tree.Child(k))
            continue;
        if (tree.Is("body")) {
            m.text = tree.Text();
        } else if (tree.Is("html")) {
            const char* start = std::strstr(stanzaText, "<html");
            const char* end = start ? std::strstr(start, "</html>") : nullptr;
            if (end)
                m.html.assign(start, std::size_t(end - start) + 7);
        } else if (tree.Is("thread")) {
            m.thread = tree.Text();
            m.hasThread = true;
        } else if (tree.Is("subject")) {
            m.subject = tree.Text();
            m.hasSubject = true;
        } else {
            tree.WriteOut(m.other, 0);
        }
    }
    return m;
}

XmppIncomingPresence ReadPresence(XmlParser& parser)
{
    XmppIncomingPresence p;
    Tree tree(parser);
    if (!tree.Top())
        return p;
    p.from = tree.Attr("from");
    p.to = tree.Attr("to");
    p.type = tree.Attr("type");
    p.code = p.type == "unavailable" ? 0 : 1;
    p.status = PresenceStatusText(p.code);
    bool statusRead = false;
    const uint32_t presence = tree.Here();
    const int n = tree.Children();
    for (int k = 1; k <= n; ++k) {
        if (!tree.Back(presence) || !tree.Child(k))
            continue;
        if (tree.Is("show")) {
            const int code = PresenceCode(tree.Text().c_str());
            if (code >= 0) {
                p.code = code;
                if (!statusRead)
                    p.status = PresenceStatusText(code);
            }
        } else if (tree.Is("status")) {
            p.status = tree.Text();
            statusRead = true;
        }
    }
    return p;
}

bool ReadStanzaError(XmlParser& parser, std::string& detail)
{
    Tree tree(parser);
    if (!tree.Top() || !tree.Path("error"))
        return false;
    const std::string code = tree.Attr("code");
    std::string text = tree.Text();
    // Servers of today name the condition in a child, with any words in a
    // "text" child beside it (RFC 3920, 9.3).
    const uint32_t error = tree.Here();
    const int n = tree.Children();
    for (int k = 1; k <= n && text.empty(); ++k) {
        if (tree.Back(error) && tree.Child(k) && tree.Is("text"))
            text = tree.Text();
    }
    if (text.empty() && n > 0 && tree.Back(error) && tree.Child(1))
        text = tree.LocalName();
    detail = (code.empty() ? std::string("620") : std::to_string(std::atoi(code.c_str()))) + ": " + text;
    return true;
}

std::string ReadStreamErrorCondition(XmlParser& parser)
{
    Tree tree(parser);
    if (!tree.Top() || tree.Children() == 0 || !tree.Child(1))
        return std::string();
    return tree.LocalName();
}
