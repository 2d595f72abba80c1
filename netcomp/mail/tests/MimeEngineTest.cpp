// The MIME engine: messages built here read back by Python's email package,
// messages built by Python (nested, folded, odd) taken apart here, and the
// mended faults (multipart type per encode, a last part without its closing
// delimiter, long unwrapped Base64, sound size bounds).
#include <gtest/gtest.h>

#include <cstring>

#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/CoderFileStream.h"
#include "netcomp/mail/mime/MimeEngine.h"
#include "netcomp/mail/tests/CoderTestSupport.h"

namespace {

std::string Text(const NetStringBase& s)
{
    return std::string(s.Data(), s.Length());
}

std::string DecodedData(MimeEngine& mime, int index)
{
    uint32_t n = 0;
    const char* data = mime.PartDecodedData(index, &n);
    return data ? std::string(data, n) : std::string("<null>");
}

class Progress final : public MimeProgressSink {
public:
    std::vector<int> seen;
    void OnMimeProgress(int percent) override { seen.push_back(percent); }
};

} // namespace

TEST(MimeEngine, BuildsMessagesPythonReads)
{
    std::mt19937 rng(5);
    const std::string binary = RandomBytes(rng, 70000, false);
    const std::string text = "Gr\xfc\xdf"
                             "e, trailing blank \nline two=\n" +
                             std::string(200, 'x');
    ScratchFile("attach.jpg", binary);

    MimeEngine mime;
    ASSERT_EQ(mime.SetPartCount(1), 0);
    ASSERT_EQ(mime.SetPartData(0, "plain ascii\r\n", 13), 0);
    ASSERT_EQ(mime.Run(kMimeRunEncodeText), 0);
    // One part: no framing, the part's headers follow the version line.
    EXPECT_EQ(Text(mime.MessageHeaders()), "MIME-Version: 1.0 (produced by the Tessarine MIME Component)\r\n"
                                           "Content-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n");
    EXPECT_EQ(Text(mime.Message()), "plain ascii\r\n");
    EXPECT_EQ(Text(mime.ContentType()), "text/plain");

    // Asked to, it frames the one part as a multipart body.
    mime.SetAlwaysMultipart(true);
    ASSERT_EQ(mime.SetBoundary("one"), 0);
    ASSERT_EQ(mime.Run(kMimeRunEncodeText), 0);
    EXPECT_EQ(Text(mime.Message()), "--one\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
                                    "plain ascii\r\n\r\n--one--\r\n");
    EXPECT_EQ(Text(mime.ContentType()), "multipart/mixed");
    mime.SetAlwaysMultipart(false);
    ASSERT_EQ(mime.SetBoundary(""), 0);
    ASSERT_EQ(mime.ContentType().AssignText("text/plain"), 0);

    // The same object then encodes three parts: the type is a multipart type again.
    ASSERT_EQ(mime.SetPartCount(3), 0);
    ASSERT_EQ(mime.SetPartData(1, text.data(), uint32_t(text.size())), 0);
    EXPECT_EQ(mime.PartEncoding(1), kMimeBase64); // 8-bit bytes
    ASSERT_EQ(mime.SetPartEncoding(1, kMimeQuotedPrintable), 0);
    ASSERT_EQ(mime.SetPartField(1, MimePartField::ContentType, "text/plain; charset=iso-8859-1"), 0);
    ASSERT_EQ(mime.SetPartFile(2, "attach.jpg"), 0);
    EXPECT_EQ(Text(*mime.PartField(2, MimePartField::ContentType)), "image/jpg");
    EXPECT_EQ(Text(*mime.PartField(2, MimePartField::Disposition)), "attachment");
    ASSERT_EQ(mime.SetBoundary("b0undary"), 0);
    ASSERT_EQ(mime.Run(kMimeRunEncodeText), 0);
    EXPECT_EQ(Text(mime.ContentType()), "multipart/mixed");
    const std::string message = Text(mime.Message());
    EXPECT_EQ(message.substr(0, 14), "--b0undary\r\nCo");
    EXPECT_EQ(message.substr(message.size() - 16), "\r\n--b0undary--\r\n");

    ScratchFile("built.eml", Text(mime.MessageHeaders()) + "\r\n\r\n" + message);
    ScratchFile("part1.txt", text);
    int status = -1;
    const std::string report = RunPython(R"(
import email, email.policy
m = email.message_from_bytes(open('built.eml', 'rb').read(), policy=email.policy.compat32)
parts = m.get_payload()
print('type', m.get_content_type(), len(parts), m.defects)
print('p0', parts[0].get_payload(decode=True) == b'plain ascii\r\n')
t = open('part1.txt', 'rb').read().replace(b'\n', b'\r\n')
print('p1', parts[1].get_payload(decode=True) == t, parts[1]['Content-Transfer-Encoding'])
print('p2', parts[2].get_payload(decode=True) == open('attach.jpg', 'rb').read(), parts[2].get_filename())
)",
                                         {}, &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("type multipart/mixed 3 []"), std::string::npos) << report;
    EXPECT_NE(report.find("p0 True"), std::string::npos) << report;
    EXPECT_NE(report.find("p1 True quoted-printable"), std::string::npos) << report;
    EXPECT_NE(report.find("p2 True attach.jpg"), std::string::npos) << report;

    // What we built decodes back here, from text and from a file.
    MimeEngine back;
    ASSERT_EQ(back.Message().AssignText("built.eml"), 0);
    ASSERT_EQ(back.Run(kMimeRunDecodeFile), 0) << back.LastErrorText();
    ASSERT_EQ(back.PartCount(), 3);
    EXPECT_TRUE(DecodedData(back, 2) == binary) << back.LastErrorText();
    EXPECT_TRUE(ReadWholeFile(back.PartDecodedFile(2)) == binary);
    EXPECT_EQ(Text(*back.PartField(2, MimePartField::FileName)), "attach.jpg");
}

