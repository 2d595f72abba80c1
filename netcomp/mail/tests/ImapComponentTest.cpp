// The IMAP component through its exported functions against dovecot: each
// action on a real server (login kinds, select, fetch of envelopes, body
// structures, headers, texts and parts, search, sort, flags, copy and move,
// mailbox management, subscriptions, append, ACL) and the refusals that
// happen before anything is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "netcomp/include/netcomp_imap.h"
#include "netcomp/mail/tests/MailPeers.h"

namespace {

class Imap : public MailClient<IMAPFunctions> {
public:
    explicit Imap(const char* user = "alice", const char* password = "wonder", int port = kDovecotImapPort)
        : MailClient(kImapEventProtocolTrail)
    {
        IMAP_StaticInit(GetModuleHandleA(nullptr));
        EXPECT_EQ((*this)->SetText(kImapRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ((*this)->Set(kImapRemotePort, port), 0);
        EXPECT_EQ((*this)->SetText(kImapUser, user), 0);
        EXPECT_EQ((*this)->SetText(kImapPassword, password), 0);
        EXPECT_EQ((*this)->Set(kImapTimeout, 10), 0);
        Events().TextsAt(kImapEventMessageInfo, {0, 1, 2, 3, 4});
        Events().TextsAt(kImapEventMessagePart, {0, 2, 3, 4, 5, 6});
        Events().TextsAt(kImapEventMailboxList, {0, 1, 2});
        Events().TextsAt(kImapEventMailboxAcl, {0, 1, 2});
        Events().TextsAt(kImapEventTransfer, {1});
    }

    // The commands sent without their tags.
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> out;
        for (const std::string& line : Trail(0))
            out.push_back(line.size() > 6 ? line.substr(6) : line);
        return out;
    }
    bool SentCommand(const std::string& command) const
    {
        const auto all = Commands();
        return std::find(all.begin(), all.end(), command) != all.end();
    }
    std::string Text(int property, int index = 0) { return (*this)->GetText(property, index); }
    int Select(const char* mailbox)
    {
        EXPECT_EQ((*this)->SetText(kImapMailbox, mailbox), 0);
        return (*this)->Do(kImapSelectMailbox);
    }
    std::vector<std::string> Texts(int event, size_t position) const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : Events().Of(event))
            out.push_back(e.texts[position]);
        return out;
    }
    const EventRecorder& Events() const { return const_cast<Imap*>(this)->MailClient::Events(); }
    using MailClient::Events;
};

