// FileMailer and HTMLMailer through their exported functions, sending to
// aiosmtpd, which reads every message back with Python's email package: the
// parts, their types, content ids and dispositions, and the MD5 of each
// decoded part. The HTML's references that may be mailed and those that may
// not, the plain-text alternative, attachments that cannot be read, and the
// properties' own rules.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_filemailer.h"
#include "netcomp/include/netcomp_htmlmailer.h"
#include "netcomp/mail/tests/MailTestSupport.h"
#include "netcomp/testing/EventRecorder.h"

using namespace mailtest;

namespace {

// The facts aiosmtpd wrote of its newest message, after a send that should
// have made one.
std::string NewMessageFacts(int before)
{
    EXPECT_EQ(AiosmtpdCount(), before + 1);
    return AiosmtpdFacts(before + 1);
}

bool Has(const std::string& facts, const std::string& line)
{
    return facts.find(line + "\n") != std::string::npos;
}

std::string Part(int depth, const std::string& type, const std::string& cid, const std::string& file,
                 const std::string& disposition, const std::string& bytes)
{
    return "part " + std::to_string(depth) + " " + type + " cid=" + cid + " file=" + file +
           " disposition=" + disposition + " md5=" + Md5Of(bytes);
}

std::string Multipart(int depth, const std::string& type)
{
    return "part " + std::to_string(depth) + " " + type + " cid= file= disposition=";
}

class FileMailerTest : public ::testing::Test {
protected:
    FileMailerTest() : mailer(FileMailerFunctions::kApi, EventRecorder::Callback, events.User())
    {
        events.TextsAt(kFileMailerEventPITrail, {1});
    }
    static void SetUpTestSuite() { FileMailer_StaticInit(GetModuleHandleA(nullptr)); }

    void Message(const char* text)
    {
        ASSERT_EQ(mailer.SetText(kFileMailerMailServer, "127.0.0.1"), 0);
        ASSERT_EQ(mailer.Set(kFileMailerMailPort, kAiosmtpdPort), 0);
        ASSERT_EQ(mailer.Set(kFileMailerTimeout, 20), 0);
        ASSERT_EQ(mailer.Do(kFileMailerConfig, {"Hello=client.kes.test"}), 0);
        ASSERT_EQ(mailer.SetText(kFileMailerFrom, "Alice <alice@kes.test>"), 0);
        ASSERT_EQ(mailer.SetText(kFileMailerSendTo, "bob@kes.test"), 0);
        ASSERT_EQ(mailer.SetText(kFileMailerSubject, "files"), 0);
        ASSERT_EQ(mailer.SetText(kFileMailerMessageText, text), 0);
    }
    int CommandsSent() const
    {
        int n = 0;
        for (const RecordedEvent& e : events.Of(kFileMailerEventPITrail))
            n += int(e.values[0]) == 0 ? 1 : 0;
        return n;
    }

    EventRecorder events;
    ComponentHandle mailer;
};

TEST_F(FileMailerTest, PlainTextWithoutAttachments)
{
    const std::string text = "Plain mail\r\n.\r\nend\r\n";
    Message(text.c_str());
    // The last header line has no line end of its own.
    ASSERT_EQ(mailer.SetText(kFileMailerOtherHeaders, "X-Mailer: kes\r\nX-Last: one"), 0);
    const int before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kFileMailerSend), 0) << mailer.LastError();
    const std::string facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, "defects 0")) << facts;
    EXPECT_TRUE(Has(facts, "header X-Mailer: kes")) << facts;
    EXPECT_TRUE(Has(facts, "header X-Last: one")) << facts;
    EXPECT_TRUE(Has(facts, Part(0, "text/plain", "", "", "", text))) << facts;
    EXPECT_EQ(mailer.GetText(kFileMailerMessageText), "");
    EXPECT_FALSE(mailer.GetBool(kFileMailerConnected));
}

