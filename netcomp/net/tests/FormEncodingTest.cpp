// The bytes of form submissions: url-encoding, the Content-Disposition
// values, a whole multipart/form-data body and the upload percent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/mail/mime/MimeEngine.h"
#include "netcomp/net/webform/FormEncoding.h"

namespace {

std::string Encoded(const std::string& bytes)
{
    NetString out;
    EXPECT_EQ(AppendUrlEncoded(out, bytes.data(), uint32_t(bytes.size())), 0);
    return std::string(out.Data(), out.Length());
}

} // namespace

TEST(FormEncoding, UrlEncodedPairs)
{
    EXPECT_EQ(Encoded("*-.09@AZ_az"), "*-.09@AZ_az");
    EXPECT_EQ(Encoded(std::string("x y+/:~\0\x7f\x80\xff", 11)), "x%20y%2B%2F%3A%7E%00%7F%80%FF");
    EXPECT_EQ(Encoded(""), "");

    StringList names;
    StringList values;
    NetString body;
    ASSERT_EQ(AppendUrlEncodedPairs(body, names, values), 0);
    EXPECT_EQ(std::string(body.CStr()), "");
    ASSERT_EQ(names.Add("a"), 0);
    ASSERT_EQ(values.Add("x y"), 0);
    ASSERT_EQ(names.Add("b"), 0);
    ASSERT_EQ(values.Add("1/2"), 0);
    ASSERT_EQ(names.Add("c&d"), 0);
    ASSERT_EQ(values.Add(""), 0);
    ASSERT_EQ(AppendUrlEncodedPairs(body, names, values), 0);
    EXPECT_EQ(std::string(body.CStr()), "a=x%20y&b=1%2F2&c%26d=");
}

TEST(FormEncoding, MultipartBodyAsItGoesOut)
{
    NetString value;
    ASSERT_EQ(AppendDispositionValue(value, "a\"b\\c\r\nContent-Type: evil"), 0);
    EXPECT_EQ(std::string(value.CStr()), "a\\\"b\\\\c%0D%0AContent-Type: evil");

#ifdef _WIN32
    const std::string file = "upload; v2.bin"; // no double quote in a Windows file name
    const std::string sent = file;
#else
    const std::string file = "upload \"v2\".bin";
    const std::string sent = "upload \\\"v2\\\".bin";
#endif
    const std::string bytes = std::string("\0\x01\r\n--not-a-boundary\xff", 22);
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    MimeEngine mime;
    ASSERT_EQ(mime.SetPartCount(2), 0);
    ASSERT_EQ(SetFormFieldPart(mime, 0, "note", "caf\xc3\xa9\r\nline", 11), 0);
    // The server learns the file's name, not the folders it lies in.
    ASSERT_EQ(SetFormFilePart(mime, 1, "up\"load", ("./" + file).c_str()), 0);
    EXPECT_EQ(SetFormFilePart(mime, 1, "x", "no-such-file.bin"), kMimeNoFile);
    ASSERT_EQ(mime.SetBoundary("B"), 0);
    ASSERT_EQ(mime.Run(kMimeRunEncodeText), 0);
    EXPECT_EQ(std::string(mime.Message().Data(), mime.Message().Length()),
              "--B\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\ncaf\xc3\xa9\r\nline\r\n"
              "--B\r\nContent-Disposition: form-data; name=\"up\\\"load\"; filename=\"" +
                  sent + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--B--\r\n");
    std::remove(file.c_str());
}

TEST(FormEncoding, UploadPercent)
{
    // Exact for small bodies too; 100 is kept for the end.
    EXPECT_EQ(UploadPercent(0, 1000), 0);
    EXPECT_EQ(UploadPercent(500, 1000), 50);
    EXPECT_EQ(UploadPercent(999, 1000), 99);
    EXPECT_EQ(UploadPercent(1000, 1000), 99);
    EXPECT_EQ(UploadPercent(1, 3), 33);
    EXPECT_EQ(UploadPercent(int64_t(150) << 30, int64_t(200) << 30), 75);
    EXPECT_EQ(UploadPercent(10, 0), 0);
}
