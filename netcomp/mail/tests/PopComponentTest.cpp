// The POP component through its exported functions: real sessions against
// dovecot (each login kind, STAT, LIST and UIDL, retrieval into properties
// and a file, TOP, deletion) and, against the scripted peer, what a real
// server does not do on demand (APOP greetings, errors, a close mid-message,
// actions from inside events).
#include <gtest/gtest.h>

#include <string>

#include "netcomp/include/netcomp_pop.h"
#include "netcomp/mail/tests/MailPeers.h"
#include "netcomp/testing/ResetAtConnect.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

class Pop : public MailClient<POPFunctions> {
public:
    explicit Pop(int port = kDovecotPopPort, const char* user = "pat", const char* password = "popword")
        : MailClient(kPopEventProtocolTrail)
    {
        POP_StaticInit(GetModuleHandleA(nullptr));
        EXPECT_EQ((*this)->SetText(kPopRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ((*this)->Set(kPopRemotePort, port), 0);
        EXPECT_EQ((*this)->SetText(kPopUser, user), 0);
        EXPECT_EQ((*this)->SetText(kPopPassword, password), 0);
        EXPECT_EQ((*this)->Set(kPopTimeout, 10), 0);
        Events().TextsAt(kPopEventHeader, {0, 1});
        Events().TextsAt(kPopEventMessageList, {1});
        Events().TextsAt(kPopEventTransfer, {1});
        Events().TextsAt(kPopEventError, {1});
    }
};

const char kBody1[] = "Hello Alice,\r\n.a line that begins with a dot\r\nBye\r\n";

TEST(PopDovecot, UserPassStatListUidlAndRetrieval)
{
    Pop pop;
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    EXPECT_TRUE(pop->GetBool(kPopConnected));
    EXPECT_EQ(pop.Trail(0), (std::vector<std::string>{"USER pat", "PASS popword"}));

    // One STAT serves both reads, and is not sent again.
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 4);
    EXPECT_EQ(pop->GetInt(kPopMailboxSize), 318 + 774 + 276 + 466);
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 4);
    EXPECT_EQ(pop.Sent("STAT"), 1);

    ASSERT_EQ(pop->Do(kPopListMessageSizes), 0);
    ASSERT_EQ(pop->Do(kPopListMessageUids), 0);
    const auto list = pop.Events().Of(kPopEventMessageList);
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[0].values[0], 1);
    EXPECT_EQ(list[0].texts[1], "");
    EXPECT_EQ(list[0].values[2], 318);
    EXPECT_EQ(list[7].values[0], 4);
    EXPECT_EQ(list[7].texts[1].size(), 16u);
    EXPECT_EQ(list[7].values[2], 0);

    ASSERT_EQ(pop->Set(kPopMessageNumber, 4), 0);
    EXPECT_EQ(pop->GetText(kPopMessageUid), list[7].texts[1]);
    EXPECT_EQ(pop->GetInt(kPopMessageSize), 466);
    EXPECT_EQ(pop->GetInt(kPopMessageSize), 466);
    EXPECT_EQ(pop.Sent("LIST 4"), 1);

    // The headers first (one retrieval), then the text (a second one);
    // reading either again sends nothing.
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    const std::string headers = pop->GetText(kPopMessageHeaders);
    EXPECT_EQ(headers.substr(0, 39), "Date: Mon, 12 Jan 2004 08:05:09 +0100\r\n");
    EXPECT_NE(headers.find("Subject: Plain hello\r\n folded on\r\n"), std::string::npos);
    EXPECT_EQ(pop->GetText(kPopMessageText), kBody1);
    EXPECT_EQ(pop->GetText(kPopMessageHeaders), headers);
    EXPECT_EQ(pop->GetText(kPopMessageText), kBody1);
    EXPECT_EQ(pop.Sent("RETR 1"), 2);

    // The header fields, a folded one joined.
    EXPECT_EQ(pop->GetText(kPopMessageSubject), "Plain hello folded on");
    EXPECT_EQ(pop->GetText(kPopMessageFrom), "\"Bob Builder\" <bob@kes.test>");
    EXPECT_EQ(pop->GetText(kPopMessageTo), "alice@kes.test, Carol <carol@kes.test>");
    EXPECT_EQ(pop->GetText(kPopMessageCc), "dan@kes.test");
    EXPECT_EQ(pop->GetText(kPopMessageDate), "Mon, 12 Jan 2004 08:05:09 +0100");
    EXPECT_EQ(pop->GetText(kPopMessageReplyTo), "");
    const auto fields = pop.Events().Of(kPopEventHeader);
    ASSERT_GE(fields.size(), 10u);
    EXPECT_EQ(fields[4].texts[0], "Subject");
    EXPECT_EQ(fields[5].texts[0], "");
    EXPECT_EQ(fields[5].texts[1], "folded on");

    // A new message number forgets the old message.
    ASSERT_EQ(pop->Set(kPopMessageNumber, 3), 0);
    EXPECT_EQ(pop->GetText(kPopMessageSubject), "");
    EXPECT_EQ(pop->GetText(kPopMessageText), "caf=C3=A9 =3D equals\r\nsoft=\r\n break\r\n");

    ASSERT_EQ(pop->Do(kPopDisconnect), 0);
    EXPECT_FALSE(pop->GetBool(kPopConnected));
    EXPECT_EQ(pop.Trail(0).back(), "QUIT");
    // Not connected: the stored values, nothing sent.
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 4);
    EXPECT_EQ(pop->GetText(kPopMessageText), "caf=C3=A9 =3D equals\r\nsoft=\r\n break\r\n");
}

