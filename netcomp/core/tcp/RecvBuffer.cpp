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
    m_capacity = capacity;
    return kResultOk;
}

void RecvBuffer::Free()
{
    std::free(m_data);
    m_data = nullptr;
    m_capacity = 0;
    Clear();
}

void RecvBuffer::Clear()
{
    m_readOffset = 0;
    m_count = 0;
    m_pendingEol = 0;
    m_recordLength = 0;
}

char* RecvBuffer::GetWriteSpace(uint32_t* freeBytes)
{
    if (!m_data) {
        *freeBytes = 0;
        return nullptr;
    }
    if (m_readOffset > 0 && (m_count == 0 || m_readOffset + m_count == m_capacity)) {
        std::memmove(m_data, m_data + m_readOffset, m_count);
        m_readOffset = 0;
    }
    *freeBytes = m_capacity - m_readOffset - m_count;
    return m_data + m_readOffset + m_count;
}

void RecvBuffer::CommitWrite(uint32_t n)
{
    const uint32_t room = m_capacity - m_readOffset - m_count;
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

bool RecvBuffer::PutBack(const char* bytes, uint32_t n)
{
    if (n == 0)
        return true;
    if (!m_data || n > m_capacity - m_count)
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

bool RecvBuffer::NextRecord(RecvRecord& record)
{
    if (m_count == 0)
        return false;
    if (m_recordLength) {
        if (m_count < m_recordLength && m_readOffset + m_count < m_capacity)
            return false;
        const uint32_t n = m_count < m_recordLength ? m_count : m_recordLength;
        record = {m_data + m_readOffset, n, n == m_recordLength};
        m_recordLength -= n;
        Consume(n);
        return true;
    }
    if (m_terminatorLength == 0)
        return Take(record);
    if (m_lineMode)
        return NextLine(record);

    const char* start = m_data + m_readOffset;
    if (m_count >= m_terminatorLength) {
        const char* end = start + (m_count - m_terminatorLength) + 1; // the last place a terminator can start
        for (const char* p = start; (p = FindByte(p, size_t(end - p), m_terminator[0])) != nullptr; ++p) {
            if (std::memcmp(p, m_terminator, m_terminatorLength) == 0) {
                const uint32_t i = uint32_t(p - start);
                record = {start, i, true};
                Consume(i + m_terminatorLength);
                return true;
            }
        }
    }
    // A full buffer without a terminator goes out as a partial record.
    if (m_count == m_capacity) {
        record = {start, m_count, false};
        Consume(m_count);
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
    if (const char* end = FindLineBreak(start, m_count)) {
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
    if (m_count == m_capacity) {
        record = {start, m_count, false};
        Consume(m_count);
        return true;
    }
    return false;
}