TEST_F(FileMailerTest, AttachmentsAsMimeParts)
{
    const std::string text = "See the files.\r\nA line with = and a trailing blank \r\n";
    const std::string notes = "notes\r\n.\r\n..dots\r\n";
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += char((i * 7 + i / 256) & 0xFF);
    WriteFile("notes.txt", notes);
    WriteFile("data.bin", binary);
    Message(text.c_str());
    ASSERT_EQ(mailer.SetText(kFileMailerOtherHeaders, "X-Mailer: kes"), 0);
    ASSERT_EQ(mailer.Do(kFileMailerAddAttachment, {"notes.txt"}), 0);
    ASSERT_EQ(mailer.Set(kFileMailerAttachmentCount, 2), 0);
    ASSERT_EQ(mailer.SetText(kFileMailerAttachments, "data.bin", 2), 0);
    EXPECT_EQ(mailer.GetText(kFileMailerAttachments, 1), "notes.txt");
    const int before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kFileMailerSend), 0) << mailer.LastError();
    const std::string facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, "defects 0")) << facts;
    // The caller's header line ends before the MIME ones begin.
    EXPECT_TRUE(Has(facts, "header X-Mailer: kes")) << facts;
    EXPECT_NE(facts.find("\nheader MIME-Version: 1.0"), std::string::npos) << facts;
    EXPECT_TRUE(Has(facts, Multipart(0, "multipart/mixed"))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/plain", "", "", "", text))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/plain", "", "notes.txt", "attachment", notes))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "application/octet-stream", "", "data.bin", "attachment", binary))) << facts;
    // The body went through a temporary file, which is gone.
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((std::string(folder) + "fml*.tmp").c_str(), &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    // The list stays for the next message; the text is the sent message's.
    EXPECT_EQ(mailer.GetInt(kFileMailerAttachmentCount), 2);
    EXPECT_EQ(mailer.GetText(kFileMailerMessageText), "");
}

// Queued, the message carries its attachment in the queue file, and goes
// whole when the queue is processed.
TEST_F(FileMailerTest, QueuedWithAttachment)
{
    const std::string notes = "queued notes\r\n.\r\n";
    WriteFile("notes.txt", notes);
    Message("queued text\r\n");
    ASSERT_EQ(mailer.Do(kFileMailerAddAttachment, {"notes.txt"}), 0);
    CreateDirectoryA("queue", nullptr);
    ASSERT_EQ(mailer.Do(kFileMailerQueue, {"queue"}), 0) << mailer.LastError();
    EXPECT_EQ(mailer.GetText(kFileMailerMessageText), "queued text\r\n");
    const int before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kFileMailerProcessQueue, {"queue"}), 0) << mailer.LastError();
    const std::string facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, "defects 0")) << facts;
    EXPECT_TRUE(Has(facts, Multipart(0, "multipart/mixed"))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/plain", "", "", "", "queued text\r\n"))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/plain", "", "notes.txt", "attachment", notes))) << facts;
}