TEST(PopDovecot, TopAndLocalFile)
{
    Pop pop;
    ASSERT_EQ(pop->SetText(kPopLocalFile, "retr.txt"), 0);
    ASSERT_EQ(pop->Set(kPopMaxLines, 1), 0);
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    DeleteFileA("retr.txt");
    ASSERT_EQ(pop->Do(kPopRetrieveMessage), 0) << pop->LastError(); // connects first
    EXPECT_EQ(pop.Sent("TOP 1 1"), 1);
    EXPECT_EQ(GetFileAttributesA("retr.txt"), INVALID_FILE_ATTRIBUTES);
    const auto top = pop.Events().Of(kPopEventTransfer);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].texts[1], "Hello Alice,");
    EXPECT_EQ(pop.Events().Of(kPopEventStartTransfer).size(), 1u);
    EXPECT_EQ(pop.Events().Of(kPopEventEndTransfer).size(), 1u);

    ASSERT_EQ(pop->Do(kPopRetrieveWholeMessage), 0);
    EXPECT_EQ(pop.Sent("RETR 1"), 1);
    EXPECT_EQ(pop->GetInt(kPopMaxLines), 1);
    EXPECT_EQ(ReadFileBytes("retr.txt"), kBody1);
    const auto whole = pop.Events().Of(kPopEventTransfer);
    ASSERT_EQ(whole.size(), 4u);
    EXPECT_EQ(whole.back().texts[1], "Bye");
    EXPECT_EQ(whole.back().values[0], 318); // bytes so far: the whole message

    // A file that cannot be written ends the action before RETR goes.
    CreateDirectoryA("taken", nullptr);
    ASSERT_EQ(pop->SetText(kPopLocalFile, "taken"), 0);
    EXPECT_EQ(pop->Do(kPopRetrieveWholeMessage), 302);
    EXPECT_EQ(pop.Sent("RETR 1"), 1);
    EXPECT_TRUE(pop->GetBool(kPopIdle));
}

TEST(PopDovecot, ApopCramMd5AndRefusals)
{
    Pop apop;
    ASSERT_EQ(apop->Set(kPopAuthMechanism, 2), 0);
    ASSERT_EQ(apop->Do(kPopConnect), 0) << apop->LastError();
    ASSERT_EQ(apop.Trail(0).size(), 1u);
    EXPECT_EQ(apop.Trail(0)[0].substr(0, 9), "APOP pat ");
    EXPECT_EQ(apop.Trail(0)[0].size(), 9u + 32u);

    Pop cram;
    ASSERT_EQ(cram->Set(kPopAuthMechanism, 1), 0);
    ASSERT_EQ(cram->Do(kPopConnect), 0) << cram->LastError();
    EXPECT_EQ(cram.Trail(0)[0], "AUTH CRAM-MD5");
    EXPECT_EQ(cram->GetText(kPopLastReply), "+OK Logged in.");

    // dovecot delays the greetings to an address with failed logins: this
    // one comes from an address of its own.
    Pop wrong(kDovecotPopPort, "pat", "wrong");
    ASSERT_EQ(wrong->SetText(kPopLocalHost, "127.0.0.2"), 0);
    EXPECT_EQ(wrong->Do(kPopConnect), 171);
    EXPECT_EQ(std::string(wrong->LastError()).substr(0, 4), "-ERR");
    EXPECT_EQ(wrong->LastErrorCode(), 171);

    // Arguments cannot carry a second command.
    Pop injected(kDovecotPopPort, "pat\r\nDELE 1", "popword");
    EXPECT_NE(injected->Do(kPopConnect), 0);
    EXPECT_EQ(injected.Sent("USER"), 0);
    EXPECT_EQ(injected->SetText(kPopCommand, "NOOP\r\nDELE 1"), 171);
    EXPECT_EQ(injected.Sent("NOOP"), 0);

    // A raw command, and one the server refuses.
    EXPECT_EQ(cram->SetText(kPopCommand, "NOOP"), 0);
    EXPECT_EQ(cram->SetText(kPopCommand, "XYZZY"), 171);
    EXPECT_EQ(cram->Get(kPopCommand), 0); // write-only
}

