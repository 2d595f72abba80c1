#include "netcomp/net/rss/RssFeedReader.h"

#include <cstdio>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

RssFeedReader::RssFeedReader(XmlParser& parser, RssFeed& feed) : m_parser(parser), m_feed(feed) {}

void RssFeedReader::Start()
{
    m_depth = 0;
}

int RssFeedReader::OnStartElement(const char*, const char*, const char*, bool)
{
    if (++m_depth != 1)
        return kResultOk;
    // Every namespace in scope at the top element, in order.
    const NameValueList& scope = m_parser.Namespaces();
    for (uint32_t i = 0; i < scope.Count(); ++i) {
        const int rc = m_feed.AddNamespace(scope.Name(i), scope.Value(i));
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int RssFeedReader::OnEndElement(const char*, const char*, const char*, bool)
{
    --m_depth;
    return kResultOk;
}

// The tree's cursor back on an element whose offset was kept.
void RssFeedReader::MoveTo(uint32_t element)
{
    char path[16];
    std::snprintf(path, sizeof path, "*%u", element);
    (void)m_parser.SetXPath(path);
}

int RssFeedReader::Finish()
{
    XmlDom& dom = m_parser.MutableDom();
    if (dom.Root() == 0)
        return kResultOk;
    MoveTo(dom.Root());
    for (int i = 0; i < dom.AttrCount(); ++i) {
        if (StrCmp(dom.AttrName(i), "version") == 0 && !*dom.AttrPrefix(i))
            m_feed.SetVersionText(dom.AttrValue(i));
    }
    int rc = kResultOk;
    for (bool more = dom.MoveToFirstChild(); more && rc == kResultOk; more = dom.MoveToNextSibling()) {
        const uint32_t child = dom.Cursor();
        rc = ReadChild(child, false);
        MoveTo(child);
    }
    // Reading the document is no change of the model.
    m_feed.SetModified(false);
    return rc;
}

// An image, a text input or an item fills its record; any other child of
// the top element is the channel, whose children are read the same way and
// are otherwise the channel's fields.
int RssFeedReader::ReadChild(uint32_t element, bool inChannel)
{
    XmlDom& dom = m_parser.MutableDom();
    const char* name = dom.ElementQName();
    if (StrCmp(name, "image") == 0)
        return FillRecord(m_feed.Image(), element);
    if (StrCmp(name, "textInput") == 0)
        return FillRecord(m_feed.TextInput(), element);
    if (StrCmp(name, "item") == 0) {
        int rc = kResultOk;
        RssElement* item = m_feed.AppendItem(&rc);
        return item ? FillRecord(*item, element) : rc;
    }
    if (inChannel)
        return ReadField(m_feed.Channel());
    int rc = kResultOk;
    for (bool more = dom.MoveToFirstChild(); more && rc == kResultOk; more = dom.MoveToNextSibling()) {
        const uint32_t child = dom.Cursor();
        rc = ReadChild(child, true);
        MoveTo(child);
    }
    return rc;
}

int RssFeedReader::FillRecord(RssElement& record, uint32_t element)
{
    XmlDom& dom = m_parser.MutableDom();
    int rc = kResultOk;
    for (bool more = dom.MoveToFirstChild(); more && rc == kResultOk; more = dom.MoveToNextSibling())
        rc = ReadField(record);
    MoveTo(element);
    return rc;
}

// The element at the cursor becomes the first field of its name not yet
// read; a second element of a name (several categories) becomes a field of
// its own after the first.
int RssFeedReader::ReadField(RssElement& record)
{
    const XmlDom& dom = m_parser.Dom();
    NetString name;
    int rc = name.AssignText(dom.ElementQName());
    if (rc != kResultOk)
        return rc;
    int count = 0;
    RssField* field = record.FindUnread(name.CStr(), &count);
    if (!field)
        field = m_feed.ObtainField(record, name.CStr(), count + 1, &rc);
    if (!field)
        return rc;
    field->read = true;
    // A prefix declared below the top element is declared on it when the
    // feed is written, so the text stays well-formed.
    rc = m_feed.DeclarePrefix(dom.ElementPrefix(), dom.ElementNamespaceURI());
    if (rc == kResultOk)
        rc = field->value.AssignText(dom.ElementText());
    for (int i = 0; i < dom.AttrCount() && rc == kResultOk; ++i) {
        NetString attr;
        const char* prefix = dom.AttrPrefix(i);
        rc = m_feed.DeclarePrefix(prefix, dom.AttrNamespaceURI(i));
        if (rc == kResultOk)
            rc = AppendAll(attr, {prefix, *prefix ? ":" : "", dom.AttrName(i)});
        if (rc == kResultOk)
            rc = field->attributes.Add(attr.CStr());
        if (rc == kResultOk)
            rc = field->attributes.Add(dom.AttrValue(i));
    }
    return rc;
}

namespace {

// The parser's callback for a reader without an XMLp engine around it.
class PlainCallback final : public RssReaderSlots<XmlParserCallback> {
public:
    explicit PlainCallback(RssFeedReader& reader) : m_reader(reader) {}

protected:
    RssFeedReader& FeedReader() override { return m_reader; }
    int OnInputChar(char) override { return 0; }

private:
    RssFeedReader& m_reader;
};

} // namespace

int ParseRssFeed(const char* data, uint32_t length, RssFeed& feed, const char** errorText)
{
    feed.Clear();
    XmlParser parser;
    parser.SetStrict(true);
    parser.SetBuildDom(true);
    parser.SetInputCharHook(false);
    RssFeedReader reader(parser, feed);
    PlainCallback callback(reader);
    parser.SetCallback(&callback);
    reader.Start();
    int rc = parser.InputBytes(data, length);
    if (rc == kResultOk)
        rc = parser.EndOfInput();
    if (rc != kResultOk) {
        *errorText = XmlParser::ErrorText(rc);
        return rc;
    }
    rc = reader.Finish();
    *errorText = rc == kResultOk ? "" : reader.ErrorText();
    return rc;
}
