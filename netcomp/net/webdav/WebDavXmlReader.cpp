#include "netcomp/net/webdav/WebDavXmlReader.h"

WebDavXmlReader::WebDavXmlReader(DavPropertyList& properties, MultistatusSink& sink)
    : m_multistatus(Parser(), properties, sink)
{
    // Strict namespaces, no tree (a listing of many files is read as it
    // comes), and every byte through OnInputChar for the raw XML.
    Parser().SetStrict(true);
    Parser().SetBuildDom(false);
    Parser().SetInputCharHook(true);
}

void WebDavXmlReader::Start(bool listing, uint32_t maxHeld)
{
    (void)Reset(true);
    m_multistatus.Start(listing, maxHeld);
}