TEST(ImapDovecot, SelectAndFetchEnvelopesAndBodyStructures)
{
    Imap imap;
    ASSERT_EQ(imap.Select("Inbox"), 0) << imap->LastError(); // connects and logs in first
    EXPECT_EQ(imap.Trail(0)[0], "x0000 LOGIN alice wonder");
    EXPECT_EQ(imap.Trail(0)[1], "x0001 SELECT Inbox");
    EXPECT_EQ(imap->GetInt(kImapMessageCount), 4);
    EXPECT_NE(imap.Text(kImapMailboxFlags).find("\\Seen"), std::string::npos);

    ASSERT_EQ(imap->SetText(kImapMessageSet, "1:4"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageInfo), 0) << imap->LastError();
    EXPECT_EQ(imap.Texts(kImapEventMessageInfo, 1),
              (std::vector<std::string>{"Plain hello folded on", "Alternatives and a file", "Quoted printable",
                                        "Forwarded message"}));
    EXPECT_EQ(imap.Texts(kImapEventMessagePart, 0), (std::vector<std::string>{"1.1", "1.2", "2", "1", "2", "2.1"}));
    const auto parts = imap.Events().Of(kImapEventMessagePart);
    EXPECT_EQ(parts[2].texts[2], "application/octet-stream");
    EXPECT_EQ(parts[2].texts[3], "data.bin");
    EXPECT_EQ(parts[2].texts[4], "base64");
    EXPECT_EQ(parts[2].texts[6], "mixed");
    EXPECT_EQ(parts[0].texts[6], "alternative");
    EXPECT_EQ(parts[4].texts[2], "message/rfc822");
    // The properties hold the last message of the set.
    EXPECT_EQ(imap.Text(kImapMessageNumber), "4");
    EXPECT_EQ(imap.Text(kImapMessageBcc, 0), "<hidden@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageInReplyTo), "<plain1@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageContentType), "multipart/mixed");

    ASSERT_EQ(imap->SetText(kImapMessageSet, "1"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageInfo), 0);
    EXPECT_EQ(imap.Text(kImapMessageSubject), "Plain hello folded on");
    EXPECT_EQ(imap.Text(kImapMessageDate), "Mon, 12 Jan 2004 08:05:09 +0100");
    EXPECT_EQ(imap.Text(kImapMessageFrom), "\"Bob Builder\" <bob@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageSender), "\"Bob Builder\" <bob@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageTo, 0), "<alice@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageTo, 1), "\"Carol\" <carol@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageTo, 2), "");
    EXPECT_EQ(imap.Text(kImapMessageCc, 0), "<dan@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageBcc, 0), "");
    EXPECT_EQ(imap.Text(kImapMessageIdHeader), "<plain1@kes.test>");
    EXPECT_EQ(imap.Text(kImapMessageContentType), "text/plain");
    EXPECT_EQ(imap.Text(kImapMessageContentEncoding), "7bit");
    EXPECT_EQ(imap->GetInt(kImapMessageSize), 51);
    EXPECT_NE(imap.Text(kImapMessageInternalDate), "");
    EXPECT_EQ(imap->CheckIndex(kImapMessageTo, 99), 0);

    ASSERT_EQ(imap->SetText(kImapMessageSet, "2"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageInfo), 0);
    EXPECT_EQ(imap.Text(kImapMessageReplyTo), "\"Carol Reply\" <reply@kes.test>");

    ASSERT_EQ(imap->Do(kImapDisconnect), 0);
    EXPECT_EQ(imap.Commands().back(), "LOGOUT");
    EXPECT_FALSE(imap->GetBool(kImapConnected));
}

const char kBody1[] = "Hello Alice,\r\n.a line that begins with a dot\r\nBye\r\n";

