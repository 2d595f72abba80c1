// The byte-level state machine of the XML reader. Each byte first goes to the
// callback's OnInputChar, then through Step. Runs of plain bytes inside text,
// quoted attribute values, comments and bracketed sections are appended in one
// go (each byte still reaches OnInputChar), which is where most of a document's
// bytes are. Nesting lives in bounded lists, never on the call stack, so a
// deeply nested document ends with the full list's 200 instead of a crash.
#include "netcomp/core/XmlParser.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "netcomp/core/CStringHelpers.h"
#include "netcomp/core/ResultCodes.h"

XmlParser::Buffer::~Buffer()
{
    std::free(m_data);
}

void XmlParser::Buffer::Clear()
{
    m_length = 0;
    if (m_data)
        m_data[0] = '\0';
}

void XmlParser::Buffer::Release()
{
    std::free(m_data);
    m_data = nullptr;
    m_length = 0;
    m_capacity = 0;
}

void XmlParser::Buffer::Truncate(uint32_t n)
{
    if (n < m_length) {
        m_length = n;
        m_data[n] = '\0';
    }
}

void XmlParser::Buffer::EraseFront(uint32_t n)
{
    if (n >= m_length) {
        Clear();
        return;
    }
    std::memmove(m_data, m_data + n, m_length - n);
    m_length -= n;
    m_data[m_length] = '\0';
}

int XmlParser::Buffer::Reserve(uint32_t n)
{
    if (n <= m_capacity)
        return kResultOk;
    if (n > NetStringBase::kMaxLength)
        return kOutOfMemory;
    uint64_t wanted = uint64_t(n) + n / 2 + 32;
    if (wanted > NetStringBase::kMaxLength)
        wanted = n;
    char* block = static_cast<char*>(std::realloc(m_data, size_t(wanted) + 1));
    if (!block)
        return kOutOfMemory;
    m_data = block;
    m_capacity = uint32_t(wanted);
    return kResultOk;
}

int XmlParser::Buffer::Append(const char* data, uint32_t n)
{
    if (n == 0)
        return kResultOk;
    if (n > NetStringBase::kMaxLength - m_length)
        return kOutOfMemory;
    int rc = Reserve(m_length + n);
    if (rc != kResultOk)
        return rc;
    std::memcpy(m_data + m_length, data, n);
    m_length += n;
    m_data[m_length] = '\0';
    return kResultOk;
}

int XmlParser::Buffer::Append(char c)
{
    if (m_length + 1 > m_capacity) {
        int rc = Reserve(m_length + 1);
        if (rc != kResultOk)
            return rc;
    }
    m_data[m_length++] = c;
    m_data[m_length] = '\0';
    return kResultOk;
}

bool XmlParser::Buffer::EndsWith(const char* tail, uint32_t n) const
{
    return m_length >= n && std::memcmp(m_data + m_length - n, tail, n) == 0;
}

XmlParser::XmlParser()
{
    BuildClassTable();
    Reset();
}

XmlParser::~XmlParser() = default;

bool XmlParser::AcceptName(const char*)
{
    return true;
}

void XmlParser::BuildClassTable()
{
    std::memset(m_class, 0, sizeof m_class);
    for (unsigned char c : {' ', '\t', '\n', '\r', '\f', '\v'})
        m_class[c] |= kSpace;
    for (const char* p = m_extraWhitespace.CStr(); *p; ++p)
        m_class[static_cast<unsigned char>(*p)] |= kSpace;
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_' || c == ':')
            m_class[c] |= kName;
        // XML names may hold any character beyond ASCII; the lenient reader
        // keeps the narrower ASCII rule of HTML-like input.
        if (c >= 128 && m_strict)
            m_class[c] |= kName | XmlDom::kPathNameStart;
    }
    for (const char* p = m_extraNameChars.CStr(); *p; ++p)
        m_class[static_cast<unsigned char>(*p)] |= kName;
    for (unsigned char c : {'<', '&', '\n', '\0'})
        m_class[c] |= kTextStop;
    if (m_charsetMode == 1) {
        for (int c = 129; c <= 159; ++c)
            m_class[c] |= kTextStop | kSjisLead;
        for (int c = 224; c <= 239; ++c)
            m_class[c] |= kTextStop | kSjisLead;
    }
}

void XmlParser::SetStrict(bool on)
{
    m_strict = on;
    BuildClassTable();
}

void XmlParser::SetCharsetMode(int mode)
{
    m_charsetMode = mode;
    BuildClassTable();
}

