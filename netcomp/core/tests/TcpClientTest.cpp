// The TCP client's blocking operations on a line protocol (the scripted
// peer's line mode): a reply line per command, lines that arrive together
// held for the next wait, and a dot-ended message written to a local file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/core/tests/HttpTestSupport.h"

namespace {

class LineClient final : public TcpClient {
public:
    LineClient()
    {
        Init();
        (void)SetTimeout(10);
        (void)SetEOL("\r\n", 2);
    }
};

TEST(TcpClient, ReplyLinesAndMessages)
{
    SetLibraryInstance(GetModuleHandleA(nullptr));
    LibraryStartup();
    LineClient client;
    ASSERT_EQ(client.ConnectTo("127.0.0.1", kCapturePort), 0) << client.LastErrorText();
    EXPECT_EQ(client.SetRemotePort(1), 100);
    ASSERT_EQ(client.SendCommandLine("HELLO", " ", "world", "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK HELLO world");

    // Two lines in one read: the second waits in the buffer for the next wait.
    ASSERT_EQ(client.SendCommandLine("TWO", " ", "", "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK 1");
    ASSERT_EQ(client.WaitForReply(), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK 2");

    ASSERT_EQ(client.SetLocalFile("message.txt"), 0);
    ASSERT_EQ(client.OpenLocalFile(), 0);
    ASSERT_EQ(client.SendCommandLine("LIST", nullptr, nullptr, "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK");
    ASSERT_EQ(client.WaitForTransfer(), 0);
    std::ifstream file("message.txt", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()),
              "Subject: x\r\n\r\nbody\r\n.stuffed\r\n");

    // With CharsetMode 1 a Japanese message arrives in Shift-JIS: its encoded
    // Subject decoded, its ISO-2022-JP body converted.
    const char* answer = nullptr;
    ASSERT_EQ(client.DoConfig("CharsetMode=1", &answer), 0);
    ASSERT_EQ(client.SetLocalFile("japanese.txt"), 0);
    ASSERT_EQ(client.OpenLocalFile(), 0);
    ASSERT_EQ(client.SendCommandLine("JLIST", nullptr, nullptr, "\r\n"), 0);
    ASSERT_EQ(client.WaitForTransfer(), 0);
    std::ifstream japanese("japanese.txt", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(japanese)), std::istreambuf_iterator<char>()),
              "Subject: \x82\xA0\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x82\xA0\r\n");

    // The peer closes after its answer: the next wait ends, not hangs.
    ASSERT_EQ(client.SendCommandLine("QUIT", nullptr, nullptr, "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK bye");
    EXPECT_EQ(client.WaitForReply(), 301);
    EXPECT_EQ(client.Disconnect(), 0);
    EXPECT_FALSE(client.HasSocket());
}

} // namespace