TEST_F(FileMailerTest, UnreadableAttachmentSendsNothing)
{
    Message("kept");
    ASSERT_EQ(mailer.Do(kFileMailerAddAttachment, {"missing.txt"}), 0);
    const int before = AiosmtpdCount();
    EXPECT_EQ(mailer.Do(kFileMailerSend), 283);
    EXPECT_STREQ(mailer.LastError(), "No file given");
    EXPECT_EQ(CommandsSent(), 0);
    EXPECT_EQ(AiosmtpdCount(), before);
    EXPECT_EQ(mailer.GetText(kFileMailerMessageText), "kept");
    // Queued, the same: no file is left in the folder.
    CreateDirectoryA("queue", nullptr);
    EXPECT_EQ(mailer.Do(kFileMailerQueue, {"queue"}), 283);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA("queue\\*.queued", &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
}

TEST_F(FileMailerTest, AttachmentIndexes)
{
    // The component's own code; CheckIndex answers the interface's 280.
    EXPECT_EQ(mailer.SetText(kFileMailerAttachments, "x", 1), 169);
    EXPECT_STREQ(mailer.LastError(), "Invalid attachment index (out of range).");
    EXPECT_EQ(mailer.CheckIndex(kFileMailerAttachments, 1), 280);
    ASSERT_EQ(mailer.Set(kFileMailerAttachmentCount, 1), 0);
    EXPECT_EQ(mailer.GetText(kFileMailerAttachments, 0), "");
    EXPECT_EQ(mailer.LastErrorCode(), 169);
    EXPECT_EQ(mailer.SetText(kFileMailerAttachments, "x", 2), 169);
    EXPECT_EQ(mailer.CheckIndex(kFileMailerAttachments, 1), 0);
    ASSERT_EQ(mailer.SetText(kFileMailerAttachments, "x", 1), 0);
    EXPECT_EQ(mailer.GetText(kFileMailerAttachments, 1), "x");
    EXPECT_EQ(mailer.Set(kFileMailerAttachmentCount, -1), 169);
    ASSERT_EQ(mailer.Do(kFileMailerResetHeaders), 0);
    EXPECT_EQ(mailer.GetInt(kFileMailerAttachmentCount), 0);
}

class HtmlMailerTest : public ::testing::Test {
protected:
    HtmlMailerTest() : mailer(HTMLMailerFunctions::kApi, EventRecorder::Callback, events.User()) {}
    static void SetUpTestSuite() { HTMLMailer_StaticInit(GetModuleHandleA(nullptr)); }

    void Peer()
    {
        ASSERT_EQ(mailer.SetText(kHtmlMailerMailServer, "127.0.0.1"), 0);
        ASSERT_EQ(mailer.Set(kHtmlMailerMailPort, kAiosmtpdPort), 0);
        ASSERT_EQ(mailer.Set(kHtmlMailerTimeout, 20), 0);
        ASSERT_EQ(mailer.SetText(kHtmlMailerFrom, "alice@kes.test"), 0);
        ASSERT_EQ(mailer.SetText(kHtmlMailerSendTo, "bob@kes.test"), 0);
        ASSERT_EQ(mailer.SetText(kHtmlMailerSubject, "page"), 0);
    }

    EventRecorder events;
    ComponentHandle mailer;
};

// A page in a folder of its own, with files beside it, above it and
// elsewhere: only those named relative to its folder are mailed.
TEST_F(HtmlMailerTest, PageWithImagesAndLinkedFiles)
{
    CreateDirectoryA("page", nullptr);
    CreateDirectoryA("page\\img", nullptr);
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string(200, '\x7f');
    const std::string jpg = std::string("\xff\xd8\xff\xe0", 4) + std::string(3000, '\x10');
    const std::string css = "body { color: #123456; }\r\n";
    WriteFile("page\\img\\a.gif", gif);
    WriteFile("page\\bg.jpg", jpg);
    WriteFile("page\\s.css", css);
    WriteFile("secret.gif", "not to be mailed");
    char absolute[MAX_PATH];
    GetFullPathNameA("secret.gif", MAX_PATH, absolute, nullptr);
    const std::string html = std::string("<html><head><title>T</title><link rel=stylesheet href=\"s.css\">"
                                         "<link href=\"/site.css\"></head>"
                                         "<body background=\"bg.jpg\"><h1>Report</h1>"
                                         "<p>Fish &amp; chips<br>second line</p>"
                                         "<img src=\"img/a.gif\"><img src='img/a.gif'>"
                                         "<img src=\"../secret.gif\"><img src=\"") +
                             absolute +
                             "\"><img src=\"data:image/gif;base64,R0lGOD\"><img src=\"cid:other\">"
                             "<img src=\"http://example.invalid/x.gif\"><img src=\"missing.gif\">"
                             "</body></html>";
    WriteFile("page\\index.html", html);
    ASSERT_EQ(mailer.SetText(kHtmlMailerHTMLFile, "page\\index.html"), 0) << mailer.LastError();

    EXPECT_EQ(mailer.GetInt(kHtmlMailerImageCount), 1);
    EXPECT_EQ(mailer.GetText(kHtmlMailerImageType, 1), "image/gif");
    EXPECT_EQ(mailer.GetText(kHtmlMailerImageFile, 1), "page\\img\\a.gif");
    const std::string sent = mailer.GetText(kHtmlMailerMessageHTML);
    EXPECT_NE(sent.find("<img src=\"cid:img47a46gif\"><img src=\"cid:img47a46gif\">"), std::string::npos) << sent;
    EXPECT_NE(sent.find("<body background=\"cid:bg46jpg\">"), std::string::npos) << sent;
    EXPECT_NE(sent.find("href=\"cid:s46css\""), std::string::npos) << sent;
    for (const std::string& kept :
         {std::string("\"/site.css\""), std::string("\"../secret.gif\""), "\"" + std::string(absolute) + "\"",
          std::string("\"data:image/gif;base64,R0lGOD\""), std::string("\"cid:other\""),
          std::string("\"http://example.invalid/x.gif\""), std::string("\"missing.gif\"")})
        EXPECT_NE(sent.find(kept), std::string::npos) << kept;
    const std::string plain = mailer.GetText(kHtmlMailerMessageText);
    EXPECT_EQ(plain, "Report\r\n\r\nFish & chips\r\nsecond line\r\n\r\n");

    Peer();
    int before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kHtmlMailerSend), 0) << mailer.LastError();
    std::string facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, "defects 0")) << facts;
    EXPECT_TRUE(Has(facts, Multipart(0, "multipart/related"))) << facts;
    EXPECT_TRUE(Has(facts, Multipart(1, "multipart/alternative"))) << facts;
    EXPECT_TRUE(Has(facts, Part(2, "text/plain", "", "", "", plain))) << facts;
    EXPECT_TRUE(Has(facts, Part(2, "text/html", "", "", "", sent))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "image/gif", "<img47a46gif>", "a.gif", "", gif))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "application/binary", "<bg46jpg>", "bg.jpg", "", jpg))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/css", "<s46css>", "s.css", "", css))) << facts;
    EXPECT_EQ(AiosmtpdMessage(before + 1).find("not to be mailed"), std::string::npos);

    // The page stays for the next message; with an attachment it becomes
    // the first part of a multipart/mixed.
    WriteFile("report.txt", "attached\r\n");
    ASSERT_EQ(mailer.Do(kHtmlMailerAddAttachment, {"report.txt"}), 0);
    ASSERT_EQ(mailer.SetText(kHtmlMailerOtherHeaders, "X-Page: 2"), 0);
    before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kHtmlMailerSend), 0) << mailer.LastError();
    facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, "defects 0")) << facts;
    EXPECT_TRUE(Has(facts, "header X-Page: 2")) << facts;
    EXPECT_TRUE(Has(facts, Multipart(0, "multipart/mixed"))) << facts;
    EXPECT_TRUE(Has(facts, Multipart(1, "multipart/related"))) << facts;
    EXPECT_TRUE(Has(facts, Multipart(2, "multipart/alternative"))) << facts;
    EXPECT_TRUE(Has(facts, Part(3, "text/html", "", "", "", sent))) << facts;
    EXPECT_TRUE(Has(facts, Part(2, "image/gif", "<img47a46gif>", "a.gif", "", gif))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/plain", "", "report.txt", "attachment", "attached\r\n"))) << facts;
}

