#pragma once
// The XML parser behind the component conventions: one XmlParser whose
// callback slots fire the XMLp events, the path text by which a caller walks
// the document tree, checked 1-based indexes into the attribute, namespace
// and open-element lists, file parsing, and the Config keys for tolerant
// namespace handling.
//
// Readers of other components (the WebDAV multistatus reader, the XMPP
// stream, RSS feeds) derive from it: they feed it with Input or InputBytes,
// walk the tree with SetXPath and override the callback slots they handle.
// Slots they leave alone fire the XMLp events of their own object, which has
// no owner to hear them.
#include <cstdint>

#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/web/XmlParser.h"

class XmlpEngine : public ComponentBase, protected XmlParserCallback {
public:
    static constexpr int kBusy = 143;

    XmlpEngine();
    ~XmlpEngine() override;

    int Init();
    int Reset(bool resetParser);
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    // The path walk over the document tree (0 or the parser's 207-210, whose
    // text becomes the last-error text).
    [[nodiscard]] int SetXPath(const char* path);
    const char* XPath() const { return m_path.CStr(); }

    // Input: a NUL-terminated text; InputBytes: a block (NUL bytes are skipped
    // but counted). A code from the parser or from a callback stops the feed
    // and becomes the last-error text.
    [[nodiscard]] int Input(const char* text);
    [[nodiscard]] int InputBytes(const char* data, uint32_t length);
    // With the flag: the document has ended (205 or 206 possible).
    [[nodiscard]] int FinishParse(bool endOfInput);
    // A new document from a file: 0, 302 when it cannot be opened, or a code.
    [[nodiscard]] int ParseFile(const char* name);

    // The value of the first attribute named so (ASCII case ignored); 107.
    [[nodiscard]] int AttrValueByName(const char* name, const char** value);
    int AttrCount() const { return m_parser.AttrCount(); }
    // 0 for a valid 1-based index, else the code with its text as last error.
    [[nodiscard]] int CheckAttrIndex(int index);
    [[nodiscard]] int CheckNamespaceIndex(int index);
    [[nodiscard]] int CheckElementIndex(int index);

    XmlParser& Parser() { return m_parser; }
    const XmlParser& Parser() const { return m_parser; }
    const XmlDom& Tree() const { return m_parser.Dom(); }

protected:
    int OnCharacters(char* text, int length) override;
    int OnComment(const char* text) override;
    int OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override;
    int OnEndPrefixMapping(const char* prefix) override;
    int OnError(int code, const char* text) override;
    int OnEntity(const char* name, const char*& replacement) override;
    int OnIgnorableWhitespace(const char* text) override;
    int OnDeclaration(const char* text) override;
    int OnProcessingInstruction(const char* text) override;
    int OnSpecialSection(const char* name, const char* content) override;
    int OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override;
    int OnStartPrefixMapping(const char* prefix, const char* uri) override;
    int OnInputChar(char c) override;

private:
    int Refused();
    int KeepCode(int code);
    int CheckIndex(int index, int count, int bad, const char* badText, int none, const char* noneText);

    NetString m_path;
    XmlParser m_parser;
    // Set while the parser runs: a feed, a reset or a file parse started from
    // inside one of its callbacks would pull the state from under it.
    bool m_running = false;
};
