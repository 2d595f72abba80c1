// Lines end at LF (a CR before it is dropped). A line of a response that is
// not a continuation request ("+ ...") and that ends in "{N}" announces a
// literal of exactly N bytes, counted as bytes: whatever they hold, and
// however the reads cut them, the literal ends after the Nth byte and the
// response goes on with what follows.
#include "netcomp/mail/imap/ImapResponseReader.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

// "{N}" at the end of the line: N, or -1. Larger than 32 bits gives -2.
int64_t AnnouncedLiteral(const char* line, uint32_t n, uint32_t* textLength)
{
    if (n < 3 || line[n - 1] != '}')
        return -1;
    uint32_t i = n - 1;
    while (i > 0 && line[i - 1] >= '0' && line[i - 1] <= '9')
        --i;
    if (i == n - 1 || i == 0 || line[i - 1] != '{')
        return -1;
    if (n - 1 - i > 10)
        return -2;
    int64_t value = 0;
    for (uint32_t k = i; k < n - 1; ++k)
        value = value * 10 + (line[k] - '0');
    if (value > 0xFFFFFFFFll)
        return -2;
    *textLength = i - 1;
    return value;
}

} // namespace

void ImapResponseReader::Reset()
{
    SetState(State::Line);
    m_response.Clear();
    m_lineStart = 0;
    m_remaining = 0;
    m_streaming = false;
    m_error = "";
}

int ImapResponseReader::Refuse(const char* text)
{
    m_error = text;
    m_response.Clear();
    SetState(State::Broken);
    return kImapServerError;
}

int ImapResponseReader::Feed(const char* data, uint32_t n)
{
    while (n > 0) {
        if (m_state == State::Broken)
            return kImapServerError;
        if (m_state == State::Literal) {
            const uint32_t take = n < m_remaining ? n : m_remaining;
            int rc = m_streaming ? m_sink.OnImapLiteralData(data, take) : m_response.Append(data, take);
            if (rc != kResultOk)
                return rc;
            data += take;
            n -= take;
            m_remaining -= take;
            if (m_remaining == 0) {
                SetState(State::Line);
                m_lineStart = m_response.Length();
                if (m_streaming && (rc = m_sink.OnImapLiteralEnd()) != kResultOk)
                    return rc;
            }
            continue;
        }
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', n));
        const uint32_t take = lf ? uint32_t(lf - data) : n;
        if (m_response.Length() + uint64_t(take) > kMaxResponse)
            return Refuse("Server response too long.");
        if (m_response.Append(data, take) != kResultOk)
            return kOutOfMemory;
        data += take;
        n -= take;
        if (lf) {
            ++data;
            --n;
            const int rc = LineEnd();
            if (rc != kResultOk)
                return rc;
        }
    }
    return kResultOk;
}

int ImapResponseReader::LineEnd()
{
    if (m_response.Length() > m_lineStart && m_response[m_response.Length() - 1] == '\r')
        m_response.Chop();
    const char* line = m_response.Data() + m_lineStart;
    const uint32_t lineLength = m_response.Length() - m_lineStart;
    int rc = m_sink.OnImapLine(line, lineLength);
    if (rc != kResultOk)
        return rc;
    uint32_t textLength = 0;
    const int64_t literal =
        m_response.IsEmpty() || m_response[0] == '+' ? -1 : AnnouncedLiteral(line, lineLength, &textLength);
    if (literal == -2)
        return Refuse("Server literal too large.");
    if (literal < 0) {
        rc = m_sink.OnImapResponse(m_response.Data(), m_response.Length());
        m_response.Clear();
        m_lineStart = 0;
        return rc;
    }
    const uint32_t size = uint32_t(literal);
    if (m_response.KeepRange(0, m_lineStart + textLength) != kResultOk)
        return kOutOfMemory;
    m_streaming = m_sink.StreamImapLiteral(m_response.Data(), m_response.Length(), size);
    const uint32_t kept = m_streaming ? 0 : size;
    if (m_response.Length() + 5ull + kept > kMaxResponse)
        return Refuse("Server literal too large.");
    const char mark[5] = {kLiteralMark, char(kept >> 24), char(kept >> 16), char(kept >> 8), char(kept)};
    if (m_response.Append(mark, 5) != kResultOk)
        return kOutOfMemory;
    m_remaining = size;
    SetState(State::Literal);
    if (size == 0) {
        SetState(State::Line);
        m_lineStart = m_response.Length();
        if (m_streaming)
            return m_sink.OnImapLiteralEnd();
    }
    return kResultOk;
}
