#include "netcomp/core/web/HttpResponseParser.h"

#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/HttpUrl.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

int64_t ParseDecimal(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text < '0' || *text > '9')
        return -1;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > (int64_t(1) << 50))
            return -1;
    }
    return value;
}

// A chunk size: hexadecimal digits up to the first other character (an
// extension after ";" is ignored that way). A line that starts with no digit
// (a sign, a blank line) or a size past 2^50 is no size: -1. Taking either as
// the last chunk would end a cut body as a whole one.
int64_t ParseChunkSize(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (HexDigitValue(*text) < 0)
        return -1;
    int64_t value = 0;
    for (int digit; (digit = HexDigitValue(*text)) >= 0; ++text) {
        value = value * 16 + digit;
        if (value > (int64_t(1) << 50))
            return -1;
    }
    return value;
}

} // namespace

void HttpResponseParser::Start(bool bodiless)
{
    m_state = State::StatusLine;
    m_bodiless = bodiless;
    m_complete = false;
    m_hasStatus = false;
    m_chunked = false;
    m_code = 0;
    m_contentLength = -1;
    m_remaining = 0;
    m_bodyBytes = 0;
    m_headerBytes = 0;
    m_error = nullptr;
    m_line.Clear();
    m_statusLine.Clear();
    m_version.Clear();
    m_description.Clear();
}

int HttpResponseParser::Feed(const char* data, uint32_t n)
{
    while (n && !m_complete) {
        if (m_state == State::Body || m_state == State::ChunkData) {
            uint32_t take = n;
            if ((m_state == State::ChunkData || m_contentLength >= 0) && int64_t(take) > m_remaining)
                take = uint32_t(m_remaining);
            const int rc = Body(data, take);
            data += take;
            n -= take;
            if (rc != kResultOk)
                return rc;
            continue;
        }
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', n));
        const uint32_t take = lf ? uint32_t(lf - data) : n;
        if (m_line.Length() + take > kMaxLine) {
            m_error = "Response line too long.";
            return kHttpError;
        }
        // Header lines without end (endless headers, interim replies,
        // trailers) would otherwise be read, and kept, for as long as they
        // come; the chunk framing of a long body does not count.
        if (m_state != State::ChunkSize && m_state != State::ChunkEnd) {
            if (uint64_t(m_headerBytes) + take + (lf ? 1 : 0) > kMaxHeaderBytes) {
                m_error = "Response headers too large.";
                return kHttpTooLarge;
            }
            m_headerBytes += take + (lf ? 1 : 0);
        }
        if (m_line.Append(data, take) != kResultOk)
            return kOutOfMemory;
        if (!lf)
            return kResultOk;
        data += take + 1;
        n -= take + 1;
        m_lineHadCr = !m_line.IsEmpty() && m_line[m_line.Length() - 1] == '\r';
        if (m_lineHadCr)
            m_line.Chop();
        const int rc = Line();
        m_line.Clear();
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int HttpResponseParser::Line()
{
    switch (m_state) {
    case State::StatusLine:
        if (m_line.IsEmpty() || m_line[0] != 'H') {
            // No status line: an old-style reply whose first line already is body.
            m_hasStatus = true;
            m_state = State::Body;
            if (m_line.AppendCStr(m_lineHadCr ? "\r\n" : "\n") != kResultOk)
                return kOutOfMemory;
            return Body(m_line.Data(), m_line.Length());
        }
        return StatusLineReceived();
    case State::Interim:
        if (m_line.IsEmpty()) {
            m_state = State::StatusLine;
            m_statusLine.Clear();
        } else if (m_line[0] == 'H') {
            return StatusLineReceived();
        }
        return kResultOk;
    case State::Headers:
        return m_line.IsEmpty() ? HeadersEnd() : HeaderLine();
    case State::ChunkSize: {
        const int64_t size = ParseChunkSize(m_line.CStr());
        if (size < 0) {
            m_error = "Invalid chunk size.";
            return kHttpError;
        }
        m_remaining = size;
        m_state = size > 0 ? State::ChunkData : State::Trailer;
        return kResultOk;
    }
    case State::ChunkEnd:
        m_state = State::ChunkSize;
        return kResultOk;
    case State::Trailer:
        if (m_line.IsEmpty())
            m_complete = true;
        return kResultOk;
    case State::Body:
    case State::ChunkData:
        break;
    }
    return kResultOk;
}

int HttpResponseParser::StatusLineReceived()
{
    if (m_statusLine.Assign(m_line.Length(), m_line.Data()) != kResultOk)
        return kOutOfMemory;
    const char* line = m_line.CStr();
    const char* blank = std::strchr(line, ' ');
    const char* codeText = blank ? blank + 1 : line + m_line.Length();
    while (*codeText == ' ')
        ++codeText;
    const char* codeEnd = codeText;
    while (*codeEnd && *codeEnd != ' ')
        ++codeEnd;
    int rc = m_version.Assign(uint32_t((blank ? blank : codeText) - line), line);
    if (rc == kResultOk)
        rc = m_description.AssignText(*codeEnd ? codeEnd + 1 : codeEnd);
    if (rc != kResultOk)
        return rc;
    m_code = StrToInt(codeText);
    if (m_code >= 100 && m_code <= 199) {
        m_state = State::Interim;
        return kResultOk;
    }
    m_hasStatus = true;
    m_state = State::Headers;
    return m_sink.OnStatus(m_version.CStr(), m_code, m_description.CStr());
}

int HttpResponseParser::HeaderLine()
{
    const uint32_t length = m_line.Length();
    NetString raw;
    if (raw.Assign(length, m_line.Data()) != kResultOk)
        return kOutOfMemory;
    const char* value = m_line.SplitHeaderLine();
    const char* field = m_line.CStr();
    if (!value)
        value = "";
    if (StrICmp(field, "Content-Length") == 0) {
        m_contentLength = ParseDecimal(value);
    } else if (StrICmp(field, "Transfer-Encoding") == 0) {
        const char* v = value;
        while (*v == ' ' || *v == '\t')
            ++v;
        if (StrNICmp(v, "chunked", 7) == 0)
            m_chunked = true;
    }
    return m_sink.OnHeader(raw.CStr(), length, field, value);
}

int HttpResponseParser::HeadersEnd()
{
    // Replies to HEAD, 204 and 304 never carry a body, whatever their headers say.
    if (m_bodiless || m_code == 204 || m_code == 304) {
        m_complete = true;
        return kResultOk;
    }
    const int rc = m_sink.OnHeadersEnd();
    if (m_chunked) {
        m_state = State::ChunkSize;
    } else {
        m_state = State::Body;
        m_remaining = m_contentLength;
        if (m_contentLength == 0)
            m_complete = true;
    }
    return rc;
}

int HttpResponseParser::Body(const char* data, uint32_t n)
{
    if (m_state == State::ChunkData || m_contentLength >= 0)
        m_remaining -= n;
    m_bodyBytes += n;
    const int rc = n ? m_sink.OnBody(data, n) : kResultOk;
    if (m_state == State::ChunkData && m_remaining == 0)
        m_state = State::ChunkEnd;
    else if (m_state == State::Body && !m_chunked && m_contentLength >= 0 && m_remaining <= 0)
        m_complete = true;
    return rc;
}

bool HttpResponseParser::Close()
{
    if (m_complete)
        return true;
    if (!m_hasStatus)
        return false;
    // Without a length only the close ends the body; a length or a chunk
    // still open means the reply was cut off.
    const bool whole = m_state == State::Trailer || (m_state == State::Body && m_contentLength < 0);
    m_complete = true;
    return whole;
}
