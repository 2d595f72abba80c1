#include "netcomp/core/tcp/LineSource.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/ByteScan.h"

namespace {

// Given-out bytes are dropped from the front once they are this many and
// more than half of what is held.
constexpr uint32_t kCompactAt = 4096;

} // namespace

void LineSource::Clear()
{
    m_buffer.Clear();
    m_read = 0;
    m_lent = nullptr;
    m_lentLength = 0;
    m_lentRead = 0;
    m_scanned = 0;
    m_blockLeft = 0;
    m_skipping = false;
}

void LineSource::Compact()
{
    if (m_read == 0)
        return;
    if (m_read == m_buffer.Length()) {
        m_buffer.Clear();
        m_read = 0;
    } else if (m_read >= kCompactAt && m_read > m_buffer.Length() / 2) {
        m_buffer.EraseFront(m_read);
        m_read = 0;
    }
}

int LineSource::Feed(const char* data, uint32_t n, bool ended)
{
    if (!data)
        n = 0;
    if (Keep() != kResultOk)
        return kOutOfMemory;
    Compact();
    int rc = m_buffer.Append(data, n);
    // The framing took the line end away; CR LF stands for it.
    if (rc == kResultOk && ended)
        rc = n && data[n - 1] == '\r' ? m_buffer.Append("\n", 1) : m_buffer.Append("\r\n", 2);
    return rc;
}

int LineSource::Lend(const char* data, uint32_t n)
{
    if (!data || n == 0)
        return kResultOk;
    if (Keep() != kResultOk)
        return kOutOfMemory;
    Compact();
    if (m_read < m_buffer.Length())
        return m_buffer.Append(data, n);
    m_lent = data;
    m_lentLength = n;
    m_lentRead = 0;
    return kResultOk;
}

int LineSource::Keep()
{
    if (!m_lent)
        return kResultOk;
    const char* rest = m_lent + m_lentRead;
    const uint32_t n = m_lentLength - m_lentRead;
    m_lent = nullptr;
    m_lentLength = 0;
    m_lentRead = 0;
    Compact();
    return n ? m_buffer.Append(rest, n) : kResultOk;
}

LineSource::Result LineSource::Next(const char** data, uint32_t* length, LongLine whenLong)
{
    *data = "";
    *length = 0;
    Compact();
    // Lent bytes, when there are any, are all that is held.
    const char* base = m_lent ? m_lent : m_buffer.Data();
    const uint32_t end = m_lent ? m_lentLength : m_buffer.Length();
    uint32_t& read = m_lent ? m_lentRead : m_read;
    if (m_blockLeft) {
        const uint32_t held = end - read;
        if (held == 0)
            return Result::None;
        const uint32_t n = held < m_blockLeft ? held : m_blockLeft;
        *data = base + read;
        *length = n;
        read += n;
        m_blockLeft -= n;
        m_scanned = 0;
        return Result::Block;
    }
    for (;;) {
        const uint32_t from = read + m_scanned;
        const char* lf = from < end ? FindByte(base + from, end - from, '\n') : nullptr;
        if (!lf) {
            m_scanned = end - read;
            if (m_skipping) {
                read = end;
                m_scanned = 0;
                return Result::None;
            }
            // A CR that may yet be the start of the line end does not count.
            if (end - read <= m_maxLine + 1)
                return Result::None;
            *data = base + read;
            *length = m_maxLine;
            if (whenLong == LongLine::Split) {
                read += m_maxLine;
                m_scanned = end - read;
                return Result::Piece;
            }
            m_skipping = true;
            read = end;
            m_scanned = 0;
            return Result::TooLong;
        }
        const uint32_t at = uint32_t(lf - base);
        const uint32_t start = read;
        read = at + 1;
        m_scanned = 0;
        if (m_skipping) {
            m_skipping = false;
            continue;
        }
        uint32_t n = at - start;
        if (n && base[at - 1] == '\r')
            --n;
        *data = base + start;
        if (n > m_maxLine) {
            *length = m_maxLine;
            if (whenLong == LongLine::Refuse)
                return Result::TooLong;
            // The rest of the line holds no LF up to its end.
            read = start + m_maxLine;
            m_scanned = at - read;
            return Result::Piece;
        }
        *length = n;
        return Result::Line;
    }
}
