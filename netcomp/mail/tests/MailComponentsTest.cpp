// MIME and NetCode through their exported functions, as a caller of
// netcomp.dll drives them: properties, methods, the Progress event and the
// error codes, with files in the test's own folder.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_mime.h"
#include "netcomp/include/netcomp_netcode.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class MimeComponentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_mime = MIME_Create(EventRecorder::Callback, m_events.User(), nullptr);
        ASSERT_NE(nullptr, m_mime);
    }
    void TearDown() override { MIME_Destroy(m_mime); }

    std::string Text(int property, int index = 0)
    {
        int length = 0;
        const char* p = reinterpret_cast<const char*>(MIME_Get(m_mime, property, index, &length));
        if (!p)
            return "<null>";
        return property == kMimeMessage || property == kMimePartDecodedString ? std::string(p, size_t(length))
                                                                              : std::string(p);
    }
    int Number(int property, int index = 0) { return int(MIME_Get(m_mime, property, index, nullptr)); }
    int Set(int property, int index, const std::string& value)
    {
        return MIME_Set(m_mime, property, index, T(value.data()), int(value.size()));
    }
    int Do(int method) { return MIME_Do(m_mime, method, 0, nullptr, nullptr); }

    EventRecorder m_events;
    void* m_mime = nullptr;
};

class NetCodeComponentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_code = NetCode_Create(EventRecorder::Callback, m_events.User(), nullptr);
        ASSERT_NE(nullptr, m_code);
    }
    void TearDown() override { NetCode_Destroy(m_code); }

    std::string Bytes(int property)
    {
        int length = 0;
        const char* p = reinterpret_cast<const char*>(NetCode_Get(m_code, property, 0, &length));
        return std::string(p, size_t(length));
    }
    int Set(int property, const std::string& value)
    {
        return NetCode_Set(m_code, property, 0, T(value.data()), int(value.size()));
    }
    int SetNumber(int property, int value) { return NetCode_Set(m_code, property, 0, value, 0); }
    std::string Encode(int format, const std::string& data)
    {
        SetNumber(kNetCodeFormat, format);
        Set(kNetCodeDecodedData, data);
        EXPECT_EQ(0, NetCode_Do(m_code, kNetCodeEncodeString, 0, nullptr, nullptr)) << NetCode_GetLastError(m_code);
        return Bytes(kNetCodeEncodedData);
    }
    int Config(const char* text, std::string* answer = nullptr)
    {
        INT_PTR args[2] = {T(text), 0};
        int lengths[2] = {};
        const int rc = NetCode_Do(m_code, kNetCodeConfig, 2, args, lengths);
        if (answer)
            *answer = args[1] ? reinterpret_cast<const char*>(args[1]) : "";
        return rc;
    }

    EventRecorder m_events;
    void* m_code = nullptr;
};

} // namespace