TEST(PopDovecot, ThroughASocks4Firewall)
{
    Pop pop;
    ASSERT_EQ(pop->Set(kPopFirewallType, 2), 0);
    EXPECT_EQ(pop->GetInt(kPopFirewallPort), 1080);
    ASSERT_EQ(pop->Set(kPopFirewallPort, kSocksPort), 0);
    ASSERT_EQ(pop->SetText(kPopFirewallHost, "127.0.0.1"), 0);
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 4);
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    EXPECT_EQ(pop->GetText(kPopMessageText), kBody1);
}

TEST(PopDovecot, DeleteResetAndDeleteForGood)
{
    Pop pop(kDovecotPopPort, "dan", "gone");
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    ASSERT_EQ(pop->Do(kPopDeleteMessage), 0) << pop->LastError();
    ASSERT_EQ(pop->Do(kPopReset), 0);
    ASSERT_EQ(pop->Do(kPopDeleteMessage), 0);
    EXPECT_EQ(pop->Do(kPopDeleteMessage), 171); // already deleted
    ASSERT_EQ(pop->Do(kPopDisconnect), 0);
    ASSERT_EQ(pop->Do(kPopConnect), 0);
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 0);
}

// This program runs with TZ=Europe/Berlin (see CMakeLists.txt): each date
// gets the bias in force on that date, winter or summer time.
TEST(PopDovecot, LocalizeDateInAZoneWithDaylightSaving)
{
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -60) << "the test expects Wine to run in Europe/Berlin";
    Pop pop;
    std::string answer;
    ASSERT_EQ(pop.Answer(kPopLocalizeDate, "Mon, 12 Jan 2004 08:05:09 +0100", answer), 0) << pop->LastError();
    EXPECT_EQ(answer, "01/12/2004 08:05:09");
    ASSERT_EQ(pop.Answer(kPopLocalizeDate, "Mon, 12 Jul 2004 08:05:09 +0100", answer), 0);
    EXPECT_EQ(answer, "07/12/2004 09:05:09");
    ASSERT_EQ(pop.Answer(kPopLocalizeDate, "Sun, 28 Mar 2004 00:59:59 GMT", answer), 0);
    EXPECT_EQ(answer, "03/28/2004 01:59:59");
    ASSERT_EQ(pop.Answer(kPopLocalizeDate, "Sun, 28 Mar 2004 01:00:00 GMT", answer), 0);
    EXPECT_EQ(answer, "03/28/2004 03:00:00");
    EXPECT_EQ(pop.Answer(kPopLocalizeDate, "12 Jan 2004 08:05 GMT", answer), 303);
    EXPECT_EQ(answer, "");
    EXPECT_STREQ(pop->LastError(), "Input date is not RFC822 compliant.");
    EXPECT_EQ(pop.Answer(kPopLocalizeDate, "12 Jan 2004 08:05:09 +05:30", answer), 303);
    EXPECT_STREQ(pop->LastError(), "Invalid offset or timezone abbreviation.");
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

