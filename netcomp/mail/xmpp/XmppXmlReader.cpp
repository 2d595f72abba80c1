#include "netcomp/mail/xmpp/XmppXmlReader.h"

XmppXmlReader::XmppXmlReader(bool cutting) : m_cutting(cutting), m_cutter(Parser())
{
    Parser().SetInputCharHook(cutting);
    Start();
}

void XmppXmlReader::Start()
{
    (void)Reset(true);
    Parser().SetStrict(true);
    Parser().SetBuildDom(false);
    Parser().SetPrefixTolerance(XmlParser::kTolerateAttributePrefixes | XmlParser::kTolerateElementPrefixes);
    m_cutter.Start();
}
