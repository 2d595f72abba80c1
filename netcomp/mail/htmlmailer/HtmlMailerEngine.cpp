// Setting the HTML (or its file) scans it at once: the caller reads the
// rewritten HTML, the plain text and the images found before sending. The
// body is built at send time in two levels: the text and the HTML as a
// multipart/alternative, which becomes the first part of a multipart/related
// with the images and linked files when there are any. A reference is mailed
// only when it names, relative to the HTML file's folder (or the current one
// for HTML given as text), a file that is there; absolute paths, "..",
// schemes such as data: and cid: are left as they stand.
#include "netcomp/mail/htmlmailer/HtmlMailerEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/FileHandle.h"
#include "netcomp/include/netcomp_htmlmailer.h"
#include "netcomp/mail/htmlmailer/HtmlScanner.h"

namespace {

constexpr uint32_t kReadChunk = 2048;

constexpr SmtpEventNumbers kHtmlMailerEvents = {
    kHtmlMailerEventConnectionStatus, kHtmlMailerEventEndTransfer,   kHtmlMailerEventError,   0,
    kHtmlMailerEventPITrail,          kHtmlMailerEventStartTransfer, kHtmlMailerEventTransfer};

constexpr EventTable kHtmlMailerSharedEvents = {
    {SharedEvent::ConnectionStatus, kHtmlMailerEventConnectionStatus},
    {SharedEvent::EndTransfer, kHtmlMailerEventEndTransfer},
    {SharedEvent::Error, kHtmlMailerEventError},
    {SharedEvent::ProtocolTrail, kHtmlMailerEventPITrail},
    {SharedEvent::StartTransfer, kHtmlMailerEventStartTransfer},
    {SharedEvent::Transfer, kHtmlMailerEventTransfer},
};

// The text after the last "." of the file's name part, or "".
const char* Extension(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    const char* dot = StrRChr(name, '.');
    return dot ? dot + 1 : "";
}

const char* FileNamePart(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    return name;
}

const char* ImageTypeOf(const char* path)
{
    const char* ext = Extension(path);
    if (StrICmp(ext, "gif") == 0)
        return "image/gif";
    if (StrICmp(ext, "jpg") == 0 || StrICmp(ext, "jpeg") == 0)
        return "image/jpeg";
    return "application/binary";
}

// "Content-Type: <type>; boundary=..." and one CR LF: the header block of a
// multipart level that becomes a part of the level above.
int LevelHeaders(MimeEngine& mime, NetStringBase& out)
{
    int rc = out.AssignText("Content-Type: ");
    if (rc == kResultOk)
        rc = out.Append(mime.ContentType().Data(), mime.ContentType().Length());
    if (rc == kResultOk)
        rc = out.Append("; ", 2);
    if (rc == kResultOk)
        rc = out.Append(mime.ContentTypeAttr().Data(), mime.ContentTypeAttr().Length());
    return rc == kResultOk ? out.Append("\r\n", 2) : rc;
}

int SetTextPart(MimeEngine& mime, int index, const NetString& text, const char* type, bool japanese)
{
    int rc = mime.SetPartData(index, text.Data(), text.Length());
    if (rc == kResultOk)
        rc = mime.SetPartEncoding(index, kMimeQuotedPrintable);
    if (rc == kResultOk)
        rc = mime.SetPartField(index, MimePartField::ContentType, type);
    if (rc == kResultOk && japanese)
        rc = mime.SetPartField(index, MimePartField::ContentTypeAttr, "charset=\"iso-2022-jp\"");
    return rc;
}

} // namespace

HtmlMailerEngine::HtmlMailerEngine() : FileMailerEngine(kHtmlMailerEvents, kHtmlMailerSharedEvents) {}

HtmlMailerEngine::~HtmlMailerEngine() = default;

int HtmlMailerEngine::RefuseWhileSending()
{
    return RefuseWhilePrepared();
}

int HtmlMailerEngine::SetHtmlFile(const char* path)
{
    if (int rc = RefuseWhileSending())
        return rc;
    int rc = m_htmlFile.AssignText(path);
    return rc == kResultOk ? Scan() : rc;
}