TEST(PopScripted, ApopGreetingsAndServerFailures)
{
    // Text after the closing ">" is not part of the digest (the MD5 of
    // "<1.2@kes>secret"); without "<" APOP cannot start.
    Scripted s;
    s.server.Reply("+OK ready <1.2@kes> and more")
        .Expect("APOP me 0faa280e0da15b494e0aaced7994eafa")
        .Reply("+OK in")
        .Expect("RETR 0")
        .Reply("-ERR no such message")
        .Expect("RETR 0")
        .Reply("+OK")
        .Reply("Subject: cut")
        .Reply("")
        .Send("line one\r\nhalf a li")
        .Disconnect();
    Pop pop(s.Port(), "me", "secret");
    ASSERT_EQ(pop->Set(kPopAuthMechanism, 2), 0);
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    EXPECT_EQ(pop->Do(kPopRetrieveWholeMessage), 171);
    EXPECT_STREQ(pop->LastError(), "-ERR no such message");
    // The server goes away in the middle of the message: the close's code,
    // not an interruption.
    EXPECT_EQ(pop->Do(kPopRetrieveWholeMessage), WSAECONNRESET);
    EXPECT_TRUE(pop->GetBool(kPopIdle));
    EXPECT_FALSE(pop->GetBool(kPopConnected));
    EXPECT_EQ("", s.server.Finish());

    Scripted t;
    t.server.Reply("+OK no stamp here").ExpectClose();
    Pop stampless(t.Port(), "me", "secret");
    ASSERT_EQ(stampless->Set(kPopAuthMechanism, 2), 0);
    EXPECT_EQ(stampless->Do(kPopConnect), 175);
    EXPECT_STREQ(stampless->LastError(), "APOP timestamp not found.");
    ASSERT_EQ(stampless->Set(kPopConnected, 0), 0);
    EXPECT_EQ("", t.server.Finish());
}

// A server that resets the connection 60,000 bytes into a message (all of
// them reach the client's system first: they fit its window): every line
// reaches the Transfer events, and the retrieval ends with the close's code,
// not as an interruption. A refusal in the greeting of a server that
// resets at once, before Winsock told the client it was connected, is the
// result (the protocol's code with the reply); a refused session is not left
// open, whenever the server's close comes: the next action connects anew.
TEST(PopScripted, WhatTheServerSaidBeforeItsResetCounts)
{
    std::string lines;
    for (int i = 0; lines.size() < 60000; ++i)
        lines += "line " + std::to_string(i) + " of a long message\r\n";
    Scripted s;
    s.server.Reply("+OK ready")
        .Expect("USER me")
        .Reply("+OK")
        .Expect("PASS secret")
        .Reply("+OK in")
        .Expect("RETR 1")
        .Reply("+OK")
        .Send("Subject: long\r\n\r\n" + lines)
        .Reset();
    Pop pop(s.Port(), "me", "secret");
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    EXPECT_EQ(pop->Do(kPopRetrieveWholeMessage), WSAECONNRESET);
    std::string transferred;
    for (const RecordedEvent& e : pop.Events().Of(kPopEventTransfer))
        transferred += e.texts[1] + "\r\n";
    EXPECT_EQ(transferred.size(), lines.size());
    EXPECT_TRUE(transferred == lines) << "lines lost or changed";
    EXPECT_TRUE(pop->GetBool(kPopIdle));
    EXPECT_FALSE(pop->GetBool(kPopConnected));
    EXPECT_EQ("", s.server.Finish());

    Scripted busy;
    busy.server.Reply("-ERR too many connections").Reset();
    Pop refused(busy.Port(), "me", "secret");
    {
        ResetAtConnect reset;
        EXPECT_EQ(refused->Do(kPopConnect), 171);
        EXPECT_EQ(reset.Posted(), 1);
    }
    EXPECT_STREQ(refused->LastError(), "-ERR too many connections");
    EXPECT_FALSE(refused->GetBool(kPopConnected));
    EXPECT_EQ("", busy.server.Finish());

    Scripted slow;
    slow.server.Reply("-ERR try later").ExpectClose().Accept().Reply("-ERR still busy").Silence();
    Pop again(slow.Port(), "me", "secret");
    EXPECT_EQ(again->Do(kPopConnect), 171);
    EXPECT_FALSE(again->GetBool(kPopConnected));
    EXPECT_EQ(again->Do(kPopConnect), 171);
    EXPECT_STREQ(again->LastError(), "-ERR still busy");
    EXPECT_EQ("", slow.server.Finish());
}