TEST_F(HtmlMailerTest, TextOnlyImagesGivenAndUnparsed)
{
    // HTML given as text names files relative to the current folder; a page
    // without images is a multipart/alternative alone.
    ASSERT_EQ(mailer.SetText(kHtmlMailerMessageHTML, "<p>Hello <b>there</b></p><pre>a\n  b</pre>"), 0);
    EXPECT_EQ(mailer.GetInt(kHtmlMailerImageCount), 0);
    EXPECT_EQ(mailer.GetText(kHtmlMailerMessageText), "Hello there\r\n\r\na\r\n  b\r\n");
    EXPECT_EQ(mailer.GetText(kHtmlMailerImageFile, 1), "");
    EXPECT_EQ(mailer.LastErrorCode(), 169);
    EXPECT_STREQ(mailer.LastError(), "No images available.");
    EXPECT_EQ(mailer.CheckIndex(kHtmlMailerImageFile, 1), 280);
    Peer();
    int before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kHtmlMailerSend), 0) << mailer.LastError();
    std::string facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, Multipart(0, "multipart/alternative"))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "text/plain", "", "", "", "Hello there\r\n\r\na\r\n  b\r\n"))) << facts;

    // An image the caller names is mailed wherever it is, under the content
    // id the HTML uses; its data, when set, goes in place of the file.
    WriteFile("logo.gif", "GIF89a-logo");
    char absolute[MAX_PATH];
    GetFullPathNameA("logo.gif", MAX_PATH, absolute, nullptr);
    ASSERT_EQ(mailer.SetText(kHtmlMailerMessageHTML, "<img src=\"cid:logo46gif\"><img src=\"cid:chart46gif\">"), 0);
    ASSERT_EQ(mailer.Set(kHtmlMailerImageCount, 2), 0);
    ASSERT_EQ(mailer.SetText(kHtmlMailerImageFile, absolute, 1), 0);
    ASSERT_EQ(mailer.SetText(kHtmlMailerImageFile, "C:\\nowhere\\chart.gif", 2), 0);
    ASSERT_EQ(mailer.SetBytes(kHtmlMailerImageData, std::string("GIF\0chart", 9), 2), 0);
    EXPECT_EQ(mailer.GetBytes(kHtmlMailerImageData, 2), std::string("GIF\0chart", 9));
    EXPECT_EQ(mailer.GetText(kHtmlMailerImageType, 2), "image/gif");
    EXPECT_EQ(mailer.SetText(kHtmlMailerImageType, "x", 3), 169);
    EXPECT_STREQ(mailer.LastError(), "Invalid image index.");
    EXPECT_EQ(mailer.Set(kHtmlMailerImageCount, 129), 200);
    before = AiosmtpdCount();
    ASSERT_EQ(mailer.Do(kHtmlMailerSend), 0) << mailer.LastError();
    facts = NewMessageFacts(before);
    EXPECT_TRUE(Has(facts, Part(1, "image/gif", "<logo46gif>", "logo.gif", "", "GIF89a-logo"))) << facts;
    EXPECT_TRUE(Has(facts, Part(1, "image/gif", "<chart46gif>", "chart.gif", "", std::string("GIF\0chart", 9))))
        << facts;

    // Unparsed, the HTML goes as it was given and finds no images.
    ASSERT_EQ(mailer.Set(kHtmlMailerParseHTML, 0), 0);
    const std::string raw = "<IMG SRC=logo.gif><p>as given";
    ASSERT_EQ(mailer.SetText(kHtmlMailerMessageHTML, raw.c_str()), 0);
    EXPECT_EQ(mailer.GetInt(kHtmlMailerImageCount), 0);
    EXPECT_EQ(mailer.GetText(kHtmlMailerMessageHTML), raw);
    // A file that cannot be read.
    EXPECT_EQ(mailer.SetText(kHtmlMailerHTMLFile, "no-such.html"), 302);
    EXPECT_STREQ(mailer.LastError(), "Can't open HTMLFile.");
}

} // namespace
