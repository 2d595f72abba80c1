#include "netcomp/mail/imap/ImapBodyLines.h"

#include <cstring>
#include <utility>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/ByteScan.h"
#include "netcomp/core/text/TextEncodings.h"
#include "netcomp/mail/coders/CoderStream.h"
#include "netcomp/mail/coders/Coders.h"

// One quoted-printable line through the MIME engine's decoder: given with
// its line end it gets CR LF unless it ends in a soft break, without one it
// gets none.
int DecodeQuotedPrintableLine(const char* data, uint32_t n, bool eol, NetStringBase& out)
{
    NetString line;
    if (line.Assign(n, data) != kResultOk || (eol && line.AppendChar('\n') != kResultOk) ||
        out.Assign(line.Length() + 2, nullptr) != kResultOk)
        return kOutOfMemory;
    CoderMemoryStream in(line.Data(), line.Length());
    CoderMemoryStream decoded(kCoderOutput, out.Data(), out.Length());
    const int rc = QpDecode(in, decoded);
    return rc != 0 ? rc : out.Assign(uint32_t(decoded.Written()), nullptr);
}

void ImapBodyLines::Start(ImapDecoding decoding, bool jisToSjis)
{
    m_decoding = decoding;
    m_jis = jisToSjis;
    m_partial.Clear();
}

int ImapBodyLines::Feed(const char* data, uint32_t n)
{
    // Most texts need neither decoding nor conversion: their lines go on as
    // they are, with no string made for them.
    const bool plain = m_decoding == ImapDecoding::None && !m_jis;
    while (n > 0) {
        const char* lf = FindByte(data, n, '\n');
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
            const uint32_t length = take > 0 && data[take - 1] == '\r' ? take - 1 : take;
            rc = plain ? m_sink.OnImapBodyLine(data, length, true) : Line(data, length, true);
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
    if (m_decoding == ImapDecoding::None && !m_jis)
        return m_sink.OnImapBodyLine(data, n, eol);
    NetString decoded, converted;
    bool lineEnd = eol;
    if (m_decoding == ImapDecoding::Base64) {
        if (decoded.Assign(n, data) != kResultOk)
            return kOutOfMemory;
        decoded.DecodeBase64();
        lineEnd = false;
    } else if (m_decoding == ImapDecoding::QuotedPrintable) {
        if (DecodeQuotedPrintableLine(data, n, eol, decoded) != kResultOk)
            return kOutOfMemory;
        // The decoder wrote the line end that the line keeps.
        lineEnd = false;
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
