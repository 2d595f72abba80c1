// Header lines are split at the first colon (a line that begins with a blank
// or tab continues the previous one and comes with an empty name); the empty
// line, or a "." line for a message without a body, ends the headers. Every
// line begins with a "." doubled by the sender; the line "." alone ends the
// message.
#include "netcomp/mail/client/MailMessageReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/TextEncodings.h"

namespace {

bool NameIs(const char* name, const char* wanted)
{
    return StrICmp(name, wanted) == 0;
}

bool Contains(const char* data, uint32_t n, const char* text)
{
    const uint32_t length = uint32_t(std::strlen(text));
    for (uint32_t i = 0; i + length <= n; ++i)
        if (StrNICmp(data + i, text, length) == 0)
            return true;
    return false;
}

} // namespace

void MailMessageReader::Start(bool keepHeaders, bool keepBody, int charsetMode, bool bodyOnly)
{
    m_state = bodyOnly ? State::Body : State::Headers;
    m_announceBody = bodyOnly;
    m_keepHeaders = keepHeaders;
    m_keepBody = keepBody;
    m_charsetMode = charsetMode;
    m_jisBody = bodyOnly;
    m_lineStart = true;
    m_bytes = 0;
    m_headerBytes = 0;
    m_tooLarge = "";
    m_line.Clear();
}

int MailMessageReader::GiveUp(const char* why)
{
    m_tooLarge = why;
    m_state = State::Done;
    m_headers.Clear();
    m_body.Clear();
    m_line.Clear();
    return m_tooLargeCode;
}

int MailMessageReader::Feed(const char* data, uint32_t n, bool eol)
{
    if (m_state == State::Done)
        return kResultOk;
    if (m_state == State::Body) {
        if (m_announceBody) {
            m_announceBody = false;
            const int rc = m_sink.OnMailBodyStart();
            if (rc != kResultOk)
                return rc;
        }
        return BodyLine(data, n, eol);
    }
    // Pieces count as they come: a header line that never ends ends here.
    if (uint64_t(m_headerBytes) + n + (eol ? 2 : 0) > kMaxHeaderSection)
        return GiveUp("Message header section too large.");
    m_headerBytes += n + (eol ? 2 : 0);
    if (!eol || !m_line.IsEmpty()) {
        const uint32_t room = kMaxHeaderLine - std::min(kMaxHeaderLine, m_line.Length());
        if (m_line.Append(data, std::min(n, room)) != kResultOk)
            return kOutOfMemory;
        if (!eol)
            return kResultOk;
        NetString line(std::move(m_line));
        m_line.Clear();
        return HeaderLine(line.Data(), line.Length());
    }
    return HeaderLine(data, n);
}

int MailMessageReader::HeaderLine(const char* data, uint32_t n)
{
    if (n > 0 && data[0] == '.') {
        if (n == 1) {
            const int rc = m_sink.OnMailBodyStart();
            return rc != kResultOk ? rc : End();
        }
        ++data;
        --n;
    }
    if (n == 0) {
        m_state = State::Body;
        m_bytes += 2;
        return m_sink.OnMailBodyStart();
    }
    m_bytes += n + 2;
    if (m_keepHeaders) {
        if (uint64_t(m_headers.Length()) + m_body.Length() + n + 2 > m_maxKept)
            return GiveUp("Message too large.");
        if (m_headers.Append(data, n) != kResultOk || m_headers.Append("\r\n", 2) != kResultOk)
            return kOutOfMemory;
    }
    NetString line;
    if (line.Assign(n, data) != kResultOk)
        return kOutOfMemory;
    const char* value = line.SplitHeaderLine();
    const char* name = line.CStr();
    if (NameIs(name, "Content-Type") && Contains(value, uint32_t(std::strlen(value)), "iso-2022-jp"))
        m_jisBody = true;
    if (m_charsetMode == 1 && (NameIs(name, "Subject") || NameIs(name, "From") || NameIs(name, "To") ||
                               NameIs(name, "Cc") || NameIs(name, "Reply-To"))) {
        NetString decoded;
        if (decoded.AppendDecodedHeader(value) != kResultOk)
            return kOutOfMemory;
        return m_sink.OnMailHeader(name, decoded.CStr());
    }
    return m_sink.OnMailHeader(name, value);
}

int MailMessageReader::BodyLine(const char* data, uint32_t n, bool eol)
{
    const bool lineStart = m_lineStart;
    m_lineStart = eol;
    if (lineStart && n > 0 && data[0] == '.') {
        if (n == 1 && eol)
            return End();
        ++data;
        --n;
    }
    NetString converted;
    if (m_jisBody && m_charsetMode == 1) {
        if (JisBytesToSjis(data, n, converted) != kResultOk)
            return kOutOfMemory;
        data = converted.Data();
        n = converted.Length();
    }
    m_bytes += n + (eol ? 2 : 0);
    if (m_keepBody) {
        if (uint64_t(m_headers.Length()) + m_body.Length() + n + (eol ? 2 : 0) > m_maxKept)
            return GiveUp("Message too large.");
        if (m_body.Append(data, n) != kResultOk || (eol && m_body.Append("\r\n", 2) != kResultOk))
            return kOutOfMemory;
    }
    return m_sink.OnMailBodyLine(m_bytes, data, n, eol);
}

int MailMessageReader::End()
{
    m_state = State::Done;
    return m_sink.OnMailEnd();
}

void HeaderFieldStore::Clear()
{
    for (NetString& value : m_values)
        value.Clear();
    m_last = -1;
}

int HeaderFieldStore::Add(const char* name, const char* value)
{
    if (!*name) {
        if (m_last < 0)
            return kResultOk;
        NetString& last = m_values[m_last];
        return last.AppendChar(' ') == kResultOk ? last.AppendCStr(value) : kOutOfMemory;
    }
    m_last = -1;
    for (int i = 0; i < m_count; ++i) {
        if (NameIs(name, m_names[i])) {
            m_last = i;
            return m_values[i].AssignText(value);
        }
    }
    return kResultOk;
}