int XmlParser::SetExtraNameChars(const char* chars)
{
    int rc = m_extraNameChars.AssignText(chars);
    BuildClassTable();
    return rc;
}

int XmlParser::SetExtraWhitespace(const char* chars)
{
    int rc = m_extraWhitespace.AssignText(chars);
    BuildClassTable();
    return rc;
}

void XmlParser::Reset()
{
    if (m_error == kResultOk && !m_text.IsEmpty())
        (void)DeliverWholeText();
    m_column = 0;
    m_state = kText;
    m_returnState = kText;
    m_previous = 0;
    m_quote = 0;
    m_error = kResultOk;
    m_inStartCallback = false;
    m_rawText = false;
    m_tagSlash = false;
    m_whitespaceMark = 0;
    m_declarationDepth = 0;
    for (Buffer* b : {&m_text, &m_entity, &m_name, &m_value, &m_whitespace})
        b->Clear();
    m_replacement.Clear();
    m_elementName.Clear();
    m_sectionName.Clear();
    m_attributes.Clear();
    m_open.Clear();
    m_namespaces.Clear();
    m_error = m_dom.Clear();
}

void XmlParser::Release()
{
    Reset();
    for (Buffer* b : {&m_text, &m_entity, &m_name, &m_value, &m_whitespace})
        b->Release();
    m_attributes.Release();
    m_open.Release();
    m_namespaces.Release();
    m_error = m_dom.Release();
}

int XmlParser::Fail(int code)
{
    m_error = code;
    return code;
}

int XmlParser::InputText(const char* text)
{
    return text ? Feed(reinterpret_cast<const unsigned char*>(text), std::strlen(text)) : kResultOk;
}

int XmlParser::InputChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return Feed(&byte, 1);
}

int XmlParser::InputBytes(const char* data, size_t length)
{
    return data ? Feed(reinterpret_cast<const unsigned char*>(data), length) : kResultOk;
}

int XmlParser::FeedRun(const unsigned char* data, size_t length, Buffer* target)
{
    if (m_callback && m_inputCharHook) {
        for (size_t k = 0; k < length; ++k) {
            ++m_column;
            int rc = m_callback->OnInputChar(char(data[k]));
            if (rc != kResultOk) {
                if (target)
                    (void)target->Append(reinterpret_cast<const char*>(data), uint32_t(k));
                return rc;
            }
        }
    } else {
        m_column += uint32_t(length);
    }
    if (length > NetStringBase::kMaxLength)
        return kOutOfMemory;
    m_previous = data[length - 1];
    return target ? target->Append(reinterpret_cast<const char*>(data), uint32_t(length)) : kResultOk;
}

int XmlParser::Feed(const unsigned char* data, size_t length)
{
    if (m_error != kResultOk)
        return m_error;
    size_t i = 0;
    while (i < length) {
        const unsigned char c = data[i];
        if (c == 0) {
            ++m_column;
            ++i;
            continue;
        }
        size_t j = i;
        Buffer* target = nullptr;
        uint8_t runClass = 0; // bytes of this class continue the run
        switch (m_state) {
        case kText:
            while (j < length && !(m_class[data[j]] & kTextStop))
                ++j;
            target = &m_text;
            break;
        case kAttrValue:
            while (j < length && data[j] != static_cast<unsigned char>(m_quote) && data[j] != '&' && data[j] != 0)
                ++j;
            target = &m_value;
            break;
        case kComment:
        case kSectionContent:
            while (j < length && data[j] != '>' && data[j] != 0)
                ++j;
            target = &m_name;
            break;
        case kTagName:
        case kEndTagName:
        case kAttrName:
            runClass = kName;
            target = &m_name;
            break;
        case kEntity:
            runClass = kName;
            target = &m_entity;
            break;
        case kAfterMarkup:
            runClass = kSpace;
            target = &m_whitespace;
            break;
        case kInTag:
        case kAttrAfterName:
        case kAttrAfterEq:
        case kEndTagAfterName:
            runClass = kSpace;
            if (m_class[c] & kSpace)
                m_tagSlash = false;
            break;
        default:
            break;
        }
        if (m_state == kInTag && (m_class[c] & kName) && !(m_callback && m_inputCharHook)) {
            const size_t done = FastAttribute(data, i, length);
            if (done == kFailed)
                return m_error;
            if (done > i) {
                i = done;
                continue;
            }
        }
        if (runClass) {
            while (j < length && (m_class[data[j]] & runClass))
                ++j;
        }
        if (j > i) {
            int rc = FeedRun(data + i, j - i, target);
            if (rc != kResultOk)
                return Fail(rc);
            i = j;
            continue;
        }
        ++m_column;
        if (m_callback && m_inputCharHook) {
            int rc = m_callback->OnInputChar(char(c));
            if (rc != kResultOk)
                return Fail(rc);
        }
        int rc = Step(c);
        if (rc != kResultOk)
            return Fail(rc);
        ++i;
    }
    return kResultOk;
}