TEST(PopScripted, JapaneseMessageInShiftJis)
{
    // With CharsetMode 1 the encoded subject and the ISO-2022-JP body come
    // out in Shift-JIS.
    Scripted s;
    s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK").Expect("RETR 1");
    s.server.Reply("+OK")
        .Reply("Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=")
        .Reply("Content-Type: text/plain; charset=ISO-2022-JP")
        .Reply("")
        .Reply("\x1b$B$\"\x1b(B")
        .Reply(".")
        .Expect("QUIT")
        .Reply("+OK bye");
    Pop pop(s.Port(), "u", "p");
    ASSERT_EQ(pop->Config("CharsetMode=1"), 0);
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    ASSERT_EQ(pop->Do(kPopConnect), 0);
    EXPECT_EQ(pop->GetText(kPopMessageText), "\x82\xA0\r\n");
    EXPECT_EQ(pop->GetText(kPopMessageSubject), "\x82\xA0");
    ASSERT_EQ(pop->Do(kPopDisconnect), 0);
    EXPECT_EQ("", s.server.Finish());
}

// A STAT reply whose numbers are negative or do not fit is refused: the
// counts read 0 with the reply as the error, and the next read asks again.
// A mailbox past 2 GB is no such case: its size reads whole.
TEST(PopScripted, StatNumbersThatAreNoCounts)
{
    Scripted s;
    s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK");
    s.server.Expect("STAT")
        .Reply("+OK -5 99999999999999999999")
        .Expect("STAT")
        .Reply("+OK 2147483648 3")
        .Expect("STAT")
        .Reply("+OK 2 3000000000 octets")
        .Expect("QUIT")
        .Reply("+OK bye");
    Pop pop(s.Port(), "u", "p");
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 0);
    EXPECT_EQ(pop->LastErrorCode(), 171);
    EXPECT_STREQ(pop->LastError(), "+OK -5 99999999999999999999");
    EXPECT_EQ(pop->Get(kPopMailboxSize), 0);
    EXPECT_EQ(pop->LastErrorCode(), 171);
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 2);
    EXPECT_EQ(pop->LastErrorCode(), 0);
    EXPECT_EQ(pop->Get(kPopMailboxSize), INT_PTR(3000000000));
    ASSERT_EQ(pop->Do(kPopDisconnect), 0);
    EXPECT_EQ("", s.server.Finish());
}

// Sizes and message numbers of LIST are read as STAT's numbers are: one
// that is negative or does not fit is no answer (a size fits 64 bits).
// "LIST n" leaves MessageSize 0 with 171 and asks again next time; a listing
// is read to its end (the next reply is QUIT's), the lines that read fire
// their events, and the action fails with the first line that does not.
TEST(PopScripted, ListSizesThatAreNoNumbers)
{
    Scripted s;
    s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK");
    s.server.Expect("LIST 2")
        .Reply("+OK 2 18446744073709551617")
        .Expect("LIST 2")
        .Reply("+OK 2 -3")
        .Expect("LIST 2")
        .Reply("+OK 2 4294967297")
        .Expect("LIST")
        .Reply("+OK 3 messages")
        .Reply("1 2400000000")
        .Reply("2 -3")
        .Reply("3 99999999999999999999")
        .Reply("4 200")
        .Reply(".")
        .Expect("UIDL")
        .Reply("+OK")
        .Reply("1 abc")
        .Reply("-2 def")
        .Reply(".")
        .Expect("QUIT")
        .Reply("+OK bye");
    Pop pop(s.Port(), "u", "p");
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    ASSERT_EQ(pop->Set(kPopMessageNumber, 2), 0);
    EXPECT_EQ(pop->Get(kPopMessageSize), 0);
    EXPECT_EQ(pop->LastErrorCode(), 171);
    EXPECT_STREQ(pop->LastError(), "+OK 2 18446744073709551617");
    EXPECT_EQ(pop->Get(kPopMessageSize), 0);
    EXPECT_EQ(pop->LastErrorCode(), 171);
    EXPECT_EQ(pop->Get(kPopMessageSize), INT_PTR(4294967297));
    EXPECT_EQ(pop->LastErrorCode(), 0);

    EXPECT_EQ(pop->Do(kPopListMessageSizes), 171);
    EXPECT_STREQ(pop->LastError(), "2 -3");
    auto list = pop.Events().Of(kPopEventMessageList);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].values[2], INT_PTR(2400000000));
    EXPECT_EQ(list[1].values[0], 4);
    EXPECT_EQ(list[1].values[2], 200);
    pop.Events().Clear();
    EXPECT_EQ(pop->Do(kPopListMessageUids), 171);
    EXPECT_STREQ(pop->LastError(), "-2 def");
    list = pop.Events().Of(kPopEventMessageList);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].texts[1], "abc");
    EXPECT_TRUE(pop->GetBool(kPopIdle));
    ASSERT_EQ(pop->Do(kPopDisconnect), 0) << pop->LastError();
    EXPECT_EQ("", s.server.Finish());
}

