// The IMAP component against the scripted peer, for what dovecot does not
// do on demand: literals that end mid-line with more FETCH items after them,
// literals of 65,025 bytes and more in envelopes and bodies (refused unless
// MaxLiteralSize allows them or they go to LocalFile), a literal the server
// refuses, announcements too large to read, a close in the middle of a
// literal, SELECT counts that are no numbers, and the tag wrap after x9989.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/include/netcomp_imap.h"
#include "netcomp/mail/tests/MailPeers.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

class Session {
public:
    Session() : m_imap(kImapEventProtocolTrail)
    {
        IMAP_StaticInit(GetModuleHandleA(nullptr));
        m_server.Reply("* OK ready").Expect("x0000 LOGIN u p").Reply("x0000 OK in");
    }
    ScriptedServer& Server() { return m_server; }
    MailClient<IMAPFunctions>& Imap() { return m_imap; }
    ComponentHolder<IMAPFunctions>& operator*() { return *m_imap; }
    ComponentHolder<IMAPFunctions>* operator->() { return &*m_imap; }

    void Start()
    {
        ASSERT_TRUE(m_server.Start());
        m_imap.Events().TextsAt(kImapEventMessageInfo, {1});
        EXPECT_EQ(m_imap->SetText(kImapRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ(m_imap->Set(kImapRemotePort, m_server.Port()), 0);
        EXPECT_EQ(m_imap->SetText(kImapUser, "u"), 0);
        EXPECT_EQ(m_imap->SetText(kImapPassword, "p"), 0);
        EXPECT_EQ(m_imap->Set(kImapTimeout, 10), 0);
    }
    // Selects the inbox (tag x0001).
    void Select() { m_server.Expect("x0001 SELECT Inbox").Reply("* 3 EXISTS").Reply("x0001 OK done"); }
    // The component's next connection: greeted, logged in, the inbox selected.
    ScriptedServer& Reconnect()
    {
        return m_server.Accept()
            .Reply("* OK again")
            .Expect("x0000 LOGIN u p")
            .Reply("x0000 OK in")
            .Expect("x0001 SELECT Inbox")
            .Reply("x0001 OK done");
    }

private:
    MailClient<IMAPFunctions> m_imap;
    ScriptedServer m_server;
};

TEST(ImapScripted, LiteralsEndWhereTheirLengthSays)
{
    Session s;
    s.Select();
    const std::string big(70000, 's');
    const std::string body(100000, 'b');
    // The text literal ends mid-line, FLAGS follow it; the envelope's subject
    // is a literal larger than 65,025 bytes; the body literal too.
    s.Server()
        .Expect("x0002 FETCH 1 BODY.PEEK[TEXT]")
        .Send("* 1 FETCH (BODY[TEXT] {9}\r\nab\r\ncd) x FLAGS (\\Seen))\r\n")
        .Reply("x0002 OK done")
        .Expect("x0003 FETCH 1 FULL")
        .Send("* 1 FETCH (FLAGS () ENVELOPE (\"d\" {70000}\r\n" + big +
              " NIL NIL NIL NIL NIL NIL NIL NIL NIL) RFC822.SIZE 3000000007)\r\n")
        .Reply("x0003 OK done")
        .Expect("x0004 FETCH 1 BODY.PEEK[HEADER]")
        .Send("* 1 FETCH (BODY[HEADER] {4}\r\nA: b)\r\n")
        .Reply("x0004 OK done")
        .Expect("x0005 FETCH 1 BODY.PEEK[TEXT]")
        .Send("* 1 FETCH (BODY[TEXT] {100000}\r\n" + body + ")\r\nx0005 OK done\r\n")
        .Expect("x0006 LOGOUT")
        .Reply("* BYE")
        .Reply("x0006 OK bye")
        .ExpectClose();
    s.Start();
    ASSERT_EQ(s->Config("MaxLiteralSize=100000"), 0);
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    ASSERT_EQ(s->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(s->SetText(kImapMessageSet, "1"), 0);
    ASSERT_EQ(s->Do(kImapFetchMessageText), 0) << s->LastError();
    EXPECT_EQ(s->GetText(kImapMessageText), "ab\r\ncd) x");
    ASSERT_EQ(s->Do(kImapFetchMessageInfo), 0) << s->LastError();
    EXPECT_EQ(s->GetText(kImapMessageSubject), big);
    // A size past 2 GB reads whole, in the property and in the event.
    EXPECT_EQ(s->Get(kImapMessageSize), INT_PTR(3000000007));
    ASSERT_FALSE(s.Imap().Events().Of(kImapEventMessageInfo).empty());
    EXPECT_EQ(s.Imap().Events().Of(kImapEventMessageInfo).back().values[5], INT_PTR(3000000007));
    ASSERT_EQ(s->Do(kImapFetchMessageHeaders), 0);
    EXPECT_EQ(s->GetText(kImapMessageHeaders), "A: b");
    ASSERT_EQ(s->Do(kImapFetchMessageText), 0);
    EXPECT_EQ(s->GetText(kImapMessageText), body);
    ASSERT_EQ(s->Do(kImapDisconnect), 0);
    EXPECT_EQ("", s.Server().Finish());
}

TEST(ImapScripted, RefusedLiteralsOversizedAnnouncementsAndCloses)
{
    Session s;
    s.Select();
    s.Server()
        .Expect("x0002 APPEND Inbox {5}")
        .Reply("x0002 NO [TOOBIG] too big")
        .Expect("x0003 APPEND Inbox {5}")
        .Reply("+ go ahead")
        .Expect("hello")
        .Reply("x0003 OK appended")
        .Expect("x0004 FETCH 1 FULL")
        .Send("* 1 FETCH (ENVELOPE (\"d\" {99999999999}\r\n")
        .ExpectClose();
    s.Reconnect()
        .Expect("x0002 FETCH 1 BODY.PEEK[TEXT]")
        .Send("* 1 FETCH (BODY[TEXT] {50}\r\nonly part of it")
        .Disconnect();
    s.Start();
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    ASSERT_EQ(s->SetText(kImapMessageText, "hello"), 0);
    EXPECT_EQ(s->Do(kImapAppendToMailbox), 311);
    EXPECT_STREQ(s->LastError(), "x0002 NO [TOOBIG] too big");
    EXPECT_EQ(s->Do(kImapAppendToMailbox), 0) << s->LastError();

    // An announcement beyond 32 bits cannot be read: the connection is closed.
    ASSERT_EQ(s->SetText(kImapMessageSet, "1"), 0);
    EXPECT_EQ(s->Do(kImapFetchMessageInfo), 311);
    EXPECT_STREQ(s->LastError(), "Server literal too large.");
    EXPECT_FALSE(s->GetBool(kImapConnected));

    // The next action logs in again; the server goes away mid-literal: the
    // close's code, not an interruption.
    ASSERT_EQ(s->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    EXPECT_EQ(s->Do(kImapFetchMessageText), WSAECONNRESET);
    EXPECT_TRUE(s->GetBool(kImapIdle));
    EXPECT_EQ("", s.Server().Finish());
}

// A server that says BYE and goes has said why the command failed: 311 with
// its BYE as the text, and as LastReply. An APPEND refused 1 MB into its
// 20 MB literal (the server closes with the rest unread, so the client's
// send finds the reset), and a FETCH answered with a BYE and a close.
TEST(ImapScripted, AByeBeforeTheServerGoesIsTheResult)
{
    const std::string text(20 << 20, 'a');
    Session s;
    s.Select();
    s.Server()
        .Expect("x0002 APPEND Inbox {" + std::to_string(text.size()) + "}")
        .Reply("+ go ahead")
        .ExpectBytes(1 << 20, [](const std::string&) { return std::string(); })
        .Reply("* BYE message too large")
        .Disconnect();
    s.Reconnect().Expect("x0002 FETCH 1 BODY.PEEK[TEXT]").Reply("* BYE server shutting down").Disconnect();
    s.Start();
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    ASSERT_EQ(s->SetText(kImapMessageText, text.c_str()), 0);
    EXPECT_EQ(s->Do(kImapAppendToMailbox), 311);
    EXPECT_STREQ(s->LastError(), "* BYE message too large");
    EXPECT_EQ(s->GetText(kImapLastReply), "* BYE message too large");
    EXPECT_FALSE(s->GetBool(kImapConnected));

    ASSERT_EQ(s->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    ASSERT_EQ(s->SetText(kImapMessageSet, "1"), 0);
    EXPECT_EQ(s->Do(kImapFetchMessageText), 311);
    EXPECT_STREQ(s->LastError(), "* BYE server shutting down");
    EXPECT_TRUE(s->GetBool(kImapIdle));
    EXPECT_EQ("", s.Server().Finish());

    // A session refused in the greeting is not left open, whenever the
    // server's close comes: the next action connects anew.
    ScriptedServer busy;
    busy.Reply("* BYE try later").ExpectClose().Accept().Reply("* BYE still busy").Silence();
    ASSERT_TRUE(busy.Start());
    ASSERT_EQ(s->Set(kImapRemotePort, busy.Port()), 0);
    EXPECT_EQ(s->Do(kImapSelectMailbox), 311);
    EXPECT_FALSE(s->GetBool(kImapConnected));
    EXPECT_EQ(s->Do(kImapSelectMailbox), 311);
    EXPECT_STREQ(s->LastError(), "* BYE still busy");
    EXPECT_EQ("", busy.Finish());
}

// What is kept in memory is bounded: a literal of 65,025 bytes or more is
// refused at its announcement, before a byte of it is kept, wherever it
// stands (an envelope, a message's headers or text); the connection goes, as
// the rest of the response cannot be read. A text that goes to LocalFile is
// not kept and has no bound.
TEST(ImapScripted, LiteralsKeptInMemoryAreBounded)
{
    Session s;
    s.Select();
    const std::string body(65025, 'b');
    s.Server().Expect("x0002 FETCH 1 BODY.PEEK[TEXT]").Send("* 1 FETCH (BODY[TEXT] {999999999}\r\n").ExpectClose();
    s.Reconnect().Expect("x0002 FETCH 1 BODY.PEEK[HEADER]").Send("* 1 FETCH (BODY[HEADER] {65025}\r\n").ExpectClose();
    s.Reconnect().Expect("x0002 FETCH 1 FULL").Send("* 1 FETCH (ENVELOPE (\"d\" {65025}\r\n").ExpectClose();
    s.Reconnect()
        .Expect("x0002 FETCH 1 BODY.PEEK[TEXT]")
        .Send("* 1 FETCH (BODY[TEXT] {65025}\r\n" + body + ")\r\nx0002 OK done\r\n")
        .Expect("x0003 LOGOUT")
        .Reply("x0003 OK bye")
        .ExpectClose();
    s.Start();
    ASSERT_EQ(s->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(s->SetText(kImapMessageSet, "1"), 0);
    for (int method : {kImapFetchMessageText, kImapFetchMessageHeaders, kImapFetchMessageInfo}) {
        ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
        EXPECT_EQ(s->Do(method), 311) << method;
        EXPECT_STREQ(s->LastError(), "Server literal too large.");
        EXPECT_FALSE(s->GetBool(kImapConnected));
        EXPECT_EQ(s->GetText(kImapMessageText), "");
        EXPECT_EQ(s->GetText(kImapMessageHeaders), "");
    }
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    const std::string file = std::string(path) + "imap-literal.txt";
    ASSERT_EQ(s->SetText(kImapLocalFile, file.c_str()), 0);
    EXPECT_EQ(s->Do(kImapFetchMessageText), 0) << s->LastError();
    EXPECT_EQ(ReadFileBytes(file.c_str()), body);
    EXPECT_EQ(s->GetText(kImapMessageText), "");
    DeleteFileA(file.c_str());
    ASSERT_EQ(s->Do(kImapDisconnect), 0);
    EXPECT_EQ("", s.Server().Finish());
}

TEST(ImapScripted, AServerThatFallsSilentMidLiteralTimesOut)
{
    Session s;
    s.Select();
    s.Server().Expect("x0002 FETCH 1 BODY.PEEK[TEXT]").Send("* 1 FETCH (BODY[TEXT] {50}\r\npart").Silence();
    s.Start();
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    ASSERT_EQ(s->Set(kImapTimeout, 1), 0);
    ASSERT_EQ(s->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(s->SetText(kImapMessageSet, "1"), 0);
    EXPECT_EQ(s->Do(kImapFetchMessageText), 301);
    EXPECT_STREQ(s->LastError(), "Interrupted.");
    ASSERT_EQ(s->Set(kImapConnected, 0), 0);
    EXPECT_EQ("", s.Server().Finish());
}

// SELECT data whose count is no number an int holds fails the selection
// with 311 and that line, instead of reading as 0: nothing of it is kept and
// the mailbox is not taken as selected. The responses are read to the
// tagged one, so the connection stays in step for the next command.
TEST(ImapScripted, SelectCountsThatAreNoNumbersFailTheSelection)
{
    Session s;
    s.Select();
    s.Server()
        .Expect("x0002 EXAMINE Inbox")
        .Reply("* FLAGS (\\Seen)")
        .Reply("* 4294967297 EXISTS")
        .Reply("* -3 RECENT")
        .Reply("x0002 OK [READ-ONLY] done")
        .Expect("x0003 SELECT Inbox")
        .Reply("* 2 EXISTS")
        .Reply("* -3 RECENT")
        .Reply("x0003 OK done")
        .Expect("x0004 SELECT Inbox")
        .Reply("* 2147483647 EXISTS")
        .Reply("* 0 RECENT")
        .Reply("x0004 OK done")
        .Expect("x0005 NOOP")
        .Reply("x0005 OK");
    s.Start();
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    EXPECT_EQ(s->GetInt(kImapMessageCount), 3);
    EXPECT_EQ(s->Do(kImapExamineMailbox), 311);
    EXPECT_STREQ(s->LastError(), "* 4294967297 EXISTS");
    EXPECT_EQ(s->GetInt(kImapMessageCount), 0);
    EXPECT_EQ(s->GetInt(kImapRecentCount), 0);
    EXPECT_EQ(s->GetText(kImapMailboxFlags), "");
    EXPECT_EQ(s->Do(kImapCheckMailbox), 314);
    EXPECT_EQ(s->Do(kImapSelectMailbox), 311);
    EXPECT_STREQ(s->LastError(), "* -3 RECENT");
    EXPECT_EQ(s->GetInt(kImapMessageCount), 0);
    ASSERT_EQ(s->Do(kImapSelectMailbox), 0) << s->LastError();
    EXPECT_EQ(s->GetInt(kImapMessageCount), 2147483647);
    EXPECT_EQ(s->GetInt(kImapRecentCount), 0);
    EXPECT_EQ(s->Do(kImapNoop), 0);
    EXPECT_TRUE(s->GetBool(kImapConnected));
    EXPECT_EQ("", s.Server().Finish());
}

TEST(ImapScripted, TagsWrapAfterX9989)
{
    Session s;
    for (int tag = 1; tag <= 9989; ++tag) {
        char line[32];
        std::snprintf(line, sizeof line, "x%04d NOOP", tag);
        s.Server().Expect(line);
        std::snprintf(line, sizeof line, "x%04d OK", tag);
        s.Server().Reply(line);
    }
    s.Server().Expect("x0001 NOOP").Reply("x0001 ok").Expect("x0002 NOOP").Reply("x0002 OKAY").Silence();
    s.Start();
    for (int i = 1; i <= 9989; ++i)
        ASSERT_EQ(s->Do(kImapNoop), 0) << i;
    EXPECT_EQ(s->Do(kImapNoop), 0);   // a lower-case "ok" is success
    EXPECT_EQ(s->Do(kImapNoop), 311); // "OKAY" is not
    EXPECT_EQ("", s.Server().Finish());
}

} // namespace
