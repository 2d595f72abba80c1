// NetString keeps up to its inline capacity inside the object and moves to one
// heap block beyond that, growing by half again so that appends stay cheap.
// Every operation that may allocate reports 200 instead of throwing and leaves
// the string as it was; sources that point into the string itself are safe.
#include "netcomp/core/text/NetString.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "netcomp/core/framework/ResultCodes.h"

NetStringBase::NetStringBase(char* inlineBuffer, uint32_t inlineCapacity)
    : m_inline(inlineBuffer), m_capacity(inlineCapacity), m_inlineCapacity(inlineCapacity)
{
    m_inline[0] = '\0';
}

NetStringBase::~NetStringBase()
{
    std::free(m_heap);
}

void NetStringBase::MoveFrom(NetStringBase& other)
{
    if (!other.m_heap) {
        if (Assign(other.m_length, other.m_inline) != kResultOk)
            throw std::bad_alloc();
        return;
    }
    std::free(m_heap);
    m_heap = other.m_heap;
    m_length = other.m_length;
    m_capacity = other.m_capacity;
    other.m_heap = nullptr;
    other.m_length = 0;
    other.m_capacity = other.m_inlineCapacity;
    other.m_inline[0] = '\0';
}

template <uint32_t InlineSize>
void NetStringT<InlineSize>::CopyFrom(const NetStringBase& other)
{
    if (Assign(other.Length(), other.Data()) != kResultOk)
        throw std::bad_alloc();
}

template <uint32_t InlineSize>
void NetStringT<InlineSize>::CopyText(const char* text)
{
    if (AssignText(text) != kResultOk)
        throw std::bad_alloc();
}

template class NetStringT<100>;
template class NetStringT<51>;
template class NetStringT<31>;
template class NetStringT<21>;

bool NetStringBase::Overlaps(const char* p) const
{
    const char* d = Data();
    return p >= d && p <= d + m_capacity;
}

void NetStringBase::Clear()
{
    std::free(m_heap);
    m_heap = nullptr;
    m_length = 0;
    m_capacity = m_inlineCapacity;
    m_inline[0] = '\0';
}

void NetStringBase::ClearKeepingRoom()
{
    m_length = 0;
    Data()[0] = '\0';
}

int NetStringBase::Reserve(uint32_t n)
{
    if (n <= m_capacity)
        return kResultOk;
    if (n > kMaxLength)
        return kOutOfMemory;
    char* block = static_cast<char*>(m_heap ? std::realloc(m_heap, size_t(n) + 1) : std::malloc(size_t(n) + 1));
    if (!block)
        return kOutOfMemory;
    if (!m_heap)
        std::memcpy(block, m_inline, size_t(m_length) + 1);
    m_heap = block;
    m_capacity = n;
    return kResultOk;
}

int NetStringBase::Assign(uint32_t n, const char* data)
{
    if (n > kMaxLength)
        return kOutOfMemory;
    const uint32_t oldLength = m_length;
    if (n <= m_inlineCapacity) {
        if (m_heap) {
            std::memmove(m_inline, data ? data : m_heap, n);
            std::free(m_heap);
            m_heap = nullptr;
            m_capacity = m_inlineCapacity;
        } else if (data) {
            std::memmove(m_inline, data, n);
        }
    } else if (n > m_capacity) {
        if (!data) {
            const int rc = Grow(n);
            if (rc != kResultOk)
                return rc;
        } else {
            // A fresh block: the old contents are not kept, and the source
            // may lie in them.
            const uint32_t newCapacity = GrownCapacity(n);
            char* block = static_cast<char*>(std::malloc(size_t(newCapacity) + 1));
            if (!block)
                return kOutOfMemory;
            std::memcpy(block, data, n);
            std::free(m_heap);
            m_heap = block;
            m_capacity = newCapacity;
        }
    } else if (data) {
        std::memmove(m_heap, data, n);
    }
    // A resize never exposes stale bytes.
    if (!data && n > oldLength)
        std::memset(Data() + oldLength, 0, n - oldLength);
    m_length = n;
    Data()[n] = '\0';
    return kResultOk;
}

