// The SMTP component through its exported functions against the scripted
// server: the whole transcript of a send byte for byte (AUTH LOGIN, the
// address lists, the headers, dot-stuffed text and attached file), odd and
// failing replies at each step, a server gone inside DATA, CRAM-MD5 and HELO
// only, and the queue folder's files across a failed and a successful run.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_smtp.h"
#include "netcomp/mail/tests/MailTestSupport.h"
#include "netcomp/testing/ResetAtConnect.h"
#include "netcomp/testing/ScriptedServer.h"
#include "netcomp/testing/WinsockStandIns.h"

using namespace mailtest;

namespace {

class SmtpTest : public ::testing::Test {
protected:
    SmtpTest() : smtp(SMTPFunctions::kApi, EventRecorder::Callback, events.User())
    {
        events.TextsAt(kSmtpEventPITrail, {1});
        events.TextsAt(kSmtpEventError, {1});
        events.TextsAt(kSmtpEventExpand, {0});
    }
    static void SetUpTestSuite() { SMTP_StaticInit(GetModuleHandleA(nullptr)); }

    void Server(ScriptedServer& server)
    {
        ASSERT_TRUE(server.Start());
        ASSERT_EQ(smtp.SetText(kSmtpMailServer, "127.0.0.1"), 0);
        ASSERT_EQ(smtp.Set(kSmtpMailPort, server.Port()), 0);
        ASSERT_EQ(smtp.Set(kSmtpTimeout, 10), 0);
        ASSERT_EQ(smtp.Config("Hello=client.kes.test"), 0);
    }
    std::vector<std::string> Trail(int direction) const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kSmtpEventPITrail))
            if (int(e.values[0]) == direction)
                out.push_back(e.texts[1]);
        return out;
    }

    EventRecorder events;
    ComponentHandle smtp;
};

