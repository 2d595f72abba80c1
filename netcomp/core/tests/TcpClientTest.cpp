// The TCP client's blocking operations on a line protocol: against the
// capture peer's line mode, a reply line per command, lines that arrive
// together held for the next wait, and a dot-ended message written to a local
// file; against a scripted SMTP-like server, whole multi-line replies, their
// judgement, refused arguments and replies past the limits (one that never
// ends among them); lines past the line limit in replies and messages.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/core/tests/HttpTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

class LineClient : public TcpClient {
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
    // The same without record cutting: the second line waits in the client's lines.
    ASSERT_EQ(client.SetEOL("", 0), 0);
    ASSERT_EQ(client.SendCommandLine("TWO", " ", "", "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK 1");
    ASSERT_EQ(client.WaitForReply(), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK 2");
    ASSERT_EQ(client.SetEOL("\r\n", 2), 0);

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

    // The peer closes after its answer: the next wait ends, not hangs, with
    // the close (10054 for a clean one), not as an interrupted wait.
    ASSERT_EQ(client.SendCommandLine("QUIT", nullptr, nullptr, "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK bye");
    EXPECT_EQ(client.WaitForReply(), WSAECONNRESET);
    EXPECT_STREQ(client.LastErrorText(), "Connection closed by the server.");
    EXPECT_EQ(client.Disconnect(), 0);
    EXPECT_FALSE(client.HasSocket());
}

// Counts the read notifications the socket's window takes.
class CountingClient final : public LineClient {
public:
    CountingClient() { SetLineMode(true); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kMsgTcpSocket && WSAGETSELECTEVENT(lParam) == FD_READ)
            ++readNotifications;
        return TcpClient::WindowProc(message, wParam, lParam);
    }
    int readNotifications = 0;
};

// A wait takes the lines held for it at once, with no read notification of
// its own; a notification that came while replies were held makes the next
// wait read.
TEST(TcpClient, HeldLinesAndHeldReadNotifications)
{
    SetLibraryInstance(GetModuleHandleA(nullptr));
    LibraryStartup();
    ScriptedServer server;
    server.Reply("+OK hello")
        .Expect("TWO")
        .Send("+OK 1\r\n+OK 2\r\n")
        .Expect("LATER")
        .Reply("+OK 3")
        .Expect("QUIT")
        .Reply("+OK bye")
        .ExpectClose();
    ASSERT_TRUE(server.Start());
    CountingClient client;
    ASSERT_EQ(client.ConnectTo("127.0.0.1", server.Port()), 0) << client.LastErrorText();
    ASSERT_EQ(client.WaitForReply(), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK hello");
    ASSERT_EQ(client.SendCommandLine("TWO", nullptr, nullptr, "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK 1");
    const int before = client.readNotifications;
    ASSERT_EQ(client.WaitForReply(), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK 2");
    EXPECT_EQ(client.readNotifications, before);

    ASSERT_EQ(client.SendBytes("LATER\r\n", 7, false), 0);
    const int seen = client.readNotifications;
    const DWORD start = GetTickCount();
    while (client.readNotifications == seen && GetTickCount() - start < 10000)
        (void)client.DoEvents();
    ASSERT_GT(client.readNotifications, seen) << "the reply's notification never came";
    ASSERT_EQ(client.WaitForReply(), 0) << client.LastErrorText();
    EXPECT_STREQ(client.ReplyText(), "+OK 3");
    ASSERT_EQ(client.SendCommandLine("QUIT", nullptr, nullptr, "\r\n"), 0);
    EXPECT_EQ(client.Disconnect(), 0);
    EXPECT_EQ("", server.Finish());
}

// A line protocol's engine as a new component would write it: line mode,
// three-digit replies, its own failure code, a trail of every line.
class CodedClient final : public TcpClient {
public:
    CodedClient()
    {
        Init();
        (void)SetTimeout(10);
        (void)SetEOL("\r\n", 2);
        SetLineMode(true);
        SetReplyRules(kCodedReply);
        SetProtocolErrorCode(161);
    }
    std::vector<std::string> trail;

protected:
    void OnCommandLine(const char* line, uint32_t n) override { trail.push_back("> " + std::string(line, n)); }
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override
    {
        trail.push_back("< " + std::string(line, n));
        return ReplyReader::Hint::Rules;
    }
};

TEST(TcpClient, WholeRepliesJudgedAndArgumentsChecked)
{
    SetLibraryInstance(GetModuleHandleA(nullptr));
    LibraryStartup();
    std::string help;
    for (int i = 0; i < 10; ++i)
        help += "214-0123456789012345678901234567890123456789\r\n";
    ScriptedServer server;
    server.Reply("220-mx.kes.test ESMTP")
        .Send("220 re")
        .Send("ady\r\n")
        .Expect("EHLO me")
        .Send("250-mx.kes.test\r\n250-SIZE 100\n250 HELP\r\n")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("550 relay not permitted")
        .Expect("HELP")
        .Send(help) // a reply whose end never comes
        .ExpectClose()
        .Accept()
        .Reply("220 again")
        .Expect("NOOP")
        .Reply("250 OK")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    ASSERT_TRUE(server.Start());

    CodedClient client;
    ASSERT_EQ(client.ConnectTo("127.0.0.1", server.Port()), 0) << client.LastErrorText();
    ASSERT_EQ(client.WaitForReply(), 0);
    EXPECT_EQ(client.CheckReply(), 0);
    EXPECT_EQ(client.Reply().Code(), 220);
    EXPECT_STREQ(client.Reply().Text().CStr(), "220-mx.kes.test ESMTP\r\n220 ready\r\n");

    ASSERT_EQ(client.Exchange("EHLO", "me"), 0) << client.LastErrorText();
    EXPECT_EQ(client.Reply().LineCount(), 3);
    EXPECT_STREQ(client.ReplyText(), "250 HELP");

    // An argument that would end the command early is refused: nothing goes out.
    for (const char* argument : {"FROM:<a@kes.test>\r\nRCPT TO:<x@y.test>", "FROM:<a@kes.test>\n", "\r"}) {
        EXPECT_EQ(client.Exchange("MAIL", argument), 161);
        EXPECT_STREQ(client.LastErrorText(), "Invalid character (CR or LF) in a command line.");
    }
    EXPECT_EQ(client.SendCommandLine("MAIL\r\nQUIT", " ", "x", "\r\n"), 161);

    EXPECT_EQ(client.Exchange("MAIL", "FROM:<a@kes.test>"), 161);
    EXPECT_STREQ(client.LastErrorText(), "550 relay not permitted");

    // A reply past the limit fails at once and gives its connection up: its
    // end, which may never come, is not waited for.
    client.SetMaxReplySize(200);
    EXPECT_EQ(client.Exchange("HELP", nullptr), 161);
    EXPECT_STREQ(client.LastErrorText(), "Reply too long.");
    EXPECT_FALSE(client.HasSocket());
    ASSERT_EQ(client.Connect(), 0) << client.LastErrorText();
    ASSERT_EQ(client.WaitForReply(), 0);
    EXPECT_EQ(client.Exchange("NOOP", ""), 0);
    EXPECT_STREQ(client.ReplyText(), "250 OK");

    ASSERT_EQ(client.Exchange("QUIT", nullptr), 0);
    EXPECT_EQ(client.Disconnect(), 0);
    EXPECT_EQ(server.Finish(), "");
    // Every line in and out, the refused commands not among them.
    // HELP and its lines up to the one past the limit (46 bytes each).
    ASSERT_EQ(client.trail.size(), 2u + 4 + 2 + 1 + 5 + 1 + 2 + 2);
    EXPECT_EQ(client.trail[2], "> EHLO me");
    EXPECT_EQ(client.trail[6], "> MAIL FROM:<a@kes.test>");
    EXPECT_EQ(client.trail[8], "> HELP");
}

// A line past the line limit. In a reply it fails the reply, which is still
// read to its end (the line's first bytes say whether more lines follow), so
// that the next reply is the next command's. In a message it has no limit:
// it comes in pieces, only the first of which begins a line (for the dot
// stuffing and the "." that ends the message), the same whether it was held
// behind the reply ("+OK" ended by a bare LF, which only the line source
// cuts) or came after it.
TEST(TcpClient, LinesPastTheLimit)
{
    SetLibraryInstance(GetModuleHandleA(nullptr));
    LibraryStartup();
    const std::string past(100000, 'b');
    const std::string message = past + "\r\n" + std::string(65536, 'd') + ".\r\n..dot\r\n.\r\n";
    ScriptedServer server;
    server.Reply("220 ready")
        .Expect("EHLO me")
        .Send("250-mx.kes.test\r\n250-" + past + "\r\n250 HELP\r\n")
        .Expect("NOOP")
        .Reply("250 OK")
        .Expect("HELP")
        .Reply("214 " + past)
        .Expect("NOOP")
        .Reply("250 again")
        .ExpectClose()
        .Accept()
        .Reply("+OK hello")
        .Expect("RETR 1")
        .Send("+OK\n\n" + message)
        .Expect("RETR 2")
        .Reply("+OK")
        .Send("\r\n" + message)
        .Expect("NOOP")
        .Reply("+OK noop")
        .ExpectClose();
    ASSERT_TRUE(server.Start());

    CodedClient coded;
    ASSERT_EQ(coded.ConnectTo("127.0.0.1", server.Port()), 0) << coded.LastErrorText();
    ASSERT_EQ(coded.WaitForReply(), 0);
    EXPECT_EQ(coded.Exchange("EHLO", "me"), 161);
    EXPECT_STREQ(coded.LastErrorText(), "Reply line too long.");
    EXPECT_EQ(coded.Reply().LineCount(), 3);
    EXPECT_EQ(coded.Exchange("NOOP", nullptr), 0) << coded.LastErrorText();
    EXPECT_STREQ(coded.ReplyText(), "250 OK");
    EXPECT_EQ(coded.Exchange("HELP", nullptr), 161);
    EXPECT_STREQ(coded.LastErrorText(), "Reply line too long.");
    EXPECT_EQ(coded.Exchange("NOOP", nullptr), 0) << coded.LastErrorText();
    EXPECT_STREQ(coded.ReplyText(), "250 again");
    EXPECT_EQ(coded.Disconnect(), 0);

    LineClient client;
    ASSERT_EQ(client.ConnectTo("127.0.0.1", server.Port()), 0) << client.LastErrorText();
    ASSERT_EQ(client.WaitForReply(), 0);
    for (const char* number : {"1", "2"}) {
        const std::string file = std::string("long") + number + ".txt";
        ASSERT_EQ(client.SetLocalFile(file.c_str()), 0);
        ASSERT_EQ(client.OpenLocalFile(), 0);
        ASSERT_EQ(client.SendCommandLine("RETR", " ", number, "\r\n"), 0);
        EXPECT_STREQ(client.ReplyText(), "+OK");
        ASSERT_EQ(client.WaitForTransfer(), 0);
        client.CloseLocalFile();
        std::ifstream in(file, std::ios::binary);
        const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(got == "\r\n" + past + "\r\n" + std::string(65536, 'd') + ".\r\n.dot\r\n")
            << number << ": " << got.size() << " bytes";
    }
    ASSERT_EQ(client.SendCommandLine("NOOP", nullptr, nullptr, "\r\n"), 0);
    EXPECT_STREQ(client.ReplyText(), "+OK noop");
    EXPECT_EQ(client.Disconnect(), 0);
    EXPECT_EQ(server.Finish(), "");
}

// An IMAP-like reader on the same line source: untagged lines and literals
// up to the tagged line make one reply.
class TaggedClient final : public TcpClient {
public:
    TaggedClient()
    {
        Init();
        (void)SetTimeout(10);
        (void)SetSingleLineMode(true);
    }
    std::vector<std::string> seen;

protected:
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override
    {
        const std::string text(line, n);
        seen.push_back(text);
        const size_t open = text.rfind('{');
        if (!text.empty() && text.back() == '}' && open != std::string::npos)
            Lines().ExpectBlock(uint32_t(std::stoul(text.substr(open + 1))));
        return text.compare(0, 3, "a1 ") == 0 ? ReplyReader::Hint::Final : ReplyReader::Hint::More;
    }
    void OnReplyBlock(const char* data, uint32_t n) override { seen.push_back("[" + std::string(data, n) + "]"); }
};

TEST(TcpClient, TaggedRepliesWithLiterals)
{
    SetLibraryInstance(GetModuleHandleA(nullptr));
    LibraryStartup();
    ScriptedServer server;
    server.Expect("a1 FETCH 1 BODY[]")
        .Send("* 1 FETCH (BODY[] {21}\r\nSubject: hi\r\n\r\nbo")
        .Send("dy\r\n)\r\na1 OK Fetch completed\r\n")
        .ExpectClose();
    ASSERT_TRUE(server.Start());
    TaggedClient client;
    ASSERT_EQ(client.ConnectTo("127.0.0.1", server.Port()), 0) << client.LastErrorText();
    ASSERT_EQ(client.SendCommandLine("a1", " ", "FETCH 1 BODY[]", "\r\n"), 0) << client.LastErrorText();
    std::string literal;
    for (const std::string& s : client.seen)
        if (s[0] == '[')
            literal += s.substr(1, s.size() - 2);
    EXPECT_EQ(literal, "Subject: hi\r\n\r\nbody\r\n");
    EXPECT_EQ(client.seen.front(), "* 1 FETCH (BODY[] {21}");
    EXPECT_EQ(client.seen.back(), "a1 OK Fetch completed");
    EXPECT_EQ(client.Reply().LineCount(), 3);
    EXPECT_EQ(client.Disconnect(), 0);
    EXPECT_EQ(server.Finish(), "");
}

} // namespace
