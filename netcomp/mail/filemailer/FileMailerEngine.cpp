// The message is prepared into the SMTP engine's own fields just before it
// goes: the text alone when there is nothing attached, else the MIME preamble
// as the text and the encoded parts after it, streamed from a temporary file
// so that a large attachment never sits in memory. Every attachment is opened
// while preparing: one that cannot be read stops the send before anything is
// said to the server.
#include "netcomp/mail/filemailer/FileMailerEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_filemailer.h"
#include "netcomp/mail/smtp/SmtpText.h"

namespace {

constexpr SmtpEventNumbers kFileMailerEvents = {
    kFileMailerEventConnectionStatus, kFileMailerEventEndTransfer,   kFileMailerEventError,   0,
    kFileMailerEventPITrail,          kFileMailerEventStartTransfer, kFileMailerEventTransfer};

constexpr EventTable kFileMailerSharedEvents = {
    {SharedEvent::ConnectionStatus, kFileMailerEventConnectionStatus},
    {SharedEvent::EndTransfer, kFileMailerEventEndTransfer},
    {SharedEvent::Error, kFileMailerEventError},
    {SharedEvent::ProtocolTrail, kFileMailerEventPITrail},
    {SharedEvent::StartTransfer, kFileMailerEventStartTransfer},
    {SharedEvent::Transfer, kFileMailerEventTransfer},
};

} // namespace

FileMailerEngine::FileMailerEngine() : FileMailerEngine(kFileMailerEvents, kFileMailerSharedEvents) {}

FileMailerEngine::FileMailerEngine(const SmtpEventNumbers& events, const EventTable& shared)
    : SmtpEngine(events, shared)
{
}

FileMailerEngine::~FileMailerEngine()
{
    Unprepare();
}

int FileMailerEngine::Busy166()
{
    SetLastErrorText("Busy performing current action.");
    return kSmtpBusy;
}

int FileMailerEngine::RefuseWhilePrepared()
{
    return m_busy || m_prepared || CurrentAction() != kIdle ? Busy166() : kResultOk;
}

int FileMailerEngine::SetAttachmentCount(int count)
{
    if (int rc = RefuseWhilePrepared())
        return rc;
    if (count < 0 || count > kMaxAttachments) {
        SetLastErrorText("Invalid attachment index (out of range).");
        return kFileMailerBadAttachmentIndex;
    }
    return m_attachments.SetCount(uint32_t(count));
}

int FileMailerEngine::CheckAttachmentIndex(int index)
{
    if (index >= 1 && uint32_t(index) <= m_attachments.Count())
        return kResultOk;
    SetLastErrorText("Invalid attachment index (out of range).");
    return kFileMailerBadAttachmentIndex;
}

const char* FileMailerEngine::Attachment(int index) const
{
    return index >= 1 ? m_attachments.Item(uint32_t(index - 1)) : "";
}

int FileMailerEngine::SetAttachment(int index, const char* path)
{
    if (int rc = RefuseWhilePrepared())
        return rc;
    if (int rc = CheckAttachmentIndex(index))
        return rc;
    return m_attachments.SetItem(uint32_t(index - 1), path);
}

int FileMailerEngine::AddAttachment(const char* path)
{
    if (int rc = RefuseWhilePrepared())
        return rc;
    if (m_attachments.Count() >= uint32_t(kMaxAttachments)) {
        SetLastErrorText("Invalid attachment index (out of range).");
        return kFileMailerBadAttachmentIndex;
    }
    return m_attachments.Add(path);
}

int FileMailerEngine::SetMailText(const char* text)
{
    if (int rc = RefuseWhilePrepared())
        return rc;
    return AssignBodyText(m_mailText, text, text ? uint32_t(std::strlen(text)) : 0);
}

int FileMailerEngine::SetMailOtherHeaders(const char* text)
{
    if (int rc = RefuseWhilePrepared())
        return rc;
    return m_otherHeaders.AssignText(text);
}

// The caller's headers end in exactly one CR LF before the MIME ones, so a
// last line without its line end cannot swallow "MIME-Version:". Headers
// that begin with CR LF stand for all generated ones, and keep that start.
int FileMailerEngine::SetSmtpHeaders(const char* mimeHeaders)
{
    NetString& out = OtherHeadersField();
    out.Clear();
    const bool replacing = m_otherHeaders.Length() >= 2 && m_otherHeaders[0] == '\r' && m_otherHeaders[1] == '\n';
    int rc = replacing ? out.Append("\r\n", 2) : kResultOk;
    if (rc == kResultOk)
        rc = AppendWithOneLineEnd(out, m_otherHeaders.CStr() + (replacing ? 2 : 0));
    return rc == kResultOk ? out.AppendCStr(mimeHeaders) : rc;
}