int NetStringBase::AssignText(const char* text)
{
    if (!text)
        return Assign(0, nullptr);
    size_t n = std::strlen(text);
    if (n > kMaxLength)
        return kOutOfMemory;
    return Assign(uint32_t(n), text);
}

uint32_t NetStringBase::GrownCapacity(uint32_t length)
{
    const uint64_t wanted = uint64_t(length) + length / 2;
    return wanted > kMaxLength ? length : uint32_t(wanted);
}

int NetStringBase::Grow(uint32_t length)
{
    return length <= m_capacity ? kResultOk : Reserve(GrownCapacity(length));
}

// A source inside our own contents, which growing may move, is pointed at
// its new place.
int NetStringBase::GrowKeeping(uint32_t length, const char*& data)
{
    if (length <= m_capacity)
        return kResultOk;
    const bool own = data && Overlaps(data);
    const size_t offset = own ? size_t(data - Data()) : 0;
    const int rc = Grow(length);
    if (rc == kResultOk && own)
        data = Data() + offset;
    return rc;
}

int NetStringBase::Append(const char* data, uint32_t n)
{
    if (!data || n == 0)
        return kResultOk;
    if (n > kMaxLength - m_length)
        return kOutOfMemory;
    const uint32_t length = m_length + n;
    const int rc = GrowKeeping(length, data);
    if (rc != kResultOk)
        return rc;
    // The new bytes are written once: lines are appended one by one.
    char* d = Data();
    std::memmove(d + m_length, data, n);
    m_length = length;
    d[length] = '\0';
    return kResultOk;
}

int NetStringBase::AppendWithCrLf(const char* data, uint32_t n)
{
    if (!data)
        n = 0;
    if (m_length > kMaxLength - 2 || n > kMaxLength - 2 - m_length)
        return kOutOfMemory;
    const uint32_t length = m_length + n + 2;
    const int rc = GrowKeeping(length, data);
    if (rc != kResultOk)
        return rc;
    char* d = Data();
    if (n)
        std::memmove(d + m_length, data, n);
    d[length - 2] = '\r';
    d[length - 1] = '\n';
    d[length] = '\0';
    m_length = length;
    return kResultOk;
}

int NetStringBase::AppendCStr(const char* text)
{
    if (!text)
        return kResultOk;
    size_t n = std::strlen(text);
    if (n > kMaxLength)
        return kOutOfMemory;
    return Append(text, uint32_t(n));
}

int NetStringBase::AppendInt(int value)
{
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%d", value);
    return Append(buf, uint32_t(n));
}

int NetStringBase::AppendHexInt(unsigned value)
{
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "0x%x", value);
    return Append(buf, uint32_t(n));
}

int NetStringBase::AppendHexBytes(const void* data, uint32_t n)
{
    static const char kDigits[] = "0123456789abcdef";
    if (!data || n == 0)
        return kResultOk;
    if (n > (kMaxLength - m_length) / 2)
        return kOutOfMemory;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const bool own = Overlaps(static_cast<const char*>(data));
    const size_t offset = own ? size_t(static_cast<const char*>(data) - Data()) : 0;
    const uint32_t oldLength = m_length;
    int rc = Assign(m_length + 2 * n, nullptr);
    if (rc != kResultOk)
        return rc;
    if (own)
        bytes = reinterpret_cast<const unsigned char*>(Data() + offset);
    // Written back to front so that a source inside the string is read before it is overwritten.
    char* out = Data() + oldLength;
    for (uint32_t i = n; i-- > 0;) {
        unsigned char b = bytes[i];
        out[2 * i + 1] = kDigits[b & 0x0F];
        out[2 * i] = kDigits[b >> 4];
    }
    return kResultOk;
}

void NetStringBase::Chop()
{
    if (m_length > 0) {
        --m_length;
        Data()[m_length] = '\0';
    }
}

