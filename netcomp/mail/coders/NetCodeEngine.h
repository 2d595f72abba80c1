#pragma once
// The NetCode engine: one of nine formats (UUencode, Base64, quoted-printable,
// URL encoding, JIS, yEnc, MD5, SHA-1, hex) run over strings or files, with
// encoded output split into numbered files of a maximum size.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

class CoderStream;

enum NetCodeFormat : int {
    kNetCodeUu = 0,
    kNetCodeBase64 = 1,
    kNetCodeQp = 2,
    kNetCodeUrl = 3,
    kNetCodeJis = 4,
    kNetCodeYenc = 5,
    kNetCodeMd5 = 6,
    kNetCodeSha1 = 7,
    kNetCodeHex = 8,
};

enum NetCodeAction : int {
    kNetCodeRunDecodeFile = 1,
    kNetCodeRunEncodeFile = 2,
    kNetCodeRunDecodeString = 3,
    kNetCodeRunEncodeString = 4,
};

class NetCodeProgressSink {
public:
    virtual ~NetCodeProgressSink() = default;
    virtual void OnNetCodeProgress(int percent) = 0;
};

class NetCodeEngine {
public:
    static constexpr uint32_t kMaxFileMode = 9;

    NetCodeEngine();

    // Runs an action; 0 or a coder code, its text in LastErrorText().
    [[nodiscard]] int Run(int action);

    NetString& DecodedData() { return m_decoded; }
    NetString& EncodedData() { return m_encoded; }
    NetString& FileName() { return m_fileName; }
    const NetStringBase& FileMode() const { return m_fileMode; }
    [[nodiscard]] int SetFileMode(const char* text);
    int Format() const { return m_format; }
    void SetFormat(int format) { m_format = format; }
    bool UseEncodedName() const { return m_useEncodedName; }
    void SetUseEncodedName(bool on) { m_useEncodedName = on; }
    bool Overwrite() const { return m_overwrite; }
    void SetOverwrite(bool on) { m_overwrite = on; }
    int ProgressStep() const { return m_progressStep; }
    void SetProgressStep(int step) { m_progressStep = step; }
    int MaxFileSize() const { return m_maxFileSize; }
    void SetMaxFileSize(int size) { m_maxFileSize = size; }
    int FileCount() const { return m_fileCount; }

    int LastCode() const { return m_lastCode; }
    const char* LastErrorText() const { return m_lastError.CStr(); }
    void SetProgressSink(NetCodeProgressSink* sink) { m_progressSink = sink; }

    // Bounds of the output of a string action (0 when the format has none).
    static uint64_t EncodedReserve(int format, uint64_t n, uint64_t nameLength);
    static uint64_t DecodedReserve(int format, uint64_t m);

private:
    friend class NetCodeOutput;
    [[nodiscard]] int Fail(int code);
    [[nodiscard]] int EncodeString();
    [[nodiscard]] int DecodeString();
    [[nodiscard]] int EncodeFile();
    [[nodiscard]] int DecodeFile();
    [[nodiscard]] int Encode(CoderStream& in, CoderStream& out, uint64_t inputSize);
    static void OnProgress(void* self, int percent);

    int m_progressStep = 1;
    bool m_overwrite = false;
    bool m_useEncodedName = true;
    int m_format = kNetCodeUu;
    int m_maxFileSize = 0;
    NetString m_fileName;
    NetString20 m_fileMode;
    NetString m_encoded;
    NetString m_decoded;
    int m_fileCount = 0;
    int m_lastCode = 0;
    NetString m_lastError;
    NetCodeProgressSink* m_progressSink = nullptr;
};