TEST_F(MimeComponentTest, EncodesAndDecodesThroughTheInterface)
{
    const std::string binary("\x00\x01\x80\xff binary", 11);
    WriteFile("notes.TXT", "first line\r\nsecond = line\r\n");
    EXPECT_EQ(0, MIME_Set(m_mime, kMimePartCount, 0, 3, 0));
    EXPECT_EQ(3, Number(kMimePartCount));
    EXPECT_EQ(0, Set(kMimePartDecodedString, 0, "Hello"));
    EXPECT_EQ(0, Set(kMimePartDecodedString, 1, binary));
    EXPECT_EQ(0, Set(kMimePartDecodedFile, 2, "notes.TXT"));
    EXPECT_EQ("text/plain", Text(kMimePartContentType, 0));
    EXPECT_EQ("application/octet-stream", Text(kMimePartContentType, 1));
    EXPECT_EQ(2, Number(kMimePartEncoding, 1));
    EXPECT_EQ(1, Number(kMimePartEncoding, 2));
    EXPECT_EQ("notes.TXT", Text(kMimePartFilename, 2));
    EXPECT_EQ("attachment", Text(kMimePartContentDisposition, 2));
    EXPECT_EQ(0, Set(kMimeBoundary, 0, std::string(81, 'b')));
    EXPECT_EQ(std::string(80, 'b'), Text(kMimeBoundary));

    EXPECT_EQ(0, Do(kMimeEncodeToString));
    EXPECT_EQ("multipart/mixed", Text(kMimeContentType));
    const std::string headers = Text(kMimeMessageHeaders);
    const std::string message = Text(kMimeMessage);
    EXPECT_EQ(0u, message.find("--" + std::string(80, 'b') + "\r\n"));
    ASSERT_FALSE(m_events.Of(kMimeEventProgress).empty());
    EXPECT_EQ(100, int(m_events.Of(kMimeEventProgress).back().values[0]));

    // A second object takes the message apart again.
    void* other = MIME_Create(EventRecorder::Callback, m_events.User(), nullptr);
    EXPECT_EQ(0, MIME_Set(other, kMimeMessageHeaders, 0, T(headers.c_str()), 0));
    EXPECT_EQ(0, MIME_Set(other, kMimeMessage, 0, T(message.data()), int(message.size())));
    EXPECT_EQ(0, MIME_Do(other, kMimeDecodeFromString, 0, nullptr, nullptr));
    EXPECT_EQ(3, int(MIME_Get(other, kMimePartCount, 0, nullptr)));
    int length = 0;
    const char* data = reinterpret_cast<const char*>(MIME_Get(other, kMimePartDecodedString, 1, &length));
    EXPECT_EQ(binary, std::string(data, size_t(length)));
    const std::string file = reinterpret_cast<const char*>(MIME_Get(other, kMimePartDecodedFile, 2, nullptr));
    EXPECT_EQ("first line\r\nsecond = line\r\n", ReadFile(file));
    DeleteFileA(file.c_str());
    MIME_Destroy(other);

    // The same object encodes one part: no framing, its type the part's.
    EXPECT_EQ(0, MIME_Set(m_mime, kMimePartCount, 0, 1, 0));
    EXPECT_EQ(0, Do(kMimeEncodeToString));
    EXPECT_EQ("Hello", Text(kMimeMessage));
    EXPECT_EQ("text/plain", Text(kMimeContentType));
    EXPECT_EQ(0, Do(kMimeReset));
    EXPECT_EQ(0, Number(kMimePartCount));
    EXPECT_EQ("", Text(kMimeMessage));
}

TEST_F(MimeComponentTest, ErrorCodesAndIndexes)
{
    EXPECT_EQ(0, MIME_Set(m_mime, kMimePartCount, 0, 2, 0));
    EXPECT_EQ(0, MIME_CheckIndex(m_mime, kMimePartName, 1));
    EXPECT_EQ(280, MIME_CheckIndex(m_mime, kMimePartName, 2));
    EXPECT_EQ(0, MIME_CheckIndex(m_mime, kMimePartCount, 9));
    EXPECT_EQ(0, MIME_CheckIndex(m_mime, kMimeBoundary, 9));
    EXPECT_EQ("", Text(kMimePartName, 5));
    EXPECT_STREQ("Invalid PartIdx", MIME_GetLastError(m_mime));
    EXPECT_EQ(280, Set(kMimePartName, 5, "x"));
    EXPECT_EQ(-1, MIME_Set(m_mime, kMimePartSize, 0, 5, 0));
    EXPECT_EQ(-1, MIME_Set(m_mime, 99, 0, 5, 0));
    EXPECT_EQ(0, Number(99));
    EXPECT_EQ(283, Set(kMimePartDecodedFile, 0, "no such file"));
    EXPECT_STREQ("No file given", MIME_GetLastError(m_mime));

    // The part count is bounded, whether the caller sets it or a message brings it.
    for (int bad : {-1, 10001, 10000000}) {
        EXPECT_EQ(280, MIME_Set(m_mime, kMimePartCount, 0, bad, 0)) << bad;
        EXPECT_STREQ("Invalid PartCount (out of range).", MIME_GetLastError(m_mime));
    }
    EXPECT_EQ(2, Number(kMimePartCount));
    std::string many = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 10001; ++i)
        many += "--b\r\n\r\nx\r\n";
    EXPECT_EQ(0, Set(kMimeMessageHeaders, 0, ""));
    EXPECT_EQ(0, Set(kMimeMessage, 0, many));
    EXPECT_EQ(280, Do(kMimeDecodeFromString));
    EXPECT_STREQ("Too many parts in the message.", MIME_GetLastError(m_mime));
    EXPECT_EQ(0, Set(kMimeMessageHeaders, 0, ""));

    EXPECT_EQ(0, Set(kMimeMessage, 0, "MIME-Version: 2.0\r\n\r\nbody"));
    EXPECT_EQ(281, Do(kMimeDecodeFromString));
    EXPECT_STREQ("Unknown MIME type", MIME_GetLastError(m_mime));
    EXPECT_EQ(281, MIME_GetLastErrorCode(m_mime));
    EXPECT_EQ(0, Set(kMimeMessage, 0, "missing.eml"));
    EXPECT_EQ(4, Do(kMimeDecodeFromFile));

    // A part read from a message file that is gone: the getter gives the
    // empty text, the next set reports the failure.
    WriteFile("one.eml", "Content-Transfer-Encoding: base64\r\n\r\nYWJj\r\n");
    EXPECT_EQ(0, Set(kMimeMessageHeaders, 0, ""));
    EXPECT_EQ(0, Set(kMimeMessage, 0, "one.eml"));
    EXPECT_EQ(0, Do(kMimeDecodeFromFile));
    EXPECT_EQ(1, Number(kMimePartCount));
    DeleteFileA("one.eml");
    EXPECT_EQ("", Text(kMimePartDecodedFile, 0));
    EXPECT_EQ(286, Set(kMimeContentType, 0, "text/plain"));
    EXPECT_STREQ("Can't read from Message file", MIME_GetLastError(m_mime));
    EXPECT_EQ(0, Set(kMimeContentType, 0, "text/plain"));
}

