#pragma once
// The MIME component's engine object: the MIME engine on the component base,
// with the accessors its property and method tables name, and its Progress
// event. A failure inside a part getter (decoding a part on demand) is
// reported by the next set or method call.
#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/framework/ComponentTable.h"
#include "netcomp/mail/mime/MimeEngine.h"

class MimeWrapper final : public ComponentBase, private MimeProgressSink {
public:
    MimeWrapper();

    MimeEngine& Engine() { return m_mime; }

    const char* GetBoundary() const { return m_mime.Boundary().CStr(); }
    [[nodiscard]] int SetBoundary(const char* text);
    const char* GetContentType() { return m_mime.ContentType().CStr(); }
    [[nodiscard]] int SetContentType(const char* text);
    const char* GetContentTypeAttr() { return m_mime.ContentTypeAttr().CStr(); }
    [[nodiscard]] int SetContentTypeAttr(const char* text);
    ByteView GetMessage();
    [[nodiscard]] int SetMessage(const char* data, int length);
    const char* GetMessageHeaders() { return m_mime.MessageHeaders().CStr(); }
    [[nodiscard]] int SetMessageHeaders(const char* text);

    const char* PartContentDisposition(int index) { return PartText(index, MimePartField::Disposition); }
    [[nodiscard]] int SetPartContentDisposition(int index, const char* text);
    const char* PartContentDispositionAttr(int index) { return PartText(index, MimePartField::DispositionAttr); }
    [[nodiscard]] int SetPartContentDispositionAttr(int index, const char* text);
    const char* PartContentId(int index) { return PartText(index, MimePartField::ContentId); }
    [[nodiscard]] int SetPartContentId(int index, const char* text);
    const char* PartContentType(int index) { return PartText(index, MimePartField::ContentType); }
    [[nodiscard]] int SetPartContentType(int index, const char* text);
    const char* PartContentTypeAttr(int index) { return PartText(index, MimePartField::ContentTypeAttr); }
    [[nodiscard]] int SetPartContentTypeAttr(int index, const char* text);
    int GetPartCount() const { return m_mime.PartCount(); }
    [[nodiscard]] int SetPartCount(int count);
    const char* PartDecodedFile(int index);
    [[nodiscard]] int SetPartDecodedFile(int index, const char* path);
    ByteView PartDecodedString(int index);
    [[nodiscard]] int SetPartDecodedString(int index, const char* data, int length);
    int PartEncoding(int index) { return m_mime.PartEncoding(index); }
    [[nodiscard]] int SetPartEncoding(int index, int encoding);
    const char* PartFilename(int index) { return PartText(index, MimePartField::FileName); }
    [[nodiscard]] int SetPartFilename(int index, const char* text);
    const char* PartHeaders(int index) { return PartText(index, MimePartField::Headers); }
    [[nodiscard]] int SetPartHeaders(int index, const char* text);
    const char* PartName(int index) { return PartText(index, MimePartField::Name); }
    [[nodiscard]] int SetPartName(int index, const char* text);
    int64_t PartSize(int index);
    // 0, or 280 "Invalid PartIdx" for an index at or above the part count.
    [[nodiscard]] int CheckPartIndex(int index);

    [[nodiscard]] int DecodeFromFile() { return RunAction(kMimeRunDecodeFile); }
    [[nodiscard]] int DecodeFromString() { return RunAction(kMimeRunDecodeText); }
    [[nodiscard]] int EncodeToFile() { return RunAction(kMimeRunEncodeFile); }
    [[nodiscard]] int EncodeToString() { return RunAction(kMimeRunEncodeText); }
    [[nodiscard]] int ResetMessage() { return RunAction(kMimeRunReset); }

private:
    void OnMimeProgress(int percent) override;
    const char* PartText(int index, MimePartField field);
    [[nodiscard]] int SetPartText(int index, MimePartField field, const char* text);
    [[nodiscard]] int RunAction(int action);
    // The result of a set or method: a success reports a failure left by a
    // part getter; a failure carries the engine's text.
    [[nodiscard]] int Result(int rc);

    MimeEngine m_mime;
};
