// Reading runs over a window [m_readPos, m_readEnd) that the stream refills:
// a memory stream's window is all of its input, a file stream's window is its
// buffer, refilled with the unread tail moved to the front. Line and block
// readers hand out pointers into the window, so the coders touch each input
// byte once and copy only what they write.
#include "netcomp/mail/coders/CoderStream.h"

#include <cstring>

#include "netcomp/mail/coders/CoderErrors.h"

void CoderStream::Consume(size_t n)
{
    m_readPos += n;
    m_done += n;
    if (m_step <= 0 || m_total == 0 || m_progressDone)
        return;
    const uint64_t percent = m_done >= m_total ? 100 : m_done * 100 / m_total;
    while (m_nextPercent <= 100 && uint64_t(m_nextPercent) <= percent) {
        m_progress(m_progressArg, m_nextPercent);
        m_nextPercent += m_step;
    }
}

int CoderStream::Fail(int code)
{
    if (m_error == 0)
        m_error = code;
    return m_error;
}

void CoderStream::SetProgress(uint64_t total, int step, CoderProgressFn fn, void* arg)
{
    m_total = total;
    m_step = fn ? step : 0;
    m_nextPercent = step;
    m_progress = fn;
    m_progressArg = arg;
    m_progressDone = false;
}

void CoderStream::FinishProgress()
{
    if (m_step <= 0 || m_progressDone)
        return;
    m_progressDone = true;
    for (; m_nextPercent <= 100; m_nextPercent += m_step)
        m_progress(m_progressArg, m_nextPercent);
    if (100 % m_step != 0)
        m_progress(m_progressArg, 100);
}

size_t CoderStream::Read(void* buffer, size_t n)
{
    char* out = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < n) {
        if (m_readPos == m_readEnd && !Refill())
            break;
        size_t take = size_t(m_readEnd - m_readPos);
        if (take > n - got)
            take = n - got;
        std::memcpy(out + got, m_readPos, take);
        got += take;
        Consume(take);
    }
    return got;
}

bool CoderStream::NextLine(const char** line, size_t* length, size_t max)
{
    size_t n;
    for (;;) {
        const size_t have = size_t(m_readEnd - m_readPos);
        const size_t look = have < max ? have : max;
        const void* lf = look ? std::memchr(m_readPos, '\n', look) : nullptr;
        if (lf) {
            n = size_t(static_cast<const char*>(lf) - m_readPos) + 1;
            break;
        }
        if (have >= max) {
            n = max;
            break;
        }
        if (!Refill()) {
            n = size_t(m_readEnd - m_readPos);
            break;
        }
    }
    *line = m_readPos;
    *length = n;
    Consume(n);
    return n > 0;
}

bool CoderStream::NextBlock(const char** block, size_t* length)
{
    if (m_readPos == m_readEnd && !Refill())
        return false;
    *block = m_readPos;
    *length = size_t(m_readEnd - m_readPos);
    Consume(*length);
    return *length > 0;
}

size_t CoderStream::ReadLine(char* buffer, size_t max)
{
    if (max == 0)
        return 0;
    size_t got = 0;
    while (got + 1 < max) {
        if (m_readPos == m_readEnd && !Refill())
            break;
        const char c = *m_readPos;
        Consume(1);
        buffer[got++] = c;
        if (c == '\n' || c == '\0')
            break;
    }
    if (m_textMode && got >= 2 && buffer[got - 1] == '\n' && buffer[got - 2] == '\r') {
        buffer[got - 2] = '\n';
        --got;
    }
    buffer[got] = '\0';
    return got;
}

int CoderStream::Write(const void* buffer, size_t n)
{
    if (m_error)
        return m_error;
    const char* data = static_cast<const char*>(buffer);
    if (!m_textMode) {
        if (int rc = WriteBytes(data, n))
            return Fail(rc);
        m_written += n;
        return 0;
    }
    for (size_t i = 0; i < n; ++i) {
        if (int rc = PutChar(data[i]))
            return rc;
    }
    return 0;
}

int CoderStream::PutChar(char c)
{
    if (m_error)
        return m_error;
    if (m_textMode && c == '\n') {
        if (int rc = WriteBytes("\r\n", 2))
            return Fail(rc);
        m_written += 2;
        return 0;
    }
    if (int rc = WriteBytes(&c, 1))
        return Fail(rc);
    ++m_written;
    return 0;
}

int CoderStream::WriteText(const char* text)
{
    return Write(text, std::strlen(text));
}

CoderMemoryStream::CoderMemoryStream(const char* data, size_t n)
{
    m_readPos = data;
    m_readEnd = data + n;
}

CoderMemoryStream::CoderMemoryStream(CoderOutputTag, char* buffer, size_t capacity)
    : m_out(buffer), m_capacity(capacity)
{
}

int CoderMemoryStream::WriteBytes(const char* data, size_t n)
{
    if (n == 0)
        return 0;
    if (n > m_capacity - m_used)
        return kCoderNoSpace;
    std::memcpy(m_out + m_used, data, n);
    m_used += n;
    return 0;
}
