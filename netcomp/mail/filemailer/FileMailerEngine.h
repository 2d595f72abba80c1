#pragma once
// FileMailer: a mail text and a list of files sent as one multipart MIME
// message over the SMTP engine. The MIME body is built just before Send or
// Queue (into a temporary file, streamed after the text, or into memory) and
// dropped afterwards; HTMLMailer builds on the same preparation.
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"
#include "netcomp/mail/mime/MimeEngine.h"
#include "netcomp/mail/smtp/SmtpEngine.h"

constexpr int kFileMailerBadAttachmentIndex = 169;
constexpr int kFileMailerNoTempFile = 170;

class FileMailerEngine : public SmtpEngine {
public:
    // Attachments past this many are refused with 169.
    static constexpr int kMaxAttachments = 10000;

    FileMailerEngine();
    ~FileMailerEngine() override;

    // Properties of FileMailer's own.
    int AttachmentCount() const { return int(m_attachments.Count()); }
    [[nodiscard]] int SetAttachmentCount(int count);
    const char* Attachment(int index) const;
    [[nodiscard]] int SetAttachment(int index, const char* path);
    [[nodiscard]] int CheckAttachmentIndex(int index);
    const char* GetMailText() const { return m_mailText.CStr(); }
    [[nodiscard]] int SetMailText(const char* text);
    const char* GetMailOtherHeaders() const { return m_otherHeaders.CStr(); }
    [[nodiscard]] int SetMailOtherHeaders(const char* text);

    // Methods.
    [[nodiscard]] int AddAttachment(const char* path);
    [[nodiscard]] int Send() override;
    [[nodiscard]] int Queue(const char* folder, const char** fileName) override;
    [[nodiscard]] int InterruptMailer();
    [[nodiscard]] int ResetMailer();

    // Whether the body goes through a temporary file (on) or memory.
    void SetUseTempFile(bool on) { m_useTempFile = on; }

protected:
    // The text before the MIME body, for readers that know no MIME.
    static constexpr const char* kMimePreamble = "\r\nThis is a message encoded in MIME format.\r\n\r\n";

    FileMailerEngine(const SmtpEventNumbers& events, const EventTable& shared);

    // Part 0 of the body when it is not the mail text: bytes already encoded
    // and the header block that describes them (one CR LF at its end).
    struct ReadyPart {
        const char* data;
        uint32_t length;
        const char* headers;
    };
    // Fills the SMTP fields with the message: the text alone, or the MIME
    // preamble and body with the MIME headers after the caller's.
    [[nodiscard]] virtual int PrepareMessage() { return Prepare(nullptr); }
    [[nodiscard]] int Prepare(const ReadyPart* first);
    // The SMTP fields' message goes: temporary file deleted, flags cleared.
    void Unprepare();
    // The other headers for the SMTP engine: the caller's, ending in one CR
    // LF, then the given MIME headers.
    [[nodiscard]] int SetSmtpHeaders(const char* mimeHeaders);
    // 166 with its text while a send or a prepared message holds the fields.
    [[nodiscard]] int RefuseWhilePrepared();
    bool Busy() const { return m_busy; }
    bool Prepared() const { return m_prepared; }
    void SetPrepared(bool on) { m_prepared = on; }
    // After a send: FileMailer empties its text; HTMLMailer keeps its own.
    virtual void AfterSend() { m_mailText.Clear(); }
    bool HasAttachments() const { return m_attachments.Count() > 0; }
    const NetString& MailText() const { return m_mailText; }

private:
    [[nodiscard]] int EncodeBody();
    [[nodiscard]] int Busy166();

    bool m_busy = false;
    StringList m_attachments;
    NetString m_mailText;
    MimeEngine m_mime;
    NetString m_otherHeaders;
    bool m_prepared = false;
    bool m_useTempFile = true;
    NetString m_tempFile;
};
