// Reading and editing XmlDocument: attributes, element text, new elements,
// escaping and the file reader.
//
// Edits change the text in place. Records behind an edit are moved by the
// number of characters inserted, walking the tree from the edited element
// outwards (its following siblings, then each ancestor's), so an append at the
// end of a long document touches only the chain of its ancestors.
#include "common/XmlDocument.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsTokenEnd(char c)
{
    return IsSpace(c) || c == '<' || c == '>' || c == '=' || c == '\\' || c == '/' || c == '?' || c == '!';
}

// Names we write ourselves: no character that would end or split a tag.
bool IsWritableName(const char* name)
{
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    unsigned char first = static_cast<unsigned char>(name[0]);
    if (!((first >= 'A' && first <= 'Z') || first == '_' || first == ':' || (first >= 'a' && first <= 127))) {
        return false;
    }
    for (const char* p = name; *p != '\0'; ++p) {
        if (IsTokenEnd(*p) || *p == '"' || *p == '\'' || *p == '&' || *p == '[') {
            return false;
        }
    }
    return true;
}

struct Token {
    int start;
    int length;
    bool quoted;
};

// The next token of a start tag in [i, end).
bool NextToken(const char* s, int& i, int end, Token& token)
{
    while (i < end && IsSpace(s[i])) {
        ++i;
    }
    if (i >= end) {
        return false;
    }
    if (s[i] == '"' || s[i] == '\'') {
        char quote = s[i];
        int j = i + 1;
        while (j < end && s[j] != quote) {
            ++j;
        }
        token = Token{i + 1, j - i - 1, true};
        i = j < end ? j + 1 : end;
        return true;
    }
    int j = i;
    while (j < end && !IsTokenEnd(s[j])) {
        ++j;
    }
    if (j == i) {
        j = i + 1;
    }
    token = Token{i, j - i, false};
    i = j;
    return true;
}

void AppendUtf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A numeric reference at text[i] ("&#..."); its length, or 0 when it is none.
size_t NumericReference(const char* text, size_t i, size_t length, unsigned long& code)
{
    size_t j = i + 2;
    bool hex = j < length && text[j] == 'x';
    if (hex) {
        ++j;
    }
    size_t digitsStart = j;
    unsigned long value = 0;
    // The ';' must come within the eight characters after "&#".
    size_t limit = i + 10 < length ? i + 10 : length;
    for (; j < limit; ++j) {
        int digit = hex ? HexValue(text[j]) : (text[j] >= '0' && text[j] <= '9' ? text[j] - '0' : -1);
        if (digit < 0) {
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
    }
    if (j == digitsStart || j >= limit || text[j] != ';' || value == 0 || value > 0x10FFFF) {
        return 0;
    }
    code = value;
    return j + 1 - i;
}

} // namespace

bool XmlDocument::FindAttribute(int pos, const char* name, int& valueStart, int& valueLength) const
{
    if (!IsValidPos(pos) || !IsOnElements() || name == nullptr || name[0] == '\0') {
        return false;
    }
    const ElementRecord& r = Rec(pos);
    const char* s = m_text.data();
    int i = r.start + 1;
    int end = r.start + StartTagLength(r);
    Token token;
    if (!NextToken(s, i, end, token)) {
        return false; // the tag name
    }
    while (NextToken(s, i, end, token)) {
        if (token.quoted) {
            continue;
        }
        char c = s[token.start];
        if (c == '>' || c == '/' || c == '?') {
            return false;
        }
        bool match = strncmp(s + token.start, name, static_cast<size_t>(token.length)) == 0 &&
                     memchr(s + token.start, '\0', static_cast<size_t>(token.length)) == nullptr;
        if (match) {
            char after = name[token.length];
            match = after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
        }
        if (!match) {
            continue;
        }
        int next = i;
        Token equals;
        Token value;
        if (NextToken(s, next, end, equals) && !equals.quoted && equals.length == 1 && s[equals.start] == '=' &&
            NextToken(s, next, end, value) && value.quoted) {
            valueStart = value.start;
            valueLength = value.length;
            return true;
        }
    }
    return false;
}

std::string XmlDocument::GetAttributeAt(int pos, const char* name) const
{
    int start = 0;
    int length = 0;
    if (!FindAttribute(pos, name, start, length)) {
        return std::string();
    }
    return UnescapeText(m_text.data() + start, static_cast<size_t>(length));
}

