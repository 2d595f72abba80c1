// WebUpload through its exported functions: the body as it goes out (the
// capture peer echoes it), files and fields read by a CGI program on apache2
// (by the cgi module and by the email package), the progress it reports, and
// its temporary file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp_webupload.h"
#include "netcomp/net/tests/WebTestSupport.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

class Upload {
public:
    EventRecorder events;
    ComponentHolder<WebUploadFunctions> c{EventRecorder::Callback, events.User()};

    Upload()
    {
        WebUpload_StaticInit(GetModuleHandleA(nullptr));
        EXPECT_EQ(c.Config("MaxTransferredData=0"), 0);
    }
    int UploadTo(const std::string& url) { return c.Do(kWebUploadMethodUploadTo, {url.c_str()}); }
    std::string Reply() { return c.GetBytes(kWebUploadTransferredData); }
    std::vector<int> Progress()
    {
        std::vector<int> percents;
        for (const RecordedEvent& e : events.Of(kWebUploadEventUploadProgress))
            percents.push_back(int(e.values[0]));
        return percents;
    }
};

} // namespace

TEST(WebUpload, BodyAsItGoesOut)
{
    const std::string bytes = BinaryBytes(1000);
    const std::string path = WriteTempFile("web upload; one.bin", bytes);
    const int before = CountTempFiles("wup*.tmp");
    Upload up;
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFile, {"up\"file", path.c_str()}), 0);
    ASSERT_EQ(up.UploadTo(CaptureUrl("/echo/up")), 0) << up.c.LastError();
    const EchoedRequest post(up.Reply());
    EXPECT_EQ(post.line, "POST /echo/up HTTP/1.1");
    const std::string type = post.Header("Content-Type");
    const std::string prefix = "multipart/form-data; boundary=" + std::string(27, '-') + "boundary.tsn.";
    ASSERT_EQ(type.rfind(prefix, 0), 0u) << type;
    const std::string b = type.substr(30);
    // One part, framed all the same; the server is told the file's name only.
    EXPECT_EQ(post.body,
              "--" + b +
                  "\r\nContent-Disposition: form-data; name=\"up\\\"file\"; filename=\"web upload; one.bin\"\r\n"
                  "Content-Type: application/octet-stream\r\n\r\n" +
                  bytes + "\r\n--" + b + "--\r\n");
    EXPECT_EQ(post.Header("Content-Length"), std::to_string(post.body.size()));
    // Exact for a small body: nothing between the start and the last block.
    EXPECT_EQ(up.Progress(), (std::vector<int>{0, 99, 100}));
    EXPECT_EQ(CountTempFiles("wup*.tmp"), before);

    // The temporary file goes also when the request fails or is interrupted.
    EXPECT_EQ(up.UploadTo("http://127.0.0.1:1/"), 10061);
    EXPECT_EQ(CountTempFiles("wup*.tmp"), before);
    // An Interrupt as the body starts, between its blocks or once it is out
    // ends the upload as interrupted.
    const std::string longer = WriteTempFile("web upload long.bin", BinaryBytes(600000));
    ASSERT_EQ(up.c.Set(kWebUploadFileCount, 0), 0);
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFile, {"long", longer.c_str()}), 0);
    for (const int at : {0, 1, 4}) {
        int seen = 0;
        up.events.OnEvent(kWebUploadEventUploadProgress, [&](const RecordedEvent&) {
            if (seen++ == at) {
                EXPECT_EQ(up.c.Do(kWebUploadMethodInterrupt), 0);
            }
            EXPECT_EQ(CountTempFiles("wup*.tmp"), before + 1);
        });
        EXPECT_EQ(up.UploadTo(CaptureUrl("/echo/up")), 301) << at;
        EXPECT_STREQ(up.c.LastError(), "Interrupted.");
        EXPECT_EQ(seen, at + 1);
        EXPECT_EQ(CountTempFiles("wup*.tmp"), before);
        EXPECT_TRUE(up.c.GetBool(kWebUploadIdle));
    }
    up.events.OnEvent(kWebUploadEventUploadProgress, nullptr);
    // A file that cannot be read stops the upload before anything is sent.
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFile, {"gone", (TempFolder() + "no such file.bin").c_str()}), 0);
    up.events.Clear();
    EXPECT_EQ(up.UploadTo(CaptureUrl("/echo/up")), 283);
    EXPECT_STREQ(up.c.LastError(), "No file given");
    EXPECT_TRUE(up.events.Of(kWebUploadEventConnected).empty());
    EXPECT_EQ(CountTempFiles("wup*.tmp"), before);
    DeleteFileA(path.c_str());
    DeleteFileA(longer.c_str());
}