TEST_F(SmtpTest, SendTranscriptByteForByte)
{
    WriteFile("attached.txt", ".dot first\r\nplain\r\n.\r\n");
    ScriptedServer server;
    server.Reply("220 mx.kes.test ESMTP")
        .Expect("EHLO client.kes.test")
        .Reply("250-mx.kes.test")
        .Reply("250-PIPELINING")
        .Reply("250 8BITMIME")
        .Expect("AUTH LOGIN")
        .Reply("334 VXNlcm5hbWU6")
        .Expect("YWxpY2U=")
        .Reply("334 UGFzc3dvcmQ6")
        .Expect("d29uZGVy")
        .Reply("235 2.7.0 Authentication successful")
        .Expect("RSET")
        .Reply("250 OK")
        .Expect("MAIL FROM:<ann@x.org>")
        .Reply("250 OK")
        .Expect("RCPT TO:<bob@kes.test>")
        .Reply("250 OK")
        .Expect("RCPT TO:<carol@kes.test>")
        .Reply("250 OK")
        .Expect("RCPT TO:<dave@kes.test>")
        .Reply("250 OK")
        .Expect("RCPT TO:<hidden@kes.test>")
        .Reply("550 5.1.1 hidden unknown")
        .Expect("RCPT TO:<eve@kes.test>")
        .Reply("250 OK")
        .Expect("DATA")
        .Reply("354 go ahead")
        .ExpectUntil(".")
        .Reply("250 OK queued")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    Server(server);
    ASSERT_EQ(smtp.SetText(kSmtpUser, "alice"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpPassword, "wonder"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "Ann <ann@x.org>"), 0);
    // One comma inside quotes, one inside a comment, one between entries.
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "\"Doe, Bob\" <bob@kes.test>, carol@kes.test (Carol, C.)"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpCc, "dave@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpBCc, "hidden@kes.test, eve@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSubject, "Report"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageDate, "Tue, 3 Mar 2026 14:05:09 GMT"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageId, "<1@x.org>"), 0);
    ASSERT_EQ(smtp.Set(kSmtpPriority, 2), 0);
    ASSERT_EQ(smtp.Set(kSmtpImportance, 1), 0);
    ASSERT_EQ(smtp.Set(kSmtpSensitivity, 9), 0);
    ASSERT_EQ(smtp.SetText(kSmtpOtherHeaders, "X-Mailer: kes"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageText, "Hello\r\n.\r\n.hidden\r\nend"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpAttachedFile, "attached.txt"), 0);

    ASSERT_EQ(smtp.Do(kSmtpSend), 0) << smtp.LastError();
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Captured(0), "To: \"Doe, Bob\" <bob@kes.test>, carol@kes.test (Carol, C.)\r\n"
                                  "From: Ann <ann@x.org>\r\n"
                                  "Subject: Report\r\n"
                                  "Date: Tue, 3 Mar 2026 14:05:09 GMT\r\n"
                                  "Message-Id: <1@x.org>\r\n"
                                  "Cc: dave@kes.test\r\n"
                                  "Priority: Urgent\r\n"
                                  "Importance: High\r\n"
                                  "X-Mailer: kes\r\n"
                                  "\r\n"
                                  "Hello\r\n"
                                  "..\r\n"
                                  "..hidden\r\n"
                                  "end.dot first\r\n"
                                  "plain\r\n"
                                  "..\r\n"
                                  ".\r\n");
    EXPECT_FALSE(smtp.GetBool(kSmtpConnected));
    EXPECT_TRUE(smtp.GetBool(kSmtpIdle));
    EXPECT_EQ(smtp.GetText(kSmtpLastReply), "221 bye");
    // The refused blind copy is told, and the others still got it.
    ASSERT_EQ(events.Of(kSmtpEventError).size(), 1u);
    EXPECT_EQ(events.Of(kSmtpEventError)[0].values[0], 161);
    EXPECT_EQ(events.Of(kSmtpEventError)[0].texts[1], "550 5.1.1 hidden unknown");
    EXPECT_EQ(events.Of(kSmtpEventStartTransfer).size(), 2u);
    EXPECT_EQ(events.Of(kSmtpEventEndTransfer).size(), 2u);
    ASSERT_FALSE(events.Of(kSmtpEventTransfer).empty());
    EXPECT_EQ(events.Of(kSmtpEventTransfer)[0].values[0], 22);
    const std::vector<std::string> sent = Trail(0);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "EHLO client.kes.test");
    EXPECT_EQ(sent.back(), "QUIT");
    EXPECT_EQ(Trail(2).front(), "Connecting to mail server.");
}

