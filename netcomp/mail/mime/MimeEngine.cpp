// Building a MIME message, the part accessors and the decoding of a part's
// body on demand. The decoder of whole messages is in MimeDecoder.cpp.
#include "netcomp/mail/mime/MimeEngine.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/CoderFileStream.h"
#include "netcomp/mail/coders/Coders.h"

namespace {

const char kMimeVersion[] = "MIME-Version: 1.0 (produced by the Tessarine MIME Component)\r\n";

// Extensions that choose the encoding and content type of a file part.
struct ExtensionRule {
    const char* extension;
    int encoding;
    const char* contentType;
};
const ExtensionRule kExtensions[] = {
    {"htm", kMimeQuotedPrintable, "text/plain"}, {"txt", kMimeQuotedPrintable, "text/plain"},
    {"jpg", kMimeBase64, "image/jpg"},           {"gif", kMimeBase64, "image/gif"},
    {"bmp", kMimeBase64, "image/bmp"},           {"exe", kMimeBase64, "application/octet-stream"},
};

uint64_t BodyBound(int encoding, uint64_t size)
{
    switch (encoding) {
    case kMimeQuotedPrintable:
        return QpEncodedBound(size);
    case kMimeBase64:
        return Base64EncodedBound(size);
    case kMimeUnknown:
        return 0;
    default:
        return size;
    }
}

bool IsMultipartType(const NetString& type)
{
    return StrNICmp(type.CStr(), "multipart/", 10) == 0;
}

} // namespace

MimeEngine::MimeEngine()
{
    (void)m_boundaryPrefix.AssignText("--boundary");
}

int MimeEngine::Fail(int code, const char* text)
{
    m_lastCode = code;
    m_lastError.Clear();
    (void)m_lastError.AssignText(text);
    return code;
}

int MimeEngine::FailCoder(int code)
{
    return Fail(code, code == kOutOfMemory ? "Out of memory." : CoderErrorText(code));
}

int MimeEngine::Run(int action)
{
    m_lastCode = 0;
    m_lastError.Clear();
    m_action = action;
    int rc = 0;
    switch (action) {
    case kMimeRunDecodeFile:
        rc = Decode(true);
        break;
    case kMimeRunDecodeText:
        rc = Decode(false);
        break;
    case kMimeRunEncodeFile:
        rc = Encode(true);
        break;
    case kMimeRunEncodeText:
        rc = Encode(false);
        break;
    case kMimeRunReset:
        m_boundary.Clear();
        m_message.Clear();
        m_messageHeaders.Clear();
        m_contentType.Clear();
        m_contentTypeAttr.Clear();
        rc = m_parts.Resize(0);
        break;
    default:
        break;
    }
    m_action = 0;
    if (rc == kOutOfMemory)
        (void)Fail(rc, "Out of memory.");
    return rc;
}

int MimeEngine::SetBoundary(const char* text)
{
    if (!text)
        text = "";
    const size_t n = std::strlen(text);
    return m_boundary.Assign(uint32_t(n > kMaxBoundary ? kMaxBoundary : n), text);
}

int MimeEngine::TakePendingCode()
{
    const int code = m_pending;
    m_pending = 0;
    return code;
}

void MimeEngine::OnStreamProgress(void* self, int percent)
{
    MimeEngine* engine = static_cast<MimeEngine*>(self);
    if (!engine->m_progressSink)
        return;
    if (engine->m_action == kMimeRunEncodeFile || engine->m_action == kMimeRunEncodeText)
        percent = (engine->m_currentPart * 100 + percent) / engine->m_partTotal;
    engine->m_progressSink->OnMimeProgress(percent);
}

int MimeEngine::GenerateBoundary()
{
    // Prefix, the UTC date and time, and a number from the clock and this object.
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    const auto ticks = static_cast<unsigned long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    const unsigned long mix = ticks * static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this) + 1);
    char text[160];
    std::snprintf(text, sizeof text, "%s.tsn.%04d%02d%d%d%d%d%d.%lu", m_boundaryPrefix.CStr(), utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_wday, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, mix);
    return m_boundary.AssignText(text);
}