int HtmlMailerEngine::SetMessageHtml(const char* html)
{
    if (int rc = RefuseWhileSending())
        return rc;
    int rc = m_html.AssignText(html);
    return rc == kResultOk ? Scan() : rc;
}

int HtmlMailerEngine::SetPlainText(const char* text)
{
    if (int rc = RefuseWhileSending())
        return rc;
    return AssignBodyText(m_plainText, text, text ? uint32_t(std::strlen(text)) : 0);
}

int HtmlMailerEngine::SetParseHtml(bool on)
{
    if (int rc = RefuseWhileSending())
        return rc;
    m_parse = on;
    return kResultOk;
}

// ---- The scan ----

int HtmlMailerEngine::ReadHtmlFile(NetStringBase& out)
{
    FileHandle file;
    if (file.OpenRead(m_htmlFile.CStr(), 0) != 0) {
        SetLastErrorText("Can't open HTMLFile.");
        return kFileError;
    }
    char block[kReadChunk];
    for (;;) {
        uint32_t got = 0;
        if (file.Read(block, sizeof block, &got) != 0) {
            SetLastErrorText("Can't open HTMLFile.");
            return kFileError;
        }
        if (got == 0)
            return kResultOk;
        if (int rc = out.Append(block, got))
            return rc;
    }
}

int HtmlMailerEngine::ResolvePath(const char* value, NetStringBase& out) const
{
    out.Clear();
    const char* file = m_htmlFile.CStr();
    const char* name = FileNamePart(file);
    int rc = out.Append(file, uint32_t(name - file));
    for (const char* p = value; *p && rc == kResultOk; ++p)
        rc = out.AppendChar(*p == '/' ? '\\' : *p);
    return rc;
}