TEST(MimeEngine, TakesApartWhatPythonBuilds)
{
    int status = -1;
    const std::string out = RunPython(R"(
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.mime.application import MIMEApplication
import random
random.seed(3)
blob = bytes(random.getrandbits(8) for _ in range(30000))
open('blob.bin', 'wb').write(blob)
outer = MIMEMultipart('mixed')
outer['Subject'] = 'nested'
inner = MIMEMultipart('alternative')
inner.attach(MIMEText('caf\u00e9 au lait\n' * 40, 'plain', 'utf-8'))
inner.attach(MIMEText('<p>hi</p>\n', 'html'))
outer.attach(inner)
att = MIMEApplication(blob, Name='r\u00e9sum\u00e9.bin')
att['Content-Disposition'] = 'attachment;\n filename="report 1.bin"'
outer.attach(att)
q = MIMEText('=' * 100 + '\n', 'plain', 'latin-1')
del q['Content-Transfer-Encoding']
q['Content-Transfer-Encoding'] = 'Quoted-Printable'
q.set_payload('=3D' * 30 + '=\n' + 'end\n')
outer.attach(q)
open('py.eml', 'wb').write(outer.as_bytes().replace(b'\n', b'\r\n'))
)",
                                      {}, &status);
    ASSERT_EQ(status, 0) << out;
    const std::string eml = ReadWholeFile("py.eml");
    MimeEngine mime;
    ASSERT_EQ(mime.Message().Assign(uint32_t(eml.size()), eml.data()), 0);
    ASSERT_EQ(mime.Run(kMimeRunDecodeText), 0) << mime.LastErrorText();
    ASSERT_EQ(mime.PartCount(), 3);
    EXPECT_EQ(Text(*mime.PartField(0, MimePartField::ContentType)), "multipart/alternative");
    EXPECT_EQ(Text(*mime.PartField(1, MimePartField::ContentType)), "application/octet-stream");
    EXPECT_EQ(Text(*mime.PartField(1, MimePartField::FileName)), "report 1.bin");
    EXPECT_EQ(mime.PartEncoding(1), kMimeBase64);
    EXPECT_TRUE(DecodedData(mime, 1) == ReadWholeFile("blob.bin"));
    EXPECT_EQ(mime.PartEncoding(2), kMimeQuotedPrintable);
    EXPECT_EQ(DecodedData(mime, 2), std::string(30, '=') + "end\r\n");

    // The nested multipart decodes as a message of its own.
    MimeEngine inner;
    const std::string body = DecodedData(mime, 0);
    ASSERT_EQ(inner.MessageHeaders().AssignText(mime.PartField(0, MimePartField::Headers)->CStr()), 0);
    ASSERT_EQ(inner.Message().Assign(uint32_t(body.size()), body.data()), 0);
    ASSERT_EQ(inner.Run(kMimeRunDecodeText), 0) << inner.LastErrorText();
    ASSERT_EQ(inner.PartCount(), 2);
    EXPECT_EQ(DecodedData(inner, 0).substr(0, 16), "caf\xc3\xa9 au lait\nca");
    EXPECT_EQ(Text(*inner.PartField(1, MimePartField::ContentType)), "text/html");
}