int MimeEngine::Encode(bool toFile)
{
    const int count = m_parts.Count();
    if (count == 0)
        return 0;
    // A part's file is read while the message is written: never the same file.
    for (int i = 0; toFile && i < count; ++i) {
        const NetString& input = m_parts.At(i)->file;
        if (!input.IsEmpty() && CoderSameFile(input.CStr(), m_message.CStr()))
            return FailCoder(kCoderCantCreate);
    }
    if (m_boundary.IsEmpty() && GenerateBoundary())
        return kOutOfMemory;
    if (m_messageHeaders.AssignText(kMimeVersion))
        return kOutOfMemory;
    const bool multi = count > 1 || m_alwaysMultipart;
    if (!multi) {
        MimePart& part = *m_parts.At(0);
        if (m_contentType.Assign(part.contentType.Length(), part.contentType.Data()) ||
            m_contentTypeAttr.Assign(part.contentTypeAttr.Length(), part.contentTypeAttr.Data()) ||
            m_messageHeaders.Append(part.headers.Data(), part.headers.Length()))
            return kOutOfMemory;
    } else {
        // The multipart type is chosen afresh for each encode: a type left
        // from a one-part encode or a decode is no multipart type.
        if (!IsMultipartType(m_contentType) && m_contentType.AssignText("multipart/mixed"))
            return kOutOfMemory;
        if (m_contentTypeAttr.AssignText("boundary=\"") ||
            m_contentTypeAttr.Append(m_boundary.Data(), m_boundary.Length()) || m_contentTypeAttr.AppendChar('"') ||
            m_messageHeaders.AppendCStr("Content-Type: ") ||
            m_messageHeaders.Append(m_contentType.Data(), m_contentType.Length()) ||
            m_messageHeaders.AppendCStr("; ") ||
            m_messageHeaders.Append(m_contentTypeAttr.Data(), m_contentTypeAttr.Length()))
            return kOutOfMemory;
    }

    CoderFileStream file(true);
    std::unique_ptr<CoderMemoryStream> memory;
    CoderStream* out = &file;
    if (toFile) {
        if (int rc = file.OpenWrite(m_message.CStr()))
            return FailCoder(rc);
    } else {
        // Reserve a bound that the output cannot pass, so the buffer is never grown.
        uint64_t reserve = m_boundary.Length() + 8;
        for (int i = 0; i < count; ++i) {
            MimePart& part = *m_parts.At(i);
            uint64_t size = part.file.IsEmpty() ? part.data.Length() : uint64_t(part.size < 0 ? 0 : part.size);
            if (!part.file.IsEmpty()) {
                CoderFileStream probe;
                if (probe.OpenRead(part.file.CStr()) == 0 && probe.FileSize() > size)
                    size = probe.FileSize();
            }
            reserve += part.headers.Length() + m_boundary.Length() + 8 + BodyBound(part.encoding, size);
        }
        if (reserve > NetString::kMaxLength)
            reserve = NetString::kMaxLength;
        if (m_message.Assign(uint32_t(reserve), nullptr))
            return kOutOfMemory;
        memory = std::make_unique<CoderMemoryStream>(kCoderOutput, m_message.Data(), m_message.Length());
        out = memory.get();
    }
    int rc = 0;
    m_partTotal = count;
    for (int i = 0; i < count && rc == 0; ++i) {
        m_currentPart = i;
        MimePart& part = *m_parts.At(i);
        if (multi) {
            if (i > 0)
                rc = out->Write("\r\n", 2);
            if (rc == 0)
                rc = out->Write("--", 2);
            if (rc == 0)
                rc = out->Write(m_boundary.Data(), m_boundary.Length());
            if (rc == 0)
                rc = out->Write("\r\n", 2);
            if (rc == 0)
                rc = out->Write(part.headers.Data(), part.headers.Length());
            if (rc == 0)
                rc = out->Write("\r\n", 2);
        }
        if (rc == 0)
            rc = EncodeBody(part, *out, count);
    }
    if (rc == 0 && multi) {
        rc = out->Write("\r\n--", 4);
        if (rc == 0)
            rc = out->Write(m_boundary.Data(), m_boundary.Length());
        if (rc == 0)
            rc = out->Write("--\r\n", 4);
    }
    if (rc == 0)
        rc = out->Flush();
    if (memory) {
        (void)m_message.Assign(uint32_t(memory->Written()), nullptr);
    } else if (int closed = file.Close(); rc == 0) {
        rc = closed;
    }
    return rc ? FailCoder(rc) : 0;
}

int MimeEngine::EncodeBody(MimePart& part, CoderStream& out, int count)
{
    CoderFileStream file;
    CoderMemoryStream memory(part.data.Data(), part.data.Length());
    CoderStream* in = &memory;
    uint64_t total = part.data.Length();
    if (!part.file.IsEmpty()) {
        if (int rc = file.OpenRead(part.file.CStr()))
            return rc;
        in = &file;
        total = file.FileSize();
    }
    in->SetProgress(total, 100 / count > 0 ? 100 / count : 1, &MimeEngine::OnStreamProgress, this);
    int rc;
    switch (part.encoding) {
    case kMimeQuotedPrintable:
        rc = QpEncode(*in, out);
        break;
    case kMimeBase64:
        rc = Base64Encode(*in, out);
        break;
    case kMimeUnknown:
        rc = 0;
        break;
    default:
        rc = CopyCoder(*in, out);
        break;
    }
    in->FinishProgress();
    return rc;
}

