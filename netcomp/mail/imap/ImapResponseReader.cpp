// A line of a response that is not a continuation request ("+ ...") and that
// ends in "{N}" announces a literal of exactly N bytes, counted as bytes:
// whatever they hold, and however the reads cut them, the literal ends after
// the Nth byte and the response goes on with the line that follows.
#include "netcomp/mail/imap/ImapResponseReader.h"

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
    m_response.Clear();
    m_remaining = 0;
    m_streaming = false;
    m_broken = false;
    m_error = "";
}

int ImapResponseReader::Refuse(const char* text)
{
    m_error = text;
    m_response.Clear();
    m_remaining = 0;
    m_broken = true;
    return kImapServerError;
}

int ImapResponseReader::Line(const char* line, uint32_t n, int64_t* literal)
{
    *literal = -1;
    if (m_broken)
        return kImapServerError;
    const uint32_t lineStart = m_response.Length();
    if (m_response.Length() + uint64_t(n) > kMaxResponse)
        return Refuse("Server response too long.");
    if (m_response.Append(line, n) != kResultOk)
        return kOutOfMemory;
    uint32_t textLength = 0;
    const int64_t size = m_response[0] == '+' ? -1 : AnnouncedLiteral(line, n, &textLength);
    if (size == -2)
        return Refuse("Server literal too large.");
    if (size < 0) {
        const int rc = m_sink.OnImapResponse(m_response.Data(), m_response.Length());
        m_response.Clear();
        return rc;
    }
    if (m_response.KeepRange(0, lineStart + textLength) != kResultOk)
        return kOutOfMemory;
    m_streaming = m_sink.StreamImapLiteral(m_response.Data(), m_response.Length(), uint32_t(size));
    if (!m_streaming && size > m_maxLiteral)
        return Refuse("Server literal too large.");
    const uint32_t kept = m_streaming ? 0 : uint32_t(size);
    if (m_response.Length() + 5ull + kept > kMaxResponse)
        return Refuse("Server literal too large.");
    const char mark[5] = {kLiteralMark, char(kept >> 24), char(kept >> 16), char(kept >> 8), char(kept)};
    if (m_response.Append(mark, 5) != kResultOk)
        return kOutOfMemory;
    *literal = size;
    m_remaining = uint32_t(size);
    return m_remaining == 0 ? EndLiteral() : kResultOk;
}

int ImapResponseReader::Block(const char* data, uint32_t n)
{
    if (m_broken)
        return kImapServerError;
    if (n > m_remaining)
        n = m_remaining;
    const int rc = m_streaming ? m_sink.OnImapLiteralData(data, n) : m_response.Append(data, n);
    if (rc != kResultOk)
        return rc;
    m_remaining -= n;
    return m_remaining == 0 ? EndLiteral() : kResultOk;
}

int ImapResponseReader::EndLiteral()
{
    return m_streaming ? m_sink.OnImapLiteralEnd() : kResultOk;
}

int FeedImapBytes(LineSource& lines, ImapResponseReader& reader, const char* data, uint32_t n)
{
    int rc = lines.Feed(data, n, false);
    const char* piece;
    uint32_t length;
    for (LineSource::Result got; rc == kResultOk && (got = lines.Next(&piece, &length)) != LineSource::Result::None;) {
        if (got == LineSource::Result::TooLong)
            return kImapServerError;
        if (got == LineSource::Result::Block) {
            rc = reader.Block(piece, length);
            continue;
        }
        int64_t literal = -1;
        rc = reader.Line(piece, length, &literal);
        if (rc == kResultOk && literal > 0)
            lines.ExpectBlock(uint32_t(literal));
    }
    return rc;
}
