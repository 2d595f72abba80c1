// Taking a MIME message apart: the top-level headers, then either one body
// or a multipart body scanned line by line for its delimiters. Only the
// headers are kept; each part records where its encoded body lies, and an
// upper bound of its decoded size (so the decode into memory is sized once).
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/CoderFileStream.h"
#include "netcomp/mail/mime/MimeEngine.h"
#include "netcomp/mail/mime/MimeHeaderFields.h"

namespace {

constexpr size_t kMaxHeaderLine = 2046;
constexpr size_t kMaxBodyLine = 2047;

// Upper bound of the decoded size of n encoded bytes in lines line ends.
int64_t DecodedBound(int encoding, uint64_t n, uint64_t lines, int64_t previous)
{
    switch (encoding) {
    case kMimeQuotedPrintable:
        return int64_t(n + lines); // a lone LF may become CR LF
    case kMimeBase64:
        return int64_t(n / 4 * 3 + 3);
    case kMimeUnknown:
        return previous;
    default:
        return int64_t(n);
    }
}

size_t LineEndLength(const char* line, size_t n)
{
    if (n >= 2 && line[n - 2] == '\r' && line[n - 1] == '\n')
        return 2;
    return n >= 1 && line[n - 1] == '\n' ? 1 : 0;
}

bool IsEmptyLine(const char* line, size_t n)
{
    return (n == 1 && line[0] == '\n') || (n == 2 && line[0] == '\r' && line[1] == '\n');
}

// Adds a line to a header block with a CR LF ending.
int AppendHeaderLine(NetStringBase& block, const char* line, size_t n)
{
    n -= LineEndLength(line, n);
    if (block.Append(line, uint32_t(n)) || block.Append("\r\n", 2))
        return kOutOfMemory;
    return 0;
}

int AssignField(NetStringBase& target, const char* text, size_t n)
{
    return target.Assign(uint32_t(n), text) ? kOutOfMemory : 0;
}

} // namespace

// Handles the headers of a block: the message's own (topLevel) or a part's.
int MimeEngine::DecodeHeaders(const NetString& block, bool topLevel, MimePart* part)
{
    const char* pos = block.Data();
    const char* end = pos + block.Length();
    MimeHeaderField h;
    NetString value;
    while (NextMimeHeader(&pos, end, &h)) {
        int rc = 0;
        if (topLevel && h.NameIs("MIME-Version")) {
            if (h.valueLength != 3 || std::memcmp(h.value, "1.0", 3) != 0)
                return Fail(kMimeUnknownVersion, "Unknown MIME type");
        } else if (h.NameIs("Content-Type")) {
            if (topLevel) {
                if (m_parts.Count() == 1) {
                    MimePart& only = *m_parts.At(0);
                    rc |= AssignField(only.contentType, h.value, h.valueLength);
                    rc |= AssignField(only.contentTypeAttr, h.params, h.paramsLength);
                }
                rc |= AssignField(m_contentType, h.value, h.valueLength);
                rc |= AssignField(m_contentTypeAttr, h.params, h.paramsLength);
                // The message's own boundary is taken whole; only callers are held to 80.
                if (MimeParamValue(h.params, h.paramsLength, "boundary", false, false, value))
                    rc |= m_boundary.Assign(value.Length(), value.Data());
            } else {
                rc |= AssignField(part->contentType, h.value, h.valueLength);
                rc |= AssignField(part->contentTypeAttr, h.params, h.paramsLength);
                if (MimeParamValue(h.params, h.paramsLength, "name", true, false, value))
                    rc |= AssignField(part->name, value.Data(), value.Length());
            }
        } else if (h.NameIs("Content-Transfer-Encoding")) {
            if (topLevel) {
                if (m_parts.Resize(1))
                    return kOutOfMemory;
                part = m_parts.At(0);
                rc |= AssignField(part->contentType, m_contentType.Data(), m_contentType.Length());
                rc |= AssignField(part->contentTypeAttr, m_contentTypeAttr.Data(), m_contentTypeAttr.Length());
                if (MimeParamValue(m_contentTypeAttr.Data(), m_contentTypeAttr.Length(), "name", true, false, value))
                    rc |= AssignField(part->name, value.Data(), value.Length());
            }
            part->encoding = MimeEncodingOf(h.value, h.valueLength);
        } else if (h.NameIs("Content-Disposition")) {
            if (topLevel) {
                if (m_parts.Resize(1))
                    return kOutOfMemory;
                part = m_parts.At(0);
                rc |= AssignField(part->contentType, m_contentType.Data(), m_contentType.Length());
                rc |= AssignField(part->contentTypeAttr, m_contentTypeAttr.Data(), m_contentTypeAttr.Length());
            }
            rc |= AssignField(part->disposition, h.value, h.valueLength);
            rc |= AssignField(part->dispositionAttr, h.params, h.paramsLength);
            if (MimeParamValue(h.params, h.paramsLength, "filename", false, false, value))
                rc |= AssignField(part->fileName, value.Data(), value.Length());
            if (MimeParamValue(h.params, h.paramsLength, "name", true, true, value))
                rc |= AssignField(part->name, value.Data(), value.Length());
        } else if (!topLevel && h.NameIs("Content-Id")) {
            rc |= AssignField(part->contentId, h.value, h.valueLength);
        }
        if (rc)
            return kOutOfMemory;
    }
    return 0;
}

