#include "netcomp/mail/imap/ImapTokens.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/mail/imap/ImapResponseReader.h"

namespace {

constexpr char kMark = ImapResponseReader::kLiteralMark;

uint32_t MarkLength(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return uint32_t(b[1]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 8 | uint32_t(b[4]);
}

// Characters that an atom may not hold (RFC 3501 atom-specials), and those a
// quoted string cannot carry.
bool IsAtomChar(unsigned char c)
{
    return c > 32 && c < 127 && !std::strchr("(){%*\"\\]", c);
}

bool NeedsLiteral(unsigned char c)
{
    return c == '\r' || c == '\n' || c >= 128;
}

} // namespace

bool ImapToken::IsNil() const
{
    return Is("NIL");
}

bool ImapToken::Is(const char* word) const
{
    const uint32_t n = uint32_t(std::strlen(word));
    return kind == Kind::Atom && length == n && StrNICmp(data, word, n) == 0;
}

int ImapToken::Number() const
{
    int value = 0;
    return Count(&value) ? value : 0;
}

bool ImapToken::Count(int* value) const
{
    return kind == Kind::Atom && length > 0 && ReadDecimalInt(data, length, value) == length;
}

int64_t ImapToken::Size() const
{
    int64_t value = 0;
    return kind == Kind::Atom && length > 0 && ReadDecimalSize(data, length, &value) == length ? value : 0;
}

ImapTokenReader ImapTokenReader::Inside(const ImapToken& list)
{
    if (list.kind != ImapToken::Kind::List || list.length < 1)
        return ImapTokenReader(list.data, 0);
    const bool closed = list.length >= 2 && list.data[list.length - 1] == ')';
    return ImapTokenReader(list.data + 1, list.length - (closed ? 2 : 1));
}

void ImapTokenReader::SkipBlanks()
{
    while (m_data < m_end && *m_data == ' ')
        ++m_data;
}

const char* ImapTokenReader::SkipLiteral(const char* p) const
{
    if (m_end - p < 5)
        return m_end;
    const uint32_t n = MarkLength(p);
    return uint64_t(m_end - p - 5) < n ? m_end : p + 5 + n;
}

const char* ImapTokenReader::SkipQuoted(const char* p) const
{
    for (++p; p < m_end; ++p) {
        if (*p == '\\' && p + 1 < m_end)
            ++p;
        else if (*p == '"')
            return p + 1;
    }
    return m_end;
}

bool ImapTokenReader::Next(ImapToken& token)
{
    SkipBlanks();
    token = ImapToken();
    if (m_data >= m_end)
        return false;
    const char* p = m_data;
    if (*p == kMark) {
        const char* end = SkipLiteral(p);
        token.kind = ImapToken::Kind::Literal;
        token.data = end - p >= 5 ? p + 5 : end;
        token.length = uint32_t(end - token.data);
        m_data = end;
        return true;
    }
    if (*p == '"') {
        const char* end = SkipQuoted(p);
        token = {ImapToken::Kind::Quoted, p, uint32_t(end - p)};
        m_data = end;
        return true;
    }
    // Atoms and lists: up to a blank outside brackets and parentheses.
    int depth = 0;
    const char* q = p;
    while (q < m_end) {
        const char c = *q;
        if (c == ' ' && depth == 0)
            break;
        if (c == '"') {
            q = SkipQuoted(q);
            continue;
        }
        if (c == kMark) {
            q = SkipLiteral(q);
            continue;
        }
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0 && --depth == 0 && *p == '(') {
            ++q;
            break;
        }
        ++q;
    }
    token = {*p == '(' ? ImapToken::Kind::List : ImapToken::Kind::Atom, p, uint32_t(q - p)};
    m_data = q;
    return true;
}

ImapToken ImapTokenReader::Peek() const
{
    ImapTokenReader copy = *this;
    ImapToken token;
    copy.Next(token);
    return token;
}

const char* ImapTokenReader::Rest()
{
    SkipBlanks();
    return m_data;
}

