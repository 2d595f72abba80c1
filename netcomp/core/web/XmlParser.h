#pragma once
// The library's streaming XML reader: a byte-at-a-time state machine that
// reports to an XmlParserCallback and, when asked, builds an XmlDom.
#include <cstddef>
#include <cstdint>

#include "netcomp/core/text/GrowBuffer.h"
#include "netcomp/core/text/NameValueList.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/web/XmlCodes.h"
#include "netcomp/core/web/XmlDom.h"
#include "netcomp/core/web/XmlParserCallback.h"

// The white space the parser always skips between markup and trims from
// the ends of an element's text.
constexpr char kXmlSpaceChars[] = " \t\n\r\f\v";

class XmlParser {
public:
    // Prefix tolerance bits: report an unknown prefix through OnError and go
    // on with the empty namespace instead of stopping.
    static constexpr uint8_t kTolerateAttributePrefixes = 1;
    static constexpr uint8_t kTolerateElementPrefixes = 2;

    XmlParser();
    virtual ~XmlParser();
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // A derived reader may refuse a tag name; the tag then stays text.
    virtual bool AcceptName(const char* name);

    void SetCallback(XmlParserCallback* callback) { m_callback = callback; }
    XmlParserCallback* Callback() const { return m_callback; }

    // Options; set them before the first byte of a document.
    void SetStrict(bool on);
    bool Strict() const { return m_strict; }
    void SetBuildDom(bool on) { m_buildDom = on; }
    bool BuildDom() const { return m_buildDom; }
    void SetFlushAtLineEnd(bool on) { m_flushAtLineEnd = on; }
    // Whether each byte goes to the callback's OnInputChar first; on by
    // default. It costs a call per byte only for a callback that wants the
    // bytes (XmlParserCallback::WantsInputChars); off, no callback gets them.
    void SetInputCharHook(bool on) { m_inputCharHook = on; }
    bool InputCharHook() const { return m_inputCharHook; }
    bool FlushAtLineEnd() const { return m_flushAtLineEnd; }
    void SetPrefixTolerance(uint8_t bits) { m_prefixTolerance = bits; }
    uint8_t PrefixTolerance() const { return m_prefixTolerance; }
    // 1: Shift-JIS input, whose lead bytes take the next byte as text.
    void SetCharsetMode(int mode);
    int CharsetMode() const { return m_charsetMode; }
    [[nodiscard]] int SetExtraNameChars(const char* chars);
    const char* ExtraNameChars() const { return m_extraNameChars.CStr(); }
    [[nodiscard]] int SetExtraWhitespace(const char* chars);
    const char* ExtraWhitespace() const { return m_extraWhitespace.CStr(); }

    void Reset();
    // Gives back the memory a large document took as well.
    void Release();

    [[nodiscard]] int InputText(const char* text);
    [[nodiscard]] int InputChar(char c);
    // A block of bytes; NUL bytes are skipped but counted in the column.
    [[nodiscard]] int InputBytes(const char* data, size_t length);
    // Counts bytes that were read but not fed (the file reader's NUL bytes).
    void AdvanceColumn(uint32_t n) { m_column += n; }
    [[nodiscard]] int EndOfInput();
    uint32_t Column() const { return m_column; }

    [[nodiscard]] int SetXPath(const char* path);
    const XmlDom& Dom() const { return m_dom; }
    // For cursor walks (first child, next sibling) by the parser's owner.
    XmlDom& MutableDom() { return m_dom; }

    // Attributes of the element at the cursor, or of the start tag being
    // reported while OnStartElement runs; i is 0-based.
    int AttrCount() const;
    const char* AttrName(int i) const;
    const char* AttrPrefix(int i) const;
    const char* AttrNamespaceURI(int i) const;
    const char* AttrValue(int i) const;

    // The open elements (strict mode) and the namespaces in scope.
    const NameValueList& OpenElements() const { return m_open; }
    const NameValueList& Namespaces() const { return m_namespaces; }

    static const char* ErrorText(int code) { return XmlErrorText(code); }

private:
    using Buffer = GrowBuffer;

    bool IsSpace(unsigned char c) const { return (m_class[c] & kSpace) != 0; }
    bool IsNameChar(unsigned char c) const { return (m_class[c] & kName) != 0; }
    void BuildClassTable();

