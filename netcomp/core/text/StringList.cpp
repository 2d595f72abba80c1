// Items are reached by walking from the first one, or from the item reached
// last, so that reading or writing the items in order stays linear; the whole
// list is one allocation. Lengths that do not fit the 3-byte header are
// refused rather than cut, which would leave the list unreadable.
#include "netcomp/core/text/StringList.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

uint32_t StringList::LengthAt(uint32_t offset) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.Data() + offset);
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

uint32_t StringList::ItemOffset(uint32_t i) const
{
    uint32_t k = 0;
    uint32_t offset = 0;
    if (i >= m_cursorIndex) {
        k = m_cursorIndex;
        offset = m_cursorOffset;
    }
    for (; k < i; ++k)
        offset += 3 + LengthAt(offset) + 1;
    m_cursorIndex = i;
    m_cursorOffset = offset;
    return offset;
}

void StringList::Clear()
{
    m_count = 0;
    m_data.Clear();
    ForgetCursor();
}

// Replaces the bytes [from, to) of the packed buffer (one whole item, or the
// end) with one item made of data, in place: only the items behind it move.
int StringList::Replace(uint32_t from, uint32_t to, const char* data, uint32_t n)
{
    if (n > kMaxItemLength)
        return kOutOfMemory;
    if (n > 0 && data >= m_data.Data() && data <= m_data.Data() + m_data.Length()) {
        // The new value is part of the list: take a copy before moving bytes.
        NetString copy;
        if (copy.Assign(n, data) != kResultOk)
            return kOutOfMemory;
        return Replace(from, to, copy.Data(), n);
    }
    const uint32_t oldLength = m_data.Length();
    const uint32_t item = 3 + n + 1;
    const uint32_t tail = oldLength - to;
    if (uint64_t(from) + item + tail > NetString::kMaxLength)
        return kOutOfMemory;
    const uint32_t newLength = from + item + tail;
    if (newLength > oldLength && m_data.Assign(newLength, nullptr) != kResultOk)
        return kOutOfMemory;
    char* base = m_data.Data();
    std::memmove(base + from + item, base + to, tail);
    base[from] = static_cast<char>(n >> 16);
    base[from + 1] = static_cast<char>(n >> 8);
    base[from + 2] = static_cast<char>(n);
    if (n > 0)
        std::memcpy(base + from + 3, data, n);
    base[from + 3 + n] = '\0';
    if (newLength < oldLength)
        (void)m_data.Assign(newLength, nullptr);
    // Offsets up to the replaced item stay; those behind it moved.
    if (m_cursorOffset > from)
        ForgetCursor();
    return kResultOk;
}

// Appends in place, so that filling a list item by item stays linear; a
// failed append cuts the buffer back to where it was.
int StringList::AddBytes(const char* data, uint32_t n)
{
    if (!data)
        n = 0;
    if (n > kMaxItemLength)
        return kOutOfMemory;
    const unsigned char header[3] = {static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 8),
                                     static_cast<unsigned char>(n)};
    const uint32_t oldLength = m_data.Length();
    const bool own = n > 0 && data >= m_data.Data() && data <= m_data.Data() + oldLength;
    if (own) {
        int rc = Replace(oldLength, oldLength, data, n);
        if (rc == kResultOk)
            ++m_count;
        return rc;
    }
    int rc = m_data.Append(reinterpret_cast<const char*>(header), 3);
    if (rc == kResultOk)
        rc = m_data.Append(data, n);
    if (rc == kResultOk)
        rc = m_data.Append("", 1);
    if (rc != kResultOk) {
        (void)m_data.Assign(oldLength, nullptr);
        return rc;
    }
    ++m_count;
    return kResultOk;
}

int StringList::Add(const char* text)
{
    size_t n = text ? std::strlen(text) : 0;
    if (n > kMaxItemLength)
        return kOutOfMemory;
    return AddBytes(text, uint32_t(n));
}

int StringList::SetCount(uint32_t n)
{
    if (n < m_count) {
        int rc = m_data.Assign(ItemOffset(n), nullptr);
        if (rc != kResultOk)
            return rc;
        m_count = n;
        ForgetCursor();
        return kResultOk;
    }
    while (m_count < n) {
        int rc = AddBytes("", 0);
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int StringList::AppendToLast(const char* text)
{
    if (m_count == 0)
        return Add(text);
    size_t n = text ? std::strlen(text) : 0;
    const uint32_t offset = ItemOffset(m_count - 1);
    const uint32_t oldLength = LengthAt(offset);
    if (n > kMaxItemLength - oldLength)
        return kOutOfMemory;
    NetString joined;
    int rc = joined.Append(m_data.Data() + offset + 3, oldLength);
    if (rc == kResultOk)
        rc = joined.Append(text, uint32_t(n));
    if (rc != kResultOk)
        return rc;
    return Replace(offset, m_data.Length(), joined.Data(), joined.Length());
}

const char* StringList::Item(uint32_t i) const
{
    if (i >= m_count)
        return "";
    return m_data.Data() + ItemOffset(i) + 3;
}

uint32_t StringList::ItemLength(uint32_t i) const
{
    if (i >= m_count)
        return 0;
    return LengthAt(ItemOffset(i));
}

long StringList::ItemAsInt(uint32_t i) const
{
    return StrToLong(Item(i));
}

int StringList::SetItemBytes(uint32_t i, const char* data, uint32_t n)
{
    if (i >= m_count)
        return kBadIndex;
    if (!data)
        n = 0;
    const uint32_t offset = ItemOffset(i);
    return Replace(offset, offset + 3 + LengthAt(offset) + 1, data, n);
}

int StringList::SetItem(uint32_t i, const char* text)
{
    size_t n = text ? std::strlen(text) : 0;
    if (n > kMaxItemLength)
        return i >= m_count ? kBadIndex : kOutOfMemory;
    return SetItemBytes(i, text, uint32_t(n));
}

int StringList::SetItemInt(uint32_t i, int value)
{
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%d", value);
    return SetItemBytes(i, buf, uint32_t(n));
}

int StringList::IndexOf(const char* text, uint32_t start) const
{
    if (!text)
        text = "";
    const size_t n = std::strlen(text);
    uint32_t offset = ItemOffset(start < m_count ? start : m_count);
    for (uint32_t i = start; i < m_count; ++i) {
        const uint32_t len = LengthAt(offset);
        if (len == n && std::memcmp(m_data.Data() + offset + 3, text, n) == 0)
            return int(i);
        offset += 3 + len + 1;
    }
    return -1;
}
