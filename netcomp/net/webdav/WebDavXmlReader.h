#pragma once
// The WebDAV engine's reader of multistatus replies: the XML parser engine
// with its callback slots given to the multistatus reader, which needs every
// input byte for the raw XML it keeps.
#include "netcomp/core/web/XmlpEngine.h"
#include "netcomp/net/webdav/MultistatusReader.h"

class WebDavXmlReader final : public XmlpEngine {
public:
    WebDavXmlReader(DavPropertyList& properties, MultistatusSink& sink);

    // A new reply: the parser reset, the reader at its start, holding at
    // most maxHeld bytes at once (MultistatusReader).
    void Start(bool listing, uint32_t maxHeld);

protected:
    int OnCharacters(char* text, int length) override { return m_multistatus.OnCharacters(text, length); }
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override
    {
        return m_multistatus.OnEndElement(uri, localName, qualifiedName, empty);
    }
    int OnEndPrefixMapping(const char*) override { return 0; }
    int OnError(int, const char*) override { return 0; }
    int OnEntity(const char* name, const char*& replacement) override
    {
        return m_multistatus.OnEntity(name, replacement);
    }
    int OnIgnorableWhitespace(const char*) override { return 0; }
    int OnDeclaration(const char*) override { return 0; }
    int OnProcessingInstruction(const char*) override { return 0; }
    int OnSpecialSection(const char*, const char*) override { return 0; }
    int OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override
    {
        return m_multistatus.OnStartElement(uri, localName, qualifiedName, empty);
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }
    int OnInputChar(char c) override { return m_multistatus.OnInputChar(c); }

private:
    MultistatusReader m_multistatus;
};
