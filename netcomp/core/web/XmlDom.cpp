// Records are appended whole (the buffer grows first, then the record is
// written), so a tree left by a failed parse is still a valid sequence of
// records. Readers never trust an offset they did not find by walking: an
// element's end offset is 0 while it is open, and the walkers then stop at the
// end of the buffer.
#include "netcomp/core/web/XmlDom.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/XmlCodes.h"

namespace {

constexpr uint32_t kHeader = 5; // kind and length
constexpr uint32_t kNamespaceHeader = kHeader + 4;
constexpr uint32_t kElementHeader = kHeader + 6 * 4;
constexpr uint32_t kAttributeHeader = kHeader + 4;

// Field offsets inside an element record.
constexpr uint32_t kEnd = 5;
constexpr uint32_t kChildCount = 9;
constexpr uint32_t kParent = 13;
constexpr uint32_t kNamespace = 17;
constexpr uint32_t kAttrCount = 21;
constexpr uint32_t kTextRecord = 25;

const char kXmlNamespaceUri[] = "http://www.w3.org/XML/1998/namespace";

bool ParseNumber(const char* p, uint32_t length, uint32_t* value)
{
    if (length == 0)
        return false;
    uint64_t v = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        v = v * 10 + uint32_t(p[i] - '0');
        if (v > 0xFFFFFFFFu)
            v = 0xFFFFFFFFu; // saturate: every such number lies beyond any tree
    }
    *value = uint32_t(v);
    return true;
}

bool ValidName(const char* p, uint32_t length, const uint8_t* nameClass)
{
    if (length == 0)
        return false;
    const auto first = static_cast<unsigned char>(p[0]);
    const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (!letter && first != '_' && first != ':' && !(nameClass[first] & XmlDom::kPathNameStart))
        return false;
    for (uint32_t i = 1; i < length; ++i) {
        if (!(nameClass[static_cast<unsigned char>(p[i])] & XmlDom::kPathNameChar))
            return false;
    }
    return true;
}

} // namespace

XmlDom::XmlDom()
{
    (void)Clear();
}

uint32_t XmlDom::U32(uint32_t at) const
{
    uint32_t v;
    std::memcpy(&v, m_buffer.Data() + at, 4);
    return v;
}

void XmlDom::SetU32(uint32_t at, uint32_t value)
{
    std::memcpy(m_buffer.Data() + at, &value, 4);
}

int XmlDom::Grow(uint32_t size, char** out)
{
    const uint32_t at = m_buffer.Length();
    if (size > NetStringBase::kMaxLength - at)
        return kOutOfMemory;
    int rc = m_buffer.Assign(at + size, nullptr);
    if (rc != kResultOk)
        return rc;
    *out = m_buffer.Data() + at;
    return kResultOk;
}

int XmlDom::Clear()
{
    m_cursor = 0;
    m_root = 0;
    (void)m_buffer.Assign(0, nullptr);
    uint32_t none = 0;
    int rc = AddNamespace("", 0, "", 0, &none);
    if (rc == kResultOk)
        rc = AddNamespace("xml", 3, kXmlNamespaceUri, sizeof kXmlNamespaceUri - 1, &m_xmlNamespace);
    return rc;
}

int XmlDom::Release()
{
    m_buffer.Clear();
    m_scratch.Clear();
    return Clear();
}

int XmlDom::AddNamespace(const char* prefix, uint32_t prefixLength, const char* uri, uint32_t uriLength,
                         uint32_t* offset)
{
    if (prefixLength > 0x10000000u || uriLength > 0x10000000u)
        return kOutOfMemory;
    const uint32_t size = kNamespaceHeader + prefixLength + 1 + uriLength + 1;
    *offset = m_buffer.Length();
    char* p;
    int rc = Grow(size, &p);
    if (rc != kResultOk)
        return rc;
    p[0] = 'P';
    std::memcpy(p + 1, &size, 4);
    std::memset(p + 5, 0, 4);
    std::memcpy(p + kNamespaceHeader, prefix, prefixLength);
    p[kNamespaceHeader + prefixLength] = '\0';
    std::memcpy(p + kNamespaceHeader + prefixLength + 1, uri, uriLength);
    p[size - 1] = '\0';
    return kResultOk;
}

