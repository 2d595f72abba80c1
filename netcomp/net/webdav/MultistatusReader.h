#pragma once
// Reads a DAV:multistatus reply (RFC 4918, 13) from the XML parser's
// callbacks: per response its href and properties with their statuses, or in
// listing mode the five texts of a directory entry per propstat.
//
// Elements are compared by namespace URI and local name. The parser must
// hand every input byte to OnInputChar (its per-byte hook on): the reader
// keeps the raw XML of the open property and of the open response, behind a
// start tag it writes itself with the namespace declarations in scope.
//
// A reply of any length is read as it comes; what is held at once is one
// response element (its XML, texts and properties), or the text the parser
// gathers between two tags outside one. Past maxHeld bytes of either the
// reading stops with kHttpTooLarge.
#include <cstdint>

#include "netcomp/core/text/GrowBuffer.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/web/XmlParser.h"
#include "netcomp/net/webdav/DavPropertyList.h"

class MultistatusSink {
public:
    // Listing mode: once per propstat.
    virtual int OnDirList(const char* href, const char* displayName, const char* contentLanguage,
                          const char* contentLength, const char* contentType, const char* lastModified) = 0;
    // Otherwise: once per response, with its XML text.
    virtual int OnResourceProperties(const char* href, const char* xml, uint32_t length) = 0;

protected:
    ~MultistatusSink() = default;
};

class MultistatusReader final : public XmlParserCallback {
public:
    MultistatusReader(const XmlParser& parser, DavPropertyList& properties, MultistatusSink& sink);

    // Ready for a new reply.
    void Start(bool listing, uint32_t maxHeld);

    int OnCharacters(char* text, int length) override;
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char* uri, const char* localName, const char*, bool) override
    {
        return Released(EndElement(uri, localName));
    }
    int OnEndPrefixMapping(const char*) override { return 0; }
    int OnError(int, const char*) override { return 0; }
    int OnEntity(const char* name, const char*& replacement) override;
    int OnIgnorableWhitespace(const char*) override { return 0; }
    int OnDeclaration(const char*) override { return 0; }
    int OnProcessingInstruction(const char*) override { return 0; }
    int OnSpecialSection(const char*, const char*) override { return 0; }
    int OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override
    {
        return Released(StartElement(uri, localName, qualifiedName, empty));
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }
    int OnInputChar(char c) override;

private:
    enum class State { Start, InMultistatus, InResponse, InPropstat, InProp };
    enum Text { kHref, kStatus, kDescription, kDisplayName, kLanguage, kLength, kType, kModified, kTextCount };

    [[nodiscard]] int StartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty);
    [[nodiscard]] int EndElement(const char* uri, const char* localName);
    // Outside a response, a tag ends what the parser held: the count starts again.
    int Released(int rc)
    {
        if (!m_responseOpen)
            m_held = 0;
        return rc;
    }
    [[nodiscard]] int OpenCapture(GrowBuffer& capture, const char* qualifiedName, bool empty);
    [[nodiscard]] int EndProperty(const char* uri, const char* localName);
    [[nodiscard]] int EndPropstat();
    [[nodiscard]] int EndResponse();
    const char* Trimmed(Text t);

    const XmlParser& m_parser;
    DavPropertyList& m_properties;
    MultistatusSink& m_sink;
    bool m_listing = false;
    uint32_t m_maxHeld = 0;
    uint32_t m_held = 0; // input bytes since the reader last held nothing
    State m_state = State::Start;
    int m_skip = 0; // depth of elements being passed over
    int m_target = -1;
    GrowBuffer m_texts[kTextCount];
    GrowBuffer m_property;
    GrowBuffer m_response;
    bool m_propertyOpen = false;
    bool m_responseOpen = false;
    uint32_t m_firstProperty = 0; // of the open propstat
    NetString m_scratch;
    char m_entity[8] = {};
};
