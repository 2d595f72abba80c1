// The SNPP component through its exported functions: pages sent to
// Net::SNPP::Server (which logs what it took) and, against the scripted
// peer, the exact bytes of a message with a "." line, replies a library
// server does not give (8xx and 9xx, a leading NUL, a refused message or
// greeting) and a server that goes quiet.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/include/netcomp_snpp.h"
#include "netcomp/mail/tests/MailPeers.h"
#include "netcomp/mail/tests/MailTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kSnppPort = 21444;

class Snpp : public MailClient<SNPPFunctions> {
public:
    explicit Snpp(int port = kSnppPort) : MailClient(kSnppEventProtocolTrail)
    {
        SNPP_StaticInit(GetModuleHandleA(nullptr));
        EXPECT_EQ((*this)->SetText(kSnppRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ((*this)->Set(kSnppRemotePort, port), 0);
        EXPECT_EQ((*this)->Set(kSnppTimeout, 10), 0);
        Events().TextsAt(kSnppEventError, {1});
    }
};

// The last line of a log of the peer, or "" when it has none.
std::string LastLogged(const char* log)
{
    const std::string all = mailtest::ReadFile(mailtest::PeerFolder("snpp_perl") + "\\" + log);
    if (all.size() < 2)
        return "";
    const std::size_t start = all.rfind('\n', all.size() - 2);
    return all.substr(start == std::string::npos ? 0 : start + 1, all.size() - 1 - (start + 1));
}

TEST(SnppPerl, PageWithCallerIdAndDotLines)
{
    Snpp pager;
    ASSERT_EQ(pager->SetText(kSnppCallerId, "5551000"), 0);
    ASSERT_EQ(pager->SetText(kSnppPagerId, "5551234"), 0);
    ASSERT_EQ(pager->SetText(kSnppMessage, "Disk C: is full\r\n.\r\n.hidden\r\nQUIT"), 0);
    ASSERT_EQ(pager->Do(kSnppSendPage), 0) << pager->LastError(); // connects first
    EXPECT_EQ(pager.Trail(0), (std::vector<std::string>{"CALL 5551000", "PAGE 5551234", "DATA", "SEND"}));
    EXPECT_EQ(pager->GetText(kSnppLastReply), "250 Message Sent Successfully");
    EXPECT_TRUE(pager->GetBool(kSnppConnected));
    EXPECT_EQ(LastLogged("calls.log"), "5551000");
    // The whole message arrived: its "." lines did not end it.
    EXPECT_EQ(LastLogged("pages.log"), "5551234|1|alert=0;hold=0;mess=Disk C: is full\\n.\\n.hidden\\nQUIT\\n");

    // Help text (214 lines) is read past; a command the server lacks fails.
    ASSERT_EQ(pager->SetText(kSnppCommand, "HELP"), 0);
    EXPECT_EQ(pager->GetText(kSnppLastReply), "250 End of Help Information");
    EXPECT_EQ(pager->SetText(kSnppCommand, "LEVE 3"), 321);
    EXPECT_EQ(std::string(pager->LastError()).substr(0, 4), "500 ");
    EXPECT_EQ(pager->SetText(kSnppCommand, "HELP\r\nQUIT"), 321);
    EXPECT_EQ(pager.Sent("HELP"), 1);

    // A pager the server refuses.
    ASSERT_EQ(pager->SetText(kSnppPagerId, "12"), 0);
    EXPECT_EQ(pager->Do(kSnppSendPage), 321);
    EXPECT_STREQ(pager->LastError(), "550 Error, Invalid Pager ID");
    EXPECT_TRUE(pager->GetBool(kSnppIdle));

    ASSERT_EQ(pager->Do(kSnppDisconnect), 0);
    EXPECT_FALSE(pager->GetBool(kSnppConnected));
    EXPECT_EQ(pager.Trail(0).back(), "QUIT");

    // Reset empties the caller id too: the next connection sends no CALL.
    ASSERT_EQ(pager->Do(kSnppReset), 0);
    EXPECT_EQ(pager->GetText(kSnppCallerId), "");
    EXPECT_EQ(pager->GetText(kSnppMessage), "");
    // Without a pager the page is refused once connected.
    EXPECT_EQ(pager->Do(kSnppSendPage), 324);
    EXPECT_STREQ(pager->LastError(), "Please specify a PagerId.");
    EXPECT_TRUE(pager->GetBool(kSnppConnected));
    EXPECT_EQ(pager.Sent("CALL"), 1);
}

// The scripted peer's port for one session.
struct Scripted {
    ScriptedServer server;
    int Port()
    {
        EXPECT_TRUE(server.Start());
        return server.Port();
    }
};

TEST(SnppScripted, MessageBytesAndItsReplyJudged)
{
    // Every line of the message that begins with "." goes doubled; a server
    // that refuses the message refuses the page, and SEND never goes.
    Scripted s;
    s.server.Reply("220 ready")
        .Expect("PAGE 5551234")
        .Reply("250 ok")
        .Expect("DATA")
        .Reply("354 go on")
        .ExpectUntil(".")
        .Reply("550 Error, Message too long")
        .ExpectClose();
    Snpp pager(s.Port());
    ASSERT_EQ(pager->SetText(kSnppPagerId, "5551234"), 0);
    ASSERT_EQ(pager->SetText(kSnppMessage, ".\r\nSEND\r\n..two"), 0);
    EXPECT_EQ(pager->Do(kSnppSendPage), 321);
    EXPECT_STREQ(pager->LastError(), "550 Error, Message too long");
    EXPECT_EQ(pager->GetText(kSnppLastReply), "550 Error, Message too long");
    EXPECT_EQ(pager.Sent("SEND"), 0);
    ASSERT_EQ(pager->Set(kSnppConnected, 0), 0);
    EXPECT_EQ("", s.server.Finish());
    EXPECT_EQ(s.server.Captured(0), "..\r\nSEND\r\n...two\r\n.\r\n");
}

TEST(SnppScripted, TwoWayRepliesNulBytesAndRefusals)
{
    // 8xx and 9xx replies are positive; a reply led by a NUL byte is read
    // from its second byte.
    Scripted s;
    s.server.Reply("220 ready")
        .Expect("PAGE 5551234")
        .Reply("860 queued for two-way")
        .Expect("DATA")
        .Reply("354 go on")
        .ExpectUntil(".")
        .Send(std::string(1, '\0') + "250 message ok\r\n")
        .Expect("SEND")
        .Reply("960 sent, awaiting reply")
        .Expect("QUIT")
        .Reply("221 bye");
    Snpp pager(s.Port());
    ASSERT_EQ(pager->SetText(kSnppPagerId, "5551234"), 0);
    ASSERT_EQ(pager->SetText(kSnppMessage, "hi"), 0);
    ASSERT_EQ(pager->Do(kSnppSendPage), 0) << pager->LastError();
    EXPECT_EQ(pager->GetText(kSnppLastReply), "960 sent, awaiting reply");
    ASSERT_EQ(pager->Do(kSnppDisconnect), 0);
    EXPECT_EQ("", s.server.Finish());

    // A refused greeting refuses the connection.
    Scripted t;
    t.server.Reply("421 too busy").ExpectClose();
    Snpp refused(t.Port());
    EXPECT_EQ(refused->Do(kSnppConnect), 321);
    EXPECT_STREQ(refused->LastError(), "421 too busy");
    EXPECT_FALSE(refused->GetBool(kSnppConnected));
    EXPECT_EQ("", t.server.Finish());

    // A server that goes quiet: the time-out ends the page, the component is
    // idle and the connection closed.
    Scripted u;
    u.server.Reply("220 ready").Expect("PAGE 5551234").Silence();
    Snpp quiet(u.Port());
    ASSERT_EQ(quiet->Set(kSnppTimeout, 1), 0);
    ASSERT_EQ(quiet->SetText(kSnppPagerId, "5551234"), 0);
    EXPECT_EQ(quiet->Do(kSnppSendPage), 301);
    EXPECT_TRUE(quiet->GetBool(kSnppIdle));
    EXPECT_FALSE(quiet->GetBool(kSnppConnected));
    EXPECT_EQ("", u.server.Finish());
}

// A help line (214) past the 65536-byte line limit fails the command with
// 321 and "Reply line too long."; the reply is still read to its last line,
// so the connection stays and the next reply is the next command's.
TEST(SnppScripted, HelpLinePastTheLimit)
{
    Scripted s;
    s.server.Reply("220 ready")
        .Expect("HELP")
        .Reply("214 " + std::string(70000, 'h'))
        .Reply("214 more help")
        .Reply("250 End of Help Information")
        .Expect("QUIT")
        .Reply("221 bye");
    Snpp pager(s.Port());
    ASSERT_EQ(pager->Do(kSnppConnect), 0) << pager->LastError();
    EXPECT_EQ(pager->SetText(kSnppCommand, "HELP"), 321);
    EXPECT_STREQ(pager->LastError(), "Reply line too long.");
    EXPECT_TRUE(pager->GetBool(kSnppConnected));
    ASSERT_EQ(pager->Do(kSnppDisconnect), 0) << pager->LastError();
    EXPECT_EQ(pager->GetText(kSnppLastReply), "221 bye");
    EXPECT_EQ("", s.server.Finish());
}

} // namespace
