#include "netcomp/mail/mime/MimePart.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

const char* const kEncodingTexts[] = {"7bit", "quoted-printable", "base64", "8bit", "binary", "unknown"};

bool PrefixNoCase(const char* value, size_t n, const char* text)
{
    if (n > std::strlen(text))
        return false;
    for (size_t i = 0; i < n; ++i) {
        char a = value[i], b = text[i];
        if (a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

const char* MimeEncodingText(int encoding)
{
    return encoding >= 0 && encoding <= kMimeUnknown ? kEncodingTexts[encoding] : kEncodingTexts[kMimeUnknown];
}

int MimeEncodingOf(const char* value, size_t n)
{
    for (int i = 0; i <= kMimeUnknown; ++i) {
        if (PrefixNoCase(value, n, kEncodingTexts[i]))
            return i;
    }
    return kMimeUnknown;
}

int MimePart::RebuildHeaders(bool japanese)
{
    NetString& h = headers;
    h.Clear();
    int rc = 0;
    if (!contentType.IsEmpty()) {
        rc |= h.AppendCStr("Content-Type: ");
        rc |= h.Append(contentType.Data(), contentType.Length());
        if (!name.IsEmpty()) {
            rc |= h.AppendChar(';');
            rc |= h.AppendHeaderParam("name", name.Data(), name.Length(), japanese);
        }
        if (!contentTypeAttr.IsEmpty()) {
            rc |= h.AppendCStr("; ");
            rc |= h.Append(contentTypeAttr.Data(), contentTypeAttr.Length());
        }
        rc |= h.AppendCStr("\r\n");
    }
    if (!contentId.IsEmpty()) {
        rc |= h.AppendCStr("Content-Id: ");
        rc |= h.Append(contentId.Data(), contentId.Length());
        rc |= h.AppendCStr("\r\n");
    }
    if (!disposition.IsEmpty()) {
        rc |= h.AppendCStr("Content-Disposition: ");
        rc |= h.Append(disposition.Data(), disposition.Length());
        if (!name.IsEmpty()) {
            rc |= h.AppendChar(';');
            rc |= h.AppendHeaderParam("name", name.Data(), name.Length(), japanese);
        }
        if (!fileName.IsEmpty()) {
            rc |= h.AppendChar(';');
            rc |= h.AppendHeaderParam("filename", fileName.Data(), fileName.Length(), japanese);
        }
        if (!dispositionAttr.IsEmpty()) {
            rc |= h.AppendCStr("; ");
            rc |= h.Append(dispositionAttr.Data(), dispositionAttr.Length());
        }
        rc |= h.AppendCStr("\r\n");
    }
    rc |= h.AppendCStr("Content-Transfer-Encoding: ");
    rc |= h.AppendCStr(MimeEncodingText(encoding));
    rc |= h.AppendCStr("\r\n");
    return rc ? kOutOfMemory : kResultOk;
}

void MimePart::DropTemporaryFile()
{
    if (!temporaryFile)
        return;
    std::remove(file.CStr());
    file.Clear();
    temporaryFile = false;
}

int MimePartList::Resize(int count)
{
    if (count < 0)
        count = 0;
    try {
        if (size_t(count) < m_parts.size()) {
            m_parts.resize(size_t(count));
            return kResultOk;
        }
        m_parts.reserve(size_t(count));
        while (m_parts.size() < size_t(count))
            m_parts.push_back(std::make_unique<MimePart>());
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kResultOk;
}