void NetStringBase::EraseFront(uint32_t n)
{
    if (n == 0)
        return;
    if (n >= m_length) {
        m_length = 0;
        Data()[0] = '\0';
        return;
    }
    std::memmove(Data(), Data() + n, m_length - n);
    m_length -= n;
    Data()[m_length] = '\0';
}

int NetStringBase::KeepRange(uint32_t start, uint32_t end)
{
    if (start >= m_length)
        return kBadIndex;
    if (end > m_length)
        end = m_length;
    if (end < start)
        end = start;
    return Assign(end - start, Data() + start);
}

int NetStringBase::Find(const char* text, int from) const
{
    if (!text || !*text)
        return 0;
    if (from < 0)
        from = 0;
    const size_t tlen = std::strlen(text);
    if (tlen > m_length)
        return -1;
    const char* d = Data();
    for (size_t i = size_t(from); i + tlen <= m_length; ++i) {
        if (d[i] == text[0] && std::memcmp(d + i, text, tlen) == 0)
            return int(i);
    }
    return -1;
}

int NetStringBase::ReverseFind(const char* text, int at) const
{
    if (!text || !*text)
        return 0;
    if (m_length == 0 || at < 0)
        return -1;
    const size_t tlen = std::strlen(text);
    if (tlen > m_length)
        return -1;
    size_t i = size_t(at) < m_length - 1 ? size_t(at) : m_length - 1;
    if (i > m_length - tlen)
        i = m_length - tlen;
    const char* d = Data();
    for (;; --i) {
        if (std::memcmp(d + i, text, tlen) == 0)
            return int(i);
        if (i == 0)
            return -1;
    }
}

char* NetStringBase::SplitHeaderLine()
{
    if (m_length == 0)
        return nullptr;
    char* d = Data();
    if (static_cast<unsigned char>(d[0]) < 33) {
        d[0] = '\0';
        return d + 1;
    }
    char* colon = static_cast<char*>(std::memchr(d, ':', m_length));
    if (!colon)
        return d + m_length;
    *colon = '\0';
    char* value = colon + 1;
    if (*value == ' ')
        ++value;
    return value;
}

int NetStringBase::AssignFolded(const char* text, uint32_t n, uint32_t width)
{
    if (width == 0)
        return Assign(n, text);
    if (!text)
        n = 0;
    NetString out;
    int rc = kResultOk;
    long countdown = long(width);
    for (uint32_t i = 0; i < n && rc == kResultOk; ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n')
            c = ' ';
        --countdown;
        if (countdown < 1 && (c == ' ' || c == '\t' || c == ',') && i + 1 < n) {
            if (c == ',')
                rc = out.AppendChar(',');
            if (rc == kResultOk)
                rc = out.Append("\r\n\t", 3);
            countdown = long(width);
        } else {
            rc = out.AppendChar(c);
        }
    }
    if (rc != kResultOk)
        return rc;
    return Assign(out.Length(), out.Data());
}

int NetStringBase::AssignDotStuffed(const char* text)
{
    return AssignDotStuffedBytes(text, text ? uint32_t(std::strlen(text)) : 0);
}

int NetStringBase::AssignDotStuffedBytes(const char* data, uint32_t n)
{
    NetString out;
    int rc = kResultOk;
    for (uint32_t i = 0; i < n && rc == kResultOk; ++i) {
        if (data[i] == '.' && (i == 0 || data[i - 1] == '\n'))
            rc = out.AppendChar('.');
        if (rc == kResultOk)
            rc = out.AppendChar(data[i]);
    }
    if (rc != kResultOk)
        return rc;
    return Assign(out.Length(), out.Data());
}

int AppendAll(NetStringBase& out, std::initializer_list<const char*> parts)
{
    for (const char* part : parts) {
        if (int rc = out.AppendCStr(part); rc != kResultOk)
            return rc;
    }
    return kResultOk;
}