void XmlDom::CloseNamespace(uint32_t offset)
{
    SetU32(offset + 5, m_buffer.Length());
}

int XmlDom::AddElement(uint32_t parent, uint32_t ns, const char* localName, uint32_t nameLength, uint32_t attrCount,
                       bool empty, uint32_t* offset)
{
    if (nameLength > 0x10000000u)
        return kOutOfMemory;
    const uint32_t size = kElementHeader + nameLength + 1;
    *offset = m_buffer.Length();
    char* p;
    int rc = Grow(size, &p);
    if (rc != kResultOk)
        return rc;
    const uint32_t fields[6] = {0, empty ? 0xFFFFFFFFu : 0u, parent, ns, attrCount, 0};
    p[0] = 'E';
    std::memcpy(p + 1, &size, 4);
    std::memcpy(p + kHeader, fields, sizeof fields);
    std::memcpy(p + kElementHeader, localName, nameLength);
    p[size - 1] = '\0';
    if (m_root == 0)
        m_root = *offset;
    return kResultOk;
}

int XmlDom::AddAttribute(uint32_t ns, const char* localName, uint32_t nameLength, const char* value,
                         uint32_t valueLength)
{
    if (nameLength > 0x10000000u || valueLength > 0x40000000u)
        return kOutOfMemory;
    const uint32_t size = kAttributeHeader + nameLength + 1 + valueLength + 1;
    char* p;
    int rc = Grow(size, &p);
    if (rc != kResultOk)
        return rc;
    p[0] = 'A';
    std::memcpy(p + 1, &size, 4);
    std::memcpy(p + kHeader, &ns, 4);
    std::memcpy(p + kAttributeHeader, localName, nameLength);
    p[kAttributeHeader + nameLength] = '\0';
    std::memcpy(p + kAttributeHeader + nameLength + 1, value, valueLength);
    p[size - 1] = '\0';
    return kResultOk;
}

int XmlDom::CloseElement(uint32_t offset, const char* text, uint32_t textLength)
{
    if (textLength > 0) {
        if (textLength > 0x7F000000u)
            return kOutOfMemory;
        const uint32_t size = kHeader + textLength + 1;
        const uint32_t at = m_buffer.Length();
        char* p;
        int rc = Grow(size, &p);
        if (rc != kResultOk)
            return rc;
        p[0] = 'T';
        std::memcpy(p + 1, &size, 4);
        std::memcpy(p + kHeader, text, textLength);
        p[size - 1] = '\0';
        SetU32(offset + kTextRecord, at);
    }
    SetU32(offset + kEnd, m_buffer.Length());
    const uint32_t parent = U32(offset + kParent);
    if (parent != 0) {
        const uint32_t count = U32(parent + kChildCount);
        if (count != 0xFFFFFFFFu)
            SetU32(parent + kChildCount, count + 1);
    }
    return kResultOk;
}

bool XmlDom::IsElementAt(uint32_t offset) const
{
    uint32_t pos = 0;
    const uint32_t size = m_buffer.Length();
    while (pos < offset && pos < size) {
        const uint32_t length = Length(pos);
        if (length < kHeader)
            return false;
        pos += length;
    }
    return pos == offset && pos < size && Kind(pos) == 'E';
}

uint32_t XmlDom::EndOf(uint32_t element) const
{
    const uint32_t end = U32(element + kEnd);
    return end == 0 || end > m_buffer.Length() ? m_buffer.Length() : end;
}

const char* XmlDom::LocalNameAt(uint32_t element) const
{
    return m_buffer.Data() + element + kElementHeader;
}