TEST_F(SmtpTest, OddRepliesAndFailures)
{
    ScriptedServer server;
    server.Reply("220-mx.kes.test")
        .Reply("220 ready")
        .Expect("EHLO client.kes.test")
        .Reply("502 5.5.1 no extensions here")
        .Expect("HELO client.kes.test")
        .Reply("250 mx.kes.test")
        // MAIL refused for now: the send ends with the reply.
        .Expect("RSET")
        .Reply("250 OK")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("451 4.3.0 try later")
        // A refused recipient of To ends the send before DATA.
        .Expect("RSET")
        .Reply("250 OK")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("250 OK")
        .Expect("RCPT TO:<b@kes.test>")
        .Reply("550 5.1.1 unknown")
        // A command of the caller's, with a preliminary line before the reply.
        .Expect("NOOP")
        .Reply("150 wait")
        .Reply("250 OK")
        // The server goes away in the middle of the message.
        .Expect("RSET")
        .Reply("250 OK")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("250 OK")
        .Expect("RCPT TO:<b@kes.test>")
        .Reply("250 OK")
        .Expect("DATA")
        .Reply("354 go ahead")
        .ExpectPrefix("To: ")
        .Disconnect()
        // Without AllowExtensions: HELO only; a user without password sends no AUTH.
        .Accept()
        .Reply("220 ready")
        .Expect("HELO client.kes.test")
        .Reply("250 ok")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    Server(server);
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "a@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "b@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageText, std::string(200000, 'x').c_str()), 0);

    ASSERT_EQ(smtp.Do(kSmtpConnect), 0) << smtp.LastError();
    EXPECT_EQ(smtp.Do(kSmtpSend), 161);
    EXPECT_STREQ(smtp.LastError(), "451 4.3.0 try later");
    EXPECT_TRUE(smtp.GetBool(kSmtpConnected));
    EXPECT_EQ(smtp.Do(kSmtpSend), 161);
    EXPECT_STREQ(smtp.LastError(), "550 5.1.1 unknown");
    EXPECT_EQ(smtp.SetText(kSmtpCommand, "NOOP"), 0);
    EXPECT_EQ(smtp.GetText(kSmtpLastReply), "250 OK");
    EXPECT_EQ(smtp.SetText(kSmtpCommand, "NOOP\r\nQUIT"), 161);
    EXPECT_NE(smtp.Do(kSmtpSend), 0);
    EXPECT_FALSE(smtp.GetBool(kSmtpConnected));

    ASSERT_EQ(smtp.Set(kSmtpAllowExtensions, 0), 0);
    ASSERT_EQ(smtp.SetText(kSmtpUser, "alice"), 0);
    ASSERT_EQ(smtp.Set(kSmtpConnected, 1), 0) << smtp.LastError();
    EXPECT_EQ(smtp.Do(kSmtpDisconnect), 0) << smtp.LastError();
    EXPECT_EQ(server.Finish(), "");
    // Nothing sent without From and To.
    ASSERT_EQ(smtp.SetText(kSmtpFrom, ""), 0);
    EXPECT_EQ(smtp.Do(kSmtpSend), 164);
    EXPECT_STREQ(smtp.LastError(), "Please specify a sender (From).");
    ASSERT_EQ(smtp.Do(kSmtpResetHeaders), 0);
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "a@kes.test"), 0);
    EXPECT_EQ(smtp.Do(kSmtpSend), 165);
}

// The server's side of a send from a@kes.test to b@kes.test, up to its
// answer to DATA.
ScriptedServer& UpToData(ScriptedServer& server)
{
    return server.Reply("220 ready")
        .Expect("EHLO client.kes.test")
        .Reply("250 mx.kes.test")
        .Expect("RSET")
        .Reply("250 OK")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("250 OK")
        .Expect("RCPT TO:<b@kes.test>")
        .Reply("250 OK")
        .Expect("DATA")
        .Reply("354 go ahead");
}

// Sends of the message after DATA find the connection reset by the server, as
// when it goes away with bytes of the message still unread: the send fails,
// and the connection is over at once, not only once the close notification
// has been taken (an owner that reconnects at once must not find it open).
class ResetAfterData {
public:
    ResetAfterData()
    {
        m_winsock.Entries().send = &ResetAfterData::Send;
        s_self = this;
    }
    ~ResetAfterData() { s_self = nullptr; }

private:
    static int WSAAPI Send(SOCKET socket, const char* data, int length, int flags)
    {
        ResetAfterData& self = *s_self;
        if (self.m_dataSent) {
            self.m_winsock.Real().WSASetLastError(WSAECONNRESET);
            return SOCKET_ERROR;
        }
        self.m_dataSent = length >= 6 && std::string(data, 6) == "DATA\r\n";
        return self.m_winsock.Real().send(socket, data, length, flags);
    }

    static ResetAfterData* s_self;
    WinsockStandIns m_winsock;
    bool m_dataSent = false;
};
ResetAfterData* ResetAfterData::s_self = nullptr;

TEST_F(SmtpTest, ASendThatFindsTheConnectionResetEndsIt)
{
    ScriptedServer server;
    UpToData(server)
        .ExpectClose()
        .Accept()
        .Reply("220 ready")
        .Expect("EHLO client.kes.test")
        .Reply("250 mx.kes.test")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    Server(server);
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "a@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "b@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageText, "Hello"), 0);
    ASSERT_EQ(smtp.Do(kSmtpConnect), 0) << smtp.LastError();
    {
        ResetAfterData reset;
        EXPECT_EQ(smtp.Do(kSmtpSend), WSAECONNRESET);
        EXPECT_FALSE(smtp.GetBool(kSmtpConnected));
    }
    ASSERT_EQ(smtp.Set(kSmtpConnected, 1), 0) << smtp.LastError();
    EXPECT_EQ(smtp.Do(kSmtpDisconnect), 0) << smtp.LastError();
    EXPECT_EQ(server.Finish(), "");
}

