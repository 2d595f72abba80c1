// The states inside markup: start and end tags with their attributes,
// comments, processing instructions, declarations and bracketed sections.
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/XmlParser.h"

// A whole name="value" attribute inside the block, each entity reference in
// its value of the form "&name;": read in one go with the same effect as byte
// by byte. Answers the position after it, i when the attribute is not of
// that shape, or kFailed with the error stored.
size_t XmlParser::FastAttribute(const unsigned char* data, size_t i, size_t length)
{
    size_t n = i;
    while (n < length && (m_class[data[n]] & kName))
        ++n;
    if (n + 1 >= length || data[n] != '=' || (data[n + 1] != '"' && data[n + 1] != '\''))
        return i;
    const unsigned char quote = data[n + 1];
    const size_t valueStart = n + 2;
    const void* close = std::memchr(data + valueStart, quote, length - valueStart);
    if (!close)
        return i;
    const size_t end = size_t(static_cast<const unsigned char*>(close) - data);
    if (std::memchr(data + valueStart, 0, end - valueStart) || end - i > NetStringBase::kMaxLength)
        return i;
    // Every reference must be whole before the first one is resolved: an
    // owner's OnEntity sees each reference once, whichever path reads it.
    const unsigned char* amp = static_cast<const unsigned char*>(std::memchr(data + valueStart, '&', end - valueStart));
    for (const unsigned char* at = amp; at;) {
        size_t k = size_t(at - data) + 1;
        while (k < end && ((m_class[data[k]] & kName) || data[k] == '#'))
            ++k;
        if (k >= end || data[k] != ';')
            return i;
        at = static_cast<const unsigned char*>(std::memchr(data + k, '&', end - k));
    }
    m_name.Clear();
    m_value.Clear();
    const char* name = reinterpret_cast<const char*>(data + i);
    const char* value = reinterpret_cast<const char*>(data + valueStart);
    uint32_t valueLength = uint32_t(end - valueStart);
    int rc = kResultOk;
    // A value with references is put together in m_value; one without is
    // taken from the block as it stands.
    size_t at = valueStart;
    while (amp) {
        const size_t ref = size_t(amp - data);
        const auto* semicolon = static_cast<const unsigned char*>(std::memchr(amp, ';', end - ref));
        rc = m_value.Append(reinterpret_cast<const char*>(data + at), uint32_t(ref - at));
        if (rc == kResultOk)
            rc = m_entity.Assign(reinterpret_cast<const char*>(amp + 1), uint32_t(semicolon - amp - 1));
        m_returnState = kAttrValue;
        if (rc == kResultOk)
            rc = ResolveEntity(true);
        if (rc != kResultOk) {
            m_column += uint32_t(semicolon + 1 - (data + i)); // byte by byte it stops at the ";"
            m_error = rc;
            return kFailed;
        }
        at = size_t(semicolon - data) + 1;
        amp = static_cast<const unsigned char*>(std::memchr(data + at, '&', end - at));
        if (!amp) {
            rc = m_value.Append(reinterpret_cast<const char*>(data + at), uint32_t(end - at));
            value = m_value.Data();
            valueLength = m_value.Length();
        }
    }
    if (rc == kResultOk)
        rc = AddAttribute(name, uint32_t(n - i), value, valueLength);
    m_value.Clear();
    // Byte by byte, a failure comes at the closing quote, which then counts.
    m_column += uint32_t(end + 1 - i);
    if (rc != kResultOk) {
        m_error = rc;
        return kFailed;
    }
    m_previous = quote;
    m_tagSlash = false;
    return end + 1;
}

// A whole entity reference ended by ";" inside the block, resolved in one go
// with the same effect as byte by byte; same answers as FastAttribute.
size_t XmlParser::FastEntity(const unsigned char* data, size_t i, size_t length)
{
    size_t end = i + 1;
    while (end < length && ((m_class[data[end]] & kName) || data[end] == '#'))
        ++end;
    if (end >= length || data[end] != ';' || end - i > NetStringBase::kMaxLength)
        return i;
    int rc = kResultOk;
    if (m_state == kText)
        rc = DeliverWholeText();
    m_returnState = m_state;
    if (rc == kResultOk)
        rc = m_entity.Assign(reinterpret_cast<const char*>(data + i + 1), uint32_t(end - i - 1));
    if (rc == kResultOk)
        rc = ResolveEntity(true);
    m_column += uint32_t(end + 1 - i);
    if (rc != kResultOk) {
        m_error = rc;
        return kFailed;
    }
    m_previous = ';';
    return end + 1;
}

