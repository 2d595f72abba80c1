// What the state machine does at the edges of constructs: delivering text,
// resolving entity references, namespace declarations, start and end tags,
// bracketed sections, and the tree records written for them.
//
// Character data is delivered at "<" as the text up to its last non-blank
// byte, the trailing blanks going to OnIgnorableWhitespace; before an entity
// reference and at element boundaries the whole pending text goes out.
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/XmlParser.h"

namespace {

const char kXmlNamespaceUri[] = "http://www.w3.org/XML/1998/namespace";

// Namespace references kept with open elements and resolved attributes.
constexpr uint32_t kNoNamespace = 0;
constexpr uint32_t kXmlNamespace = 1;
constexpr uint32_t kFirstDeclared = 2;

// Position of the prefix separator, or 0 when the name has no usable prefix
// (no colon, or a colon at either end).
uint32_t PrefixLength(const char* qname, uint32_t length)
{
    const char* colon = static_cast<const char*>(std::memchr(qname, ':', length));
    if (!colon || colon == qname || colon == qname + length - 1)
        return 0;
    return uint32_t(colon - qname);
}

bool DecodeCharacterReference(const char* name, char* out)
{
    if (name[0] != '#')
        return false;
    unsigned value = 0;
    const char* p = name + 1;
    const bool hex = *p == 'x' || *p == 'X';
    if (hex)
        ++p;
    if (!*p)
        return false;
    for (; *p; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = unsigned(*p - '0');
        else if (hex && *p >= 'a' && *p <= 'f')
            digit = unsigned(*p - 'a' + 10);
        else if (hex && *p >= 'A' && *p <= 'F')
            digit = unsigned(*p - 'A' + 10);
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 255)
            return false;
    }
    // A NUL would cut every text it lands in.
    if (value == 0)
        return false;
    *out = char(value);
    return true;
}

} // namespace

const char* XmlErrorText(int code)
{
    switch (code) {
    case kOutOfMemory:
        return "Out of memory.";
    case kXmlUnbalancedTag:
        return "Unbalanced element tag.";
    case kXmlUnknownElementPrefix:
        return "Unknown element prefix (can't find namespace).";
    case kXmlUnknownAttributePrefix:
        return "Unknown attribute prefix (can't find namespace).";
    case kXmlInvalidMarkup:
        return "Invalid XML markup.";
    case kXmlInvalidEndState:
        return "Invalid end state for parser.";
    case kXmlUnbalancedDocument:
        return "Document contains unbalanced elements.";
    case kXmlInvalidPath:
        return "Invalid XPath.";
    case kXmlNoSuchChild:
        return "No such child.";
    case kXmlTopElementMismatch:
        return "Top element does not match start of path.";
    case kXmlNoTree:
        return "DOM tree unavailable (set BuildDOM to true and reparse).";
    default:
        return "xmlpimpl: unknown error";
    }
}

int XmlParser::DeliverCharacters(char* text, uint32_t length)
{
    if (length == 0)
        return kResultOk;
    // Text outside the top element is not kept in the tree.
    if (m_buildDom && m_strict && !m_open.IsEmpty()) {
        if (int rc = m_open.MutableValue(m_open.Count() - 1).Append(text, length); rc != kResultOk)
            return rc;
    }
    return m_callback ? m_callback->OnCharacters(text, int(length)) : kResultOk;
}

int XmlParser::DeliverWholeText()
{
    if (m_text.IsEmpty())
        return kResultOk;
    int rc = DeliverCharacters(m_text.Data(), m_text.Length());
    m_text.Clear();
    return rc;
}

int XmlParser::DeliverTextBeforeMarkup()
{
    if (m_text.IsEmpty())
        return kResultOk;
    const char* data = m_text.Data();
    uint32_t end = m_text.Length();
    while (end > 0 && IsSpace(static_cast<unsigned char>(data[end - 1])))
        --end;
    int rc = DeliverCharacters(m_text.Data(), end);
    if (rc == kResultOk && end < m_text.Length()) {
        m_whitespaceMark = 2;
        if (m_callback)
            rc = m_callback->OnIgnorableWhitespace(m_text.Data() + end);
    }
    m_text.Clear();
    return rc;
}

int XmlParser::DeliverLine()
{
    const char* data = m_text.Data();
    uint32_t end = m_text.Length();
    while (end > 0 && IsSpace(static_cast<unsigned char>(data[end - 1])))
        --end;
    if (end == 0)
        return kResultOk;
    int rc = DeliverCharacters(m_text.Data(), end);
    m_text.EraseFront(end);
    return rc;
}