TEST(ImapDovecot, HeadersTextsPartsAndRanges)
{
    Imap imap;
    ASSERT_EQ(imap.Select("Inbox"), 0) << imap->LastError();
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1"), 0);
    ASSERT_EQ(imap->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageHeaders), 0) << imap->LastError();
    const std::string headers = imap.Text(kImapMessageHeaders);
    EXPECT_EQ(headers.substr(0, 39), "Date: Mon, 12 Jan 2004 08:05:09 +0100\r\n");
    EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
    EXPECT_EQ(headers.size(), 318u - 51u);

    ASSERT_EQ(imap->Do(kImapFetchMessageText), 0);
    EXPECT_EQ(imap.Text(kImapMessageText), kBody1);
    EXPECT_TRUE(imap.SentCommand("FETCH 1 BODY.PEEK[TEXT]"));
    EXPECT_EQ(imap.Texts(kImapEventTransfer, 1),
              (std::vector<std::string>{"Hello Alice,", ".a line that begins with a dot", "Bye"}));
    EXPECT_EQ(imap.Events().Of(kImapEventStartTransfer).size(), 1u);
    EXPECT_EQ(imap.Events().Of(kImapEventEndTransfer).size(), 1u);

    // A part's literal ends with its last byte: the ")" after it is no part
    // of the text. Decoded, the base64 attachment is its 96 bytes.
    ASSERT_EQ(imap->SetText(kImapMessageSet, "2"), 0);
    ASSERT_EQ(imap->SetText(kImapPartId, "2"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessagePart), 0) << imap->LastError();
    const std::string base64 = imap.Text(kImapMessageText);
    EXPECT_EQ(base64.size(), 130u);
    EXPECT_EQ(base64.substr(124), "tcXV5f");
    ASSERT_EQ(imap->Config("AutoDecodeParts=true"), 0);
    ASSERT_EQ(imap->SetText(kImapLocalFile, "part.bin"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessagePart), 0) << imap->LastError();
    EXPECT_EQ(imap.Commands().back(), "FETCH 2 BODY.PEEK[2]");
    EXPECT_EQ(imap.Commands()[imap.Commands().size() - 2], "FETCH 2 FULL");
    std::string bytes;
    for (int i = 0; i < 96; ++i)
        bytes += char(i);
    EXPECT_EQ(ReadFileBytes("part.bin"), bytes);
    ASSERT_EQ(imap->SetText(kImapLocalFile, ""), 0);
    // Into memory the same bytes, NUL first, read with their length.
    ASSERT_EQ(imap->Do(kImapFetchMessagePart), 0) << imap->LastError();
    EXPECT_EQ(imap->GetBytes(kImapMessageText), bytes);

    // Quoted-printable, with its soft line break, in the one part of message 3.
    ASSERT_EQ(imap->SetText(kImapMessageSet, "3"), 0);
    ASSERT_EQ(imap->SetText(kImapPartId, "1"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessagePart), 0);
    EXPECT_EQ(imap.Text(kImapMessageText), "caf\xC3\xA9 = equals\r\nsoft break\r\n");
    ASSERT_EQ(imap->Config("AutoDecodeParts=false"), 0);

    // Ranges: bytes 1-5, from byte 7 to the end, and a range that ends
    // before it starts, refused before anything is sent.
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1"), 0);
    ASSERT_EQ(imap->Set(kImapEndByte, 5), 0);
    EXPECT_EQ(imap->GetInt(kImapStartByte), 1);
    ASSERT_EQ(imap->Do(kImapFetchMessagePart), 0);
    EXPECT_EQ(imap.Commands().back(), "FETCH 1 BODY.PEEK[1]<0.5>");
    EXPECT_EQ(imap.Text(kImapMessageText), "Hello");
    ASSERT_EQ(imap->Set(kImapStartByte, 7), 0);
    ASSERT_EQ(imap->Set(kImapEndByte, 0), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessagePart), 0);
    EXPECT_EQ(imap.Text(kImapMessageText), std::string(kBody1).substr(6));
    ASSERT_EQ(imap->Set(kImapEndByte, 6), 0);
    const size_t sent = imap.Commands().size();
    EXPECT_EQ(imap->Do(kImapFetchMessagePart), 315);
    EXPECT_EQ(imap.Commands().size(), sent);

    // Without PEEK the RFC822 forms go.
    ASSERT_EQ(imap->Set(kImapPeekMode, 0), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageHeaders), 0);
    EXPECT_EQ(imap.Commands().back(), "FETCH 1 RFC822.HEADER");
    EXPECT_EQ(imap.Text(kImapMessageHeaders), headers);
}

TEST(ImapDovecot, ThroughASocks5Firewall)
{
    Imap imap;
    ASSERT_EQ(imap->Set(kImapFirewallType, 3), 0);
    ASSERT_EQ(imap->Set(kImapFirewallPort, kSocksPort), 0);
    ASSERT_EQ(imap->SetText(kImapFirewallHost, "127.0.0.1"), 0);
    ASSERT_EQ(imap.Select("Inbox"), 0) << imap->LastError();
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1"), 0);
    ASSERT_EQ(imap->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageText), 0) << imap->LastError();
    EXPECT_EQ(imap.Text(kImapMessageText), kBody1);
}

