// NetCode actions. String actions reserve their output once from a bound the
// coder cannot pass; file actions stream, and split encoded output into
// numbered files when a maximum file size is set. Names found in UUencode and
// yEnc data never choose a folder: only their last component is used.
#include "netcomp/mail/coders/NetCodeEngine.h"

#include <cstring>
#include <memory>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/CoderFileStream.h"
#include "netcomp/mail/coders/Coders.h"

namespace {

const char* SplitExtension(int format)
{
    switch (format) {
    case kNetCodeUu:
        return ".UUE";
    case kNetCodeBase64:
        return ".B64";
    default:
        return ".Q_P";
    }
}

bool EndsWithSeparator(const NetStringBase& name)
{
    return !name.IsEmpty() && (name[name.Length() - 1] == '\\' || name[name.Length() - 1] == '/');
}

uint64_t RoundUp(uint64_t n)
{
    return (n + 1023) / 1024 * 1024;
}

// The formats whose decoder reads no header of its own (not UU or yEnc).
int DecodeWithoutHeader(int format, CoderStream& in, CoderStream& out)
{
    switch (format) {
    case kNetCodeBase64:
        return Base64Decode(in, out);
    case kNetCodeQp:
        return QpDecode(in, out);
    case kNetCodeUrl:
        return UrlDecode(in, out);
    case kNetCodeJis:
        return JisDecode(in, out);
    default:
        return HexDecode(in, out);
    }
}

} // namespace

// Where a UU or yEnc decoder writes once it has read the name in the data.
class NetCodeOutput final : public CoderOutput {
public:
    NetCodeOutput(NetCodeEngine& engine, bool toFile, uint64_t reserve, const CoderFileStream* input = nullptr)
        : m_engine(engine), m_toFile(toFile), m_reserve(reserve), m_file(engine.m_overwrite)
    {
        m_file.ProtectInput(input);
    }

    int Open(const char* name, const char* mode, CoderStream** out) override
    {
        NetCodeEngine& e = m_engine;
        if (mode && *mode && e.SetFileMode(mode))
            return kOutOfMemory;
        const char* base = CoderBaseName(name);
        const bool chosen = !e.m_fileName.IsEmpty() && !EndsWithSeparator(e.m_fileName);
        if (!m_toFile)
            return OpenString(base, out);
        NetString path;
        if (chosen) {
            if (path.Assign(e.m_fileName.Length(), e.m_fileName.Data()))
                return kOutOfMemory;
        } else {
            if (!e.m_useEncodedName || !*base)
                return kCoderNoUuName;
            if (path.Assign(e.m_fileName.Length(), e.m_fileName.Data()) || path.AppendCStr(base))
                return kOutOfMemory;
            if (e.m_fileName.IsEmpty() && e.m_fileName.AssignText(base))
                return kOutOfMemory;
        }
        if (int rc = m_file.OpenWrite(path.CStr()))
            return rc;
        *out = &m_file;
        return 0;
    }

    // A string decode writes no file: the name is only reported.
    int OpenString(const char* base, CoderStream** out)
    {
        NetCodeEngine& e = m_engine;
        if (e.m_fileName.IsEmpty() && e.m_fileName.AssignText(base))
            return kOutOfMemory;
        if (m_reserve > NetString::kMaxLength)
            m_reserve = NetString::kMaxLength;
        if (e.m_decoded.Assign(uint32_t(m_reserve), nullptr))
            return kOutOfMemory;
        m_memory = std::make_unique<CoderMemoryStream>(kCoderOutput, e.m_decoded.Data(), e.m_decoded.Length());
        *out = m_memory.get();
        return 0;
    }

    // Ends the output: a file is closed, the string cut to what was written.
    int Close()
    {
        if (m_memory)
            return m_engine.m_decoded.Assign(uint32_t(m_memory->Written()), nullptr);
        return m_file.Close();
    }

private:
    NetCodeEngine& m_engine;
    bool m_toFile;
    uint64_t m_reserve;
    CoderFileStream m_file;
    std::unique_ptr<CoderMemoryStream> m_memory;
};

NetCodeEngine::NetCodeEngine()
{
    (void)m_fileMode.AssignText("0755");
}

int NetCodeEngine::SetFileMode(const char* text)
{
    if (!text)
        text = "";
    const size_t n = std::strlen(text);
    return m_fileMode.Assign(uint32_t(n > kMaxFileMode ? kMaxFileMode : n), text);
}

