#pragma once
// The RSS engine's XML reader: the XML parser engine with its tree built,
// its element slots given to the feed reader and its other slots silent.
#include "netcomp/core/web/XmlpEngine.h"
#include "netcomp/net/rss/RssFeedReader.h"

class RssXmlReader final : public RssReaderSlots<XmlpEngine> {
public:
    explicit RssXmlReader(RssFeed& feed);

    // A new document: the parser reset, the feed reader at its start.
    void Start();
    // After the document's end: the model filled from the tree (0 or a code
    // with its text as the reader's last error).
    [[nodiscard]] int Finish();

protected:
    RssFeedReader& FeedReader() override { return m_feedReader; }

private:
    RssFeedReader m_feedReader;
};
