#include "netcomp/mail/imap/ImapBodyLines.h"

#include <cstring>
#include <utility>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/TextEncodings.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int DecodeQuotedPrintableLine(const char* data, uint32_t n, NetStringBase& out, bool* softBreak)
{
    out.Clear();
    *softBreak = false;
    for (uint32_t i = 0; i < n; ++i) {
        char c = data[i];
        if (c == '=') {
            if (i + 1 == n) {
                *softBreak = true;
                break;
            }
            const int high = HexDigit(data[i + 1]);
            const int low = i + 2 < n ? HexDigit(data[i + 2]) : -1;
            if (high >= 0 && low >= 0) {
                c = char(high * 16 + low);
                i += 2;
            }
        }
        if (out.AppendChar(c) != kResultOk)
            return kOutOfMemory;
    }
    return kResultOk;
}

void ImapBodyLines::Start(ImapDecoding decoding, bool jisToSjis)
{
    m_decoding = decoding;
    m_jis = jisToSjis;
    m_partial.Clear();
}

int ImapBodyLines::Feed(const char* data, uint32_t n)
{
    while (n > 0) {
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', n));
        if (!lf) {
            if (m_partial.Append(data, n) != kResultOk)
                return kOutOfMemory;
            if (m_partial.Length() < kMaxLine)
                return kResultOk;
            NetString piece(std::move(m_partial));
            m_partial.Clear();
            return Line(piece.Data(), piece.Length(), false);
        }
        const uint32_t take = uint32_t(lf - data);
        int rc;
        if (m_partial.IsEmpty()) {
            rc = Line(data, take > 0 && data[take - 1] == '\r' ? take - 1 : take, true);
        } else {
            if (m_partial.Append(data, take) != kResultOk)
                return kOutOfMemory;
            NetString line(std::move(m_partial));
            m_partial.Clear();
            if (!line.IsEmpty() && line[line.Length() - 1] == '\r')
                line.Chop();
            rc = Line(line.Data(), line.Length(), true);
        }
        if (rc != kResultOk)
            return rc;
        data += take + 1;
        n -= take + 1;
    }
    return kResultOk;
}

int ImapBodyLines::Finish()
{
    if (m_partial.IsEmpty())
        return kResultOk;
    NetString piece(std::move(m_partial));
    m_partial.Clear();
    return Line(piece.Data(), piece.Length(), false);
}

int ImapBodyLines::Line(const char* data, uint32_t n, bool eol)
{
    NetString decoded, converted;
    bool lineEnd = eol;
    if (m_decoding == ImapDecoding::Base64) {
        if (decoded.Assign(n, data) != kResultOk)
            return kOutOfMemory;
        decoded.DecodeBase64();
        lineEnd = false;
    } else if (m_decoding == ImapDecoding::QuotedPrintable) {
        bool soft = false;
        if (DecodeQuotedPrintableLine(data, n, decoded, &soft) != kResultOk)
            return kOutOfMemory;
        lineEnd = eol && !soft;
    }
    if (m_decoding != ImapDecoding::None) {
        data = decoded.Data();
        n = decoded.Length();
    }
    if (m_jis) {
        if (JisBytesToSjis(data, n, converted) != kResultOk)
            return kOutOfMemory;
        data = converted.Data();
        n = converted.Length();
    }
    return m_sink.OnImapBodyLine(data, n, lineEnd);
}
