#include "netcomp/core/tcp/LineSource.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

// Given-out bytes are dropped from the front once they are this many and
// more than half of what is held.
constexpr uint32_t kCompactAt = 4096;

} // namespace

void LineSource::Clear()
{
    m_buffer.Clear();
    m_read = 0;
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
    Compact();
    int rc = m_buffer.Append(data, n);
    // The framing took the line end away; CR LF stands for it.
    if (rc == kResultOk && ended)
        rc = n && data[n - 1] == '\r' ? m_buffer.Append("\n", 1) : m_buffer.Append("\r\n", 2);
    return rc;
}

LineSource::Result LineSource::Next(const char** data, uint32_t* length)
{
    *data = "";
    *length = 0;
    Compact();
    const char* base = m_buffer.Data();
    const uint32_t end = m_buffer.Length();
    if (m_blockLeft) {
        const uint32_t held = end - m_read;
        if (held == 0)
            return Result::None;
        const uint32_t n = held < m_blockLeft ? held : m_blockLeft;
        *data = base + m_read;
        *length = n;
        m_read += n;
        m_blockLeft -= n;
        m_scanned = 0;
        return Result::Block;
    }
    for (;;) {
        const uint32_t from = m_read + m_scanned;
        const void* lf = from < end ? std::memchr(base + from, '\n', end - from) : nullptr;
        if (!lf) {
            m_scanned = end - m_read;
            if (m_skipping) {
                m_read = end;
                m_scanned = 0;
                return Result::None;
            }
            // A CR that may yet be the start of the line end does not count.
            if (end - m_read > m_maxLine + 1) {
                m_skipping = true;
                m_read = end;
                m_scanned = 0;
                return Result::TooLong;
            }
            return Result::None;
        }
        const uint32_t at = uint32_t(static_cast<const char*>(lf) - base);
        const uint32_t start = m_read;
        m_read = at + 1;
        m_scanned = 0;
        if (m_skipping) {
            m_skipping = false;
            continue;
        }
        uint32_t n = at - start;
        if (n && base[at - 1] == '\r')
            --n;
        if (n > m_maxLine)
            return Result::TooLong;
        *data = base + start;
        *length = n;
        return Result::Line;
    }
}