void XmlDocument::SetAttributeAt(int pos, const char* name, const char* value)
{
    if (!IsValidPos(pos) || !IsOnElements() || !IsWritableName(name)) {
        return;
    }
    std::string escaped = EscapeText(value, true);
    ElementRecord& r = Rec(pos);
    int tagLength = StartTagLength(r);
    int valueStart = 0;
    int valueLength = 0;
    std::string tag = m_text.substr(static_cast<size_t>(r.start), static_cast<size_t>(tagLength));
    if (FindAttribute(pos, name, valueStart, valueLength)) {
        tag.replace(static_cast<size_t>(valueStart - r.start), static_cast<size_t>(valueLength), escaped);
    } else {
        // Before the '>' of the start tag, or the '/' of "/>".
        int at = tagLength - (EndTagLength(r) == 0 ? 2 : 1);
        tag.insert(static_cast<size_t>(at), std::string(" ") + name + "=\"" + escaped + "\"");
    }
    // The attribute reader does not follow quotes the way the scanner does;
    // in an odd tag the edit could move the tag's end. Such an edit is not
    // made.
    Node node;
    int scanned = 0;
    ScanNode(tag, scanned, static_cast<int>(tag.size()), node);
    if (tag.size() > static_cast<size_t>(kMaxStartTagLength) || node.kind != kNodeElement ||
        node.length != static_cast<int>(tag.size()) || node.empty != (EndTagLength(r) == 0)) {
        return;
    }
    long long delta = static_cast<long long>(tag.size()) - tagLength;
    m_text.replace(static_cast<size_t>(r.start), static_cast<size_t>(tagLength), tag);
    int n = static_cast<int>(delta);
    SetTagLengths(r, StartTagLength(r) + n, EndTagLength(r));
    r.length += n;
    MoveAfterEdit(pos, n, true);
    m_docFlags |= kFlagModified;
}

void XmlDocument::SetNumberAttributeAt(int pos, const char* name, int32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetAttributeAt(pos, name, text);
}

void XmlDocument::ShiftSubtree(int root, int delta)
{
    int e = root;
    for (;;) {
        Rec(e).start += delta;
        if (Rec(e).firstChild != 0) {
            e = Rec(e).firstChild;
            continue;
        }
        while (e != root && Rec(e).nextSibling == 0) {
            e = Rec(e).parent;
        }
        if (e == root) {
            return;
        }
        e = Rec(e).nextSibling;
    }
}

// After delta characters were inserted inside elem (in its start tag when
// insideStartTag): everything that starts behind the edit moves, and the
// ancestors grow. elem's own length is the caller's business.
void XmlDocument::MoveAfterEdit(int elem, int delta, bool insideStartTag)
{
    if (insideStartTag) {
        for (int c = Rec(elem).firstChild; c != 0; c = Rec(c).nextSibling) {
            ShiftSubtree(c, delta);
        }
    }
    for (int e = elem;; e = Rec(e).parent) {
        for (int s = Rec(e).nextSibling; s != 0; s = Rec(s).nextSibling) {
            ShiftSubtree(s, delta);
        }
        if (e != elem) {
            Rec(e).length += delta;
        }
        if (e == 0) {
            break;
        }
    }
    if (Rec(0).firstChild != 0) {
        Rec(0).length = static_cast<int32_t>(m_text.size());
    }
}