// A whole name="value" attribute inside the block, its value without entity
// references: read in one go with the same effect as byte by byte. Answers
// the position after it, i when the attribute is not of that shape, or
// kFailed with the error stored.
size_t XmlParser::FastAttribute(const unsigned char* data, size_t i, size_t length)
{
    size_t n = i;
    while (n < length && (m_class[data[n]] & kName))
        ++n;
    if (n + 1 >= length || data[n] != '=' || (data[n + 1] != '"' && data[n + 1] != '\''))
        return i;
    const unsigned char quote = data[n + 1];
    const size_t valueStart = n + 2;
    size_t end = valueStart;
    while (end < length && data[end] != quote && data[end] != '&' && data[end] != 0)
        ++end;
    if (end >= length || data[end] != quote || end - i > NetStringBase::kMaxLength)
        return i;
    m_name.Clear();
    m_value.Clear();
    int rc = m_name.Append(reinterpret_cast<const char*>(data + i), uint32_t(n - i));
    if (rc == kResultOk)
        rc = m_value.Append(reinterpret_cast<const char*>(data + valueStart), uint32_t(end - valueStart));
    if (rc == kResultOk)
        rc = AddAttribute();
    if (rc != kResultOk) {
        m_error = rc;
        return kFailed;
    }
    m_column += uint32_t(end + 1 - i);
    m_previous = quote;
    m_tagSlash = false;
    return end + 1;
}

int XmlParser::Step(unsigned char c)
{
    for (;;) {
        bool again = false;
        int rc = kResultOk;
        switch (m_state) {
        case kText:
            if (c == '&') {
                rc = DeliverWholeText();
                m_entity.Clear();
                m_returnState = kText;
                m_state = kEntity;
            } else if (c == '<') {
                rc = DeliverTextBeforeMarkup();
                m_name.Clear();
                m_state = kAfterLt;
            } else {
                rc = m_text.Append(char(c));
                if (rc == kResultOk && c == '\n' && m_flushAtLineEnd)
                    rc = DeliverLine();
                else if (m_class[c] & kSjisLead)
                    m_state = kSjisTrail;
            }
            break;
        case kSjisTrail:
            rc = m_text.Append(char(c));
            m_state = kText;
            break;
        case kAfterMarkup:
            if (IsSpace(c)) {
                rc = m_whitespace.Append(char(c));
            } else {
                rc = DeliverAfterMarkupWhitespace();
                m_state = kText;
                again = true;
            }
            break;
        case kEntity:
            if (IsNameChar(c) || c == '#') {
                rc = m_entity.Append(char(c));
            } else {
                rc = ResolveEntity(c == ';');
                m_state = m_returnState;
                again = c != ';';
            }
            break;
        case kBang:
        case kBangDash:
        case kComment:
        case kPi:
        case kDeclaration:
        case kSectionName:
        case kSectionContent:
            rc = StepMarkup(c, &again);
            break;
        default:
            rc = StepTag(c, &again);
            break;
        }
        if (rc != kResultOk)
            return Fail(rc);
        if (!again) {
            m_previous = c;
            return kResultOk;
        }
    }
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
        if (int rc = m_elementName.Assign(m_name.Length(), m_name.Data()); rc != kResultOk)
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
            int rc = m_sectionName.Assign(m_name.Length(), m_name.Data());
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

int XmlParser::EndOfInput()
{
    if (m_error != kResultOk)
        return m_error;
    int rc = DeliverTextBeforeMarkup();
    if (rc == kResultOk && m_state == kAfterMarkup)
        rc = DeliverAfterMarkupWhitespace();
    if (rc == kResultOk && m_strict && !m_open.IsEmpty())
        rc = kXmlUnbalancedDocument;
    if (rc == kResultOk && m_state != kText && m_state != kAfterMarkup)
        rc = kXmlInvalidEndState;
    return rc == kResultOk ? rc : Fail(rc);
}

int XmlParser::SetXPath(const char* path)
{
    return m_dom.SetPath(path, m_class);
}