MimePart* MimeEngine::PartOrFail(int index, int* rc)
{
    MimePart* part = m_parts.At(index);
    if (!part) {
        (void)m_lastError.AssignText("Invalid PartIdx");
        if (rc)
            *rc = kMimeBadPartIndex;
    }
    return part;
}

int MimeEngine::SetPartCount(int count)
{
    if (count < 0 || count > MimePartList::kMaxParts)
        return Fail(kMimeBadPartIndex, "Invalid PartCount (out of range).");
    return m_parts.Resize(count);
}

const NetString* MimeEngine::PartField(int index, MimePartField field)
{
    MimePart* part = PartOrFail(index, nullptr);
    if (!part)
        return nullptr;
    switch (field) {
    case MimePartField::Disposition:
        return &part->disposition;
    case MimePartField::DispositionAttr:
        return &part->dispositionAttr;
    case MimePartField::ContentId:
        return &part->contentId;
    case MimePartField::ContentType:
        return &part->contentType;
    case MimePartField::ContentTypeAttr:
        return &part->contentTypeAttr;
    case MimePartField::FileName:
        return &part->fileName;
    case MimePartField::Name:
        return &part->name;
    case MimePartField::Headers:
        return &part->headers;
    }
    return nullptr;
}

int MimeEngine::SetPartField(int index, MimePartField field, const char* text)
{
    int rc = 0;
    if (!PartOrFail(index, &rc))
        return rc;
    NetString* target = const_cast<NetString*>(PartField(index, field));
    if (target->AssignText(text ? text : ""))
        return kOutOfMemory;
    if (field == MimePartField::Headers)
        return 0;
    return m_parts.At(index)->RebuildHeaders(m_japanese);
}

int MimeEngine::PartEncoding(int index)
{
    MimePart* part = PartOrFail(index, nullptr);
    return part ? part->encoding : 0;
}

int MimeEngine::SetPartEncoding(int index, int encoding)
{
    int rc = 0;
    MimePart* part = PartOrFail(index, &rc);
    if (!part)
        return rc;
    part->encoding = encoding < 0 || encoding > kMimeUnknown ? kMimeUnknown : encoding;
    return part->RebuildHeaders(m_japanese);
}

int64_t MimeEngine::PartSize(int index)
{
    MimePart* part = PartOrFail(index, nullptr);
    return part ? part->size : 0;
}

int MimeEngine::SetPartData(int index, const char* data, uint32_t n)
{
    int rc = 0;
    MimePart* part = PartOrFail(index, &rc);
    if (!part)
        return rc;
    if (part->data.Assign(n, data))
        return kOutOfMemory;
    part->size = n;
    if (part->encoding != 0 || !part->contentType.IsEmpty())
        return 0;
    // Control and 8-bit bytes call for base64; DEL alone for quoted-printable.
    bool del = false;
    for (uint32_t i = n; i-- > 0;) {
        const signed char c = static_cast<signed char>(data[i]);
        if (c < 32 && c != '\r' && c != '\n' && c != '\t') {
            part->encoding = kMimeBase64;
            if (part->contentType.AssignText("application/octet-stream"))
                return kOutOfMemory;
            return part->RebuildHeaders(m_japanese);
        }
        if (c == 127)
            del = true;
    }
    part->encoding = del ? kMimeQuotedPrintable : kMime7bit;
    if (part->contentType.AssignText("text/plain"))
        return kOutOfMemory;
    return part->RebuildHeaders(m_japanese);
}