int NetCodeEngine::Fail(int code)
{
    m_lastCode = code;
    (void)m_lastError.AssignText(code == kOutOfMemory ? "Out of memory." : CoderErrorText(code));
    return code;
}

void NetCodeEngine::OnProgress(void* self, int percent)
{
    NetCodeEngine* engine = static_cast<NetCodeEngine*>(self);
    if (engine->m_progressSink)
        engine->m_progressSink->OnNetCodeProgress(percent);
}

uint64_t NetCodeEngine::EncodedReserve(int format, uint64_t n, uint64_t nameLength)
{
    switch (format) {
    case kNetCodeUu:
        return (n / 45 + 1) * 63 + nameLength + 64;
    case kNetCodeBase64:
        return Base64EncodedBound(n);
    case kNetCodeQp:
        return QpEncodedBound(n);
    case kNetCodeUrl:
        return 3 * n;
    case kNetCodeJis:
        return 5 * n + 8; // a katakana byte and its escapes: 9 bytes for 2
    case kNetCodeYenc:
        return 2 * n + 4 * n / 127 + nameLength + 160;
    case kNetCodeMd5:
    case kNetCodeSha1:
        return 40;
    case kNetCodeHex:
        return 2 * n;
    default:
        return 0;
    }
}

uint64_t NetCodeEngine::DecodedReserve(int format, uint64_t m)
{
    switch (format) {
    case kNetCodeBase64:
        return m / 4 * 3 + 3;
    case kNetCodeQp:
        return 2 * m + 2; // an LF-only line end comes back as CR LF
    case kNetCodeHex:
        return m / 2 + 1;
    default:
        return m;
    }
}

int NetCodeEngine::Encode(CoderStream& in, CoderStream& out, uint64_t inputSize)
{
    switch (m_format) {
    case kNetCodeUu: {
        UuEncodeOptions options;
        options.fileName = m_fileName.CStr();
        options.fileMode = m_fileMode.CStr();
        options.inputSize = inputSize;
        return UuEncode(in, out, options);
    }
    case kNetCodeBase64:
        return Base64Encode(in, out);
    case kNetCodeQp:
        return QpEncode(in, out);
    case kNetCodeUrl:
        return UrlEncode(in, out);
    case kNetCodeJis:
        return JisEncode(in, out);
    case kNetCodeYenc: {
        YencEncodeOptions options;
        options.fileName = m_fileName.CStr();
        options.inputSize = inputSize;
        return YencEncode(in, out, options);
    }
    case kNetCodeMd5:
        return Md5HexCoder(in, out);
    case kNetCodeSha1:
        return Sha1HexCoder(in, out);
    case kNetCodeHex:
        return HexEncode(in, out);
    default:
        return kCoderNoOutputLength;
    }
}

int NetCodeEngine::Run(int action)
{
    m_lastCode = 0;
    m_lastError.Clear();
    int rc = 0;
    switch (action) {
    case kNetCodeRunDecodeFile:
        rc = DecodeFile();
        break;
    case kNetCodeRunEncodeFile:
        rc = EncodeFile();
        break;
    case kNetCodeRunDecodeString:
        rc = DecodeString();
        break;
    case kNetCodeRunEncodeString:
        rc = EncodeString();
        break;
    default:
        return 0;
    }
    return rc ? Fail(rc) : 0;
}

int NetCodeEngine::EncodeString()
{
    if (m_format < kNetCodeUu || m_format > kNetCodeHex)
        return kCoderNoOutputLength;
    if (m_format == kNetCodeUu && m_fileName.IsEmpty())
        return kCoderNoUuName;
    uint64_t reserve = RoundUp(EncodedReserve(m_format, m_decoded.Length(), m_fileName.Length()));
    if (reserve > NetString::kMaxLength)
        reserve = NetString::kMaxLength;
    if (m_encoded.Assign(uint32_t(reserve), nullptr))
        return kOutOfMemory;
    CoderMemoryStream in(m_decoded.Data(), m_decoded.Length());
    in.SetProgress(m_decoded.Length(), m_progressStep, &NetCodeEngine::OnProgress, this);
    CoderMemoryStream out(kCoderOutput, m_encoded.Data(), m_encoded.Length());
    const int rc = Encode(in, out, m_decoded.Length());
    in.FinishProgress();
    (void)m_encoded.Assign(uint32_t(out.Written()), nullptr);
    return rc;
}

