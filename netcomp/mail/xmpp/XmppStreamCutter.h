#pragma once
// Cuts the server's XML stream (RFC 3920, 4) into its pieces: the stream
// header, each complete stanza as the text that arrived for it, and the end
// of the stream. It reads the slots of a strict XmlParser that hands it every
// input byte (OnInputChar) and keeps the pieces in order until the owner
// takes them, so no owner code runs inside the parser.
#include <cstdint>
#include <deque>
#include <string>

#include "netcomp/core/web/XmlParser.h"

class XmppStreamCutter {
public:
    // A stanza, with what came before it since the last piece, may not be
    // longer than this.
    static constexpr uint32_t kMaxPiece = 1u << 20;

    enum class Kind { StreamStart, Stanza, StreamEnd };
    struct Piece {
        Kind kind;
        std::string text;
        std::string id;        // StreamStart: the header's "id"
        bool version1 = false; // StreamStart: the header's "version" is "1.0"
    };

    explicit XmppStreamCutter(const XmlParser& parser) : m_parser(parser) {}

    // A new stream: nothing collected, nothing waiting.
    void Start();

    // The parser's slots; a nonzero answer (626) stops the parse.
    int OnStartElement(const char* uri, const char* localName);
    int OnEndElement(const char* uri, const char* localName);
    int OnInputChar(char c);

    // Takes the oldest piece; false when none is waiting.
    bool Next(Piece& piece);
    bool HasPieces() const { return !m_pieces.empty(); }
    // Why the cutter stopped the parse.
    const char* ErrorText() const { return m_error; }

private:
    int Fail(const char* text);
    void Cut(Kind kind);

    const XmlParser& m_parser;
    int m_depth = 0;
    std::string m_collected;
    std::deque<Piece> m_pieces;
    const char* m_error = "";
};

// A stream parser of its own around a cutter, for code that has no XML
// parser engine to put it in (tests, the fuzz target): strict, undeclared
// prefixes tolerated, every byte to the cutter.
class XmppStreamParser final : public XmlParserCallback {
public:
    XmppStreamParser();

    [[nodiscard]] int Feed(const char* data, uint32_t n) { return m_parser.InputBytes(data, n); }
    XmppStreamCutter& Cutter() { return m_cutter; }

    int OnCharacters(char*, int) override { return 0; }
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char* uri, const char* localName, const char*, bool) override
    {
        return m_cutter.OnEndElement(uri, localName);
    }
    int OnEndPrefixMapping(const char*) override { return 0; }
    int OnError(int, const char*) override { return 0; }
    int OnEntity(const char*, const char*&) override { return 0; }
    int OnIgnorableWhitespace(const char*) override { return 0; }
    int OnDeclaration(const char*) override { return 0; }
    int OnProcessingInstruction(const char*) override { return 0; }
    int OnSpecialSection(const char*, const char*) override { return 0; }
    int OnStartElement(const char* uri, const char* localName, const char*, bool) override
    {
        return m_cutter.OnStartElement(uri, localName);
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }
    int OnInputChar(char c) override { return m_cutter.OnInputChar(c); }

private:
    XmlParser m_parser;
    XmppStreamCutter m_cutter{m_parser};
};
