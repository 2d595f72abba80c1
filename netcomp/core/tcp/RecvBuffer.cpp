// A read notification reads once: under Wine each recv is several requests
// to the wineserver and each notification a posted message, so a read takes
// what the socket holds up to kReadBlock bytes, whatever the record limit.
// The storage starts at the record limit (most connections exchange short
// lines) and doubles each time a read filled it, up to kReadBlock (or the
// limit, where that is more): a connection that streams gets large reads, a
// crowd of short ones small buffers.
#include "netcomp/core/tcp/RecvBuffer.h"

#include <cstdlib>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/ByteScan.h"

RecvBuffer::~RecvBuffer()
{
    Free();
}

int RecvBuffer::Allocate(uint32_t capacity)
{
    if (capacity == 0 || capacity > kMaxCapacity)
        capacity = capacity == 0 ? 1 : kMaxCapacity;
    // One spare byte so a record can be read as text with a NUL behind it.
    char* block = static_cast<char*>(std::malloc(capacity + 1));
    if (!block)
        return kOutOfMemory;
    Free();
    m_data = block;
    m_limit = capacity;
    m_size = capacity;
    return kResultOk;
}

void RecvBuffer::Free()
{
    std::free(m_data);
    m_data = nullptr;
    m_limit = 0;
    m_size = 0;
    Clear();
}

void RecvBuffer::Clear()
{
    m_readOffset = 0;
    m_count = 0;
    m_filled = false;
    m_pendingEol = 0;
    m_recordLength = 0;
}

// Doubles the storage, keeping what is unread in place; stays as it is when
// the memory cannot be had.
void RecvBuffer::Grow()
{
    const uint32_t most = m_limit < kReadBlock ? kReadBlock : m_limit;
    if (m_size >= most)
        return;
    const uint32_t size = m_size > most / 2 ? most : m_size * 2;
    if (char* block = static_cast<char*>(std::realloc(m_data, size + 1))) {
        m_data = block;
        m_size = size;
    }
}

char* RecvBuffer::GetWriteSpace(uint32_t* freeBytes)
{
    if (!m_data) {
        *freeBytes = 0;
        return nullptr;
    }
    if (m_filled) {
        m_filled = false;
        Grow();
    }
    // Unread bytes move to the front when nothing is unread, the tail is
    // full, or the tail is short and the move frees more than it copies.
    const uint32_t tail = m_size - m_readOffset - m_count;
    if (m_readOffset > 0 && (m_count == 0 || tail == 0 || (tail < m_size / 2 && m_count <= m_readOffset))) {
        std::memmove(m_data, m_data + m_readOffset, m_count);
        m_readOffset = 0;
    }
    *freeBytes = m_size - m_readOffset - m_count;
    return m_data + m_readOffset + m_count;
}

void RecvBuffer::CommitWrite(uint32_t n)
{
    const uint32_t room = m_size - m_readOffset - m_count;
    m_filled = n >= room;
    m_count += n < room ? n : room;
}

int RecvBuffer::SetTerminator(const char* bytes, uint32_t n)
{
    if (n > sizeof m_terminator)
        return kBadIndex;
    if (n)
        std::memcpy(m_terminator, bytes, n);
    m_terminatorLength = n;
    return kResultOk;
}

void RecvBuffer::SetLineMode(bool on)
{
    m_lineMode = on;
    m_pendingEol = 0;
}

void RecvBuffer::Consume(uint32_t n)
{
    m_readOffset += n;
    m_count -= n;
    if (m_count == 0)
        m_readOffset = 0;
}

bool RecvBuffer::Take(RecvRecord& record)
{
    if (m_count == 0)
        return false;
    record.data = m_data + m_readOffset;
    record.length = m_count;
    record.eolFound = false;
    Consume(m_count);
    return true;
}

bool RecvBuffer::TakePart(RecvRecord& record)
{
    if (m_count == 0)
        return false;
    const uint32_t n = m_count < m_limit ? m_count : m_limit;
    record = {m_data + m_readOffset, n, false};
    Consume(n);
    return true;
}

bool RecvBuffer::PutBack(const char* bytes, uint32_t n)
{
    if (n == 0)
        return true;
    if (!m_data || n > m_size - m_count)
        return false;
    if (m_readOffset < n) {
        std::memmove(m_data + n, m_data + m_readOffset, m_count);
        m_readOffset = n;
    }
    m_readOffset -= n;
    m_count += n;
    std::memmove(m_data + m_readOffset, bytes, n);
    return true;
}

// A record ends at its terminator within the record limit; unread bytes
// that reach the limit without one go out as a partial record of the
// limit's length.
bool RecvBuffer::NextRecord(RecvRecord& record)
{
    if (m_count == 0)
        return false;
    if (m_recordLength) {
        const uint32_t n = m_recordLength < m_limit ? m_recordLength : m_limit;
        if (m_count < n)
            return false;
        record = {m_data + m_readOffset, n, n == m_recordLength};
        m_recordLength -= n;
        Consume(n);
        return true;
    }
    if (m_terminatorLength == 0)
        return TakePart(record);
    if (m_lineMode)
        return NextLine(record);

    const char* start = m_data + m_readOffset;
    const uint32_t window = m_count < m_limit ? m_count : m_limit;
    if (window >= m_terminatorLength) {
        const char* end = start + (window - m_terminatorLength) + 1; // the last place a terminator can start
        for (const char* p = start; (p = FindByte(p, size_t(end - p), m_terminator[0])) != nullptr; ++p) {
            if (std::memcmp(p, m_terminator, m_terminatorLength) == 0) {
                const uint32_t i = uint32_t(p - start);
                record = {start, i, true};
                Consume(i + m_terminatorLength);
                return true;
            }
        }
    }
    if (m_count >= m_limit) {
        record = {start, m_limit, false};
        Consume(m_limit);
        return true;
    }
    return false;
}

// Line mode: a record ends at the first CR or LF; a CR LF or LF CR pair is one
// end, also when the pair is split between two reads.
bool RecvBuffer::NextLine(RecvRecord& record)
{
    if (m_pendingEol) {
        const char partner = m_pendingEol == '\r' ? '\n' : '\r';
        m_pendingEol = 0;
        if (m_data[m_readOffset] == partner) {
            Consume(1);
            if (m_count == 0)
                return false;
        }
    }
    const char* start = m_data + m_readOffset;
    const uint32_t window = m_count < m_limit ? m_count : m_limit;
    if (const char* end = FindLineBreak(start, window)) {
        const char c = *end;
        const uint32_t i = uint32_t(end - start);
        record = {start, i, true};
        uint32_t used = i + 1;
        if (used < m_count) {
            const char next = start[used];
            if ((next == '\r' || next == '\n') && next != c)
                ++used;
        } else {
            m_pendingEol = c;
        }
        Consume(used);
        return true;
    }
    if (m_count >= m_limit) {
        record = {start, m_limit, false};
        Consume(m_limit);
        return true;
    }
    return false;
}
