// Depth 0 is outside the stream, depth 1 inside <stream:stream>, and a
// stanza is whatever opens at depth 1 and closes back to it. Every byte the
// parser reads is collected, so a stanza's text is exactly what the server
// sent for it (blanks between stanzas dropped from its front).
#include "netcomp/mail/xmpp/XmppStreamCutter.h"

#include <cstring>

#include "netcomp/mail/xmpp/XmppText.h"

void XmppStreamCutter::Start()
{
    m_depth = 0;
    m_collected.clear();
    m_pieces.clear();
    m_error = "";
}

int XmppStreamCutter::Fail(const char* text)
{
    m_error = text;
    return kXmppInvalidXml;
}

void XmppStreamCutter::Cut(Kind kind)
{
    Piece piece{kind, std::string(), std::string(), false};
    std::size_t start = 0;
    if (kind == Kind::Stanza) {
        while (start < m_collected.size() && std::strchr(" \t\r\n", m_collected[start]))
            ++start;
    }
    piece.text.assign(m_collected, start, std::string::npos);
    m_collected.clear();
    m_pieces.push_back(std::move(piece));
}

int XmppStreamCutter::OnStartElement(const char* uri, const char* localName)
{
    if (m_depth == 0) {
        if (std::strcmp(localName, "stream") != 0 || std::strcmp(uri, kStreamsNamespace) != 0)
            return Fail("The server's stream does not begin with a stream element.");
        Cut(Kind::StreamStart);
        Piece& header = m_pieces.back();
        for (int i = 0; i < m_parser.AttrCount(); ++i) {
            if (std::strcmp(m_parser.AttrName(i), "id") == 0)
                header.id = m_parser.AttrValue(i);
            else if (std::strcmp(m_parser.AttrName(i), "version") == 0)
                header.version1 = std::strcmp(m_parser.AttrValue(i), "1.0") == 0;
        }
    }
    ++m_depth;
    return 0;
}

int XmppStreamCutter::OnEndElement(const char* uri, const char* localName)
{
    --m_depth;
    if (m_depth == 0) {
        if (std::strcmp(localName, "stream") != 0 || std::strcmp(uri, kStreamsNamespace) != 0)
            return Fail("The server's stream ends with another element.");
        Cut(Kind::StreamEnd);
    } else if (m_depth == 1) {
        Cut(Kind::Stanza);
    }
    return 0;
}

int XmppStreamCutter::OnInputChar(char c)
{
    if (m_collected.size() >= kMaxPiece)
        return Fail("A stanza from the server is too long.");
    m_collected += c;
    return 0;
}

bool XmppStreamCutter::Next(Piece& piece)
{
    if (m_pieces.empty())
        return false;
    piece = std::move(m_pieces.front());
    m_pieces.pop_front();
    return true;
}

XmppStreamParser::XmppStreamParser()
{
    m_parser.SetStrict(true);
    m_parser.SetPrefixTolerance(XmlParser::kTolerateAttributePrefixes | XmlParser::kTolerateElementPrefixes);
    m_parser.SetInputCharHook(true);
    m_parser.SetCallback(this);
}