// A server that takes 1 MB of a 20 MB message, refuses it and goes (a close
// with the rest unread, or a reset), while the message is still being sent:
// its reply is the result, 161 with the reply as the text, and LastReply.
// So is a refusal in the greeting of a server that resets at once, before
// Winsock told the client it was connected.
TEST_F(SmtpTest, AServersRefusalBeforeItGoesIsTheResult)
{
    const char* kRefusal = "552 5.3.4 Message size exceeds fixed limit";
    for (bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "close");
        ScriptedServer server;
        UpToData(server).ExpectBytes(1 << 20, [](const std::string&) { return std::string(); }).Reply(kRefusal);
        if (reset)
            server.Reset();
        else
            server.Disconnect();
        Server(server);
        ASSERT_EQ(smtp.SetText(kSmtpFrom, "a@kes.test"), 0);
        ASSERT_EQ(smtp.SetText(kSmtpSendTo, "b@kes.test"), 0);
        ASSERT_EQ(smtp.SetText(kSmtpMessageText, std::string(20 << 20, 'm').c_str()), 0);
        EXPECT_EQ(smtp.Do(kSmtpSend), 161);
        EXPECT_STREQ(smtp.LastError(), kRefusal);
        EXPECT_EQ(smtp.GetText(kSmtpLastReply), kRefusal);
        EXPECT_FALSE(smtp.GetBool(kSmtpConnected));
        EXPECT_EQ(server.Finish(), "");
    }

    ScriptedServer busy;
    busy.Reply("421 4.3.2 shutting down").Reset();
    Server(busy);
    {
        ResetAtConnect reset;
        EXPECT_EQ(smtp.Do(kSmtpConnect), 161);
        EXPECT_EQ(reset.Posted(), 1);
    }
    EXPECT_STREQ(smtp.LastError(), "421 4.3.2 shutting down");
    EXPECT_FALSE(smtp.GetBool(kSmtpConnected));
    EXPECT_EQ(busy.Finish(), "");
}

TEST_F(SmtpTest, CramMd5AndTimeout)
{
    // RFC 2195's example: tim / tanstaaftanstaaf.
    ScriptedServer server;
    server.Reply("220 ready")
        .Expect("EHLO client.kes.test")
        .Reply("250 AUTH CRAM-MD5")
        .Expect("AUTH CRAM-MD5")
        .Reply("334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+")
        .Expect("dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw")
        .Reply("235 ok")
        .Expect("EXPN staff")
        .Silence();
    Server(server);
    ASSERT_EQ(smtp.Set(kSmtpAuthMechanism, 1), 0);
    ASSERT_EQ(smtp.SetText(kSmtpUser, "tim"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpPassword, "tanstaaftanstaaf"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "staff"), 0);
    ASSERT_EQ(smtp.Set(kSmtpTimeout, 1), 0);
    EXPECT_EQ(smtp.Do(kSmtpExpand), 301);
    EXPECT_TRUE(events.Of(kSmtpEventExpand).empty());
    EXPECT_TRUE(smtp.GetBool(kSmtpIdle));
    EXPECT_EQ(smtp.Set(kSmtpConnected, 0), 0);
    EXPECT_EQ(server.Finish(), "");
}