int MimeEngine::Decode(bool fromFile)
{
    CoderFileStream file;
    CoderMemoryStream memory(m_message.Data(), m_message.Length());
    CoderStream* in = &memory;
    uint64_t total = m_message.Length();
    if (fromFile) {
        if (int rc = file.OpenRead(m_message.CStr()))
            return FailCoder(rc);
        in = &file;
        total = file.FileSize();
    }
    m_fromFile = fromFile;
    in->SetProgress(total, 1, &MimeEngine::OnStreamProgress, this);
    if (m_parts.Resize(0))
        return kOutOfMemory;
    m_boundary.Clear();

    const char* line;
    size_t n;
    if (m_messageHeaders.IsEmpty()) {
        while (in->NextLine(&line, &n, kMaxHeaderLine) && !IsEmptyLine(line, n)) {
            if (AppendHeaderLine(m_messageHeaders, line, n))
                return kOutOfMemory;
        }
    }
    bool sawContentType = false;
    {
        const char* pos = m_messageHeaders.Data();
        MimeHeaderField h;
        while (NextMimeHeader(&pos, pos + std::strlen(pos), &h))
            sawContentType = sawContentType || h.NameIs("Content-Type");
    }
    if (int rc = DecodeHeaders(m_messageHeaders, true, nullptr))
        return rc;

    if (m_boundary.IsEmpty()) {
        // A single body; a message that names only its content type is one
        // part in 7bit, the default transfer encoding.
        if (m_parts.Count() == 0 && sawContentType) {
            if (m_parts.Resize(1))
                return kOutOfMemory;
            MimePart& only = *m_parts.At(0);
            if (AssignField(only.contentType, m_contentType.Data(), m_contentType.Length()) ||
                AssignField(only.contentTypeAttr, m_contentTypeAttr.Data(), m_contentTypeAttr.Length()) ||
                only.RebuildHeaders(m_japanese))
                return kOutOfMemory;
        }
        if (m_parts.Count() != 1)
            return Fail(kMimeNoBoundary, "No MIME-boundary found");
        MimePart& only = *m_parts.At(0);
        only.bodyOffset = in->Position();
        uint64_t lines = 0;
        const char* block;
        while (in->NextBlock(&block, &n)) {
            for (const char* p = block; (p = static_cast<const char*>(std::memchr(p, '\n', size_t(block + n - p))));
                 ++p)
                ++lines;
        }
        if (in->Error())
            return FailCoder(in->Error());
        only.bodyLength = in->Position() - only.bodyOffset;
        only.size = DecodedBound(only.encoding, only.bodyLength, lines, only.size);
        in->FinishProgress();
        return 0;
    }

    // The multipart body: a preamble, then parts between delimiter lines.
    enum class State { Preamble, Headers, Body };
    State state = State::Preamble;
    if (m_parts.Resize(0) || m_parts.Resize(1))
        return kOutOfMemory;
    int index = -1;
    MimePart* part = nullptr;
    uint64_t count = 0;
    uint64_t lines = 0;
    size_t lastEnd = 0;
    const size_t blen = m_boundary.Length();
    auto finishPart = [&] {
        if (!part || state != State::Body)
            return;
        part->bodyLength = count - lastEnd;
        part->size = DecodedBound(part->encoding, count, lines, part->size);
    };
    bool closed = false;
    while (in->NextLine(&line, &n, kMaxBodyLine)) {
        if (n >= blen + 2 && line[0] == '-' && line[1] == '-' && std::memcmp(line + 2, m_boundary.Data(), blen) == 0) {
            // Only blanks, "--" or the line end may follow the boundary.
            const char* rest = line + 2 + blen;
            const char* restEnd = line + n;
            const bool last = restEnd - rest >= 2 && rest[0] == '-' && rest[1] == '-';
            const char* q = last ? rest + 2 : rest;
            while (q < restEnd && (*q == ' ' || *q == '\t' || *q == '\r' || *q == '\n'))
                ++q;
            if (q == restEnd) {
                finishPart();
                if (last) {
                    closed = true;
                    break;
                }
                ++index;
                if (index == MimePartList::kMaxParts)
                    return Fail(kMimeBadPartIndex, "Too many parts in the message.");
                if (m_parts.Resize(index + 1))
                    return kOutOfMemory;
                part = m_parts.At(index);
                count = lines = 0;
                lastEnd = 0;
                state = State::Headers;
                continue;
            }
        }
        if (state == State::Headers) {
            if (!IsEmptyLine(line, n)) {
                if (AppendHeaderLine(part->headers, line, n))
                    return kOutOfMemory;
                continue;
            }
            part->bodyOffset = in->Position();
            if (int rc = DecodeHeaders(part->headers, false, part))
                return rc;
            state = State::Body;
        } else if (state == State::Body) {
            count += n;
            lastEnd = LineEndLength(line, n);
            lines += lastEnd ? 1 : 0;
        }
    }
    if (in->Error())
        return FailCoder(in->Error());
    // A message cut off before its closing delimiter keeps its last part.
    if (!closed)
        finishPart();
    in->FinishProgress();
    return 0;
}