TEST(WebUpload, FilesAndFieldsTheServerReads)
{
    const std::string big = BinaryBytes(300000);
    const std::string text = "plain text\r\nwith \"quotes\"\r\n";
    const std::string bigPath = WriteTempFile("upload-big.bin", big);
    const std::string textPath = WriteTempFile("notes; v2.txt", text);
    Upload up;
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFormVar, {"name", "alice"}), 0);
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFormVar, {"note", "\xc3\xa4 \xc3\xbc \"quoted\"\r\nline"}), 0);
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFile, {"big", bigPath.c_str()}), 0);
    ASSERT_EQ(up.c.Do(kWebUploadMethodAddFile, {"notes", textPath.c_str()}), 0);
    EXPECT_EQ(up.c.GetInt(kWebUploadFileCount), 2);
    EXPECT_EQ(up.c.GetText(kWebUploadFileVariables, 2), "notes");
    // While the body goes out, the lists it is made from stay as they are.
    int refused = 0;
    up.events.OnEvent(kWebUploadEventUploadProgress, [&](const RecordedEvent&) {
        refused += up.c.Set(kWebUploadFileCount, 0) == 143;
        refused += up.c.Do(kWebUploadMethodAddFile, {"late", textPath.c_str()}) == 143;
        refused += up.c.SetText(kWebUploadFormVarValues, "bob", 1) == 143;
        refused += up.c.Do(kWebUploadMethodUpload) == 143;
    });
    ASSERT_EQ(up.UploadTo(WebUrl("/cgi-bin/form.py")), 0) << up.c.LastError();
    up.events.OnEvent(kWebUploadEventUploadProgress, nullptr);
    EXPECT_EQ(refused, 4 * int(up.Progress().size()));
    EXPECT_EQ(up.c.GetInt(kWebUploadFileCount), 2);
    const std::string reply = up.Reply();
    EXPECT_NE(
        reply.find("\"fields\": {\"name\": [\"alice\"], \"note\": [\"\\u00e4 \\u00fc \\\"quoted\\\"\\r\\nline\"]}"),
        std::string::npos)
        << reply;
    EXPECT_NE(reply.find("\"big\": {\"filename\": \"upload-big.bin\", \"md5\": \"" + Md5Of(big) + "\", \"sha256\": \""),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find("\"size\": 300014, \"type\": \"application/octet-stream\"}"), std::string::npos) << reply;
    EXPECT_NE(reply.find("\"notes\": {\"filename\": \"notes; v2.txt\", \"md5\": \"" + Md5Of(text)), std::string::npos)
        << reply;
    // The email package reads the same four parts, without a defect.
    EXPECT_NE(reply.find("\"defects\": []"), std::string::npos) << reply;
    EXPECT_NE(reply.find("{\"filename\": \"upload-big.bin\", \"md5\": \"" + Md5Of(big) + "\", \"name\": \"big\""),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find("{\"filename\": \"notes; v2.txt\", \"md5\": \"" + Md5Of(text) + "\", \"name\": \"notes\""),
              std::string::npos)
        << reply;

    // Progress from 0 up, never back, to 100 once the body is out.
    const std::vector<int> percents = up.Progress();
    ASSERT_GE(percents.size(), 3u);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    for (size_t i = 1; i < percents.size(); ++i) {
        EXPECT_GT(percents[i], percents[i - 1]);
        EXPECT_TRUE(i + 1 == percents.size() || percents[i] <= 99);
    }

    // Reset empties the variables and the files.
    ASSERT_EQ(up.c.Do(kWebUploadMethodReset), 0);
    EXPECT_EQ(up.c.GetInt(kWebUploadFileCount), 0);
    EXPECT_EQ(up.c.GetInt(kWebUploadFormVarCount), 0);
    EXPECT_EQ(up.c.CheckIndex(kWebUploadFiles, 1), 280);
    EXPECT_STREQ(up.c.LastError(), "Invalid file index (out of range).");
    EXPECT_EQ(up.c.Set(kWebUploadFileCount, -1), 158);
    DeleteFileA(bigPath.c_str());
    DeleteFileA(textPath.c_str());
}