    [[nodiscard]] int Feed(const unsigned char* data, size_t length);
    [[nodiscard]] int FeedRun(const unsigned char* data, size_t length, Buffer* target);
    static constexpr size_t kFailed = ~size_t(0);
    size_t FastAttribute(const unsigned char* data, size_t i, size_t length);
    size_t FastEntity(const unsigned char* data, size_t i, size_t length);
    size_t FastTagName(const unsigned char* data, size_t i, size_t length);
    size_t FastEndTag(const unsigned char* data, size_t i, size_t length);
    [[nodiscard]] int Step(unsigned char c);
    [[nodiscard]] int StepTag(unsigned char c, bool* again);
    [[nodiscard]] int StepMarkup(unsigned char c, bool* again);

    // Text delivery (XmlParserEvents.cpp).
    [[nodiscard]] int DeliverCharacters(char* text, uint32_t length);
    [[nodiscard]] int DeliverWholeText();
    [[nodiscard]] int DeliverTextBeforeMarkup();
    [[nodiscard]] int DeliverLine();
    [[nodiscard]] int DeliverAfterMarkupWhitespace();
    [[nodiscard]] int MakeText(const char* lead, uint32_t leadLength);
    [[nodiscard]] int ResolveEntity(bool semicolon);

    // Tags and namespaces (XmlParserEvents.cpp).
    [[nodiscard]] int AddAttribute();
    [[nodiscard]] int AddAttribute(const char* name, uint32_t length, const char* value, uint32_t valueLength);
    [[nodiscard]] int EndStartTag(bool empty);
    [[nodiscard]] int EndElement(bool empty);
    [[nodiscard]] int FinishEndTag();
    [[nodiscard]] int ResolvePrefix(const char* qname, uint32_t prefixLength, bool attribute, int* nsIndex);
    [[nodiscard]] int EndSection();
    [[nodiscard]] int Fail(int code);
    const char* LiveAttrUri(int i) const;

    enum State : uint8_t {
        kText = 0,
        kTagName = 1,
        kAfterLt = 2,
        kInTag = 3,
        kAttrName = 4,
        kAttrAfterName = 5,
        kAttrAfterEq = 6,
        kAttrValue = 7,
        kAfterMarkup = 8,
        kAttrValueBare = 9,
        kEndTagName = 11,
        kEndTagAfterName = 12,
        kEntity = 13,
        kEndTagSkip = 17,
        kBangDash = 18,
        kComment = 19,
        kPi = 20,
        kBang = 21,
        kDeclaration = 22,
        kSectionContent = 23,
        kSectionName = 24,
        kSjisTrail = 28,
    };
    enum Class : uint8_t { kSpace = 0x01, kName = XmlDom::kPathNameChar, kTextStop = 0x04, kSjisLead = 0x08 };

    XmlDom m_dom;
    XmlParserCallback* m_callback = nullptr;
    uint8_t m_state = 0;
    uint8_t m_returnState = 0; // where an entity reference goes back to
    char m_quote = 0;
    uint8_t m_previous = 0;
    bool m_inStartCallback = false;
    bool m_rawText = false;
    bool m_tagSlash = false;
    uint8_t m_whitespaceMark = 0;
    int m_error = 0;
    int m_declarationDepth = 0;

    Buffer m_text;
    Buffer m_entity;
    Buffer m_name;
    Buffer m_value;
    Buffer m_whitespace;
    Buffer m_replacement;
    Buffer m_elementName;
    Buffer m_sectionName;
    mutable NetString m_scratch;

    int m_charsetMode = 0;
    uint32_t m_column = 0;
    NetString m_extraNameChars;
    NetString m_extraWhitespace;
    uint8_t m_prefixTolerance = 0;
    bool m_strict = true;
    bool m_buildDom = false;
    bool m_flushAtLineEnd = true;
    bool m_inputCharHook = true;
    bool m_perByte = false; // the callback takes every byte: decided per block

    NameValueList m_attributes;
    // Open elements: name, collected text; Extra = namespace index + 1
    // (0 = none), Extra2 = element record offset.
    NameValueList m_open;
    // Namespaces: prefix, URI; Extra = depth, Extra2 = namespace record offset.
    NameValueList m_namespaces;
    uint8_t m_class[256];
};