TEST_F(SmtpTest, GeneratedDateAndIdentifier)
{
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "Ann <ann@x.org>"), 0);
    const std::string id = smtp.GetText(kSmtpMessageId);
    ASSERT_GT(id.size(), 8u);
    EXPECT_EQ(id.front(), '<');
    EXPECT_EQ(id.substr(id.size() - 7), "@x.org>");
    EXPECT_EQ(id, smtp.GetText(kSmtpMessageId));
    const std::string date = smtp.GetText(kSmtpMessageDate);
    EXPECT_NE(date.find(" GMT"), std::string::npos);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "bob@kes.test"), 0);
    const std::string headers = smtp.GetText(kSmtpMessageHeaders);
    EXPECT_NE(headers.find("Message-Id: " + id + "\r\n"), std::string::npos);
    EXPECT_NE(headers.find("Date: " + date + "\r\n"), std::string::npos);
    // Other headers that begin with a line end stand alone.
    ASSERT_EQ(smtp.SetText(kSmtpOtherHeaders, "\r\nSubject: only\r\n"), 0);
    EXPECT_EQ(smtp.GetText(kSmtpMessageHeaders), "Subject: only\r\n");
}

class SmtpQueueTest : public SmtpTest {
protected:
    std::vector<std::string> Files(const std::string& pattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA(("queue\\" + pattern).c_str(), &found);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
        return names;
    }
    // As a C caller queues: the answer slot in a small array on the stack.
    std::string Queue(const char* folder = "queue\\", int expected = 0)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(folder), 0};
        int lengths[2] = {};
        EXPECT_EQ(SMTP_Do(smtp.Handle(), kSmtpQueue, 2, args, lengths), expected) << smtp.LastError();
        return AnswerText(args[1]);
    }
};

// Names given back by Queue stay the caller's: each is whole after the next
// call, also when that call finds its first name taken and takes the "a",
// "b" ... variant; with every variant taken the message is refused. The
// component's clock stands still here, so every message comes in one tick
// however slowly the files are written.
DWORD StillTicks()
{
    return 0x12345678;
}

