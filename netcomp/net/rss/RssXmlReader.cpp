#include "netcomp/net/rss/RssXmlReader.h"

#include "netcomp/core/framework/ResultCodes.h"

RssXmlReader::RssXmlReader(RssFeed& feed) : m_feedReader(Parser(), feed)
{
    // The feed is read from its tree once it has ended; character data in
    // the tree needs the strict mode.
    Parser().SetStrict(true);
    Parser().SetBuildDom(true);
}

void RssXmlReader::Start()
{
    (void)Reset(true);
    m_feedReader.Start();
}

int RssXmlReader::Finish()
{
    const int rc = m_feedReader.Finish();
    if (rc != kResultOk)
        SetLastErrorText(m_feedReader.ErrorText());
    // The tree of a large feed is not kept once the model holds it.
    Parser().Release();
    return rc;
}
