// A forgiving tag reader, not a validator: what is not a well-formed tag is
// text; comments, declarations and processing instructions pass through as
// they stand. Tag names are compared without regard to case.
#include "netcomp/mail/htmlmailer/HtmlScanner.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAlnum(char c)
{
    return IsLetter(c) || (c >= '0' && c <= '9');
}

bool NameIs(const char* name, uint32_t n, const char* what)
{
    return std::strlen(what) == n && StrNICmp(name, what, n) == 0;
}

bool NameIn(const char* name, uint32_t n, const char* const* list)
{
    for (; *list; ++list) {
        if (NameIs(name, n, *list))
            return true;
    }
    return false;
}

const char* Find(const char* p, const char* end, const char* what)
{
    const size_t n = std::strlen(what);
    for (; p + n <= end; ++p) {
        if (std::memcmp(p, what, n) == 0)
            return p;
    }
    return nullptr;
}

// The character an entity stands for, with its length; 0 when none is known.
char Entity(const char* p, const char* end, uint32_t* length)
{
    static const struct {
        const char* text;
        char c;
    } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&nbsp;", ' '}};
    for (const auto& e : kEntities) {
        const size_t n = std::strlen(e.text);
        if (size_t(end - p) >= n && StrNICmp(p, e.text, n) == 0) {
            *length = uint32_t(n);
            return e.c;
        }
    }
    // &#NN; for the characters of ASCII.
    if (end - p >= 4 && p[1] == '#') {
        unsigned value = 0;
        const char* q = p + 2;
        while (q < end && q - p < 6 && *q >= '0' && *q <= '9')
            value = value * 10 + unsigned(*q++ - '0');
        if (q < end && *q == ';' && q > p + 2 && value >= 32 && value < 127) {
            *length = uint32_t(q + 1 - p);
            return char(value);
        }
    }
    return 0;
}

} // namespace

bool IsLocalReference(const char* value)
{
    if (!value || !*value || value[0] == '/' || value[0] == '\\' || std::strchr(value, ':'))
        return false;
    // No step up out of the folder: ".." between separators or at an end.
    const char* p = value;
    while (*p) {
        const char* end = p;
        while (*end && *end != '/' && *end != '\\')
            ++end;
        if (end - p == 2 && p[0] == '.' && p[1] == '.')
            return false;
        p = *end ? end + 1 : end;
    }
    return true;
}

int AppendContentId(const char* value, uint32_t n, NetStringBase& out)
{
    // Letters and digits stay; any other character becomes its decimal code.
    int rc = kResultOk;
    for (uint32_t i = 0; i < n && rc == kResultOk; ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        rc = IsAlnum(char(c)) ? out.AppendChar(char(c)) : out.AppendInt(int(c));
    }
    return rc;
}