TEST_F(SmtpQueueTest, NamesWithinOneTick)
{
    CreateDirectoryA("ticks", nullptr);
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "a@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "b@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageText, "one"), 0);
    NetComponent::SetTickSource(StillTicks);
    struct RealTicks {
        ~RealTicks() { NetComponent::SetTickSource(nullptr); }
    } realTicks;
    const std::string first = Queue("ticks");
    ASSERT_GT(first.size(), 16u);
    const std::string copy = first;
    const size_t underscore = first.rfind('_');
    ASSERT_NE(underscore, std::string::npos);
    const std::string prefix = first.substr(0, underscore + 1);
    EXPECT_EQ(first.substr(underscore + 1), std::to_string(StillTicks()) + "l0.queued");
    const std::string second = Queue("ticks");
    EXPECT_EQ(first, copy);
    EXPECT_TRUE(FileExists(first));
    ASSERT_EQ(second.size(), first.size());
    EXPECT_EQ(second[second.size() - 8], 'a');
    EXPECT_EQ(second.substr(0, underscore + 1), prefix);
    EXPECT_NE(ReadFile(first).find("\r\n\r\none\r\n.\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(second).find("\r\n\r\none\r\n.\r\n"), std::string::npos);

    // The rest of the variants taken: the next message of the tick has no name.
    for (char variant = 'b'; variant <= 'z'; ++variant) {
        std::string taken = first;
        taken[taken.size() - 8] = variant;
        WriteFile(taken, "");
    }
    EXPECT_EQ(Queue("ticks", 302), "");
    EXPECT_NE(std::string(smtp.LastError()).find("Can't open queue file"), std::string::npos) << smtp.LastError();

    // No name can be made in a "folder" that is a file: 302, and no name.
    WriteFile("plain", "");
    EXPECT_EQ(Queue("plain", 302), "");
    EXPECT_EQ(std::string(smtp.LastError()).rfind("Can't open queue file [plain\\", 0), 0u) << smtp.LastError();
}

TEST_F(SmtpQueueTest, FilesAcrossFailedAndSuccessfulRuns)
{
    CreateDirectoryA("queue", nullptr);
    ASSERT_EQ(smtp.SetText(kSmtpFrom, "a@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "b@kes.test"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageDate, "Tue, 3 Mar 2026 14:05:09 GMT"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageId, "<q@kes.test>"), 0);
    ASSERT_EQ(smtp.SetText(kSmtpMessageText, ".one"), 0);
    const std::string first = Queue();
    EXPECT_EQ(first.substr(0, 6), "queue\\");
    EXPECT_EQ(first.substr(first.size() - 7), ".queued");
    EXPECT_EQ(ReadFile(first), "MAIL FROM:<a@kes.test>\r\nRCPT TO:<b@kes.test>\r\nDATA\r\n"
                               "To: b@kes.test\r\nFrom: a@kes.test\r\nDate: Tue, 3 Mar 2026 14:05:09 GMT\r\n"
                               "Message-Id: <q@kes.test>\r\n\r\n..one\r\n.\r\n");
    (void)Queue();
    ASSERT_EQ(Files("*.queued").size(), 2u);

    // The first run: the server takes the first file and refuses the second.
    ScriptedServer server;
    server.Reply("220 ready")
        .Expect("EHLO client.kes.test")
        .Reply("250 ok")
        .Expect("RSET")
        .Reply("250 ok")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("250 ok")
        .Expect("RCPT TO:<b@kes.test>")
        .Reply("250 ok")
        .Expect("DATA")
        .Reply("354 go")
        .ExpectUntil(".")
        .Reply("250 taken")
        .Expect("RSET")
        .Reply("250 ok")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("250 ok")
        .Expect("RCPT TO:<b@kes.test>")
        .Reply("550 no such user")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    Server(server);
    ASSERT_EQ(smtp.Config("KeepQueue=True"), 0);
    EXPECT_EQ(smtp.Do(kSmtpProcessQueue, {"queue"}), 161);
    EXPECT_STREQ(smtp.LastError(), "550 no such user");
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Captured(0), "To: b@kes.test\r\nFrom: a@kes.test\r\nDate: Tue, 3 Mar 2026 14:05:09 GMT\r\n"
                                  "Message-Id: <q@kes.test>\r\n\r\n..one\r\n.\r\n");
    EXPECT_EQ(Files("*.queued").size(), 0u);
    EXPECT_EQ(Files("*.sent").size(), 1u);
    EXPECT_EQ(Files("*.failed").size(), 1u);
    EXPECT_EQ(Files("*.sending").size(), 0u);
    const std::vector<std::string> trail = Trail(2);
    EXPECT_NE(std::find(trail.begin(), trail.end(), "Queue file extension changed to .sent"), trail.end());
    EXPECT_NE(std::find(trail.begin(), trail.end(), "Error while sending queued file."), trail.end());

    // The second run: a new file goes, and without KeepQueue it is deleted.
    const std::string third = Queue();
    ScriptedServer again;
    again.Reply("220 ready")
        .Expect("EHLO client.kes.test")
        .Reply("250 ok")
        .Expect("RSET")
        .Reply("250 ok")
        .Expect("MAIL FROM:<a@kes.test>")
        .Reply("250 ok")
        .Expect("RCPT TO:<b@kes.test>")
        .Reply("250 ok")
        .Expect("DATA")
        .Reply("354 go")
        .ExpectUntil(".")
        .Reply("250 taken")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    Server(again);
    ASSERT_EQ(smtp.Config("KeepQueue=False"), 0);
    EXPECT_EQ(smtp.Do(kSmtpProcessQueue, {"queue"}), 0) << smtp.LastError();
    EXPECT_EQ(again.Finish(), "");
    EXPECT_FALSE(FileExists(third));
    EXPECT_EQ(Files("*.*").size(), 4u); // ".", "..", the .sent and the .failed file

    // No queued file: nothing to connect for; no folder: its own error.
    EXPECT_EQ(smtp.Do(kSmtpProcessQueue, {"queue"}), 0);
    EXPECT_EQ(smtp.Do(kSmtpProcessQueue, {"no-such-folder"}), 302);
    EXPECT_STREQ(smtp.LastError(), "Can't open queue folder");
}

} // namespace