int MimeEngine::SetPartFile(int index, const char* path)
{
    int rc = 0;
    MimePart* part = PartOrFail(index, &rc);
    if (!part)
        return rc;
    CoderFileStream probe;
    if (!path || probe.OpenRead(path) != 0)
        return Fail(kMimeNoFile, "No file given");
    NetString chosen;
    if (chosen.AssignText(path))
        return kOutOfMemory;
    // The caller's file takes the place of one decoded on demand (unless it
    // names that very file).
    if (!part->temporaryFile || !CoderSameFile(path, part->file.CStr())) {
        part->DropTemporaryFile();
        part->file = std::move(chosen);
    }
    part->size = int64_t(probe.FileSize());
    if (part->encoding != 0 || !part->contentType.IsEmpty())
        return 0;
    part->encoding = kMimeBase64;
    const char* contentType = "application/octet-stream";
    const char* base = StrRChr(path, '\\');
    base = base ? base + 1 : path;
    const char* dot = StrRChr(base, '.');
    if (dot) {
        for (const ExtensionRule& rule : kExtensions) {
            if (StrICmp(dot + 1, rule.extension) == 0) {
                part->encoding = rule.encoding;
                contentType = rule.contentType;
                break;
            }
        }
    }
    if (part->contentType.AssignText(contentType) || part->name.AssignText(base) ||
        part->disposition.AssignText("attachment") || part->fileName.AssignText(base))
        return kOutOfMemory;
    return part->RebuildHeaders(m_japanese);
}

// Opens the part's encoded body: a window of the Message text, or of the
// message file at the body's offset.
int MimeEngine::OpenPartBody(MimePart& part, CoderFileStream& file, std::unique_ptr<CoderStream>& memory,
                             CoderStream** in)
{
    if (m_fromFile) {
        if (file.OpenRead(m_message.CStr(), part.bodyOffset, part.bodyLength))
            return Fail(kMimeCantReadMessage, "Can't read from Message file");
        *in = &file;
        return 0;
    }
    // The text may have been replaced since the decode.
    if (part.bodyOffset > m_message.Length() || part.bodyLength > m_message.Length() - part.bodyOffset)
        return Fail(kMimeCantReadMessage, "Can't read from Message file");
    memory = std::make_unique<CoderMemoryStream>(m_message.Data() + part.bodyOffset, size_t(part.bodyLength));
    *in = memory.get();
    return 0;
}

namespace {

int DecodeBody(int encoding, CoderStream& in, CoderStream& out)
{
    switch (encoding) {
    case kMimeQuotedPrintable:
        return QpDecode(in, out);
    case kMimeBase64:
        return Base64Decode(in, out);
    case kMimeUnknown:
        return 0;
    default:
        return CopyCoder(in, out);
    }
}

} // namespace

const char* MimeEngine::PartDecodedFile(int index)
{
    MimePart* part = PartOrFail(index, nullptr);
    if (!part)
        return nullptr;
    if (!part->file.IsEmpty())
        return part->file.CStr();
    NetString name;
    if (!CoderMakeTempFile("mim2", name)) {
        m_pending = Fail(kMimeNoTempFile, "Could not create a temporary file to decode the data");
        return nullptr;
    }
    CoderFileStream source;
    std::unique_ptr<CoderStream> window;
    CoderStream* in = nullptr;
    if (int rc = OpenPartBody(*part, source, window, &in)) {
        std::remove(name.CStr());
        m_pending = rc;
        return nullptr;
    }
    CoderFileStream out(true);
    int rc = out.OpenWrite(name.CStr());
    if (rc == 0)
        rc = DecodeBody(part->encoding, *in, out);
    if (int closed = out.Close(); rc == 0)
        rc = closed;
    if (rc == 0 && part->file.Assign(name.Length(), name.Data()))
        rc = kOutOfMemory;
    if (rc) {
        std::remove(name.CStr());
        m_pending = FailCoder(rc);
        return nullptr;
    }
    part->temporaryFile = true;
    return part->file.CStr();
}

const char* MimeEngine::PartDecodedData(int index, uint32_t* length)
{
    *length = 0;
    MimePart* part = PartOrFail(index, nullptr);
    if (!part)
        return nullptr;
    if (!part->data.IsEmpty() || part->bodyLength == 0) {
        *length = part->data.Length();
        return part->data.Data();
    }
    CoderFileStream source;
    std::unique_ptr<CoderStream> window;
    CoderStream* in = nullptr;
    if (int rc = OpenPartBody(*part, source, window, &in)) {
        m_pending = rc;
        return nullptr;
    }
    // The size estimate of a decode never falls short of the decoded bytes.
    uint64_t reserve = part->size > 0 ? uint64_t(part->size) : 0;
    if (reserve > NetString::kMaxLength)
        reserve = NetString::kMaxLength;
    int rc = part->data.Assign(uint32_t(reserve), nullptr);
    if (rc == 0) {
        CoderMemoryStream out(kCoderOutput, part->data.Data(), part->data.Length());
        rc = DecodeBody(part->encoding, *in, out);
        (void)part->data.Assign(uint32_t(out.Written()), nullptr);
    }
    if (rc) {
        part->data.Clear();
        m_pending = FailCoder(rc);
        return nullptr;
    }
    part->size = part->data.Length();
    *length = part->data.Length();
    return part->data.Data();
}
