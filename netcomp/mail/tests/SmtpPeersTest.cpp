// The SMTP component against real servers on the loopback: aiosmtpd (each
// message read back by Python's email package) with AUTH LOGIN and CRAM-MD5,
// refused recipients, EXPN, VRFY and the SAML, SOML and SEND verbs; exim as
// a real mail server delivering to a maildir (and refusing to verify).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_smtp.h"
#include "netcomp/mail/tests/MailTestSupport.h"

using namespace mailtest;

namespace {

class SmtpPeerTest : public ::testing::Test {
protected:
    SmtpPeerTest() : smtp(SMTPFunctions::kApi, EventRecorder::Callback, events.User())
    {
        events.TextsAt(kSmtpEventPITrail, {1});
        events.TextsAt(kSmtpEventError, {1});
        events.TextsAt(kSmtpEventExpand, {0});
    }
    static void SetUpTestSuite() { SMTP_StaticInit(GetModuleHandleA(nullptr)); }

    void Peer(int port)
    {
        ASSERT_EQ(smtp.SetText(kSmtpMailServer, "127.0.0.1"), 0);
        ASSERT_EQ(smtp.Set(kSmtpMailPort, port), 0);
        ASSERT_EQ(smtp.Set(kSmtpTimeout, 20), 0);
        ASSERT_EQ(smtp.Config("Hello=client.kes.test"), 0);
    }
    void Message(const char* to, const char* subject, const char* text)
    {
        ASSERT_EQ(smtp.SetText(kSmtpFrom, "Alice <alice@kes.test>"), 0);
        ASSERT_EQ(smtp.SetText(kSmtpSendTo, to), 0);
        ASSERT_EQ(smtp.SetText(kSmtpSubject, subject), 0);
        ASSERT_EQ(smtp.SetText(kSmtpMessageText, text), 0);
    }
    std::vector<std::string> Received() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kSmtpEventPITrail))
            if (int(e.values[0]) == 1)
                out.push_back(e.texts[1]);
        return out;
    }

    EventRecorder events;
    ComponentHandle smtp;
};

TEST_F(SmtpPeerTest, AiosmtpdTakesEachLoginKind)
{
    Peer(kAiosmtpdPort);
    const std::string text = "First line\r\n.\r\n..two dots\r\nlast line\r\n";
    for (int mechanism : {0, 1}) {
        const int before = AiosmtpdCount();
        const std::string subject = "via mechanism " + std::to_string(mechanism);
        Message("Bob <bob@kes.test>, carol@kes.test", subject.c_str(), text.c_str());
        ASSERT_EQ(smtp.Set(kSmtpAuthMechanism, mechanism), 0);
        ASSERT_EQ(smtp.SetText(kSmtpUser, "alice"), 0);
        ASSERT_EQ(smtp.SetText(kSmtpPassword, "wonder"), 0);
        ASSERT_EQ(smtp.Do(kSmtpSend), 0) << smtp.LastError();
        ASSERT_EQ(AiosmtpdCount(), before + 1);
        const std::string facts = AiosmtpdFacts(before + 1);
        EXPECT_NE(facts.find("verb MAIL\nfrom alice@kes.test\nto bob@kes.test carol@kes.test\nauth alice\ndefects 0\n"),
                  std::string::npos)
            << facts;
        EXPECT_NE(facts.find("header Subject: " + subject + "\n"), std::string::npos) << facts;
        EXPECT_NE(facts.find("header From: Alice <alice@kes.test>\n"), std::string::npos) << facts;
        EXPECT_NE(facts.find("part 0 text/plain cid= file= disposition= md5=" + Md5Of(text) + "\n"), std::string::npos)
            << facts;
    }
    // A wrong password is the server's refusal, and nothing is sent.
    const int before = AiosmtpdCount();
    ASSERT_EQ(smtp.SetText(kSmtpPassword, "wrong"), 0);
    EXPECT_EQ(smtp.Do(kSmtpSend), 161);
    EXPECT_EQ(std::string(smtp.LastError()).substr(0, 4), "535 ");
    EXPECT_FALSE(smtp.GetBool(kSmtpConnected));
    EXPECT_EQ(AiosmtpdCount(), before);
}