TEST(MimeEngine, OddAndBrokenMessages)
{
    MimeEngine mime;
    Progress progress;
    mime.SetProgressSink(&progress);
    // Folded header, bare boundary in odd case, a preamble, no closing delimiter,
    // a custom encoding, and a Base64 body of one long line with LF-only ends.
    std::string longLine(6000, 'Q');
    const std::string message = "mime-version: 1.0\nCONTENT-TYPE: Multipart/Mixed;\n\tBOUNDARY=xyz\n\n"
                                "preamble\n--xyz\nContent-Type: text/plain\nContent-Transfer-Encoding: x-custom\n\n"
                                "zzz\n--xyz  \ncontent-transfer-encoding: BASE64\n\n" +
                                longLine + "\n";
    ASSERT_EQ(mime.Message().Assign(uint32_t(message.size()), message.data()), 0);
    ASSERT_EQ(mime.Run(kMimeRunDecodeText), 0);
    EXPECT_EQ(Text(mime.Boundary()), "xyz");
    ASSERT_EQ(mime.PartCount(), 2);
    EXPECT_EQ(mime.PartEncoding(0), kMimeUnknown);
    EXPECT_EQ(DecodedData(mime, 0), "");
    EXPECT_EQ(DecodedData(mime, 1).size(), 4500u);
    EXPECT_FALSE(progress.seen.empty());
    EXPECT_EQ(progress.seen.back(), 100);

    // A quoted-printable body of LF-only lines grows when decoded; the bound holds.
    const std::string qp = "Content-Transfer-Encoding: quoted-printable\n\n" + std::string(3000, '\n');
    mime.MessageHeaders().Clear();
    ASSERT_EQ(mime.Message().Assign(uint32_t(qp.size()), qp.data()), 0);
    ASSERT_EQ(mime.Run(kMimeRunDecodeText), 0);
    EXPECT_EQ(DecodedData(mime, 0).size(), 6000u);

    const char* wrongVersion = "MIME-Version: 2.0\r\nContent-Type: text/plain\r\n\r\nx";
    mime.MessageHeaders().Clear();
    ASSERT_EQ(mime.Message().AssignText(wrongVersion), 0);
    EXPECT_EQ(mime.Run(kMimeRunDecodeText), kMimeUnknownVersion);
    mime.MessageHeaders().Clear();
    ASSERT_EQ(mime.Message().AssignText("Subject: none\r\n\r\nbody"), 0);
    EXPECT_EQ(mime.Run(kMimeRunDecodeText), kMimeNoBoundary);
    EXPECT_STREQ(mime.LastErrorText(), "No MIME-boundary found");

    // A part index out of range: the text, no code from a getter.
    EXPECT_EQ(mime.PartField(7, MimePartField::Name), nullptr);
    EXPECT_STREQ(mime.LastErrorText(), "Invalid PartIdx");
    EXPECT_EQ(mime.SetPartField(7, MimePartField::Name, "x"), kMimeBadPartIndex);

    // A part file that is not there.
    ASSERT_EQ(mime.SetPartCount(1), 0);
    EXPECT_EQ(mime.SetPartFile(0, "missing.file"), kMimeNoFile);
    // A message file that vanished before a part was read: the code waits.
    ScratchFile("gone.eml", "Content-Transfer-Encoding: base64\r\n\r\nYWJj\r\n");
    mime.MessageHeaders().Clear();
    ASSERT_EQ(mime.Message().AssignText("gone.eml"), 0);
    ASSERT_EQ(mime.Run(kMimeRunDecodeFile), 0);
    std::remove("gone.eml");
    EXPECT_EQ(mime.PartDecodedFile(0), nullptr);
    EXPECT_EQ(mime.TakePendingCode(), kMimeCantReadMessage);
    EXPECT_EQ(mime.TakePendingCode(), 0);
}