int HtmlScanner::Scan(const char* html, uint32_t n, Accept accept, void* context)
{
    m_accept = accept;
    m_context = context;
    m_html.Clear();
    m_text.Clear();
    m_references.clear();
    m_pre = 0;
    m_skip = 0;
    m_space = false;
    m_breaks = 2; // no line ends owed at the start of the text
    const char* p = html ? html : "";
    const char* end = p + (html ? n : 0);
    const char* text = p;
    try {
        while (p < end) {
            if (*p != '<') {
                ++p;
                continue;
            }
            const char* next = nullptr;
            // Only "<" before a letter, "/", "!" or "?" opens markup; markup
            // that never ends stays text.
            if (p + 1 < end && (IsLetter(p[1]) || p[1] == '/' || p[1] == '!' || p[1] == '?')) {
                if (int rc = Characters(text, uint32_t(p - text)))
                    return rc;
                text = p;
                if (int rc = Tag(p, end, &next))
                    return rc;
            }
            if (next)
                p = text = next;
            else
                ++p;
        }
        return Characters(text, uint32_t(end - text));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

// One piece of markup at p: sets *next past it, or leaves it null when the
// markup does not end (then it is text).
int HtmlScanner::Tag(const char* p, const char* end, const char** next)
{
    *next = nullptr;
    if (p[1] == '!' || p[1] == '?') {
        const bool comment = end - p >= 4 && std::memcmp(p, "<!--", 4) == 0;
        const char* close = comment ? Find(p + 4, end, "-->") : Find(p + 2, end, ">");
        if (!close)
            return kResultOk;
        const char* after = close + (comment ? 3 : 1);
        *next = after;
        return m_html.Append(p, uint32_t(after - p));
    }
    const bool endTag = p[1] == '/';
    const char* q = p + (endTag ? 2 : 1);
    const char* name = q;
    while (q < end && !IsSpace(*q) && *q != '>' && *q != '/')
        ++q;
    const uint32_t nameLength = uint32_t(q - name);
    // The attributes, up to the ">" that stands outside quotes.
    m_attributes.clear();
    bool selfClosing = false;
    for (;;) {
        while (q < end && IsSpace(*q))
            ++q;
        if (q >= end)
            return kResultOk;
        if (*q == '>')
            break;
        if (*q == '/') {
            selfClosing = true;
            ++q;
            continue;
        }
        Attribute a{q, 0, nullptr, 0};
        while (q < end && !IsSpace(*q) && *q != '>' && *q != '=' && *q != '/')
            ++q;
        a.nameLength = uint32_t(q - a.name);
        while (q < end && IsSpace(*q))
            ++q;
        if (q < end && *q == '=') {
            ++q;
            while (q < end && IsSpace(*q))
                ++q;
            if (q >= end)
                return kResultOk;
            if (*q == '"' || *q == '\'') {
                const char quote = *q++;
                const char* close = static_cast<const char*>(std::memchr(q, quote, size_t(end - q)));
                if (!close)
                    return kResultOk;
                a.value = q;
                a.valueLength = uint32_t(close - q);
                q = close + 1;
            } else {
                a.value = q;
                while (q < end && !IsSpace(*q) && *q != '>')
                    ++q;
                a.valueLength = uint32_t(q - a.value);
            }
        }
        if (a.nameLength == 0) {
            ++q; // a stray character such as a lone quote
            continue;
        }
        m_attributes.push_back(a);
    }
    *next = q + 1;
    selfClosing = selfClosing && !endTag;

    // The plain text: what this element means for the lines.
    static const char* const kBreaks[] = {"br", "li", "dt", "dd", "ul", "div", "h1", "h2",
                                          "h3", "h4", "h5", "h6", "h7", "h8",  "h9", nullptr};
    static const char* const kSilent[] = {"script", "style", "title", nullptr};
    int rc = kResultOk;
    if (NameIs(name, nameLength, "p"))
        rc = LineBreaks(2);
    else if (NameIn(name, nameLength, kBreaks))
        rc = LineBreaks(1);
    else if (NameIs(name, nameLength, "pre")) {
        rc = LineBreaks(1);
        if (!selfClosing)
            m_pre += endTag ? (m_pre > 0 ? -1 : 0) : 1;
    } else if (NameIn(name, nameLength, kSilent) && !selfClosing) {
        m_skip += endTag ? (m_skip > 0 ? -1 : 0) : 1;
    }
    if (rc != kResultOk || endTag)
        return rc != kResultOk ? rc : m_html.Append(p, uint32_t(*next - p));

    // The tag written back, its file references turned into cid: addresses.
    const char* refAttribute = nullptr;
    bool image = false;
    if (NameIs(name, nameLength, "img")) {
        refAttribute = "src";
        image = true;
    } else if (NameIs(name, nameLength, "body")) {
        refAttribute = "background";
    } else if (NameIs(name, nameLength, "link")) {
        refAttribute = "href";
    }
    rc = m_html.AppendChar('<');
    if (rc == kResultOk)
        rc = m_html.Append(name, nameLength);
    NetString value;
    for (const Attribute& a : m_attributes) {
        if (rc != kResultOk)
            break;
        rc = m_html.AppendChar(' ');
        if (rc == kResultOk)
            rc = m_html.Append(a.name, a.nameLength);
        if (rc != kResultOk || !a.value)
            continue;
        value.Clear();
        const bool reference = refAttribute && NameIs(a.name, a.nameLength, refAttribute) &&
                               !(NameIs(name, nameLength, "link") && a.valueLength > 0 && a.value[0] == '/');
        rc = reference ? Reference(a.value, a.valueLength, image, value) : value.Append(a.value, a.valueLength);
        if (rc == kResultOk)
            rc = m_html.Append("=\"", 2);
        // A double quote of a value that stood in single quotes.
        for (uint32_t i = 0; i < value.Length() && rc == kResultOk; ++i)
            rc = value[i] == '"' ? m_html.AppendCStr("&quot;") : m_html.AppendChar(value[i]);
        if (rc == kResultOk)
            rc = m_html.AppendChar('"');
    }
    if (rc == kResultOk && selfClosing)
        rc = m_html.AppendCStr(" /");
    return rc == kResultOk ? m_html.AppendChar('>') : rc;
}

// Gives the value to write for a reference: "cid:" and the file's content id
// when it names a local file that may be mailed, else the value as it is.
int HtmlScanner::Reference(const char* value, uint32_t n, bool image, NetStringBase& rewritten)
{
    NetString text;
    if (text.Assign(n, value) != kResultOk)
        return kOutOfMemory;
    const HtmlReference* found = nullptr;
    for (const HtmlReference& r : m_references) {
        if (r.value.Length() == n && std::memcmp(r.value.Data(), value, n) == 0)
            found = &r;
    }
    if (!found) {
        if (std::strlen(text.CStr()) != n || Find(value, value + n, "://") || !IsLocalReference(text.CStr()) ||
            !m_accept || !m_accept(m_context, text.CStr(), image))
            return rewritten.Append(value, n);
        HtmlReference r;
        r.image = image;
        int rc = r.value.Assign(n, value);
        if (rc == kResultOk)
            rc = AppendContentId(value, n, r.contentId);
        // Two values may spell the same id ("a.gif" and "a46gif"): a suffix tells them apart.
        for (int k = 2; rc == kResultOk; ++k) {
            bool taken = false;
            for (const HtmlReference& other : m_references)
                taken = taken || std::strcmp(other.contentId.CStr(), r.contentId.CStr()) == 0;
            if (!taken)
                break;
            rc = r.contentId.AppendChar(k == 2 ? 'x' : 'y');
        }
        if (rc != kResultOk)
            return rc;
        m_references.push_back(std::move(r));
        found = &m_references.back();
    }
    int rc = rewritten.AppendCStr("cid:");
    return rc == kResultOk ? rewritten.Append(found->contentId.Data(), found->contentId.Length()) : rc;
}

int HtmlScanner::LineBreaks(int count)
{
    m_space = false;
    int rc = kResultOk;
    while (m_breaks < count && rc == kResultOk) {
        rc = m_text.Append("\r\n", 2);
        ++m_breaks;
    }
    return rc;
}

// Text between tags: copied to the HTML as it is; for the plain text its
// entities are decoded and its white space is folded into single blanks,
// except inside PRE, whose line ends are kept.
int HtmlScanner::Characters(const char* p, uint32_t n)
{
    int rc = m_html.Append(p, n);
    if (rc != kResultOk || m_skip > 0)
        return rc;
    const char* end = p + n;
    while (p < end && rc == kResultOk) {
        char c = *p;
        uint32_t length = 1;
        if (c == '&') {
            const char decoded = Entity(p, end, &length);
            c = decoded ? decoded : '&';
            if (!decoded)
                length = 1;
        } else if (m_pre > 0 && (c == '\r' || c == '\n')) {
            if (c == '\r' && p + 1 < end && p[1] == '\n')
                ++length;
            rc = m_text.Append("\r\n", 2);
            m_breaks = 1;
            p += length;
            continue;
        } else if (IsSpace(c) && m_pre == 0) {
            m_space = m_breaks == 0;
            p += length;
            continue;
        }
        if (m_space) {
            rc = m_text.AppendChar(' ');
            m_space = false;
        }
        if (rc == kResultOk)
            rc = m_text.AppendChar(c);
        m_breaks = 0;
        p += length;
    }
    return rc;
}
