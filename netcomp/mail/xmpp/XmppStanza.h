#pragma once
// Reads one stanza from the server: parsed into the tree of a strict
// XmlParser, then read through paths into plain values, so nothing of the
// parser's state is needed once a reader has returned.
#include <cstdint>
#include <string>
#include <vector>

#include "netcomp/core/web/XmlParser.h"
#include "netcomp/mail/xmpp/XmppText.h"

// Resets the parser for one stanza (strict, with its tree, undeclared
// prefixes tolerated: a stanza cut from the stream names "stream:" without
// its declaration) and reads the text into it; 0 or the parser's code. The
// parser's callback, if any, should answer 0 everywhere.
[[nodiscard]] int ParseStanza(XmlParser& parser, const char* text, uint32_t length);

// The top element of the parsed stanza.
struct XmppStanzaTop {
    std::string name; // qualified, as written ("stream:features", "iq")
    std::string localName;
    std::string uri;
    std::string id, type, from, to;
    int childCount = 0;
    std::string firstChild; // local name of the first child element
    std::string firstChildUri;
};
XmppStanzaTop ReadStanzaTop(XmlParser& parser);

// stream:features: the SASL mechanism to announce ("DIGEST-MD5" before
// "PLAIN", nothing else) and whether STARTTLS is offered; 0 or 626.
[[nodiscard]] int ReadFeatures(XmlParser& parser, std::string& mechanism, bool& startTls);

// The children of /iq/query as (local name, text), in order.
XmppFields ReadQueryFields(XmlParser& parser);

struct XmppRosterItem {
    std::string jid, name, ask;
    int subscription = 0;
    std::string groups; // joined by ","
};
// A roster result or push: its items; 626 (with *why) when it is not one.
[[nodiscard]] int ReadRoster(XmlParser& parser, std::vector<XmppRosterItem>& items, const char** why);

struct XmppIncomingMessage {
    std::string from, to;
    int type = 0;
    std::string text, html, thread, subject, other;
    bool hasThread = false, hasSubject = false;
};
// html: the stanza's own text of its html child, from "<html" up to and
// including "</html>"; other: every unknown child written back as XML.
XmppIncomingMessage ReadMessage(XmlParser& parser, const char* stanzaText);

struct XmppIncomingPresence {
    std::string from, to, type;
    int code = 1;
    std::string status;
};
XmppIncomingPresence ReadPresence(XmlParser& parser);

// The error child of the top element as the detail of a 620: its "code"
// attribute (620 without one), ": " and its text, or the text or name of the
// condition inside it; false when there is no error child.
bool ReadStanzaError(XmlParser& parser, std::string& detail);
// stream:error: the name of its first child (the condition).
std::string ReadStreamErrorCondition(XmlParser& parser);