int FileMailerEngine::Prepare(const ReadyPart* first)
{
    if (m_prepared)
        return kResultOk;
    AttachedFileField().Clear();
    int rc = kResultOk;
    if (!first && m_attachments.Count() == 0) {
        rc = MessageTextField().Assign(m_mailText.Length(), m_mailText.Data());
        if (rc == kResultOk)
            rc = OtherHeadersField().Assign(m_otherHeaders.Length(), m_otherHeaders.Data());
        m_prepared = rc == kResultOk;
        return rc;
    }
    const bool japanese = CharsetMode() == 1;
    m_mime.SetJapanese(japanese);
    rc = m_mime.Run(kMimeRunReset);
    if (rc == kResultOk)
        rc = m_mime.SetPartCount(int(m_attachments.Count()) + 1);
    if (rc == kResultOk && first) {
        // Already encoded: copied as it is, under the header block given.
        rc = m_mime.SetPartData(0, first->data, first->length);
        if (rc == kResultOk)
            rc = m_mime.SetPartEncoding(0, kMime7bit);
        if (rc == kResultOk)
            rc = m_mime.SetPartField(0, MimePartField::Headers, first->headers);
    } else if (rc == kResultOk) {
        rc = m_mime.SetPartData(0, m_mailText.Data(), m_mailText.Length());
        if (rc == kResultOk)
            rc = m_mime.SetPartEncoding(0, japanese ? kMime7bit : kMimeQuotedPrintable);
        if (rc == kResultOk)
            rc = m_mime.SetPartField(0, MimePartField::ContentType, "text/plain");
        if (rc == kResultOk && japanese)
            rc = m_mime.SetPartField(0, MimePartField::ContentTypeAttr, "charset=\"iso-2022-jp\"");
    }
    for (uint32_t i = 0; i < m_attachments.Count() && rc == kResultOk; ++i)
        rc = m_mime.SetPartFile(int(i + 1), m_attachments.Item(i));
    if (rc == kResultOk)
        rc = MessageTextField().AssignText(kMimePreamble);
    if (rc == kResultOk)
        rc = EncodeBody();
    if (rc == kResultOk)
        rc = SetSmtpHeaders(m_mime.MessageHeaders().CStr());
    if (rc != kResultOk) {
        if (*LastErrorText() == '\0')
            SetLastErrorText(m_mime.LastErrorText());
        Unprepare();
        MessageTextField().Clear();
        return rc;
    }
    m_prepared = true;
    return kResultOk;
}

// Into a temporary file that the SMTP engine streams as its attached file,
// or into memory after the preamble.
int FileMailerEngine::EncodeBody()
{
    if (!m_useTempFile) {
        int rc = m_mime.Run(kMimeRunEncodeText);
        if (rc == kResultOk)
            rc = MessageTextField().Append(m_mime.Message().Data(), m_mime.Message().Length());
        m_mime.Message().Clear();
        return rc;
    }
    char folder[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH || GetTempFileNameA(folder, "fml", 0, path) == 0) {
        SetLastErrorText("Can't create temp file.");
        return kFileMailerNoTempFile;
    }
    int rc = m_tempFile.AssignText(path);
    if (rc == kResultOk)
        rc = m_mime.Message().AssignText(path);
    if (rc == kResultOk)
        rc = m_mime.Run(kMimeRunEncodeFile);
    if (rc == kResultOk)
        rc = AttachedFileField().AssignText(path);
    return rc;
}

void FileMailerEngine::Unprepare()
{
    if (!m_tempFile.IsEmpty()) {
        DeleteFileA(m_tempFile.CStr());
        m_tempFile.Clear();
    }
    AttachedFileField().Clear();
    m_mime.Message().Clear();
    m_prepared = false;
}

int FileMailerEngine::Send()
{
    if (m_busy || CurrentAction() != kIdle)
        return Busy166();
    m_busy = true;
    int rc = PrepareMessage();
    const bool prepared = rc == kResultOk;
    if (prepared)
        rc = SmtpEngine::Send();
    // The send's own error text stands, whatever the clean-up does. A
    // message that could not be prepared went nowhere: its text stays.
    NetString error;
    (void)error.AssignText(LastErrorText());
    Unprepare();
    if (prepared)
        AfterSend();
    CloseNow();
    m_busy = false;
    SetLastErrorText(error.CStr());
    return rc;
}

int FileMailerEngine::Queue(const char* folder, const char** fileName)
{
    if (m_busy || CurrentAction() != kIdle)
        return Busy166();
    m_busy = true;
    int rc = PrepareMessage();
    if (rc == kResultOk)
        rc = SmtpEngine::Queue(folder, fileName);
    NetString error;
    (void)error.AssignText(LastErrorText());
    Unprepare();
    m_busy = false;
    SetLastErrorText(error.CStr());
    return rc;
}

// From inside an event of a send, the send is asked to stop and cleans up
// after itself as it ends; between sends the prepared message goes at once.
int FileMailerEngine::InterruptMailer()
{
    if (m_busy || CurrentAction() != kIdle)
        return InterruptAction();
    Unprepare();
    CloseNow();
    MessageTextField().Clear();
    return InterruptAction();
}

// Besides the SMTP fields: the text, the other headers and the attachments.
int FileMailerEngine::ResetMailer()
{
    if (int rc = RefuseWhilePrepared())
        return rc;
    int rc = ResetHeaders();
    if (rc == kResultOk) {
        m_mailText.Clear();
        m_otherHeaders.Clear();
        m_attachments.Clear();
    }
    return rc;
}
