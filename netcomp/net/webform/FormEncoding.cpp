#include "netcomp/net/webform/FormEncoding.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/coders/CoderFileStream.h"
#include "netcomp/mail/mime/MimeEngine.h"

namespace {

bool KeptAsIs(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' || c == '-' ||
           c == '.' || c == '@' || c == '_';
}

const char kHex[] = "0123456789ABCDEF";

[[nodiscard]] int AppendDispositionLine(NetStringBase& out, const char* name)
{
    int rc = out.AppendCStr("Content-Disposition: form-data; name=\"");
    if (rc == kResultOk)
        rc = AppendDispositionValue(out, name);
    return rc == kResultOk ? out.AppendChar('"') : rc;
}

} // namespace

int AppendUrlEncoded(NetStringBase& out, const char* data, uint32_t n)
{
    // One append per run of plain bytes, not per byte.
    uint32_t start = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (KeptAsIs(c))
            continue;
        const char escape[3] = {'%', kHex[c >> 4], kHex[c & 15]};
        int rc = out.Append(data + start, i - start);
        if (rc == kResultOk)
            rc = out.Append(escape, 3);
        if (rc != kResultOk)
            return rc;
        start = i + 1;
    }
    return out.Append(data + start, n - start);
}

int AppendUrlEncodedPairs(NetStringBase& out, const StringList& names, const StringList& values)
{
    const uint32_t count = names.Count();
    for (uint32_t i = 0; i < count; ++i) {
        int rc = i > 0 ? out.AppendChar('&') : kResultOk;
        if (rc == kResultOk)
            rc = AppendUrlEncoded(out, names.Item(i), names.ItemLength(i));
        if (rc == kResultOk)
            rc = out.AppendChar('=');
        if (rc == kResultOk)
            rc = AppendUrlEncoded(out, values.Item(i), values.ItemLength(i));
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

// A quoted string (RFC 2045, RFC 7578): a backslash and a double quote take
// a backslash before them. A line break would end the header line early and
// start a header of the value's choosing; it goes as %0D and %0A, as
// browsers send it.
int AppendDispositionValue(NetStringBase& out, const char* text)
{
    for (const char* p = text ? text : ""; *p; ++p) {
        int rc;
        if (*p == '\r')
            rc = out.AppendCStr("%0D");
        else if (*p == '\n')
            rc = out.AppendCStr("%0A");
        else if (*p == '"' || *p == '\\')
            rc = AppendAll(out, {"\\", *p == '"' ? "\"" : "\\"});
        else
            rc = out.AppendChar(*p);
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int SetFormFieldPart(MimeEngine& mime, int index, const char* name, const char* value, uint32_t n)
{
    MimePart* part = mime.Parts().At(index);
    if (!part)
        return kMimeBadPartIndex;
    part->encoding = kMime7bit;
    part->size = n;
    part->headers.Clear();
    int rc = part->data.Assign(n, value);
    if (rc == kResultOk)
        rc = AppendDispositionLine(part->headers, name);
    return rc == kResultOk ? part->headers.AppendCStr("\r\n") : rc;
}

int SetFormFilePart(MimeEngine& mime, int index, const char* variable, const char* path)
{
    int rc = mime.SetPartFile(index, path);
    if (rc != kResultOk)
        return rc;
    MimePart& part = *mime.Parts().At(index);
    part.encoding = kMimeBinary;
    rc = part.disposition.AssignText("form-data");
    if (rc == kResultOk)
        rc = part.contentType.AssignText("application/octet-stream");
    // The server is told the file's name, not where it lies on this machine.
    part.headers.Clear();
    if (rc == kResultOk)
        rc = AppendDispositionLine(part.headers, variable);
    if (rc == kResultOk)
        rc = part.headers.AppendCStr("; filename=\"");
    if (rc == kResultOk)
        rc = AppendDispositionValue(part.headers, CoderBaseName(path));
    if (rc == kResultOk)
        rc = AppendAll(part.headers, {"\"\r\nContent-Type: ", part.contentType.CStr(), "\r\n"});
    return rc;
}

int UploadPercent(int64_t sent, int64_t total)
{
    if (sent <= 0 || total <= 0)
        return 0;
    if (sent >= total)
        return 99;
    return int(sent * 100 / total);
}