// Offered each reference that names a file relative to the HTML: taken when
// the file is there (and, for an image, while the list has room).
bool HtmlMailerEngine::AcceptFile(void* self, const char* value, bool image)
{
    auto* engine = static_cast<HtmlMailerEngine*>(self);
    if (image && engine->m_images.size() >= size_t(kHtmlMailerMaxImages))
        return false;
    NetString path;
    if (engine->ResolvePath(value, path) != kResultOk)
        return false;
    const DWORD attributes = GetFileAttributesA(path.CStr());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int HtmlMailerEngine::Scan()
{
    m_plainText.Clear();
    m_sentHtml.Clear();
    m_images.clear();
    m_linked.clear();
    if (m_html.IsEmpty() && m_htmlFile.IsEmpty())
        return kResultOk;
    NetString source;
    int rc = source.Assign(m_html.Length(), m_html.Data());
    if (rc == kResultOk && !m_htmlFile.IsEmpty())
        rc = ReadHtmlFile(source);
    if (rc != kResultOk)
        return rc;
    // Unparsed, the HTML goes as it was given.
    if (!m_parse)
        return m_sentHtml.Assign(source.Length(), source.Data());
    HtmlScanner scan;
    rc = scan.Scan(source.Data(), source.Length(), &AcceptFile, this);
    if (rc == kResultOk)
        rc = m_sentHtml.Assign(scan.Html().Length(), scan.Html().Data());
    if (rc == kResultOk)
        rc = AssignBodyText(m_plainText, scan.Text().Data(), scan.Text().Length());
    for (const HtmlReference& r : scan.References()) {
        if (rc != kResultOk)
            break;
        NetString path;
        rc = ResolvePath(r.value.CStr(), path);
        if (rc == kResultOk && r.image) {
            Image image;
            rc = image.file.Assign(path.Length(), path.Data());
            if (rc == kResultOk)
                rc = image.type.AssignText(ImageTypeOf(path.CStr()));
            if (rc == kResultOk)
                rc = image.contentId.Assign(r.contentId.Length(), r.contentId.Data());
            m_images.push_back(std::move(image));
        } else if (rc == kResultOk) {
            Linked linked;
            rc = linked.file.Assign(path.Length(), path.Data());
            if (rc == kResultOk)
                rc = linked.contentId.Assign(r.contentId.Length(), r.contentId.Data());
            m_linked.push_back(std::move(linked));
        }
    }
    return rc;
}

// ---- Images ----

HtmlMailerEngine::Image* HtmlMailerEngine::ImageAt(int index)
{
    return index >= 1 && size_t(index) <= m_images.size() ? &m_images[size_t(index - 1)] : nullptr;
}

const HtmlMailerEngine::Image* HtmlMailerEngine::ImageAt(int index) const
{
    return const_cast<HtmlMailerEngine*>(this)->ImageAt(index);
}

int HtmlMailerEngine::CheckImageIndex(int index)
{
    if (ImageAt(index))
        return kResultOk;
    SetLastErrorText(m_images.empty() ? "No images available." : "Invalid image index.");
    return kHtmlMailerBadImageIndex;
}

int HtmlMailerEngine::SetImageCount(int count)
{
    if (int rc = RefuseWhileSending())
        return rc;
    if (count < 0 || count > kHtmlMailerMaxImages) {
        SetLastErrorText("Out of memory.");
        return kOutOfMemory;
    }
    m_images.resize(size_t(count));
    return kResultOk;
}

ByteView HtmlMailerEngine::ImageData(int index) const
{
    const Image* image = ImageAt(index);
    return image ? ByteView{image->data.Data(), int(image->data.Length())} : ByteView{"", 0};
}

// Data set for an image is mailed in place of its file.
int HtmlMailerEngine::SetImageData(int index, const char* data, int length)
{
    if (int rc = RefuseWhileSending())
        return rc;
    Image* image = ImageAt(index);
    if (!image)
        return CheckImageIndex(index);
    if (!data)
        length = 0;
    else if (length < 0)
        length = int(std::strlen(data));
    return image->data.Assign(uint32_t(length), data ? data : "");
}

const char* HtmlMailerEngine::ImageFile(int index) const
{
    const Image* image = ImageAt(index);
    return image ? image->file.CStr() : "";
}

// A file named here is the caller's choice and is mailed as it is named. An
// image without a content id gets one from the file's name; the HTML refers
// to it as "cid:" and that id.
int HtmlMailerEngine::SetImageFile(int index, const char* path)
{
    if (int rc = RefuseWhileSending())
        return rc;
    Image* image = ImageAt(index);
    if (!image)
        return CheckImageIndex(index);
    int rc = image->file.AssignText(path);
    if (rc == kResultOk && image->type.IsEmpty())
        rc = image->type.AssignText(ImageTypeOf(image->file.CStr()));
    if (rc == kResultOk && image->contentId.IsEmpty()) {
        const char* name = FileNamePart(image->file.CStr());
        rc = AppendContentId(name, uint32_t(std::strlen(name)), image->contentId);
    }
    return rc;
}

const char* HtmlMailerEngine::ImageType(int index) const
{
    const Image* image = ImageAt(index);
    return image ? image->type.CStr() : "";
}

int HtmlMailerEngine::SetImageType(int index, const char* type)
{
    if (int rc = RefuseWhileSending())
        return rc;
    Image* image = ImageAt(index);
    if (!image)
        return CheckImageIndex(index);
    return image->type.AssignText(type);
}

// ---- The body ----

int HtmlMailerEngine::BuildAlternative(MimeEngine& mime)
{
    const bool japanese = CharsetMode() == 1;
    mime.SetJapanese(japanese);
    int rc = mime.Run(kMimeRunReset);
    if (rc == kResultOk)
        rc = mime.SetPartCount(2);
    if (rc == kResultOk)
        rc = mime.ContentType().AssignText("multipart/alternative");
    if (rc == kResultOk)
        rc = SetTextPart(mime, 0, m_plainText, "text/plain", japanese);
    if (rc == kResultOk)
        rc = SetTextPart(mime, 1, m_sentHtml, "text/html", japanese);
    return rc == kResultOk ? mime.Run(kMimeRunEncodeText) : rc;
}

int HtmlMailerEngine::BuildRelated(MimeEngine& mime, const NetString& alternativeBody,
                                   const NetString& alternativeHeaders)
{
    mime.SetJapanese(CharsetMode() == 1);
    int rc = mime.Run(kMimeRunReset);
    if (rc == kResultOk)
        rc = mime.SetPartCount(int(m_images.size() + m_linked.size()) + 1);
    if (rc == kResultOk)
        rc = mime.ContentType().AssignText("multipart/related");
    if (rc == kResultOk)
        rc = mime.SetPartData(0, alternativeBody.Data(), alternativeBody.Length());
    if (rc == kResultOk)
        rc = mime.SetPartEncoding(0, kMime7bit);
    if (rc == kResultOk)
        rc = mime.SetPartField(0, MimePartField::Headers, alternativeHeaders.CStr());
    int index = 1;
    // Each file's type and encoding are set before the file, so that the part
    // is not made an attachment.
    auto filePart = [&](const NetString& file, const NetString& data, const char* type, int encoding,
                        const NetString& contentId) {
        NetString id;
        NetString attr;
        int r = id.AppendChar('<');
        if (r == kResultOk)
            r = id.Append(contentId.Data(), contentId.Length());
        if (r == kResultOk)
            r = id.AppendChar('>');
        if (r == kResultOk)
            r = attr.AppendHeaderParam("name", FileNamePart(file.CStr()),
                                       uint32_t(std::strlen(FileNamePart(file.CStr()))), false);
        if (r == kResultOk)
            r = mime.SetPartEncoding(index, encoding);
        if (r == kResultOk)
            r = mime.SetPartField(index, MimePartField::ContentType, type);
        if (r == kResultOk)
            r = mime.SetPartField(index, MimePartField::ContentId, id.CStr());
        // The helper writes " name=..."; the attribute list takes it without the blank.
        if (r == kResultOk)
            r = mime.SetPartField(index, MimePartField::ContentTypeAttr, attr.CStr() + (attr.IsEmpty() ? 0 : 1));
        if (r == kResultOk)
            r = data.IsEmpty() ? mime.SetPartFile(index, file.CStr())
                               : mime.SetPartData(index, data.Data(), data.Length());
        ++index;
        return r;
    };
    for (const Image& image : m_images) {
        if (rc != kResultOk)
            break;
        rc = filePart(image.file, image.data, image.type.IsEmpty() ? "application/binary" : image.type.CStr(),
                      kMimeBase64, image.contentId);
    }
    const NetString none;
    for (const Linked& linked : m_linked) {
        if (rc != kResultOk)
            break;
        const bool css = StrICmp(Extension(linked.file.CStr()), "css") == 0;
        rc = filePart(linked.file, none, css ? "text/css" : "application/binary",
                      css ? kMimeQuotedPrintable : kMimeBase64, linked.contentId);
    }
    return rc == kResultOk ? mime.Run(kMimeRunEncodeText) : rc;
}

int HtmlMailerEngine::PrepareMessage()
{
    if (Prepared())
        return kResultOk;
    int rc = BuildAlternative(m_alternative);
    MimeEngine* top = &m_alternative;
    // Images and linked files make the alternative the first part of a
    // multipart/related; without them it stands alone.
    if (rc == kResultOk && (!m_images.empty() || !m_linked.empty())) {
        NetString headers;
        rc = LevelHeaders(m_alternative, headers);
        if (rc == kResultOk)
            rc = BuildRelated(m_related, m_alternative.Message(), headers);
        top = &m_related;
    }
    if (rc != kResultOk) {
        if (*LastErrorText() == '\0')
            SetLastErrorText(top->LastErrorText());
        return rc;
    }
    if (HasAttachments()) {
        NetString headers;
        rc = LevelHeaders(*top, headers);
        const ReadyPart first = {top->Message().Data(), top->Message().Length(), headers.CStr()};
        return rc == kResultOk ? Prepare(&first) : rc;
    }
    NetString& text = MessageTextField();
    rc = text.AssignText(kMimePreamble);
    if (rc == kResultOk)
        rc = text.Append(top->Message().Data(), top->Message().Length());
    if (rc == kResultOk)
        rc = SetSmtpHeaders(top->MessageHeaders().CStr());
    AttachedFileField().Clear();
    SetPrepared(rc == kResultOk);
    return rc;
}

// The HTML, its text and its images stay for the next message.
void HtmlMailerEngine::AfterSend()
{
    (void)m_alternative.Run(kMimeRunReset);
    (void)m_related.Run(kMimeRunReset);
    MessageTextField().Clear();
}