const char* XmlDom::PrefixOf(uint32_t ns) const
{
    return m_buffer.Data() + ns + kNamespaceHeader;
}

const char* XmlDom::UriOf(uint32_t ns) const
{
    const char* prefix = PrefixOf(ns);
    return prefix + std::strlen(prefix) + 1;
}

// Walks the children of an element: attributes first, then namespace
// records (which belong to the child after them), child elements (skipped
// whole by their end offsets) and the text record.
uint32_t XmlDom::NthChild(uint32_t element, uint32_t n) const
{
    const uint32_t end = EndOf(element);
    uint32_t pos = element + Length(element);
    uint32_t seen = 0;
    while (pos < end) {
        if (Kind(pos) == 'E') {
            if (++seen == n)
                return pos;
            const uint32_t next = EndOf(pos);
            if (next <= pos)
                break;
            pos = next;
        } else {
            pos += Length(pos);
        }
    }
    return 0;
}

bool XmlDom::Matches(uint32_t element, const char* step, uint32_t length) const
{
    const char* local = LocalNameAt(element);
    const uint32_t localLength = uint32_t(std::strlen(local));
    if (localLength == length && std::memcmp(local, step, length) == 0)
        return true;
    if (localLength >= length)
        return false;
    const uint32_t ns = U32(element + kNamespace);
    const uint32_t head = length - localLength;
    if (std::memcmp(step + head, local, localLength) != 0)
        return false;
    // The qualified name: prefix ":" local name.
    const char* prefix = PrefixOf(ns);
    const uint32_t prefixLength = uint32_t(std::strlen(prefix));
    if (prefixLength > 0 && prefixLength + 1 == head && step[prefixLength] == ':' &&
        std::memcmp(step, prefix, prefixLength) == 0)
        return true;
    // The namespace URI written directly before the local name.
    const char* uri = UriOf(ns);
    return std::strlen(uri) == head && std::memcmp(step, uri, head) == 0;
}

uint32_t XmlDom::NamedChild(uint32_t element, const char* step, uint32_t length) const
{
    for (uint32_t i = 1;; ++i) {
        const uint32_t child = NthChild(element, i);
        if (child == 0 || Matches(child, step, length))
            return child;
    }
}

int XmlDom::SetPath(const char* path, const uint8_t* nameClass)
{
    if (!path || !*path)
        return kResultOk;
    if (m_root == 0)
        return kXmlNoTree;
    const char* p = path;
    if (*p == '*') {
        uint32_t offset;
        if (!ParseNumber(p + 1, uint32_t(std::strlen(p + 1)), &offset))
            return kXmlInvalidPath;
        if (offset >= m_buffer.Length())
            return kResultOk;
        if (!IsElementAt(offset))
            return kXmlInvalidPath;
        m_cursor = offset;
        return kResultOk;
    }
    if (*p == '/') {
        ++p;
        m_cursor = m_root;
        const char* end = std::strchr(p, '/');
        const uint32_t length = end ? uint32_t(end - p) : uint32_t(std::strlen(p));
        if (length > 0) {
            if (!ValidName(p, length, nameClass))
                return kXmlInvalidPath;
            if (!Matches(m_root, p, length))
                return kXmlTopElementMismatch;
        }
        p += length;
    }
    while (*p) {
        if (*p == '/') {
            ++p;
            continue;
        }
        const char* end = std::strchr(p, '/');
        const uint32_t length = end ? uint32_t(end - p) : uint32_t(std::strlen(p));
        if (m_cursor == 0)
            return kXmlNoSuchChild;
        uint32_t child;
        if (p[0] == '[') {
            uint32_t n;
            if (length < 3 || p[length - 1] != ']' || !ParseNumber(p + 1, length - 2, &n))
                return kXmlInvalidPath;
            if (n < 1 || n > uint32_t(ChildCount()))
                return kXmlInvalidPath;
            child = NthChild(m_cursor, n);
            if (child == 0)
                return kXmlInvalidPath;
        } else {
            if (!ValidName(p, length, nameClass))
                return kXmlInvalidPath;
            child = NamedChild(m_cursor, p, length);
            if (child == 0)
                return kXmlNoSuchChild;
        }
        m_cursor = child;
        p += length;
    }
    return kResultOk;
}