bool XmlDocument::AddElement(const char* name, const char* value, bool child)
{
    if (!IsWritableName(name) || !IsOnElements()) {
        return false;
    }
    int nameLength = static_cast<int>(strlen(name));
    if (nameLength + 3 > kMaxEndTagLength || m_text.size() > static_cast<size_t>(kMaxStartTagLength) * 256) {
        return false;
    }
    int parent;
    if (child) {
        if (m_mainPos == 0) {
            return false;
        }
        parent = m_mainPos;
    } else {
        parent = m_parentPos;
    }
    if (parent == 0 && Rec(0).firstChild != 0) {
        return false; // one root only
    }
    bool parentEmpty = parent != 0 && EndTagLength(Rec(parent)) == 0;
    std::string parentName = parentEmpty ? GetTagNameAt(parent) : std::string();
    if (parentEmpty) {
        // "<p//>" would still end in "/>" once its last '/' becomes '>'.
        const ElementRecord& p = Rec(parent);
        if (static_cast<int>(parentName.size()) + 3 > kMaxEndTagLength ||
            m_text[static_cast<size_t>(p.start + StartTagLength(p) - 3)] == '/') {
            return false;
        }
    }

    int after = child ? m_childPos : m_mainPos;
    int point;
    if (after != 0) {
        point = Rec(after).start + Rec(after).length;
    } else if (parent != 0) {
        point = Rec(parent).start + Rec(parent).length - EndTagLength(Rec(parent));
    } else {
        point = static_cast<int>(m_text.size());
    }
    if (!parentEmpty) {
        size_t j = static_cast<size_t>(point);
        while (j < m_text.size() && IsSpace(m_text[j])) {
            ++j;
        }
        if (j == m_text.size() || m_text[j] == '<') {
            point = static_cast<int>(j);
        }
    }

    std::string body;
    int startLength;
    int endLength;
    std::string escaped = value != nullptr && value[0] != '\0' ? EscapeText(value, false) : std::string();
    if (!escaped.empty()) {
        body = "<" + std::string(name) + ">" + escaped + "</" + name + ">\r\n";
        startLength = nameLength + 2;
        endLength = nameLength + 3;
    } else {
        body = "<" + std::string(name) + "/>\r\n";
        startLength = nameLength + 3;
        endLength = 0;
    }
    int length = static_cast<int>(body.size()) - 2;

    int newStart;
    int delta;
    if (parentEmpty) {
        // "<p/>" becomes "<p>", the new line and "</p>".
        ElementRecord& p = Rec(parent);
        int slash = p.start + StartTagLength(p) - 2;
        std::string insert = ">\r\n" + body + "</" + parentName;
        m_text.replace(static_cast<size_t>(slash), 1, insert);
        newStart = slash + 3;
        delta = static_cast<int>(insert.size()) - 1;
        SetTagLengths(p, StartTagLength(p) - 1, static_cast<int>(parentName.size()) + 3);
    } else if (parent != 0 && after == 0 &&
               Rec(parent).length == StartTagLength(Rec(parent)) + EndTagLength(Rec(parent))) {
        // Nothing between the parent's tags: start the child on a new line.
        point = Rec(parent).start + StartTagLength(Rec(parent));
        m_text.insert(static_cast<size_t>(point), "\r\n" + body);
        newStart = point + 2;
        delta = static_cast<int>(body.size()) + 2;
    } else {
        if (m_text.capacity() < m_text.size() + body.size()) {
            m_text.reserve((m_text.size() + body.size()) * 3 / 2 + 128);
        }
        m_text.insert(static_cast<size_t>(point), body);
        newStart = point;
        delta = static_cast<int>(body.size());
    }

    int index = AllocRecord();
    ElementRecord& r = Rec(index);
    r.start = newStart;
    r.length = length;
    SetTagLengths(r, startLength, endLength);
    int level = parent != 0 ? Level(Rec(parent)) + 1 : 0;
    r.flagsLevel = static_cast<uint32_t>(level > kMaxLevel ? kMaxLevel : level);
    if (after != 0) {
        LinkAfter(after, index);
    } else {
        LinkLastChild(parent, index);
    }
    MoveAfterEdit(index, delta, false);
    if (parent == 0) {
        ElementRecord& zero = Rec(0);
        zero.firstChild = index;
        SetTagLengths(zero, 0, 1);
        zero.length = static_cast<int32_t>(m_text.size());
    }
    if (child) {
        m_childPos = index;
    } else {
        m_mainPos = index;
        m_childPos = 0;
    }
    SetElementCursor();
    m_docFlags |= kFlagModified;
    return true;
}

std::string XmlDocument::GetElementTextAt(int pos) const
{
    if (pos != 0 && pos == m_mainPos && m_nodeType != kNodeElement && m_nodeType != 0 && m_nodeLength > 0 &&
        static_cast<size_t>(m_nodeOffset) + static_cast<size_t>(m_nodeLength) <= m_text.size()) {
        const char* s = m_text.data() + m_nodeOffset;
        size_t n = static_cast<size_t>(m_nodeLength);
        switch (m_nodeType) {
        case kNodeComment:
            return n >= 7 ? std::string(s + 4, n - 7) : std::string();
        case kNodePi:
            return n >= 4 ? std::string(s + 2, n - 4) : std::string();
        case kNodeCdata:
            return n >= 12 ? std::string(s + 9, n - 12) : std::string();
        case kNodeText:
            return UnescapeText(s, n);
        default:
            return std::string(s, n);
        }
    }
    if (!IsValidPos(pos) || !IsOnElements()) {
        return std::string();
    }
    const ElementRecord& r = Rec(pos);
    if (r.firstChild != 0 || EndTagLength(r) == 0) {
        return std::string();
    }
    int begin = r.start + StartTagLength(r);
    int end = r.start + r.length - EndTagLength(r);
    if (end <= begin) {
        return std::string();
    }
    const char* s = m_text.data();
    if (memchr(s + begin, '<', static_cast<size_t>(end - begin)) == nullptr) {
        return UnescapeText(s + begin, static_cast<size_t>(end - begin));
    }
    std::string text;
    Node node;
    int at = begin;
    for (;;) {
        ScanNode(m_text, at, end, node);
        if (node.kind == kNodeText || node.kind == kNodeWhitespace) {
            text += UnescapeText(s + node.start, static_cast<size_t>(node.length));
        } else if (node.kind == kNodeCdata) {
            text.append(s + node.start + 9, static_cast<size_t>(node.length - 12));
        } else if (node.kind == kNodeEnd || node.kind == kNodeError) {
            return text;
        }
    }
}

