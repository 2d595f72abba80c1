// The byte-level state machine of the XML reader. Each byte first goes to the
// callback's OnInputChar (when the callback wants the bytes), then through
// Step. Runs of plain bytes inside text, quoted attribute values, comments and
// bracketed sections are appended in one go (each byte still reaches
// OnInputChar), which is where most of a document's bytes are; without the
// per-byte calls, whole tag names, end tags, attributes and entity references
// are read in one go too. Nesting lives in bounded lists, never on the call
// stack: the 129th attribute of an element, element open at once or namespace
// declaration in scope ends the parse with 200, as a full list, for every
// owner of the parser alike.
#include "netcomp/core/web/XmlParser.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

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
    for (const char* p = kXmlSpaceChars; *p; ++p)
        m_class[static_cast<unsigned char>(*p)] |= kSpace;
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
    for (Buffer* b : {&m_replacement, &m_elementName, &m_sectionName})
        b->Clear();
    m_attributes.Clear();
    m_open.Clear();
    m_namespaces.Clear();
    m_error = m_dom.Clear();
}

void XmlParser::Release()
{
    Reset();
    for (Buffer* b :
         {&m_text, &m_entity, &m_name, &m_value, &m_whitespace, &m_replacement, &m_elementName, &m_sectionName})
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
    if (m_perByte) {
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
    m_perByte = m_callback && m_inputCharHook && m_callback->WantsInputChars();
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
        if (c == '&' && (m_state == kText || m_state == kAttrValue || m_state == kAttrValueBare) && !m_perByte) {
            const size_t done = FastEntity(data, i, length);
            if (done == kFailed)
                return m_error;
            if (done > i) {
                i = done;
                continue;
            }
        }
        if (m_state == kAfterLt && ((m_class[c] & kName) || c == '/') && !m_perByte) {
            const size_t done = c == '/' ? FastEndTag(data, i, length) : FastTagName(data, i, length);
            if (done == kFailed)
                return m_error;
            if (done > i) {
                i = done;
                continue;
            }
        }
        if (m_state == kInTag && (m_class[c] & kName) && !m_perByte) {
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
        if (m_perByte) {
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
