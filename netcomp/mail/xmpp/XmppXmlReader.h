#pragma once
// The XMPP engine's XML readers: the XML parser engine with every callback
// slot answering 0, except that the stream reader hands element starts, ends
// and every input byte to its stream cutter. The stanza reader parses one
// cut stanza at a time for the path readers (XmppStanza.h); the check reader
// reads every text before it is sent.
#include "netcomp/core/web/XmlpEngine.h"
#include "netcomp/mail/xmpp/XmppStreamCutter.h"

class XmppXmlReader final : public XmlpEngine {
public:
    // With cutting on, the reader reads the server's stream.
    explicit XmppXmlReader(bool cutting);

    // A new document (a new stream for the stream reader): parser reset,
    // strict, undeclared prefixes tolerated.
    void Start();
    XmppStreamCutter& Cutter() { return m_cutter; }

protected:
    int OnCharacters(char*, int) override { return 0; }
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char* uri, const char* localName, const char*, bool) override
    {
        return m_cutting ? m_cutter.OnEndElement(uri, localName) : 0;
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
        return m_cutting ? m_cutter.OnStartElement(uri, localName) : 0;
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }
    int OnInputChar(char c) override { return m_cutting ? m_cutter.OnInputChar(c) : 0; }
    bool WantsInputChars() const override { return m_cutting; }

private:
    bool m_cutting;
    XmppStreamCutter m_cutter;
};
