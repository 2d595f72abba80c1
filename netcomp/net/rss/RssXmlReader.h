#pragma once
// The RSS engine's XML reader: the XML parser engine with its tree built,
// its element slots given to the feed reader and its other slots silent.
#include "netcomp/core/web/XmlpEngine.h"
#include "netcomp/net/rss/RssFeedReader.h"

class RssXmlReader final : public XmlpEngine {
public:
    explicit RssXmlReader(RssFeed& feed);

    // A new document: the parser reset, the feed reader at its start.
    void Start();
    // After the document's end: the model filled from the tree (0 or a code
    // with its text as the reader's last error).
    [[nodiscard]] int Finish();

protected:
    int OnCharacters(char*, int) override { return 0; }
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override
    {
        return m_feedReader.OnEndElement(uri, localName, qualifiedName, empty);
    }
    int OnEndPrefixMapping(const char*) override { return 0; }
    int OnError(int, const char*) override { return 0; }
    int OnEntity(const char*, const char*&) override { return 0; }
    int OnIgnorableWhitespace(const char*) override { return 0; }
    int OnDeclaration(const char*) override { return 0; }
    int OnProcessingInstruction(const char*) override { return 0; }
    int OnSpecialSection(const char*, const char*) override { return 0; }
    int OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override
    {
        return m_feedReader.OnStartElement(uri, localName, qualifiedName, empty);
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }

private:
    RssFeedReader m_feedReader;
};