// The name of a start tag right after "<", ended inside the block by a blank,
// "/" or ">": the element starts as it would byte by byte, and the byte after
// the name is read next in the tag. Same answers as FastAttribute.
size_t XmlParser::FastTagName(const unsigned char* data, size_t i, size_t length)
{
    size_t end = i;
    while (end < length && (m_class[data[end]] & kName))
        ++end;
    if (end >= length || end - i > NetStringBase::kMaxLength)
        return i;
    const unsigned char next = data[end];
    if (!IsSpace(next) && next != '>' && next != '/')
        return i;
    int rc = m_name.Assign(reinterpret_cast<const char*>(data + i), uint32_t(end - i));
    if (rc == kResultOk && (m_rawText || !AcceptName(m_name.Data()))) {
        m_name.Clear(); // the name stays text: the byte-by-byte path says how
        return i;
    }
    if (rc == kResultOk)
        rc = DeliverWholeText();
    if (rc == kResultOk)
        rc = m_elementName.Assign(m_name.Data(), m_name.Length());
    if (rc != kResultOk) {
        m_column += uint32_t(end + 1 - i); // the byte that ended the name counts
        m_error = rc;
        return kFailed;
    }
    m_attributes.Clear();
    m_tagSlash = false;
    m_state = kInTag;
    m_column += uint32_t(end - i);
    m_previous = data[end - 1];
    return end;
}

// A whole end tag "</name>" inside the block; same answers as FastAttribute.
size_t XmlParser::FastEndTag(const unsigned char* data, size_t i, size_t length)
{
    size_t end = i + 1;
    while (end < length && (m_class[data[end]] & kName))
        ++end;
    if (end >= length || data[end] != '>' || end == i + 1 || end - i > NetStringBase::kMaxLength)
        return i;
    int rc = m_name.Assign(reinterpret_cast<const char*>(data + i + 1), uint32_t(end - i - 1));
    if (rc == kResultOk && ((m_rawText && StrICmp(m_name.Data(), "script") != 0) || !AcceptName(m_name.Data()))) {
        m_name.Clear();
        return i;
    }
    if (rc == kResultOk)
        rc = FinishEndTag();
    m_column += uint32_t(end + 1 - i);
    if (rc != kResultOk) {
        m_error = rc;
        return kFailed;
    }
    m_previous = '>';
    return end + 1;
}

int XmlParser::StepTag(unsigned char c, bool* again)
{
    switch (m_state) {
    case kAfterLt:
        // Lenient input: "<" before anything that cannot open markup is text.
        if (!m_strict && !IsNameChar(c) && c != '/' && c != '?' && c != '!') {
            m_name.Clear();
            m_state = kText;
            *again = true;
            return MakeText("<", 1);
        }
        m_state = kTagName;
        *again = true;
        return kResultOk;
    case kTagName:
        if (IsNameChar(c))
            return m_name.Append(char(c));
        if (m_name.IsEmpty()) {
            if (c == '!') {
                m_state = kBang;
                return kResultOk;
            }
            if (c == '?') {
                m_state = kPi;
                return kResultOk;
            }
            if (c == '/') {
                m_state = kEndTagName;
                return kResultOk;
            }
            if (m_strict)
                return kXmlInvalidMarkup;
        }
        if (m_name.IsEmpty() || m_rawText || !AcceptName(m_name.Data())) {
            m_state = kText;
            *again = true;
            return MakeText("<", 1);
        }
        if (int rc = DeliverWholeText(); rc != kResultOk)
            return rc;
        if (int rc = m_elementName.Assign(m_name.Data(), m_name.Length()); rc != kResultOk)
            return rc;
        m_attributes.Clear();
        m_tagSlash = false;
        m_state = kInTag;
        if (m_strict && !IsSpace(c) && c != '>' && c != '/')
            return kXmlInvalidMarkup;
        *again = true;
        return kResultOk;
    case kInTag:
        if (IsSpace(c)) {
            m_tagSlash = false;
        } else if (c == '/') {
            m_tagSlash = true;
        } else if (c == '>') {
            return EndStartTag(m_tagSlash);
        } else {
            if (m_strict && !IsNameChar(c))
                return kXmlInvalidMarkup;
            m_name.Clear();
            m_value.Clear();
            m_state = kAttrName;
            return m_name.Append(char(c));
        }
        return kResultOk;
    case kAttrName:
        if (IsSpace(c)) {
            m_state = kAttrAfterName;
        } else if (c == '=') {
            m_state = kAttrAfterEq;
        } else if (c == '>' || c == '/') {
            m_state = kInTag;
            *again = true;
            return AddAttribute();
        } else {
            if (m_strict && !IsNameChar(c))
                return kXmlInvalidMarkup;
            return m_name.Append(char(c));
        }
        return kResultOk;
    case kAttrAfterName:
        if (IsSpace(c))
            return kResultOk;
        if (c == '=') {
            m_state = kAttrAfterEq;
            return kResultOk;
        }
        m_state = kInTag;
        *again = true;
        return AddAttribute();
    case kAttrAfterEq:
        if (IsSpace(c))
            return kResultOk;
        if (c == '"' || c == '\'') {
            m_quote = char(c);
            m_state = kAttrValue;
            return kResultOk;
        }
        if (c == '>') {
            if (m_strict)
                return kXmlInvalidMarkup;
            m_state = kInTag;
            *again = true;
            return AddAttribute();
        }
        m_state = kAttrValueBare;
        *again = true;
        return kResultOk;
    case kAttrValue:
        if (c == static_cast<unsigned char>(m_quote)) {
            m_state = kInTag;
            m_tagSlash = false;
            return AddAttribute();
        }
        if (c == '&') {
            m_entity.Clear();
            m_returnState = kAttrValue;
            m_state = kEntity;
            return kResultOk;
        }
        return m_value.Append(char(c));
    case kAttrValueBare:
        if (IsSpace(c)) {
            m_state = kInTag;
            m_tagSlash = false;
            return AddAttribute();
        }
        if (c == '>') {
            // "/" right before ">" closes an empty-element tag.
            const bool empty = m_previous == '/' && m_value.EndsWith("/", 1);
            if (empty)
                m_value.Truncate(m_value.Length() - 1);
            if (int rc = AddAttribute(); rc != kResultOk)
                return rc;
            return EndStartTag(empty);
        }
        if (c == '&') {
            m_entity.Clear();
            m_returnState = kAttrValueBare;
            m_state = kEntity;
            return kResultOk;
        }
        return m_value.Append(char(c));
    case kEndTagName:
        if (IsNameChar(c))
            return m_name.Append(char(c));
        if (m_name.IsEmpty() && m_strict)
            return kXmlInvalidMarkup;
        if (m_name.IsEmpty() || (m_rawText && StrICmp(m_name.Data(), "script") != 0) || !AcceptName(m_name.Data())) {
            m_state = kText;
            *again = true;
            return MakeText("</", 2);
        }
        m_state = kEndTagAfterName;
        *again = true;
        return kResultOk;
    case kEndTagAfterName:
        if (IsSpace(c))
            return kResultOk;
        if (c == '>')
            return FinishEndTag();
        if (m_strict)
            return kXmlInvalidMarkup;
        m_state = kEndTagSkip;
        return kResultOk;
    case kEndTagSkip:
        return c == '>' ? FinishEndTag() : kResultOk;
    default:
        return kXmlInvalidEndState;
    }
}