int NetCodeEngine::DecodeString()
{
    CoderMemoryStream in(m_encoded.Data(), m_encoded.Length());
    in.SetProgress(m_encoded.Length(), m_progressStep, &NetCodeEngine::OnProgress, this);
    const uint64_t reserve = RoundUp(DecodedReserve(m_format, m_encoded.Length()));
    int rc;
    if (m_format == kNetCodeUu || m_format == kNetCodeYenc) {
        NetCodeOutput output(*this, false, reserve);
        rc = m_format == kNetCodeUu ? UuDecode(in, output) : YencDecode(in, output);
        if (int closed = output.Close(); rc == 0)
            rc = closed;
        in.FinishProgress();
        return rc;
    }
    if (m_format == kNetCodeMd5 || m_format == kNetCodeSha1)
        return kCoderNoDecoding;
    if (m_format < kNetCodeUu || m_format > kNetCodeHex)
        return kCoderNoOutputLength;
    if (m_decoded.Assign(uint32_t(reserve > NetString::kMaxLength ? NetString::kMaxLength : reserve), nullptr))
        return kOutOfMemory;
    CoderMemoryStream out(kCoderOutput, m_decoded.Data(), m_decoded.Length());
    rc = DecodeWithoutHeader(m_format, in, out);
    in.FinishProgress();
    (void)m_decoded.Assign(uint32_t(out.Written()), nullptr);
    return rc;
}

int NetCodeEngine::EncodeFile()
{
    m_fileCount = 0;
    if (m_format < kNetCodeUu || m_format > kNetCodeHex)
        return kCoderNoOutputLength;
    CoderFileStream in;
    if (int rc = in.OpenRead(m_decoded.CStr()))
        return rc;
    if (m_encoded.IsEmpty())
        return kCoderNoOutputName;
    // The name in UUencode and yEnc headers: FileName, else the input's own name.
    const bool named = !m_fileName.IsEmpty();
    if (!named && (m_format == kNetCodeUu || m_format == kNetCodeYenc) &&
        m_fileName.AssignText(CoderBaseName(m_decoded.CStr())))
        return kOutOfMemory;
    CoderFileStream out(m_overwrite);
    out.ProtectInput(&in);
    int rc = out.OpenWrite(m_encoded.CStr(), m_maxFileSize > 0 ? uint64_t(m_maxFileSize) : 0, SplitExtension(m_format));
    if (rc == 0) {
        in.SetProgress(in.FileSize(), m_progressStep, &NetCodeEngine::OnProgress, this);
        rc = Encode(in, out, in.FileSize());
        in.FinishProgress();
    }
    if (int closed = out.Close(); rc == 0)
        rc = closed;
    m_fileCount = out.FileCount();
    if (!named)
        m_fileName.Clear();
    return rc;
}

int NetCodeEngine::DecodeFile()
{
    m_fileCount = 0;
    if (m_format == kNetCodeMd5 || m_format == kNetCodeSha1)
        return kCoderNoDecoding;
    if (m_format < kNetCodeUu || m_format > kNetCodeHex)
        return kCoderNoOutputLength;
    CoderFileStream in;
    if (int rc = in.OpenReadSplit(m_encoded.CStr(), SplitExtension(m_format)))
        return rc;
    in.SetProgress(in.FileSize(), m_progressStep, &NetCodeEngine::OnProgress, this);
    if (!m_decoded.IsEmpty() && m_fileName.Assign(m_decoded.Length(), m_decoded.Data()))
        return kOutOfMemory;
    int rc;
    if (m_format == kNetCodeUu || m_format == kNetCodeYenc) {
        NetCodeOutput output(*this, true, 0, &in);
        rc = m_format == kNetCodeUu ? UuDecode(in, output) : YencDecode(in, output);
        if (int closed = output.Close(); rc == 0)
            rc = closed;
    } else {
        if (m_fileName.IsEmpty())
            return kCoderNoOutputName;
        CoderFileStream out(m_overwrite);
        out.ProtectInput(&in);
        rc = out.OpenWrite(m_fileName.CStr());
        if (rc == 0)
            rc = DecodeWithoutHeader(m_format, in, out);
        if (int closed = out.Close(); rc == 0)
            rc = closed;
    }
    in.FinishProgress();
    m_fileCount = in.FileCount();
    return rc;
}