TEST(ImapDovecot, SearchSortFlagsCopyMoveAndUids)
{
    Imap imap;
    ASSERT_EQ(imap.Select("Inbox"), 0) << imap->LastError();
    ASSERT_EQ(imap->SetText(kImapSearchCriteria, "FROM carol"), 0);
    ASSERT_EQ(imap->Do(kImapSearchMailbox), 0) << imap->LastError();
    EXPECT_TRUE(imap.SentCommand("SEARCH FROM carol"));
    EXPECT_TRUE(imap.SentCommand("FETCH 2 FULL"));
    EXPECT_EQ(imap.Texts(kImapEventMessageInfo, 1), (std::vector<std::string>{"Alternatives and a file"}));

    // A copy in subject order: SORT first, then COPY of the sorted set.
    ASSERT_EQ(imap->SetText(kImapMailbox, "Sorted Copy"), 0);
    ASSERT_EQ(imap->Do(kImapCreateMailbox), 0) << imap->LastError();
    EXPECT_EQ(imap.Commands().back(), "CREATE \"Sorted Copy\"");
    ASSERT_EQ(imap->SetText(kImapSortCriteria, "SUBJECT"), 0);
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1:4"), 0);
    ASSERT_EQ(imap->Do(kImapCopyToMailbox), 0) << imap->LastError();
    EXPECT_TRUE(imap.SentCommand("SORT (SUBJECT) UTF-8 1:4"));
    EXPECT_EQ(imap.Commands().back(), "COPY 2,4,1,3 \"Sorted Copy\"");
    EXPECT_EQ(imap.Text(kImapMessageSet), "2,4,1,3");
    ASSERT_EQ(imap->SetText(kImapSortCriteria, ""), 0);

    ASSERT_EQ(imap.Select("Sorted Copy"), 0);
    EXPECT_EQ(imap->GetInt(kImapMessageCount), 4);
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1"), 0);
    ASSERT_EQ(imap->SetText(kImapMessageFlags, "\\Flagged"), 0);
    ASSERT_EQ(imap->Do(kImapSetMessageFlags), 0);
    EXPECT_EQ(imap.Commands().back(), "STORE 1 FLAGS (\\Flagged)");
    ASSERT_EQ(imap->Do(kImapAddMessageFlags, {"\\Seen \\Answered"}), 0);
    EXPECT_EQ(imap.Commands().back(), "STORE 1 +FLAGS (\\Seen \\Answered)");
    ASSERT_EQ(imap->SetText(kImapMessageFlags, "(\\Answered)"), 0);
    ASSERT_EQ(imap->Do(kImapRemoveMessageFlags), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageInfo), 0);
    const std::string flags = imap.Text(kImapMessageFlags);
    EXPECT_NE(flags.find("\\Flagged \\Seen"), std::string::npos) << flags;
    EXPECT_EQ(flags.find("\\Answered"), std::string::npos) << flags;
    ASSERT_EQ(imap->SetText(kImapMessageFlags, ""), 0);
    ASSERT_EQ(imap->Do(kImapSetMessageFlags), 0);
    EXPECT_EQ(imap.Commands().back(), "STORE 1 FLAGS ()");

    // Delete, expunge, move.
    ASSERT_EQ(imap->Do(kImapDeleteFromMailbox), 0);
    EXPECT_EQ(imap.Commands().back(), "STORE 1 +FLAGS (\\Deleted)");
    ASSERT_EQ(imap->Do(kImapExpungeMailbox), 0);
    ASSERT_EQ(imap->Do(kImapCheckMailbox), 0);
    ASSERT_EQ(imap->Do(kImapNoop), 0);
    ASSERT_EQ(imap->SetText(kImapMailbox, "Moved"), 0);
    ASSERT_EQ(imap->Do(kImapCreateMailbox), 0);
    ASSERT_EQ(imap->Do(kImapMoveToMailbox), 0) << imap->LastError();
    EXPECT_EQ(imap.Commands()[imap.Commands().size() - 2], "COPY 1 Moved");
    EXPECT_EQ(imap.Commands().back(), "STORE 1 +FLAGS (\\Deleted)");
    ASSERT_EQ(imap->Do(kImapExpungeMailbox), 0);

    // In UID mode the numbers are UIDs: the first two copies are gone.
    ASSERT_EQ(imap.Select("Sorted Copy"), 0);
    EXPECT_EQ(imap->GetInt(kImapMessageCount), 2);
    imap.Events().Clear();
    ASSERT_EQ(imap->Set(kImapUIDMode, 1), 0);
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1:*"), 0);
    ASSERT_EQ(imap->Do(kImapFetchMessageInfo), 0);
    EXPECT_EQ(imap.Commands().back(), "UID FETCH 1:* FULL");
    EXPECT_EQ(imap.Texts(kImapEventMessageInfo, 0), (std::vector<std::string>{"3", "4"}));
    ASSERT_EQ(imap->Set(kImapUIDMode, 0), 0);

    ASSERT_EQ(imap->Do(kImapCloseMailbox), 0);
    const size_t sent = imap.Commands().size();
    EXPECT_EQ(imap->Do(kImapFetchMessageInfo), 314);
    EXPECT_STREQ(imap->LastError(), "Please select a mailbox first.");
    EXPECT_EQ(imap.Commands().size(), sent);
    for (const char* box : {"Sorted Copy", "Moved"}) {
        ASSERT_EQ(imap->SetText(kImapMailbox, box), 0);
        ASSERT_EQ(imap->Do(kImapDeleteMailbox), 0) << box;
    }
}