// A reply is one status line of at most 65536 bytes. A longer one fails the
// command with 171 and "Reply line too long." and leaves the session in
// step: the connection stays, the rest of the line is passed over and the
// next reply is the next command's. A listing has no bound of its own: it
// is read to its "." line, one event per line, none of it kept.
TEST(PopScripted, ReplyLinesAndListingsPastALine)
{
    std::string listing;
    int lines = 0;
    while (listing.size() <= (3u << 19))
        listing += std::to_string(++lines) + " 4096\r\n";
    Scripted s;
    s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK");
    s.server.Expect("NOOP")
        .Reply("-ERR " + std::string(3u << 20, 'x'))
        .Expect("STAT")
        .Reply("+OK 2 300")
        .Expect("NOOP")
        .Reply("+OK " + std::string(65533, 'y'))
        .Expect("NOOP")
        .Reply("+OK " + std::string(65532, 'z'))
        .Expect("LIST")
        .Reply("+OK")
        .Send(listing)
        .Reply(".")
        .Expect("QUIT")
        .Reply("+OK bye");
    Pop pop(s.Port(), "u", "p");
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    EXPECT_EQ(pop->SetText(kPopCommand, "NOOP"), 171);
    EXPECT_STREQ(pop->LastError(), "Reply line too long.");
    EXPECT_TRUE(pop->GetBool(kPopConnected));
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 2);
    EXPECT_EQ(pop->SetText(kPopCommand, "NOOP"), 171);
    EXPECT_STREQ(pop->LastError(), "Reply line too long.");
    EXPECT_EQ(pop->SetText(kPopCommand, "NOOP"), 0) << pop->LastError();
    EXPECT_EQ(pop->GetText(kPopLastReply).size(), 65536u);
    pop.Events().Clear();
    EXPECT_EQ(pop->Do(kPopListMessageSizes), 0) << pop->LastError();
    const auto list = pop.Events().Of(kPopEventMessageList);
    ASSERT_EQ(int(list.size()), lines);
    EXPECT_EQ(list.back().values[0], lines);
    EXPECT_EQ(list.back().values[2], 4096);
    ASSERT_EQ(pop->Do(kPopDisconnect), 0) << pop->LastError();
    EXPECT_EQ("", s.server.Finish());
}

// A listing line is a reply line: one past 65536 bytes fires no event, the
// rest of it is passed over and the listing is still read to its "." line;
// the action then fails with 171 and "Reply line too long." (no megabyte of
// the line as the error), the connection stays and the next reply is the
// next command's. The same whether the line comes in one send with the
// "+OK" or after it, and however far past the limit it goes.
TEST(PopScripted, ListingLinesPastALine)
{
    const std::string fits = "1 " + std::string(65534, 'a');
    const std::string past = "2 " + std::string(3u << 20, '9');
    const std::string justPast = "2 " + std::string(65535, '9');
    Scripted s;
    s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK");
    s.server.Expect("UIDL")
        .Send("+OK\r\n" + fits + "\r\n" + past + "\r\n3 ccc\r\n.\r\n")
        .Expect("UIDL")
        .Reply("+OK")
        .Reply(fits)
        .Send(justPast + "\r\n")
        .Reply("3 ccc")
        .Reply(".")
        .Expect("LIST")
        .Send("+OK\r\n1 100\r\n" + past + "\r\n3 300\r\n.\r\n")
        .Expect("LIST")
        .Reply("+OK")
        .Reply("1 100")
        .Send(justPast + "\r\n")
        .Reply("3 300")
        .Reply(".")
        .Expect("STAT")
        .Reply("+OK 3 400")
        .Expect("QUIT")
        .Reply("+OK bye");
    Pop pop(s.Port(), "u", "p");
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    for (const int method : {kPopListMessageUids, kPopListMessageUids, kPopListMessageSizes, kPopListMessageSizes}) {
        pop.Events().Clear();
        EXPECT_EQ(pop->Do(method), 171);
        EXPECT_STREQ(pop->LastError(), "Reply line too long.");
        EXPECT_TRUE(pop->GetBool(kPopConnected));
        const auto list = pop.Events().Of(kPopEventMessageList);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].values[0], 1);
        EXPECT_EQ(list[1].values[0], 3);
        if (method == kPopListMessageUids) {
            EXPECT_TRUE(list[0].texts[1] == fits.substr(2)) << list[0].texts[1].size();
            EXPECT_EQ(list[1].texts[1], "ccc");
        } else {
            EXPECT_EQ(list[1].values[2], 300);
        }
    }
    EXPECT_EQ(pop->GetInt(kPopMessageCount), 3);
    ASSERT_EQ(pop->Do(kPopDisconnect), 0) << pop->LastError();
    EXPECT_EQ("", s.server.Finish());
}