std::string XmlDocument::EscapeText(const char* text, bool attribute)
{
    std::string out;
    if (text == nullptr) {
        return out;
    }
    size_t length = strlen(text);
    out.reserve(length + length / 10 + 7);
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case '<':
            out += "&lt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\'':
            out += attribute ? "&apos;" : "'";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        default:
            out += *p;
        }
    }
    return out;
}

std::string XmlDocument::UnescapeText(const char* text, size_t length)
{
    static const struct {
        const char* name;
        size_t length;
        char value;
    } kEntities[] = {{"lt;", 3, '<'}, {"amp;", 4, '&'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}, {"quot;", 5, '"'}};
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        bool done = false;
        if (i + 1 < length && text[i + 1] == '#') {
            unsigned long code = 0;
            size_t n = NumericReference(text, i, length, code);
            if (n > 0) {
                AppendUtf8(out, code);
                i += n - 1;
                done = true;
            }
        } else {
            for (const auto& entity : kEntities) {
                if (length - i - 1 >= entity.length && memcmp(text + i + 1, entity.name, entity.length) == 0) {
                    out += entity.value;
                    i += entity.length;
                    done = true;
                    break;
                }
            }
        }
        if (!done) {
            out += '&';
        }
    }
    return out;
}

bool XmlDocument::ReadFileText(const char* path, std::string& text, std::string& result, int& flags)
{
    FILE* file = path != nullptr ? fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        result = strerror(path != nullptr ? errno : ENOENT);
        return false;
    }
    // A file beyond the bound is refused before anything is allocated for
    // it; the reading stops at the bound too, in case the file grows or
    // reports no size, so only the bytes that really came count.
    long long size = -1;
    if (fseek(file, 0, SEEK_END) == 0) {
        size = ftell(file);
        fseek(file, 0, SEEK_SET);
    }
    std::string bytes;
    bool tooLarge = size > kMaxDocumentSize;
    if (!tooLarge) {
        if (size > 0) {
            bytes.reserve(static_cast<size_t>(size));
        }
        char block[65536];
        size_t got;
        while ((got = fread(block, 1, sizeof block, file)) > 0) {
            if (bytes.size() + got > static_cast<size_t>(kMaxDocumentSize)) {
                tooLarge = true;
                break;
            }
            bytes.append(block, got);
        }
    }
    fclose(file);
    if (tooLarge) {
        char note[96];
        snprintf(note, sizeof note, "File larger than %lld bytes, the limit of a document", kMaxDocumentSize);
        result = note;
        return false;
    }
    DecodeFileBytes(bytes, text, result, flags);
    return true;
}

void XmlDocument::DecodeFileBytes(std::string& bytes, std::string& text, std::string& result, int& flags)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size();
    char note[96];
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        flags = (flags & ~kFlagUtf16Bom) | kFlagUtf8Bom;
        text.assign(bytes, 3, std::string::npos);
        snprintf(note, sizeof note, "%s%d bytes", "UTF-8 BOM + ", static_cast<int>(text.size()));
    } else if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        flags = (flags & ~kFlagUtf8Bom) | kFlagUtf16Bom;
        size_t units = (size - 2) / 2;
        const unsigned char* w = b + 2;
        text.clear();
        text.reserve(units * 3);
        for (size_t u = 0; u < units; ++u) {
            unsigned long unit = w[2 * u] | (static_cast<unsigned long>(w[2 * u + 1]) << 8);
            if (unit >= 0xD800 && unit < 0xDC00 && u + 1 < units) {
                unsigned long low = w[2 * u + 2] | (static_cast<unsigned long>(w[2 * u + 3]) << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    ++u;
                    continue;
                }
            }
            AppendUtf8(text, unit);
        }
        snprintf(note, sizeof note, "%s%d wide chars to %d bytes", "UTF-16LE BOM + ", static_cast<int>(units),
                 static_cast<int>(text.size()));
    } else {
        flags &= ~(kFlagUtf16Bom | kFlagUtf8Bom);
        text.swap(bytes);
        snprintf(note, sizeof note, "%s%d bytes", "", static_cast<int>(text.size()));
    }
    result = note;
}
