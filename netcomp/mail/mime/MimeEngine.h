#pragma once
// The MIME engine: builds a message from a list of parts and takes a message
// apart into parts, each part's data decoded only when asked for.
//
// Use from a mail component:
//   encode: fill Parts() (SetPartData / SetPartFile / SetPartText), then
//           Run(kEncodeToText) or, with Message() naming a file,
//           Run(kEncodeToFile); MessageHeaders() and Message() hold the result.
//   decode: Message() holds the message text (or names its file), then
//           Run(kDecodeFromText) / Run(kDecodeFromFile); read the parts'
//           fields, and PartDecodedData / PartDecodedFile for their bodies.
// Every call returns 0 or a result code, its text in LastErrorText().
// Decoding keeps only the headers and the part list; a part's body is read
// from the message when it is asked for.
#include <cstdint>
#include <memory>

#include "netcomp/core/text/NetString.h"
#include "netcomp/mail/mime/MimePart.h"

class CoderStream;
class CoderFileStream;

class MimeProgressSink {
public:
    virtual ~MimeProgressSink() = default;
    virtual void OnMimeProgress(int percent) = 0;
};

enum MimeAction : int {
    kMimeRunDecodeFile = 1,
    kMimeRunDecodeText = 2,
    kMimeRunEncodeFile = 3,
    kMimeRunEncodeText = 4,
    kMimeRunReset = 5,
};

enum MimeResult : int {
    kMimeBadPartIndex = 280,
    kMimeUnknownVersion = 281,
    kMimeNoBoundary = 282,
    kMimeNoFile = 283,
    kMimeNoTempFile = 285,
    kMimeCantReadMessage = 286,
};

// The text fields of a part that can be read and set by name.
enum class MimePartField {
    Disposition,
    DispositionAttr,
    ContentId,
    ContentType,
    ContentTypeAttr,
    FileName,
    Name,
    Headers,
};

class MimeEngine {
public:
    static constexpr uint32_t kMaxBoundary = 80;

    MimeEngine();

    [[nodiscard]] int Run(int action);

    NetString& Message() { return m_message; }
    NetString& MessageHeaders() { return m_messageHeaders; }
    NetString& ContentType() { return m_contentType; }
    NetString& ContentTypeAttr() { return m_contentTypeAttr; }
    const NetString& Boundary() const { return m_boundary; }
    [[nodiscard]] int SetBoundary(const char* text);
    // The first word of generated boundaries ("--boundary" by default).
    [[nodiscard]] int SetBoundaryPrefix(const char* text) { return m_boundaryPrefix.AssignText(text); }

    MimePartList& Parts() { return m_parts; }
    int PartCount() const { return const_cast<MimePartList&>(m_parts).Count(); }
    [[nodiscard]] int SetPartCount(int count);
    // Getters give null and set the text "Invalid PartIdx" for a bad index.
    const NetString* PartField(int index, MimePartField field);
    [[nodiscard]] int SetPartField(int index, MimePartField field, const char* text);
    int PartEncoding(int index);
    [[nodiscard]] int SetPartEncoding(int index, int encoding);
    int64_t PartSize(int index);
    [[nodiscard]] int SetPartData(int index, const char* data, uint32_t n);
    [[nodiscard]] int SetPartFile(int index, const char* path);
    // Decodes the part's body when needed; null on failure, whose code waits
    // in the pending code.
    const char* PartDecodedFile(int index);
    const char* PartDecodedData(int index, uint32_t* length);

    // The code a part getter could not return, cleared by reading it.
    int TakePendingCode();
    int LastCode() const { return m_lastCode; }
    const char* LastErrorText() const { return m_lastError.CStr(); }
    int CurrentAction() const { return m_action; }
    int CurrentPart() const { return m_currentPart; }
    // Whether the last decode read a file (true) or the Message text.
    bool DecodedFromFile() const { return m_fromFile; }

    void SetProgressSink(MimeProgressSink* sink) { m_progressSink = sink; }
    // Header parameters as ISO-2022-JP encoded words (CharsetMode 1).
    void SetJapanese(bool on) { m_japanese = on; }
    // Writes the multipart delimiters even around a single part (a form
    // upload's body is multipart whatever its part count).
    void SetAlwaysMultipart(bool on) { m_alwaysMultipart = on; }

private:
    [[nodiscard]] int Fail(int code, const char* text);
    [[nodiscard]] int FailCoder(int code);
    MimePart* PartOrFail(int index, int* rc);
    [[nodiscard]] int Encode(bool toFile);
    [[nodiscard]] int EncodeBody(MimePart& part, CoderStream& out, int count);
    [[nodiscard]] int GenerateBoundary();
    [[nodiscard]] int Decode(bool fromFile);
    [[nodiscard]] int DecodeHeaders(const NetString& block, bool topLevel, MimePart* part);
    [[nodiscard]] int OpenPartBody(MimePart& part, CoderFileStream& file, std::unique_ptr<CoderStream>& memory,
                                   CoderStream** in);
    static void OnStreamProgress(void* self, int percent);

    int m_pending = 0;
    bool m_fromFile = false;
    bool m_alwaysMultipart = false;
    NetString m_boundary;
    NetString m_message;
    NetString m_messageHeaders;
    NetString m_contentType;
    NetString m_contentTypeAttr;
    int m_action = 0;
    NetString m_boundaryPrefix;
    MimePartList m_parts;
    int m_currentPart = 0;
    int m_partTotal = 1;
    bool m_japanese = false;
    int m_lastCode = 0;
    NetString m_lastError;
    MimeProgressSink* m_progressSink = nullptr;
};