// From inside an event only Interrupt runs; another action is refused as busy.
TEST(PopScripted, InterruptFromAnEventAndBusyRefusal)
{
    Scripted s;
    s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK").Expect("RETR 1").Reply("+OK");
    s.server.Reply("Subject: long").Reply("").Reply("first").Reply("second").Silence();
    Pop pop(s.Port(), "u", "p");
    int busyAnswer = -1;
    pop.Events().OnEvent(kPopEventTransfer, [&](const RecordedEvent&) {
        if (busyAnswer >= 0)
            return;
        busyAnswer = pop->Do(kPopDeleteMessage);
        (void)pop->Do(kPopInterrupt);
    });
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    EXPECT_EQ(pop->Do(kPopRetrieveWholeMessage), 301);
    EXPECT_STREQ(pop->LastError(), "Interrupted.");
    EXPECT_EQ(busyAnswer, 174);
    EXPECT_TRUE(pop->GetBool(kPopIdle));
    EXPECT_EQ("", s.server.Finish());
}

// What a message holds in memory is bounded: its header section (kept or
// not: the header fields grow with it), and its kept headers and text
// together by MaxMessageSize. Past either the retrieval ends with 171 and its
// reason, the connection goes (the rest of the message would be read as
// replies) and nothing of the message is kept. The server sends up to the
// line that crosses the bound, then nothing: a retrieval that waited for the
// message's end would run into its time-out instead.
TEST(PopScripted, MessagesHeldInMemoryAreBounded)
{
    std::string headers;
    while (headers.size() <= (1u << 20))
        headers += "X-Pad: " + std::string(1000, 'h') + "\r\n";
    std::string body;
    while (14 + body.size() <= 200000)
        body += std::string(1000, 'b') + "\r\n";
    Scripted s;
    const auto login = [&] { s.server.Reply("+OK hi").Expect("USER u").Reply("+OK").Expect("PASS p").Reply("+OK"); };
    login();
    s.server.Expect("RETR 1").Reply("+OK").Send(headers).ExpectClose().Accept();
    login();
    s.server.Expect("RETR 1").Reply("+OK").Reply("Subject: big").Reply("").Send(body).ExpectClose();
    Pop pop(s.Port(), "u", "p");
    ASSERT_EQ(pop->Config("MaxMessageSize=200000"), 0);
    std::string answer;
    ASSERT_EQ(pop->Query("MaxMessageSize", answer), 0);
    EXPECT_EQ(answer, "200000");
    ASSERT_EQ(pop->Set(kPopMessageNumber, 1), 0);
    EXPECT_EQ(pop->Do(kPopRetrieveWholeMessage), 171);
    EXPECT_STREQ(pop->LastError(), "Message header section too large.");
    EXPECT_FALSE(pop->GetBool(kPopConnected));
    ASSERT_EQ(pop->Do(kPopConnect), 0) << pop->LastError();
    EXPECT_EQ(pop->GetText(kPopMessageText), "");
    EXPECT_EQ(pop->LastErrorCode(), 171);
    EXPECT_STREQ(pop->LastError(), "Message too large.");
    EXPECT_EQ(pop->GetText(kPopMessageSubject), "");
    EXPECT_EQ(pop->GetText(kPopMessageHeaders), "");
    EXPECT_FALSE(pop->GetBool(kPopConnected));
    EXPECT_EQ("", s.server.Finish());
}

} // namespace