TEST_F(NetCodeComponentTest, FormatsFilesAndErrors)
{
    EXPECT_EQ("a+b%26", Encode(kNetCodeFormatUrl, "a b&"));
    EXPECT_EQ("00ff", Encode(kNetCodeFormatHex, std::string("\x00\xff", 2)));
    EXPECT_NE(std::string::npos, Encode(kNetCodeFormatYenc, "\xd6").find("=@"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Encode(kNetCodeFormatMd5, "abc"));
    EXPECT_EQ(20, NetCode_Do(m_code, kNetCodeDecodeString, 0, nullptr, nullptr));
    EXPECT_STREQ("Format does not support decoding.", NetCode_GetLastError(m_code));
    EXPECT_EQ(20, NetCode_GetLastErrorCode(m_code));
    SetNumber(kNetCodeFormat, kNetCodeFormatBase64);
    Set(kNetCodeEncodedData, "YWJj\r\nZGVm");
    EXPECT_EQ(0, NetCode_Do(m_code, kNetCodeDecodeString, 0, nullptr, nullptr));
    EXPECT_EQ("abcdef", Bytes(kNetCodeDecodedData));

    EXPECT_EQ(-1, SetNumber(kNetCodeFileCount, 3));
    EXPECT_EQ(0, Set(kNetCodeFileMode, "0123456789abc"));
    EXPECT_STREQ("012345678", reinterpret_cast<const char*>(NetCode_Get(m_code, kNetCodeFileMode, 0, nullptr)));
    EXPECT_EQ(1, int(NetCode_Get(m_code, kNetCodeUseEncodedName, 0, nullptr)));
    EXPECT_EQ(1, int(NetCode_Get(m_code, kNetCodeProgressStep, 0, nullptr)));

    // Split output files and the Progress event.
    std::string data(40000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 + i / 251);
    WriteFile("in.bin", data);
    EXPECT_EQ(-1, Config("MaxFileSize=-1"));
    EXPECT_EQ(0, Config("MaxFileSize=20000"));
    std::string answer;
    EXPECT_EQ(0, Config("MaxFileSize", &answer));
    EXPECT_EQ("20000", answer);
    SetNumber(kNetCodeFormat, kNetCodeFormatUuencode);
    SetNumber(kNetCodeProgressStep, 10);
    Set(kNetCodeDecodedData, "in.bin");
    Set(kNetCodeEncodedData, "out??");
    m_events.Clear();
    EXPECT_EQ(0, NetCode_Do(m_code, kNetCodeEncodeFile, 0, nullptr, nullptr)) << NetCode_GetLastError(m_code);
    EXPECT_EQ(3, int(NetCode_Get(m_code, kNetCodeFileCount, 0, nullptr)));
    EXPECT_NE(0u, ReadFile("out03.UUE").size());
    const auto progress = m_events.Of(kNetCodeEventProgress);
    ASSERT_EQ(10u, progress.size());
    EXPECT_EQ(10, int(progress.front().values[0]));
    EXPECT_EQ(100, int(progress.back().values[0]));
    EXPECT_EQ(8, NetCode_Do(m_code, kNetCodeEncodeFile, 0, nullptr, nullptr));

    DeleteFileA("in.bin");
    Set(kNetCodeDecodedData, "");
    Set(kNetCodeFileName, "");
    EXPECT_EQ(0, NetCode_Do(m_code, kNetCodeDecodeFile, 0, nullptr, nullptr)) << NetCode_GetLastError(m_code);
    EXPECT_EQ(3, int(NetCode_Get(m_code, kNetCodeFileCount, 0, nullptr)));
    EXPECT_TRUE(ReadFile("in.bin") == data);
    EXPECT_STREQ("in.bin", reinterpret_cast<const char*>(NetCode_Get(m_code, kNetCodeFileName, 0, nullptr)));

    Set(kNetCodeEncodedData, "");
    Set(kNetCodeDecodedData, "in.bin");
    EXPECT_EQ(11, NetCode_Do(m_code, kNetCodeEncodeFile, 0, nullptr, nullptr));
    SetNumber(kNetCodeFormat, 12);
    EXPECT_EQ(19, NetCode_Do(m_code, kNetCodeEncodeString, 0, nullptr, nullptr));
}

namespace {

// An owner whose Progress handler meddles with the object that fires it.
struct Meddler {
    std::function<void()> inside;
    std::vector<int> results;
    static int WINAPI Callback(INT_PTR user, int, int, INT_PTR*, int*)
    {
        auto* self = reinterpret_cast<Meddler*>(user);
        if (self->inside)
            self->inside();
        return 0;
    }
};

std::string Pattern(size_t n)
{
    std::string data(n, '\0');
    for (size_t i = 0; i < n; ++i)
        data[i] = char(i * 13 + i / 97);
    return data;
}

} // namespace

// Changing the object from its own Progress event would free the buffers the
// running action reads and writes: every such call is refused as busy, and
// the action ends with the output it would have made undisturbed.
TEST(ComponentReentry, MimeProgressHandlerCannotPullTheMessageAway)
{
    const std::string data = Pattern(200000);
    auto encode = [&](void* mime) {
        EXPECT_EQ(0, MIME_Set(mime, kMimePartCount, 0, 2, 0));
        EXPECT_EQ(0, MIME_Set(mime, kMimePartDecodedString, 0, T(data.data()), int(data.size())));
        EXPECT_EQ(0, MIME_Set(mime, kMimePartDecodedString, 1, T("second part"), 0));
        EXPECT_EQ(0, MIME_Set(mime, kMimeBoundary, 0, T("b"), 0));
        EXPECT_EQ(0, MIME_Do(mime, kMimeEncodeToString, 0, nullptr, nullptr)) << MIME_GetLastError(mime);
        int length = 0;
        const char* message = reinterpret_cast<const char*>(MIME_Get(mime, kMimeMessage, 0, &length));
        return std::string(message, size_t(length));
    };
    Meddler quiet;
    void* reference = MIME_Create(&Meddler::Callback, reinterpret_cast<INT_PTR>(&quiet), nullptr);
    const std::string expected = encode(reference);
    MIME_Destroy(reference);

    Meddler meddler;
    void* mime = MIME_Create(&Meddler::Callback, reinterpret_cast<INT_PTR>(&meddler), nullptr);
    meddler.inside = [&] {
        meddler.results.push_back(MIME_Set(mime, kMimeMessage, 0, T("x"), 1));
        meddler.results.push_back(MIME_Set(mime, kMimePartCount, 0, 0, 0));
        meddler.results.push_back(MIME_Set(mime, kMimePartDecodedString, 0, T("y"), 1));
        meddler.results.push_back(MIME_Set(mime, kMimeBoundary, 0, T("c"), 0));
        meddler.results.push_back(MIME_Do(mime, kMimeReset, 0, nullptr, nullptr));
        meddler.results.push_back(MIME_Do(mime, kMimeEncodeToString, 0, nullptr, nullptr));
        int length = -1;
        const char* part = reinterpret_cast<const char*>(MIME_Get(mime, kMimePartDecodedString, 0, &length));
        meddler.results.push_back(part && *part == '\0' && length == 0 ? MIME_GetLastErrorCode(mime) : -2);
    };
    EXPECT_EQ(expected, encode(mime));
    ASSERT_FALSE(meddler.results.empty());
    for (int rc : meddler.results)
        EXPECT_EQ(143, rc);

    // Afterwards the same calls work again.
    meddler.inside = nullptr;
    EXPECT_EQ(0, MIME_Do(mime, kMimeReset, 0, nullptr, nullptr));
    EXPECT_EQ(0, int(MIME_Get(mime, kMimePartCount, 0, nullptr)));
    MIME_Destroy(mime);
}

TEST(ComponentReentry, NetCodeProgressHandlerCannotPullTheDataAway)
{
    const std::string data = Pattern(300000);
    Meddler meddler;
    void* code = NetCode_Create(&Meddler::Callback, reinterpret_cast<INT_PTR>(&meddler), nullptr);
    EXPECT_EQ(0, NetCode_Set(code, kNetCodeFormat, 0, kNetCodeFormatBase64, 0));
    EXPECT_EQ(0, NetCode_Set(code, kNetCodeDecodedData, 0, T(data.data()), int(data.size())));
    meddler.inside = [&] {
        meddler.results.push_back(NetCode_Set(code, kNetCodeDecodedData, 0, T("a"), 1));
        meddler.results.push_back(NetCode_Set(code, kNetCodeEncodedData, 0, T("b"), 1));
        meddler.results.push_back(NetCode_Set(code, kNetCodeFormat, 0, kNetCodeFormatHex, 0));
        meddler.results.push_back(NetCode_Do(code, kNetCodeEncodeString, 0, nullptr, nullptr));
        meddler.results.push_back(NetCode_Do(code, kNetCodeDecodeString, 0, nullptr, nullptr));
    };
    EXPECT_EQ(0, NetCode_Do(code, kNetCodeEncodeString, 0, nullptr, nullptr)) << NetCode_GetLastError(code);
    ASSERT_FALSE(meddler.results.empty());
    for (int rc : meddler.results)
        EXPECT_EQ(143, rc);

    // The encoded text decodes to the data it was made from.
    meddler.inside = nullptr;
    EXPECT_EQ(0, NetCode_Do(code, kNetCodeDecodeString, 0, nullptr, nullptr)) << NetCode_GetLastError(code);
    int length = 0;
    const char* decoded = reinterpret_cast<const char*>(NetCode_Get(code, kNetCodeDecodedData, 0, &length));
    EXPECT_TRUE(std::string(decoded, size_t(length)) == data);
    NetCode_Destroy(code);
}

// An output file that is the input (in another spelling) is refused and the
// input stays whole; a name longer than a file name is refused; the files a
// MIME object decodes parts into go with the object.
TEST(ComponentFiles, NoActionWritesOntoItsInputAndNoneLeavesFilesBehind)
{
    const std::string data(20000, 'i');
    WriteFile("own.bin", data);
    void* code = NetCode_Create(nullptr, 0, nullptr);
    EXPECT_EQ(0, NetCode_Set(code, kNetCodeOverwrite, 0, 1, 0));
    EXPECT_EQ(0, NetCode_Set(code, kNetCodeFormat, 0, kNetCodeFormatUuencode, 0));
    EXPECT_EQ(0, NetCode_Set(code, kNetCodeDecodedData, 0, T("own.bin"), 0));
    for (const char* output : {"OWN.BIN", ".\\own.bin.", "own.bin "}) {
        EXPECT_EQ(0, NetCode_Set(code, kNetCodeEncodedData, 0, T(output), 0));
        EXPECT_EQ(3, NetCode_Do(code, kNetCodeEncodeFile, 0, nullptr, nullptr)) << output;
    }
    EXPECT_TRUE(ReadFile("own.bin") == data);
    const std::string longName(200000, 'n');
    EXPECT_EQ(16, NetCode_Set(code, kNetCodeFileName, 0, T(longName.c_str()), 0));
    EXPECT_STREQ("The given filename doesn't exist", NetCode_GetLastError(code));
    NetCode_Destroy(code);

    void* mime = MIME_Create(nullptr, 0, nullptr);
    EXPECT_EQ(0, MIME_Set(mime, kMimePartCount, 0, 1, 0));
    EXPECT_EQ(0, MIME_Set(mime, kMimePartDecodedFile, 0, T("own.bin"), 0));
    EXPECT_EQ(0, MIME_Set(mime, kMimeMessage, 0, T("Own.Bin"), 0));
    EXPECT_EQ(3, MIME_Do(mime, kMimeEncodeToFile, 0, nullptr, nullptr));
    EXPECT_TRUE(ReadFile("own.bin") == data);

    const std::string message = "Content-Transfer-Encoding: base64\r\n\r\nYWJj\r\n";
    EXPECT_EQ(0, MIME_Set(mime, kMimeMessage, 0, T(message.c_str()), 0));
    EXPECT_EQ(0, MIME_Do(mime, kMimeDecodeFromString, 0, nullptr, nullptr));
    const std::string decoded = reinterpret_cast<const char*>(MIME_Get(mime, kMimePartDecodedFile, 0, nullptr));
    EXPECT_EQ("abc", ReadFile(decoded));
    MIME_Destroy(mime);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(decoded.c_str()));
}