TEST(MimeEngine, JapaneseNamesTravelAsEncodedWords)
{
    // A Shift-JIS file name goes out as ISO-2022-JP encoded words and comes back.
    const char sjisName[] = "\x83\x65\x83\x58\x83\x67.txt";
    MimeEngine mime;
    mime.SetJapanese(true);
    ASSERT_EQ(mime.SetPartCount(2), 0);
    ASSERT_EQ(mime.SetPartData(0, "a", 1), 0);
    ASSERT_EQ(mime.SetPartData(1, "b", 1), 0);
    ASSERT_EQ(mime.SetPartField(1, MimePartField::Disposition, "attachment"), 0);
    ASSERT_EQ(mime.SetPartField(1, MimePartField::FileName, sjisName), 0);
    const std::string headers = Text(*mime.PartField(1, MimePartField::Headers));
    EXPECT_NE(headers.find("filename=\"=?ISO-2022-JP?B?"), std::string::npos) << headers;
    ASSERT_EQ(mime.Run(kMimeRunEncodeText), 0);

    MimeEngine back;
    ASSERT_EQ(back.MessageHeaders().AssignText(mime.MessageHeaders().CStr()), 0);
    ASSERT_EQ(back.Message().Assign(mime.Message().Length(), mime.Message().Data()), 0);
    ASSERT_EQ(back.Run(kMimeRunDecodeText), 0);
    ASSERT_EQ(back.PartCount(), 2);
    EXPECT_EQ(Text(*back.PartField(1, MimePartField::FileName)), sjisName);
}

// Parts decoded on demand into temporary files: each file goes with its part,
// when the message is reset, decoded anew, cut to fewer parts or destroyed.
TEST(MimeEngine, DecodedFilesGoWithTheirParts)
{
    const std::string message = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\none\r\n--b\r\n"
                                "Content-Transfer-Encoding: base64\r\n\r\ndHdv\r\n--b--\r\n";
    auto decoded = [&](MimeEngine& mime) {
        mime.MessageHeaders().Clear();
        EXPECT_EQ(mime.Message().Assign(uint32_t(message.size()), message.data()), 0);
        EXPECT_EQ(mime.Run(kMimeRunDecodeText), 0);
        std::vector<std::string> files;
        for (int i = 0; i < mime.PartCount(); ++i) {
            const char* file = mime.PartDecodedFile(i);
            files.push_back(file ? file : "");
        }
        EXPECT_EQ(ReadWholeFile(files.at(1)), "two");
        return files;
    };
    auto gone = [](const std::vector<std::string>& files) {
        for (const std::string& f : files) {
            if (CoderFileExists(f.c_str()))
                return false;
        }
        return true;
    };
    MimeEngine mime;
    std::vector<std::string> files = decoded(mime);
    ASSERT_EQ(mime.Run(kMimeRunReset), 0);
    EXPECT_TRUE(gone(files));
    files = decoded(mime);
    const std::vector<std::string> again = decoded(mime);
    EXPECT_TRUE(gone(files));
    ASSERT_EQ(mime.SetPartCount(1), 0);
    EXPECT_TRUE(gone({again[1]}));
    // A file of the caller's own takes a part's place: the temporary one goes, the caller's stays.
    ScratchFile("own.txt", "own");
    ASSERT_EQ(mime.SetPartFile(0, "own.txt"), 0);
    EXPECT_TRUE(gone({again[0]}));
    {
        MimeEngine other;
        files = decoded(other);
    }
    EXPECT_TRUE(gone(files));
    ASSERT_EQ(mime.SetPartCount(0), 0);
    EXPECT_EQ(ReadWholeFile("own.txt"), "own");
}

// A message written to a file never replaces one of its parts' files.
TEST(MimeEngine, AMessageFileThatIsAPartFileIsRefused)
{
    ScratchFile("part.bin", std::string(3000, 'p'));
    MimeEngine mime;
    ASSERT_EQ(mime.SetPartCount(2), 0);
    ASSERT_EQ(mime.SetPartData(0, "text", 4), 0);
    ASSERT_EQ(mime.SetPartFile(1, "part.bin"), 0);
    ASSERT_EQ(mime.Message().AssignText("./part.bin"), 0);
    EXPECT_EQ(mime.Run(kMimeRunEncodeFile), kCoderCantCreate);
    EXPECT_STREQ(mime.LastErrorText(), "Can't create the file for write (illegal name ?)");
    EXPECT_EQ(ReadWholeFile("part.bin"), std::string(3000, 'p'));
    ASSERT_EQ(mime.Message().AssignText("message.eml"), 0);
    EXPECT_EQ(mime.Run(kMimeRunEncodeFile), 0);
}