bool XmlDom::MoveToFirstChild()
{
    const uint32_t child = m_cursor ? NthChild(m_cursor, 1) : 0;
    if (child == 0)
        return false;
    m_cursor = child;
    return true;
}

bool XmlDom::MoveToNextSibling()
{
    if (m_cursor == 0)
        return false;
    const uint32_t parent = U32(m_cursor + kParent);
    const uint32_t end = parent ? EndOf(parent) : m_buffer.Length();
    uint32_t pos = EndOf(m_cursor);
    if (pos <= m_cursor)
        return false;
    while (pos < end) {
        if (Kind(pos) == 'E') {
            m_cursor = pos;
            return true;
        }
        pos += Length(pos);
    }
    return false;
}

const char* XmlDom::ElementLocalName() const
{
    return m_cursor ? LocalNameAt(m_cursor) : "";
}

const char* XmlDom::ElementPrefix() const
{
    return m_cursor ? PrefixOf(U32(m_cursor + kNamespace)) : "";
}

const char* XmlDom::ElementNamespaceURI() const
{
    return m_cursor ? UriOf(U32(m_cursor + kNamespace)) : "";
}

const char* XmlDom::ElementQName() const
{
    const char* prefix = ElementPrefix();
    if (!*prefix)
        return ElementLocalName();
    if (m_scratch.AssignText(prefix) != kResultOk || m_scratch.AppendChar(':') != kResultOk ||
        m_scratch.AppendCStr(ElementLocalName()) != kResultOk)
        return "";
    return m_scratch.CStr();
}

const char* XmlDom::ParentName() const
{
    if (m_cursor == 0)
        return "";
    const uint32_t parent = U32(m_cursor + kParent);
    return parent ? LocalNameAt(parent) : "";
}

const char* XmlDom::ElementText() const
{
    if (m_cursor == 0)
        return "";
    const uint32_t text = U32(m_cursor + kTextRecord);
    return text ? m_buffer.Data() + text + kHeader : "";
}

int XmlDom::ChildCount() const
{
    if (m_cursor == 0)
        return 0;
    const int count = int(U32(m_cursor + kChildCount));
    return count < 0 ? 0 : count;
}

int XmlDom::AttrCount() const
{
    return m_cursor ? int(U32(m_cursor + kAttrCount)) : 0;
}

uint32_t XmlDom::AttrAt(int i) const
{
    if (m_cursor == 0 || i < 0 || i >= AttrCount())
        return 0;
    // A tree cut short by a failed allocation may hold fewer attribute
    // records than its element announces.
    uint32_t pos = m_cursor + Length(m_cursor);
    for (int k = 0; pos < m_buffer.Length() && Kind(pos) == 'A'; ++k) {
        if (k == i)
            return pos;
        pos += Length(pos);
    }
    return 0;
}

const char* XmlDom::AttrName(int i) const
{
    const uint32_t at = AttrAt(i);
    return at ? m_buffer.Data() + at + kAttributeHeader : "";
}

const char* XmlDom::AttrValue(int i) const
{
    const uint32_t at = AttrAt(i);
    if (at == 0)
        return "";
    const char* name = m_buffer.Data() + at + kAttributeHeader;
    return name + std::strlen(name) + 1;
}

const char* XmlDom::AttrPrefix(int i) const
{
    const uint32_t at = AttrAt(i);
    return at ? PrefixOf(U32(at + kHeader)) : "";
}

const char* XmlDom::AttrNamespaceURI(int i) const
{
    const uint32_t at = AttrAt(i);
    return at ? UriOf(U32(at + kHeader)) : "";
}