TEST_F(SmtpPeerTest, AiosmtpdRecipientsVerbsExpnAndVrfy)
{
    Peer(kAiosmtpdPort);
    ASSERT_EQ(smtp.Do(kSmtpConnect), 0) << smtp.LastError();
    // A refused blind copy: the others still get the message.
    int before = AiosmtpdCount();
    Message("bob@kes.test", "blind copies", "text\r\n");
    ASSERT_EQ(smtp.SetText(kSmtpBCc, "refused@kes.test, dave@kes.test"), 0);
    ASSERT_EQ(smtp.Do(kSmtpSend), 0) << smtp.LastError();
    EXPECT_TRUE(smtp.GetBool(kSmtpConnected));
    ASSERT_EQ(events.Of(kSmtpEventError).size(), 1u);
    EXPECT_EQ(events.Of(kSmtpEventError)[0].texts[1], "550 5.1.1 Mailbox unavailable");
    ASSERT_EQ(AiosmtpdCount(), before + 1);
    EXPECT_NE(AiosmtpdFacts(before + 1).find("to bob@kes.test dave@kes.test\n"), std::string::npos);
    EXPECT_EQ(AiosmtpdMessage(before + 1).find("refused"), std::string::npos);

    // A refused recipient of To ends the send.
    ASSERT_EQ(smtp.SetText(kSmtpBCc, ""), 0);
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "refused@kes.test"), 0);
    EXPECT_EQ(smtp.Do(kSmtpSend), 161);
    EXPECT_STREQ(smtp.LastError(), "550 5.1.1 Mailbox unavailable");
    EXPECT_EQ(AiosmtpdCount(), before + 1);

    // The other verbs of sending.
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "bob@kes.test"), 0);
    for (auto [method, verb] :
         {std::pair{kSmtpSendToTerminalAndEmail, "SAML"}, std::pair{kSmtpSendToTerminalOrEmail, "SOML"},
          std::pair{kSmtpSendToTerminalOnly, "SEND"}}) {
        ASSERT_EQ(smtp.Do(method), 0) << smtp.LastError();
        EXPECT_EQ(AiosmtpdFacts(AiosmtpdCount()).substr(0, 10), std::string("verb ") + verb + "\n");
    }

    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "staff"), 0);
    ASSERT_EQ(smtp.Do(kSmtpExpand), 0) << smtp.LastError();
    const auto expanded = events.Of(kSmtpEventExpand);
    ASSERT_EQ(expanded.size(), 2u);
    EXPECT_EQ(expanded[0].texts[0], "Ann Example <ann@kes.test>");
    EXPECT_EQ(expanded[1].texts[0], "<bob@kes.test>");
    ASSERT_EQ(smtp.SetText(kSmtpSendTo, "nobody"), 0);
    EXPECT_EQ(smtp.Do(kSmtpExpand), 161);
    EXPECT_EQ(events.Of(kSmtpEventExpand).size(), 2u);

    EXPECT_EQ(smtp.Do(kSmtpVerify, {"ann@kes.test"}), 0) << smtp.LastError();
    EXPECT_EQ(smtp.GetText(kSmtpSendTo), "Ann Example <ann@kes.test>");
    EXPECT_EQ(smtp.Do(kSmtpVerify, {"zed@kes.test"}), 161);
    EXPECT_EQ(smtp.Do(kSmtpDisconnect), 0) << smtp.LastError();
    EXPECT_FALSE(smtp.GetBool(kSmtpConnected));
}

TEST_F(SmtpPeerTest, EximDeliversToItsMaildir)
{
    Peer(kEximPort);
    const std::string inbox = PeerFolder("smtp_exim") + "\\mail\\inbox\\new\\";
    for (int mechanism : {1, 0}) {
        const std::string subject = "exim " + std::to_string(mechanism);
        Message("bob@kes.test", subject.c_str(), "Hello exim\r\n.\r\nbye\r\n");
        ASSERT_EQ(smtp.Set(kSmtpAuthMechanism, mechanism), 0);
        ASSERT_EQ(smtp.SetText(kSmtpUser, "alice"), 0);
        ASSERT_EQ(smtp.SetText(kSmtpPassword, "wonder"), 0);
        ASSERT_EQ(smtp.Do(kSmtpSend), 0) << smtp.LastError();
        EXPECT_EQ(std::string(smtp.GetText(kSmtpLastReply)).substr(0, 4), "221 ");
        // EHLO's reply, line by line.
        const std::vector<std::string> lines = Received();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "250-PIPELINING"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "250-8BITMIME"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "235 Authentication succeeded"), lines.end());
        // Exim answers the final dot and then delivers in a process of its
        // own, which a busy machine may start late: the file is looked for
        // until it is there. The bound only ends a run whose delivery failed.
        std::string found;
        const DWORD start = GetTickCount();
        while (found.empty() && GetTickCount() - start < 60000) {
            WIN32_FIND_DATAA entry;
            HANDLE h = FindFirstFileA((inbox + "*").c_str(), &entry);
            if (h != INVALID_HANDLE_VALUE) {
                do {
                    const std::string bytes = ReadFile(inbox + entry.cFileName);
                    if (bytes.find("Subject: " + subject + "\n") != std::string::npos)
                        found = bytes;
                } while (FindNextFileA(h, &entry));
                FindClose(h);
            }
            if (found.empty())
                Sleep(50);
        }
        ASSERT_FALSE(found.empty()) << "no message \"" << subject << "\" in " << inbox << " within 60 s";
        EXPECT_NE(found.find("From: Alice <alice@kes.test>\n"), std::string::npos);
        EXPECT_NE(found.find("\n\nHello exim\n.\nbye\n"), std::string::npos) << found;
        events.Clear();
    }
    // Relaying is refused without a login.
    ASSERT_EQ(smtp.SetText(kSmtpUser, ""), 0);
    Message("someone@elsewhere.test", "relay", "x");
    EXPECT_EQ(smtp.Do(kSmtpSend), 161);
    EXPECT_NE(std::string(smtp.LastError()).find("relay not permitted"), std::string::npos);

    // exim verifies no one: its 252 names no address, and SendTo stays the
    // one asked about.
    EXPECT_EQ(smtp.Do(kSmtpVerify, {"bob@kes.test"}), 0) << smtp.LastError();
    EXPECT_EQ(smtp.GetText(kSmtpLastReply), "252 Administrative prohibition");
    EXPECT_EQ(smtp.GetText(kSmtpSendTo), "bob@kes.test");
}

} // namespace