int XmlParser::StepMarkup(unsigned char c, bool* again)
{
    switch (m_state) {
    case kBang:
        m_name.Clear();
        if (c == '-') {
            m_state = kBangDash;
            return kResultOk;
        }
        if (c == '[') {
            m_state = kSectionName;
            return kResultOk;
        }
        m_quote = 0;
        m_declarationDepth = 0;
        m_state = kDeclaration;
        *again = true;
        return kResultOk;
    case kBangDash:
        if (c == '-') {
            m_name.Clear();
            m_state = kComment;
            return kResultOk;
        }
        m_quote = 0;
        m_declarationDepth = 0;
        m_state = kDeclaration;
        *again = true;
        return m_name.Append('-');
    case kComment:
        if (int rc = m_name.Append(char(c)); rc != kResultOk)
            return rc;
        if (c != '>' || !m_name.EndsWith("-->", 3))
            return kResultOk;
        m_name.Truncate(m_name.Length() - 3);
        m_state = kAfterMarkup;
        m_whitespaceMark = 0;
        return m_callback ? m_callback->OnComment(m_name.Data()) : kResultOk;
    case kPi:
        if (c == '>' && (m_name.EndsWith("?", 1) || !m_strict)) {
            if (m_name.EndsWith("?", 1))
                m_name.Truncate(m_name.Length() - 1);
            m_state = kAfterMarkup;
            m_whitespaceMark = 0;
            return m_callback ? m_callback->OnProcessingInstruction(m_name.Data()) : kResultOk;
        }
        return m_name.Append(char(c));
    case kDeclaration:
        // ">" inside quotes or brackets (an internal subset) does not end it.
        if (m_quote) {
            if (c == static_cast<unsigned char>(m_quote))
                m_quote = 0;
        } else if (c == '"' || c == '\'') {
            m_quote = char(c);
        } else if (c == '[') {
            ++m_declarationDepth;
        } else if (c == ']') {
            if (m_declarationDepth > 0)
                --m_declarationDepth;
        } else if (c == '>' && m_declarationDepth == 0) {
            m_state = kAfterMarkup;
            m_whitespaceMark = 0;
            return m_callback ? m_callback->OnDeclaration(m_name.Data()) : kResultOk;
        }
        return m_name.Append(char(c));
    case kSectionName:
        if (c == '[') {
            m_state = kSectionContent;
            int rc = m_sectionName.Assign(m_name.Data(), m_name.Length());
            m_name.Clear();
            return rc;
        }
        if (c == '>')
            return kXmlInvalidMarkup;
        return m_name.Append(char(c));
    case kSectionContent:
        if (int rc = m_name.Append(char(c)); rc != kResultOk)
            return rc;
        if (c != '>' || !m_name.EndsWith("]]>", 3))
            return kResultOk;
        m_name.Truncate(m_name.Length() - 3);
        return EndSection();
    default:
        return kXmlInvalidEndState;
    }
}