TEST(ImapDovecot, MailboxesSubscriptionsAppendAndAcl)
{
    Imap imap;
    ASSERT_EQ(imap->SetText(kImapMailbox, "Box \"Q\""), 0);
    ASSERT_EQ(imap->Do(kImapCreateMailbox), 0) << imap->LastError();
    EXPECT_EQ(imap.Commands().back(), "CREATE \"Box \\\"Q\\\"\"");
    ASSERT_EQ(imap->Do(kImapRenameMailbox, {"Renamed Box"}), 0) << imap->LastError();
    ASSERT_EQ(imap->SetText(kImapMailbox, "Renamed Box"), 0);
    ASSERT_EQ(imap->Do(kImapSubscribeMailbox), 0);
    ASSERT_EQ(imap->SetText(kImapMailbox, "*"), 0);
    ASSERT_EQ(imap->Do(kImapListMailboxes), 0);
    EXPECT_EQ(imap.Commands().back(), "LIST \"\" \"*\"");
    ASSERT_EQ(imap->Do(kImapListSubscribedMailboxes), 0);
    const auto listed = imap.Texts(kImapEventMailboxList, 0);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "Renamed Box"), 2);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "Box \"Q\""), 0);
    EXPECT_EQ(imap.Texts(kImapEventMailboxList, 1)[0], ".");

    // Appending needs a selected mailbox; the message goes as a literal.
    ASSERT_EQ(imap.Select("Inbox"), 0);
    ASSERT_EQ(imap->SetText(kImapMailbox, "Renamed Box"), 0);
    ASSERT_EQ(imap->SetText(kImapMessageText, "Subject: appended\r\n\r\nbody\r\n"), 0);
    ASSERT_EQ(imap->SetText(kImapMessageFlags, "\\Seen"), 0);
    ASSERT_EQ(imap->Do(kImapAppendToMailbox), 0) << imap->LastError();
    EXPECT_EQ(imap.Commands().back(), "APPEND \"Renamed Box\" (\\Seen) {27}");
    ASSERT_EQ(imap->Do(kImapExamineMailbox), 0);
    EXPECT_EQ(imap->GetInt(kImapMessageCount), 1);

    ASSERT_EQ(imap->Do(kImapSetMailboxAcl, {"bob", "lrs"}), 0) << imap->LastError();
    EXPECT_EQ(imap.Commands().back(), "SETACL \"Renamed Box\" bob lrs");
    ASSERT_EQ(imap->Do(kImapGetMailboxAcl), 0);
    const auto acl = imap.Events().Of(kImapEventMailboxAcl);
    ASSERT_EQ(acl.size(), 2u);
    EXPECT_EQ(acl[0].texts[0], "Renamed Box");
    EXPECT_EQ(acl[0].texts[1] + " " + acl[0].texts[2], "bob lrs");
    EXPECT_EQ(acl[1].texts[1], "alice");
    ASSERT_EQ(imap->Do(kImapDeleteMailboxAcl, {"bob"}), 0);
    imap.Events().Clear();
    ASSERT_EQ(imap->Do(kImapGetMailboxAcl), 0);
    EXPECT_EQ(imap.Texts(kImapEventMailboxAcl, 1), (std::vector<std::string>{"alice"}));

    ASSERT_EQ(imap->Do(kImapUnsubscribeMailbox), 0);
    ASSERT_EQ(imap->Do(kImapCloseMailbox), 0);
    ASSERT_EQ(imap->Do(kImapDeleteMailbox), 0);
    EXPECT_EQ(imap->Do(kImapExamineMailbox), 311);
    EXPECT_EQ(std::string(imap->LastError()).substr(6, 2), "NO");
}

