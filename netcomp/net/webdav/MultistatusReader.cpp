// The multistatus reply as a small state machine over the parser's element
// callbacks: multistatus > response > propstat > prop > property. Elements
// the reader does not know are passed over with everything inside them
// (a depth count), except inside a property, whose content is kept raw.
#include "netcomp/net/webdav/MultistatusReader.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/HttpUrl.h"
#include "netcomp/net/webdav/DavRequestBodies.h"

namespace {

bool IsDav(const char* uri, const char* localName, const char* name)
{
    return StrCmp(uri, "DAV:") == 0 && StrCmp(localName, name) == 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A character reference as UTF-8 (the reply's encoding); 0 bytes when it is
// none or out of range.
uint32_t EncodeCharacterReference(const char* name, char* out)
{
    if (name[0] != '#' || !name[1])
        return 0;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const char* p = name + (hex ? 2 : 1);
    if (!*p)
        return 0;
    uint32_t value = 0;
    for (; *p; ++p) {
        uint32_t digit;
        if (*p >= '0' && *p <= '9')
            digit = uint32_t(*p - '0');
        else if (hex && *p >= 'a' && *p <= 'f')
            digit = uint32_t(*p - 'a' + 10);
        else if (hex && *p >= 'A' && *p <= 'F')
            digit = uint32_t(*p - 'A' + 10);
        else
            return 0;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF)
            return 0;
    }
    if (value == 0)
        return 0;
    if (value < 0x80) {
        out[0] = char(value);
        return 1;
    }
    if (value < 0x800) {
        out[0] = char(0xC0 | (value >> 6));
        out[1] = char(0x80 | (value & 0x3F));
        return 2;
    }
    if (value < 0x10000) {
        out[0] = char(0xE0 | (value >> 12));
        out[1] = char(0x80 | ((value >> 6) & 0x3F));
        out[2] = char(0x80 | (value & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (value >> 18));
    out[1] = char(0x80 | ((value >> 12) & 0x3F));
    out[2] = char(0x80 | ((value >> 6) & 0x3F));
    out[3] = char(0x80 | (value & 0x3F));
    return 4;
}

} // namespace

MultistatusReader::MultistatusReader(const XmlParser& parser, DavPropertyList& properties, MultistatusSink& sink)
    : m_parser(parser), m_properties(properties), m_sink(sink)
{
}

void MultistatusReader::Start(bool listing, uint32_t maxHeld)
{
    m_listing = listing;
    m_maxHeld = maxHeld;
    m_held = 0;
    m_state = State::Start;
    m_skip = 0;
    m_target = -1;
    for (GrowBuffer& text : m_texts)
        text.Clear();
    m_property.Clear();
    m_response.Clear();
    m_propertyOpen = false;
    m_responseOpen = false;
    m_firstProperty = 0;
}

// The element's start tag as the reader writes it: its name and every
// namespace declaration in scope, so the captured XML stands on its own.
int MultistatusReader::OpenCapture(GrowBuffer& capture, const char* qualifiedName, bool empty)
{
    m_scratch.Clear();
    int rc = m_scratch.AppendChar('<');
    if (rc == kResultOk)
        rc = m_scratch.AppendCStr(qualifiedName);
    const NameValueList& namespaces = m_parser.Namespaces();
    for (uint32_t i = 0; rc == kResultOk && i < namespaces.Count(); ++i) {
        rc = m_scratch.AppendCStr(" xmlns");
        if (rc == kResultOk && namespaces.NameLength(i) > 0) {
            rc = m_scratch.AppendChar(':');
            if (rc == kResultOk)
                rc = m_scratch.Append(namespaces.Name(i), namespaces.NameLength(i));
        }
        if (rc == kResultOk)
            rc = m_scratch.AppendCStr("=\"");
        if (rc == kResultOk)
            rc = AppendXmlEscaped(m_scratch, namespaces.Value(i), namespaces.ValueLength(i));
        if (rc == kResultOk)
            rc = m_scratch.AppendChar('"');
    }
    if (rc == kResultOk)
        rc = m_scratch.AppendCStr(empty ? "/>" : ">");
    if (rc == kResultOk)
        rc = capture.Assign(m_scratch.Data(), m_scratch.Length());
    return rc;
}

int MultistatusReader::StartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty)
{
    m_target = -1;
    if (m_skip > 0 && m_state != State::InProp) {
        ++m_skip;
        return kResultOk;
    }
    int direct = -1;
    switch (m_state) {
    case State::Start:
        if (IsDav(uri, localName, "multistatus")) {
            m_state = State::InMultistatus;
            return kResultOk;
        }
        break;
    case State::InMultistatus:
        if (IsDav(uri, localName, "response")) {
            m_state = State::InResponse;
            m_properties.Clear();
            m_texts[kHref].Clear();
            m_responseOpen = true;
            return OpenCapture(m_response, qualifiedName, empty);
        }
        break;
    case State::InResponse:
        if (IsDav(uri, localName, "href"))
            direct = kHref;
        if (IsDav(uri, localName, "propstat")) {
            m_state = State::InPropstat;
            m_firstProperty = m_properties.Count();
            m_texts[kStatus].Clear();
            m_texts[kDescription].Clear();
            return kResultOk;
        }
        break;
    case State::InPropstat:
        if (IsDav(uri, localName, "status"))
            direct = kStatus;
        else if (IsDav(uri, localName, "responsedescription"))
            direct = kDescription;
        if (IsDav(uri, localName, "prop")) {
            m_state = State::InProp;
            return kResultOk;
        }
        break;
    case State::InProp:
        if (m_skip > 0)
            break;
        if (m_listing) {
            static const char* const kListed[] = {"displayname", "getcontentlanguage", "getcontentlength",
                                                  "getcontenttype", "getlastmodified"};
            for (int i = 0; i < 5; ++i) {
                if (IsDav(uri, localName, kListed[i]))
                    direct = kDisplayName + i;
            }
            break;
        }
        m_skip = 1;
        m_propertyOpen = true;
        return OpenCapture(m_property, qualifiedName, empty);
    }
    if (direct >= 0) {
        m_target = direct;
        m_texts[direct].Clear();
        return kResultOk;
    }
    ++m_skip;
    return kResultOk;
}

int MultistatusReader::EndElement(const char* uri, const char* localName)
{
    m_target = -1;
    if (m_skip > 0 && m_state != State::InProp) {
        --m_skip;
        return kResultOk;
    }
    switch (m_state) {
    case State::InProp:
        if (m_skip > 0) {
            if (--m_skip == 0 && m_propertyOpen)
                return EndProperty(uri, localName);
        } else if (IsDav(uri, localName, "prop")) {
            m_state = State::InPropstat;
        }
        break;
    case State::InPropstat:
        if (IsDav(uri, localName, "propstat")) {
            m_state = State::InResponse;
            return EndPropstat();
        }
        break;
    case State::InResponse:
        if (IsDav(uri, localName, "response")) {
            m_state = State::InMultistatus;
            return EndResponse();
        }
        break;
    case State::InMultistatus:
        if (IsDav(uri, localName, "multistatus"))
            m_state = State::Start;
        break;
    case State::Start:
        break;
    }
    return kResultOk;
}

// Name: "<" + namespace URI + local name + "/>"; value: the raw content
// between the end of the start tag and the start of the end tag.
int MultistatusReader::EndProperty(const char* uri, const char* localName)
{
    m_propertyOpen = false;
    m_scratch.Clear();
    int rc = m_scratch.AppendChar('<');
    if (rc == kResultOk)
        rc = m_scratch.AppendCStr(uri);
    if (rc == kResultOk)
        rc = m_scratch.AppendCStr(localName);
    if (rc == kResultOk)
        rc = m_scratch.AppendCStr("/>");
    if (rc != kResultOk)
        return rc;
    const char* text = m_property.Data();
    const uint32_t length = m_property.Length();
    const char* open = static_cast<const char*>(std::memchr(text, '>', length));
    const char* close = text + length;
    while (close > text && close[-1] != '<')
        --close;
    uint32_t from = 0;
    uint32_t valueLength = 0;
    if (open && close > text && close - 1 > open + 1) {
        from = uint32_t(open + 1 - text);
        valueLength = uint32_t(close - 1 - (open + 1));
    }
    return m_properties.Add(m_scratch.CStr(), m_scratch.Length(), text + from, valueLength);
}

int MultistatusReader::EndPropstat()
{
    int rc = kResultOk;
    if (m_listing) {
        rc = m_sink.OnDirList(Trimmed(kHref), Trimmed(kDisplayName), Trimmed(kLanguage), Trimmed(kLength),
                              Trimmed(kType), Trimmed(kModified));
    } else {
        // "HTTP/1.1 404 Not Found": the code after the first blank, the
        // reason after the second.
        const char* line = Trimmed(kStatus);
        const char* code = std::strchr(line, ' ');
        code = code ? code + 1 : "";
        const char* reason = std::strchr(code, ' ');
        reason = reason ? reason + 1 : "";
        rc = m_scratch.AssignText(reason);
        if (rc == kResultOk && StrToInt(code) != 200) {
            rc = m_scratch.AppendCStr(": ");
            if (rc == kResultOk)
                rc = m_scratch.AppendCStr(Trimmed(kDescription));
        }
        for (uint32_t i = m_firstProperty; rc == kResultOk && i < m_properties.Count(); ++i)
            rc = m_properties.SetStatus(i, m_scratch.CStr());
    }
    for (int t = kStatus; t < kTextCount; ++t)
        m_texts[t].Clear();
    m_firstProperty = m_properties.Count();
    return rc;
}

int MultistatusReader::EndResponse()
{
    m_responseOpen = false;
    int rc = kResultOk;
    if (!m_listing)
        rc = m_sink.OnResourceProperties(Trimmed(kHref), m_response.Data(), m_response.Length());
    m_texts[kHref].Clear();
    return rc;
}

const char* MultistatusReader::Trimmed(Text t)
{
    GrowBuffer& text = m_texts[t];
    uint32_t start = 0;
    while (start < text.Length() && IsBlank(text.Data()[start]))
        ++start;
    text.EraseFront(start);
    uint32_t end = text.Length();
    while (end > 0 && IsBlank(text.Data()[end - 1]))
        --end;
    text.Truncate(end);
    return text.Data();
}

int MultistatusReader::OnCharacters(char* text, int length)
{
    return m_target >= 0 ? m_texts[m_target].Append(text, uint32_t(length)) : kResultOk;
}

// The reader keeps the parser's tree off, which leaves references as
// written: those in the texts it reads (an href holding "&amp;") are
// resolved here. The raw captures see the input, not this.
int MultistatusReader::OnEntity(const char* name, const char*& replacement)
{
    static const struct {
        const char* name;
        const char* value;
    } kPredefined[] = {{"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"apos", "'"}, {"quot", "\""}};
    for (const auto& entry : kPredefined) {
        if (StrCmp(name, entry.name) == 0) {
            replacement = entry.value;
            return kResultOk;
        }
    }
    const uint32_t n = EncodeCharacterReference(name, m_entity);
    if (n > 0) {
        m_entity[n] = '\0';
        replacement = m_entity;
    }
    return kResultOk;
}

int MultistatusReader::OnInputChar(char c)
{
    if (++m_held > m_maxHeld)
        return kHttpTooLarge;
    int rc = kResultOk;
    if (m_propertyOpen)
        rc = m_property.Append(c);
    if (rc == kResultOk && m_responseOpen)
        rc = m_response.Append(c);
    return rc;
}
