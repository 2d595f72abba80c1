#pragma once
// Reads a feed document into the RSS model. The XML parser builds the
// document's tree as it goes; the reader keeps the namespaces declared on the
// top element as they are reported, and once the document has ended it walks
// the tree: the top element's "version", then its children, the channel's
// children among them.
//
// A reader of its own drives it (RssXmlReader, or a plain XmlParser in tests
// and the fuzz target): it passes on OnStartElement and OnEndElement, and
// calls Finish after the parser's end of input.
#include <cstdint>

#include "netcomp/core/web/XmlParser.h"
#include "netcomp/net/rss/RssFeed.h"

class RssFeedReader {
public:
    RssFeedReader(XmlParser& parser, RssFeed& feed);

    // A new document; the parser must build its tree in strict mode.
    void Start();
    int OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty);
    int OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty);
    // Fills the model from the tree: 0 or a code with ErrorText().
    [[nodiscard]] int Finish();
    const char* ErrorText() const { return m_feed.ErrorText(); }

private:
    [[nodiscard]] int ReadChild(uint32_t element, bool inChannel);
    [[nodiscard]] int FillRecord(RssElement& record, uint32_t element);
    [[nodiscard]] int ReadField(RssElement& record);
    void MoveTo(uint32_t element);

    XmlParser& m_parser;
    RssFeed& m_feed;
    int m_depth = 0;
};

// The parser slots of a feed reader's driver, over the callback base it
// derives from: element starts and ends go to FeedReader(), the other slots
// do nothing.
template <class Base>
class RssReaderSlots : public Base {
protected:
    virtual RssFeedReader& FeedReader() = 0;

    int OnCharacters(char*, int) override { return 0; }
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) override
    {
        return FeedReader().OnEndElement(uri, localName, qualifiedName, empty);
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
        return FeedReader().OnStartElement(uri, localName, qualifiedName, empty);
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }
};

// Parses a whole feed text into the model (the model is cleared first):
// 0, or the parser's or the reader's code; its text in *errorText.
[[nodiscard]] int ParseRssFeed(const char* data, uint32_t length, RssFeed& feed, const char** errorText);