TEST(ImapDovecot, LoginsAndArgumentsThatCannotBreakTheLine)
{
    Imap cram;
    ASSERT_EQ(cram->Set(kImapAuthMechanism, 1), 0);
    ASSERT_EQ(cram->Do(kImapConnect), 0) << cram->LastError();
    EXPECT_EQ(cram.Commands()[0], "AUTHENTICATE CRAM-MD5");

    // A password with a blank, a quote and a backslash goes quoted.
    Imap eve("eve", "two words\"q\\");
    ASSERT_EQ(eve->Do(kImapConnect), 0) << eve->LastError();
    EXPECT_EQ(eve.Commands()[0], "LOGIN eve \"two words\\\"q\\\\\"");

    // dovecot delays the greetings to an address with failed logins: this
    // one comes from an address of its own.
    Imap wrong("alice", "wrong");
    ASSERT_EQ(wrong->SetText(kImapLocalHost, "127.0.0.2"), 0);
    EXPECT_EQ(wrong->Do(kImapConnect), 311);
    EXPECT_EQ(std::string(wrong->LastError()).substr(0, 9), "x0000 NO ");

    // Raw arguments with CR or LF are refused before anything is sent;
    // a mailbox name with them goes as a literal, as one argument.
    ASSERT_EQ(eve.Select("Inbox"), 0);
    const size_t sent = eve.Commands().size();
    ASSERT_EQ(eve->SetText(kImapSearchCriteria, "ALL\r\nx0100 DELETE Inbox"), 0);
    EXPECT_EQ(eve->Do(kImapSearchMailbox), 315);
    EXPECT_EQ(eve->SetText(kImapCommand, "NOOP\r\nx0100 LOGOUT"), 315);
    EXPECT_EQ(eve.Commands().size(), sent);
    ASSERT_EQ(eve->SetText(kImapMailbox, "x\r\ny"), 0);
    EXPECT_EQ(eve->Do(kImapCreateMailbox), 311);
    EXPECT_EQ(eve.Commands().back(), "CREATE {4}");
    EXPECT_EQ(eve->SetText(kImapCommand, "NOOP"), 0);
    EXPECT_TRUE(eve->GetBool(kImapConnected));
}