uint32_t ImapTokenReader::RestLength()
{
    SkipBlanks();
    return uint32_t(m_end - m_data);
}

int ImapValue(const ImapToken& token, NetStringBase& out)
{
    out.Clear();
    return ImapAppendValue(token, out);
}

int ImapAppendValue(const ImapToken& token, NetStringBase& out)
{
    if (token.kind == ImapToken::Kind::None || token.IsNil())
        return kResultOk;
    if (token.kind != ImapToken::Kind::Quoted)
        return out.Append(token.data, token.length);
    const char* p = token.data + 1;
    const char* end = token.data + token.length;
    if (end > p && end[-1] == '"')
        --end;
    for (; p < end; ++p) {
        if (*p == '\\' && p + 1 < end)
            ++p;
        if (out.AppendChar(*p) != kResultOk)
            return kOutOfMemory;
    }
    return kResultOk;
}

void ImapCommand::Start(const char* tag, const char* verb)
{
    m_text.Clear();
    m_trail.Clear();
    m_breakCount = 0;
    m_error = 0;
    if (Add(tag, uint32_t(std::strlen(tag)), true) == kResultOk)
        (void)Verb(verb);
}

int ImapCommand::Verb(const char* text)
{
    text = text ? text : "";
    if (std::strpbrk(text, "\r\n")) {
        if (m_error == kResultOk)
            m_error = kImapBadArgument;
        return m_error;
    }
    return Add(text, uint32_t(std::strlen(text)), true);
}

int ImapCommand::Add(const char* data, uint32_t n, bool trail)
{
    if (m_error != kResultOk)
        return m_error;
    if (m_text.Append(data, n) != kResultOk || (trail && m_trail.Append(data, n) != kResultOk))
        m_error = kOutOfMemory;
    return m_error;
}

int ImapCommand::Raw(const char* text)
{
    text = text ? text : "";
    if (std::strpbrk(text, "\r\n")) {
        if (m_error == kResultOk)
            m_error = kImapBadArgument;
        return m_error;
    }
    if (Add(" ", 1, true) != kResultOk)
        return m_error;
    return *text ? Add(text, uint32_t(std::strlen(text)), true) : Add("\"\"", 2, true);
}

int ImapCommand::String(const char* text)
{
    text = text ? text : "";
    const uint32_t n = uint32_t(std::strlen(text));
    bool atom = n > 0;
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (NeedsLiteral(c))
            return Literal(text, n);
        atom = atom && IsAtomChar(c);
    }
    if (Add(" ", 1, true) != kResultOk)
        return m_error;
    if (atom)
        return Add(text, n, true);
    if (Add("\"", 1, true) != kResultOk)
        return m_error;
    for (uint32_t i = 0; i < n; ++i) {
        if ((text[i] == '"' || text[i] == '\\') && Add("\\", 1, true) != kResultOk)
            return m_error;
        if (Add(text + i, 1, true) != kResultOk)
            return m_error;
    }
    return Add("\"", 1, true);
}

int ImapCommand::Literal(const char* data, uint32_t n)
{
    if (m_breakCount >= kMaxLiterals) {
        if (m_error == kResultOk)
            m_error = kImapBadArgument;
        return m_error;
    }
    char announce[24];
    const int length = std::snprintf(announce, sizeof announce, " {%u}", n);
    if (Add(announce, uint32_t(length), true) != kResultOk || Add("\r\n", 2, false) != kResultOk)
        return m_error;
    m_breaks[m_breakCount++] = m_text.Length();
    return Add(data, n, false);
}

int ImapCommand::Finish()
{
    return Add("\r\n", 2, false);
}

const char* ImapCommand::Piece(int i, uint32_t* n) const
{
    const uint32_t from = i == 0 ? 0 : m_breaks[i - 1];
    const uint32_t to = i < m_breakCount ? m_breaks[i] : m_text.Length();
    *n = to - from;
    return m_text.Data() + from;
}