int XmlParser::DeliverAfterMarkupWhitespace()
{
    if (m_whitespace.IsEmpty())
        return kResultOk;
    int rc = m_callback ? m_callback->OnIgnorableWhitespace(m_whitespace.Data()) : kResultOk;
    m_whitespace.Clear();
    return rc;
}

int XmlParser::MakeText(const char* lead, uint32_t leadLength)
{
    int rc = m_text.Append(lead, leadLength);
    if (rc == kResultOk)
        rc = m_text.Append(m_name.Data(), m_name.Length());
    m_name.Clear();
    return rc;
}

int XmlParser::ResolveEntity(bool semicolon)
{
    static const struct {
        const char* name;
        char value;
    } kPredefined[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    const char* name = m_entity.Data();
    int rc = kResultOk;
    bool resolved = false;
    if (m_buildDom) {
        char value = 0;
        for (const auto& entry : kPredefined) {
            if (std::strcmp(name, entry.name) == 0) {
                value = entry.value;
                resolved = true;
            }
        }
        if (!resolved)
            resolved = DecodeCharacterReference(name, &value);
        if (resolved)
            rc = m_replacement.Assign(&value, 1);
    }
    if (!resolved) {
        rc = m_replacement.Assign("&", 1);
        if (rc == kResultOk)
            rc = m_replacement.Append(name, m_entity.Length());
        if (rc == kResultOk && semicolon)
            rc = m_replacement.Append(';');
    }
    if (rc != kResultOk)
        return rc;
    const char* replacement = m_replacement.Data();
    uint32_t length = m_replacement.Length();
    if (m_callback) {
        rc = m_callback->OnEntity(name, replacement);
        if (rc != kResultOk)
            return rc;
        if (!replacement)
            replacement = "";
        if (replacement != m_replacement.Data())
            length = uint32_t(std::strlen(replacement));
    }
    Buffer& target = m_returnState == kText ? m_text : m_value;
    return target.Append(replacement, length);
}

int XmlParser::AddAttribute()
{
    const int rc = AddAttribute(m_name.Data(), m_name.Length(), m_value.Data(), m_value.Length());
    m_name.Clear();
    m_value.Clear();
    return rc;
}

int XmlParser::AddAttribute(const char* name, uint32_t length, const char* value, uint32_t valueLength)
{
    int rc;
    const bool declaration = m_strict && length >= 5 && name[0] == 'x' && std::memcmp(name, "xmlns", 5) == 0 &&
                             (length == 5 || (length > 6 && name[5] == ':'));
    if (declaration) {
        const char* prefix = length == 5 ? "" : name + 6;
        const uint32_t prefixLength = length == 5 ? 0 : length - 6;
        rc = m_namespaces.Add(prefix, prefixLength, value, valueLength);
        if (rc != kResultOk)
            return rc;
        const uint32_t index = m_namespaces.Count() - 1;
        m_namespaces.SetExtra(index, m_open.Count() + 1);
        if (m_buildDom) {
            uint32_t offset = 0;
            rc = m_dom.AddNamespace(prefix, prefixLength, value, valueLength, &offset);
            if (rc != kResultOk)
                return rc;
            m_namespaces.SetExtra2(index, offset);
        }
        rc = m_callback ? m_callback->OnStartPrefixMapping(m_namespaces.Name(index), m_namespaces.Value(index))
                        : kResultOk;
    } else {
        rc = m_attributes.Add(name, length, value, valueLength);
    }
    return rc;
}

// Finds the namespace of a prefix, newest declaration first. An element
// without a prefix takes the default namespace; an attribute without one has
// none. Unknown prefixes stop the parse unless tolerated.
int XmlParser::ResolvePrefix(const char* qname, uint32_t prefixLength, bool attribute, int* nsIndex)
{
    *nsIndex = -1;
    if (prefixLength == 0 && attribute)
        return kResultOk;
    if (prefixLength == 3 && std::memcmp(qname, "xml", 3) == 0) {
        *nsIndex = -2;
        return kResultOk;
    }
    for (uint32_t i = m_namespaces.Count(); i-- > 0;) {
        if (m_namespaces.NameLength(i) == prefixLength && std::memcmp(m_namespaces.Name(i), qname, prefixLength) == 0) {
            *nsIndex = int(i);
            return kResultOk;
        }
    }
    if (prefixLength == 0)
        return kResultOk;
    const int code = attribute ? kXmlUnknownAttributePrefix : kXmlUnknownElementPrefix;
    const uint8_t bit = attribute ? kTolerateAttributePrefixes : kTolerateElementPrefixes;
    if (!(m_prefixTolerance & bit))
        return code;
    *nsIndex = -3; // tolerated: no namespace, the name kept whole
    return m_callback ? m_callback->OnError(code, XmlErrorText(code)) : kResultOk;
}

const char* XmlParser::LiveAttrUri(int i) const
{
    const char* name = m_attributes.Name(uint32_t(i));
    const uint32_t prefixLength = PrefixLength(name, m_attributes.NameLength(uint32_t(i)));
    if (prefixLength == 0)
        return "";
    if (prefixLength == 3 && std::memcmp(name, "xml", 3) == 0)
        return kXmlNamespaceUri;
    for (uint32_t k = m_namespaces.Count(); k-- > 0;) {
        if (m_namespaces.NameLength(k) == prefixLength && std::memcmp(m_namespaces.Name(k), name, prefixLength) == 0)
            return m_namespaces.Value(k);
    }
    return "";
}

int XmlParser::EndStartTag(bool empty)
{
    const char* qname = m_elementName.Data();
    const uint32_t length = m_elementName.Length();
    m_state = kAfterMarkup;
    m_whitespaceMark = 0;
    m_whitespace.Clear();
    int rc = kResultOk;
    const char* uri = "";
    const char* local = qname;
    if (!m_strict) {
        if (!empty && StrICmp(qname, "script") == 0)
            m_rawText = true;
    } else {
        rc = m_open.Add(qname, length, "", 0);
        if (rc != kResultOk)
            return rc;
        const uint32_t top = m_open.Count() - 1;
        const uint32_t prefixLength = PrefixLength(qname, length);
        int nsIndex;
        rc = ResolvePrefix(qname, prefixLength, false, &nsIndex);
        if (rc != kResultOk)
            return rc;
        uint32_t nsRecord = 0;
        if (nsIndex >= 0) {
            uri = m_namespaces.Value(uint32_t(nsIndex));
            nsRecord = m_namespaces.Extra2(uint32_t(nsIndex));
            m_open.SetExtra(top, kFirstDeclared + uint32_t(nsIndex));
        } else if (nsIndex == -2) {
            uri = kXmlNamespaceUri;
            nsRecord = m_dom.XmlNamespace();
            m_open.SetExtra(top, kXmlNamespace);
        } else {
            m_open.SetExtra(top, kNoNamespace);
        }
        if (prefixLength > 0 && nsIndex != -3)
            local = qname + prefixLength + 1;
        // Every attribute prefix is resolved before any record is written,
        // so an element record never promises attributes that are missing.
        for (uint32_t i = 0; i < m_attributes.Count(); ++i) {
            const char* name = m_attributes.Name(i);
            int attrNs;
            rc = ResolvePrefix(name, PrefixLength(name, m_attributes.NameLength(i)), true, &attrNs);
            if (rc != kResultOk)
                return rc;
            m_attributes.SetExtra(i, uint32_t(attrNs + 3));
        }
        if (m_buildDom) {
            uint32_t offset = 0;
            const uint32_t parent = top > 0 ? m_open.Extra2(top - 1) : 0;
            rc = m_dom.AddElement(parent, nsRecord, local, length - uint32_t(local - qname), m_attributes.Count(),
                                  empty, &offset);
            if (rc != kResultOk)
                return rc;
            m_open.SetExtra2(top, offset);
            for (uint32_t i = 0; i < m_attributes.Count(); ++i) {
                const char* name = m_attributes.Name(i);
                const uint32_t nameLength = m_attributes.NameLength(i);
                const uint32_t attrPrefix = PrefixLength(name, nameLength);
                const int attrNs = int(m_attributes.Extra(i)) - 3;
                const uint32_t record = attrNs >= 0    ? m_namespaces.Extra2(uint32_t(attrNs))
                                        : attrNs == -2 ? m_dom.XmlNamespace()
                                                       : 0;
                const uint32_t skip = attrPrefix > 0 && attrNs != -3 ? attrPrefix + 1 : 0;
                rc = m_dom.AddAttribute(record, name + skip, nameLength - skip, m_attributes.Value(i),
                                        m_attributes.ValueLength(i));
                if (rc != kResultOk)
                    return rc;
            }
        }
    }
    if (m_callback) {
        m_inStartCallback = true;
        rc = m_callback->OnStartElement(uri, local, qname, empty);
        m_inStartCallback = false;
    }
    m_attributes.Clear();
    if (rc == kResultOk && empty)
        rc = EndElement(true);
    return rc;
}

// The end of the newest open element (strict) or of the named one (lenient).
int XmlParser::EndElement(bool empty)
{
    if (!m_strict) {
        const char* name = empty ? m_elementName.Data() : m_name.Data();
        return m_callback ? m_callback->OnEndElement("", name, name, empty) : kResultOk;
    }
    const uint32_t top = m_open.Count() - 1;
    const char* qname = m_open.Name(top);
    const uint32_t length = m_open.NameLength(top);
    const uint32_t ns = m_open.Extra(top);
    const char* uri = ns >= kFirstDeclared  ? m_namespaces.Value(ns - kFirstDeclared)
                      : ns == kXmlNamespace ? kXmlNamespaceUri
                                            : "";
    const uint32_t prefixLength = ns == kNoNamespace ? 0 : PrefixLength(qname, length);
    const char* local = prefixLength ? qname + prefixLength + 1 : qname;
    int rc = m_callback ? m_callback->OnEndElement(uri, local, qname, empty) : kResultOk;
    if (rc == kResultOk && m_buildDom)
        rc = m_dom.CloseElement(m_open.Extra2(top), m_open.Value(top), m_open.ValueLength(top));
    const uint32_t depth = m_open.Count();
    while (rc == kResultOk && !m_namespaces.IsEmpty() && m_namespaces.Extra(m_namespaces.Count() - 1) == depth) {
        const uint32_t last = m_namespaces.Count() - 1;
        rc = m_callback ? m_callback->OnEndPrefixMapping(m_namespaces.Name(last)) : kResultOk;
        if (m_buildDom)
            m_dom.CloseNamespace(m_namespaces.Extra2(last));
        m_namespaces.Pop();
    }
    m_open.Pop();
    return rc;
}

int XmlParser::FinishEndTag()
{
    m_state = kAfterMarkup;
    m_whitespaceMark = 0;
    m_whitespace.Clear();
    if (int rc = DeliverWholeText(); rc != kResultOk)
        return rc;
    if (!m_strict) {
        if (m_rawText && StrICmp(m_name.Data(), "script") == 0)
            m_rawText = false;
        return EndElement(false);
    }
    if (m_open.IsEmpty() || std::strcmp(m_open.Name(m_open.Count() - 1), m_name.Data()) != 0)
        return kXmlUnbalancedTag;
    return EndElement(false);
}

int XmlParser::EndSection()
{
    m_state = kAfterMarkup;
    int rc = m_callback ? m_callback->OnSpecialSection(m_sectionName.Data(), m_name.Data()) : kResultOk;
    if (rc == kResultOk && m_buildDom && m_strict && !m_open.IsEmpty() &&
        std::strcmp(m_sectionName.Data(), "CDATA") == 0) {
        GrowBuffer& text = m_open.MutableValue(m_open.Count() - 1);
        if (m_whitespaceMark == 2)
            rc = text.Append(' ');
        if (rc == kResultOk)
            rc = text.Append(m_name.Data(), m_name.Length());
    }
    m_whitespaceMark = 0;
    return rc;
}

int XmlParser::AttrCount() const
{
    return m_inStartCallback ? int(m_attributes.Count()) : m_dom.AttrCount();
}

const char* XmlParser::AttrName(int i) const
{
    if (!m_inStartCallback)
        return m_dom.AttrName(i);
    if (i < 0 || uint32_t(i) >= m_attributes.Count())
        return "";
    const char* name = m_attributes.Name(uint32_t(i));
    const uint32_t prefixLength = PrefixLength(name, m_attributes.NameLength(uint32_t(i)));
    return prefixLength ? name + prefixLength + 1 : name;
}

const char* XmlParser::AttrPrefix(int i) const
{
    if (!m_inStartCallback)
        return m_dom.AttrPrefix(i);
    if (i < 0 || uint32_t(i) >= m_attributes.Count())
        return "";
    const char* name = m_attributes.Name(uint32_t(i));
    const uint32_t prefixLength = PrefixLength(name, m_attributes.NameLength(uint32_t(i)));
    if (m_scratch.Assign(prefixLength, name) != kResultOk)
        return "";
    return m_scratch.CStr();
}

const char* XmlParser::AttrNamespaceURI(int i) const
{
    if (!m_inStartCallback)
        return m_dom.AttrNamespaceURI(i);
    if (i < 0 || uint32_t(i) >= m_attributes.Count())
        return "";
    return LiveAttrUri(i);
}

const char* XmlParser::AttrValue(int i) const
{
    if (!m_inStartCallback)
        return m_dom.AttrValue(i);
    if (i < 0 || uint32_t(i) >= m_attributes.Count())
        return "";
    return m_attributes.Value(uint32_t(i));
}