// From inside an event only Interrupt runs: another action and a change of
// UIDMode are refused as busy, a set of its present value is accepted.
TEST(ImapDovecot, InsideEventsOnlyInterruptRuns)
{
    Imap imap;
    ASSERT_EQ(imap->Set(kImapPeekMode, 1), 0);
    ASSERT_EQ(imap.Select("Inbox"), 0) << imap->LastError();
    int uidAnswer = -1, busyAnswer = -1, sameAnswer = -1;
    imap.Events().OnEvent(kImapEventTransfer, [&](const RecordedEvent&) {
        if (busyAnswer >= 0)
            return;
        uidAnswer = imap->Set(kImapUIDMode, 1);
        busyAnswer = imap->Do(kImapNoop);
        sameAnswer = imap->Set(kImapUIDMode, 0);
        (void)imap->Do(kImapInterrupt);
    });
    ASSERT_EQ(imap->SetText(kImapMessageSet, "1"), 0);
    EXPECT_EQ(imap->Do(kImapFetchMessageText), 301);
    EXPECT_STREQ(imap->LastError(), "Interrupted.");
    EXPECT_EQ(uidAnswer, 312);
    EXPECT_EQ(busyAnswer, 312);
    EXPECT_EQ(sameAnswer, 0);
    EXPECT_TRUE(imap->GetBool(kImapIdle));
}

// Destroyed inside its own Transfer event: the fetch ends, nothing more is
// heard, and the object goes once the call has returned.
TEST(ImapDovecot, DestroyedInsideItsOwnEvent)
{
    EventRecorder events;
    void* imap = IMAP_Create(EventRecorder::Callback, events.User(), nullptr);
    IMAP_Set(imap, kImapRemoteHost, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0);
    IMAP_Set(imap, kImapRemotePort, 0, kDovecotImapPort, 0);
    IMAP_Set(imap, kImapUser, 0, reinterpret_cast<INT_PTR>("alice"), 0);
    IMAP_Set(imap, kImapPassword, 0, reinterpret_cast<INT_PTR>("wonder"), 0);
    IMAP_Set(imap, kImapPeekMode, 0, 1, 0);
    IMAP_Set(imap, kImapMailbox, 0, reinterpret_cast<INT_PTR>("Inbox"), 0);
    ASSERT_EQ(IMAP_Do(imap, kImapSelectMailbox, 0, nullptr, nullptr), 0);
    IMAP_Set(imap, kImapMessageSet, 0, reinterpret_cast<INT_PTR>("1:4"), 0);
    events.OnEvent(kImapEventTransfer, [&](const RecordedEvent&) {
        IMAP_Destroy(imap);
        events.OnEvent(kImapEventTransfer, nullptr);
    });
    EXPECT_EQ(IMAP_Do(imap, kImapFetchMessageText, 0, nullptr, nullptr), 301);
    EXPECT_EQ(events.Of(kImapEventTransfer).size(), 1u);
}

TEST(ImapDovecot, LocalizeDateAndConfig)
{
    Imap imap;
    std::string answer;
    // This program runs in the machine's zone, UTC under the test set-up.
    ASSERT_EQ(imap.Answer(kImapLocalizeDate, "Sun, 11 Jan 2004 23:30:00 -0500", answer), 0);
    EXPECT_EQ(answer, "01/12/2004 04:30:00");
    EXPECT_EQ(imap.Answer(kImapLocalizeDate, "11 Jan 04 23:30:00", answer), 303);
    EXPECT_EQ(answer, "");
    std::string value;
    ASSERT_EQ(imap->Query("AutoDecodeParts", value), 0);
    EXPECT_EQ(value, "False");
    ASSERT_EQ(imap->Config("autodecodeparts=yes"), 0);
    ASSERT_EQ(imap->Query("AutoDecodeParts", value), 0);
    EXPECT_EQ(value, "True");
    EXPECT_EQ(imap->GetText(kImapMailbox), "Inbox");
    EXPECT_EQ(imap->GetInt(kImapRemotePort), kDovecotImapPort);
    EXPECT_EQ(imap->Set(kImapFirewallType, 2), 0);
    EXPECT_EQ(imap->GetInt(kImapFirewallPort), 1080);
    EXPECT_EQ(imap->Set(kImapIdle, 0), -1);
}

} // namespace
