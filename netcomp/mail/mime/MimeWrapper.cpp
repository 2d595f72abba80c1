#include "netcomp/mail/mime/MimeWrapper.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_mime.h"

MimeWrapper::MimeWrapper()
{
    m_mime.SetProgressSink(this);
}

void MimeWrapper::OnMimeProgress(int percent)
{
    Fire(kMimeEventProgress, {EventParam::Int(&percent)});
}

int MimeWrapper::Result(int rc)
{
    if (rc == 0)
        rc = m_mime.TakePendingCode();
    else
        (void)m_mime.TakePendingCode();
    if (rc == kOutOfMemory)
        SetLastErrorText("Out of memory.");
    else if (rc != 0 && rc != kUnknownSetting && *m_mime.LastErrorText())
        SetLastErrorText(m_mime.LastErrorText());
    return rc;
}

int MimeWrapper::RunAction(int action)
{
    m_mime.SetJapanese(CharsetMode() == 1);
    SetLastErrorText("");
    return Result(m_mime.Run(action));
}

int MimeWrapper::SetBoundary(const char* text)
{
    return Result(m_mime.SetBoundary(text));
}

int MimeWrapper::SetContentType(const char* text)
{
    return Result(m_mime.ContentType().AssignText(text));
}

int MimeWrapper::SetContentTypeAttr(const char* text)
{
    return Result(m_mime.ContentTypeAttr().AssignText(text));
}

int MimeWrapper::SetMessageHeaders(const char* text)
{
    return Result(m_mime.MessageHeaders().AssignText(text));
}

ByteView MimeWrapper::GetMessage()
{
    return {m_mime.Message().Data(), int(m_mime.Message().Length())};
}

int MimeWrapper::SetMessage(const char* data, int length)
{
    // A length of 0 with data takes the data as a text.
    if (!data)
        length = 0;
    else if (length <= 0)
        length = int(std::strlen(data));
    return Result(m_mime.Message().Assign(uint32_t(length), data));
}

const char* MimeWrapper::PartText(int index, MimePartField field)
{
    const NetString* text = m_mime.PartField(index, field);
    if (!text) {
        SetLastErrorText(m_mime.LastErrorText());
        return "";
    }
    return text->CStr();
}

int MimeWrapper::SetPartText(int index, MimePartField field, const char* text)
{
    m_mime.SetJapanese(CharsetMode() == 1);
    return Result(m_mime.SetPartField(index, field, text));
}

int MimeWrapper::SetPartContentDisposition(int index, const char* text)
{
    return SetPartText(index, MimePartField::Disposition, text);
}

int MimeWrapper::SetPartContentDispositionAttr(int index, const char* text)
{
    return SetPartText(index, MimePartField::DispositionAttr, text);
}

int MimeWrapper::SetPartContentId(int index, const char* text)
{
    return SetPartText(index, MimePartField::ContentId, text);
}

int MimeWrapper::SetPartContentType(int index, const char* text)
{
    return SetPartText(index, MimePartField::ContentType, text);
}

int MimeWrapper::SetPartContentTypeAttr(int index, const char* text)
{
    return SetPartText(index, MimePartField::ContentTypeAttr, text);
}

int MimeWrapper::SetPartFilename(int index, const char* text)
{
    return SetPartText(index, MimePartField::FileName, text);
}

int MimeWrapper::SetPartHeaders(int index, const char* text)
{
    return SetPartText(index, MimePartField::Headers, text);
}

int MimeWrapper::SetPartName(int index, const char* text)
{
    return SetPartText(index, MimePartField::Name, text);
}

int MimeWrapper::SetPartCount(int count)
{
    return Result(m_mime.SetPartCount(count));
}

const char* MimeWrapper::PartDecodedFile(int index)
{
    const char* name = m_mime.PartDecodedFile(index);
    if (!name) {
        SetLastErrorText(m_mime.LastErrorText());
        return "";
    }
    return name;
}

int MimeWrapper::SetPartDecodedFile(int index, const char* path)
{
    m_mime.SetJapanese(CharsetMode() == 1);
    return Result(m_mime.SetPartFile(index, path));
}

ByteView MimeWrapper::PartDecodedString(int index)
{
    uint32_t n = 0;
    const char* data = m_mime.PartDecodedData(index, &n);
    if (!data) {
        SetLastErrorText(m_mime.LastErrorText());
        return {"", 0};
    }
    return {data, int(n)};
}

int MimeWrapper::SetPartDecodedString(int index, const char* data, int length)
{
    if (!data)
        length = 0;
    else if (length <= 0)
        length = int(std::strlen(data));
    m_mime.SetJapanese(CharsetMode() == 1);
    return Result(m_mime.SetPartData(index, data, uint32_t(length)));
}

int MimeWrapper::SetPartEncoding(int index, int encoding)
{
    return Result(m_mime.SetPartEncoding(index, encoding));
}

int64_t MimeWrapper::PartSize(int index)
{
    return m_mime.PartSize(index);
}

int MimeWrapper::CheckPartIndex(int index)
{
    if (index >= 0 && index < m_mime.PartCount())
        return 0;
    SetLastErrorText("Invalid PartIdx");
    return kMimeBadPartIndex;
}
