// The NNTP component through its exported functions: real sessions against a
// private INN (group lists, GROUP, XOVER, XPAT, ARTICLE, HEAD and BODY into
// properties, posting with AUTHINFO) and, against the scripted peer, what a
// real server does not do on demand (refused greetings, a server that goes
// quiet in the middle of a listing, continuation replies, Japanese articles,
// actions from inside events).
#include <gtest/gtest.h>

#include <string>

#include "netcomp/include/netcomp_nntp.h"
#include "netcomp/mail/tests/MailPeers.h"
#include "netcomp/mail/tests/MailTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kInnPort = 21119;

class Nntp : public MailClient<NNTPFunctions> {
public:
    explicit Nntp(int port = kInnPort, const char* user = "alice", const char* password = "wonder")
        : MailClient(kNntpEventProtocolTrail)
    {
        NNTP_StaticInit(GetModuleHandleA(nullptr));
        EXPECT_EQ((*this)->SetText(kNntpRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ((*this)->Set(kNntpRemotePort, port), 0);
        EXPECT_EQ((*this)->SetText(kNntpUser, user), 0);
        EXPECT_EQ((*this)->SetText(kNntpPassword, password), 0);
        EXPECT_EQ((*this)->Set(kNntpTimeout, 10), 0);
        Events().TextsAt(kNntpEventGroupList, {0});
        Events().TextsAt(kNntpEventGroupOverview, {1, 2, 3, 4, 5, 8});
        Events().TextsAt(kNntpEventGroupSearch, {1});
        Events().TextsAt(kNntpEventHeader, {0, 1});
        Events().TextsAt(kNntpEventTransfer, {1});
        Events().TextsAt(kNntpEventError, {1});
    }
};

TEST(NntpInn, GroupListsAndAuthentication)
{
    Nntp news;
    ASSERT_EQ(news->Do(kNntpListGroups), 0) << news->LastError(); // connects and logs in first
    EXPECT_TRUE(news->GetBool(kNntpConnected));
    EXPECT_EQ(news.Trail(0), (std::vector<std::string>{"AUTHINFO USER alice", "AUTHINFO PASS wonder", "LIST"}));
    bool general = false;
    for (const RecordedEvent& e : news.Events().Of(kNntpEventGroupList)) {
        if (e.texts[0] == "kes.test.general") {
            general = true;
            EXPECT_EQ(e.values[1], 1);
            EXPECT_EQ(e.values[2], 3);
            EXPECT_EQ(e.values[3], 1);
        }
    }
    EXPECT_TRUE(general);

    // The groups made since 2000 (the default date): the four of the set-up.
    news.Events().Clear();
    ASSERT_EQ(news->Do(kNntpListNewGroups), 0) << news->LastError();
    EXPECT_EQ(news.Trail(0), (std::vector<std::string>{"NEWGROUPS 000101 000000"}));
    EXPECT_EQ(news.Events().Of(kNntpEventGroupList).size(), 4u);
    ASSERT_EQ(news->SetText(kNntpNewGroupsDate, "20391231 000000"), 0);
    news.Events().Clear();
    ASSERT_EQ(news->Do(kNntpListNewGroups), 0);
    EXPECT_EQ(news.Events().Of(kNntpEventGroupList).size(), 0u);
    ASSERT_EQ(news->Do(kNntpDisconnect), 0);
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    EXPECT_EQ(news.Trail(0).back(), "QUIT");

    // Without a login the server refuses the group, which is not kept.
    Nntp anonymous(kInnPort, "", "");
    EXPECT_EQ(anonymous->SetText(kNntpCurrentGroup, "kes.test.general"), 181);
    EXPECT_EQ(std::string(anonymous->LastError()).substr(0, 4), "480 ");
    EXPECT_EQ(anonymous->GetText(kNntpCurrentGroup), "");
    Nntp wrong(kInnPort, "alice", "wrong");
    EXPECT_EQ(wrong->Do(kNntpConnect), 181);
    EXPECT_EQ(std::string(wrong->LastError()).substr(0, 4), "481 ");
}

TEST(NntpInn, OverviewSearchAndArticles)
{
    Nntp news;
    ASSERT_EQ(news->SetText(kNntpCurrentGroup, "kes.test.general"), 0) << news->LastError();
    EXPECT_EQ(news->GetInt(kNntpArticleCount), 3);
    EXPECT_EQ(news->GetInt(kNntpFirstArticle), 1);
    EXPECT_EQ(news->GetInt(kNntpLastArticle), 3);
    EXPECT_EQ(news->GetText(kNntpLastReply), "211 3 1 3 kes.test.general");

    ASSERT_EQ(news->Do(kNntpGroupOverview), 0) << news->LastError();
    const auto overview = news.Events().Of(kNntpEventGroupOverview);
    ASSERT_EQ(overview.size(), 3u);
    EXPECT_EQ(overview[0].values[0], 1);
    EXPECT_EQ(overview[0].texts[1], "Hello news");
    EXPECT_EQ(overview[0].texts[2], "Alice <alice@kes.test>");
    EXPECT_NE(overview[0].texts[3], "");
    EXPECT_EQ(overview[0].texts[4], "<first@kes.test>");
    EXPECT_EQ(overview[1].values[7], 50);
    EXPECT_GT(overview[1].values[6], 400);
    EXPECT_EQ(overview[2].texts[5], "<first@kes.test>");
    EXPECT_EQ(overview[2].texts[8], "Xref: news.kes.test kes.test.general:3");

    ASSERT_EQ(news->SetText(kNntpSearchHeader, "Subject"), 0);
    ASSERT_EQ(news->SetText(kNntpSearchPattern, "*Hello*"), 0);
    ASSERT_EQ(news->Do(kNntpGroupSearch), 0) << news->LastError();
    EXPECT_EQ(news.Sent("XPAT Subject - *Hello*"), 1);
    const auto found = news.Events().Of(kNntpEventGroupSearch);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].values[0], 1);
    EXPECT_EQ(found[0].texts[1], "Hello news");
    EXPECT_EQ(found[1].values[0], 3);

    // ARTICLE: the header fields become properties, the body comes as events.
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "1"), 0);
    ASSERT_EQ(news->Do(kNntpFetchArticle), 0) << news->LastError();
    EXPECT_EQ(news->GetText(kNntpArticleSubject), "Hello news");
    EXPECT_EQ(news->GetText(kNntpArticleFrom), "Alice <alice@kes.test>");
    EXPECT_EQ(news->GetText(kNntpOrganization), "Kestrova test");
    EXPECT_EQ(news->GetText(kNntpNewsgroups), "kes.test.general");
    EXPECT_EQ(news->GetText(kNntpArticleMessageId), "<first@kes.test>");
    EXPECT_NE(news->GetText(kNntpArticleDate), "");
    const auto lines = news.Events().Of(kNntpEventTransfer);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].texts[1], ".a line that begins with a dot");
    EXPECT_EQ(news.Events().Of(kNntpEventStartTransfer).size(), 1u);
    EXPECT_EQ(news.Events().Of(kNntpEventEndTransfer).size(), 1u);

    // Reading the headers and the text fetches them (HEAD, BODY) every time.
    const std::string headers = news->GetText(kNntpArticleHeaders);
    EXPECT_NE(headers.find("Subject: Hello news\r\n"), std::string::npos);
    EXPECT_EQ(headers.substr(headers.size() - 2), "\r\n");
    EXPECT_EQ(news.Sent("HEAD 1"), 1);
    EXPECT_EQ(news.Events().Of(kNntpEventStartTransfer).size(), 1u); // HEAD has no body
    EXPECT_EQ(news->GetText(kNntpArticleText), "Hello readers,\r\n.a line that begins with a dot\r\nBye\r\n");
    EXPECT_EQ(news->GetText(kNntpArticleText), "Hello readers,\r\n.a line that begins with a dot\r\nBye\r\n");
    EXPECT_EQ(news.Sent("BODY 1"), 2);

    // MaxLines bounds the text kept, not the lines reported.
    ASSERT_EQ(news->Set(kNntpMaxLines, 10), 0);
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "<fifty@kes.test>"), 0);
    news.Events().Clear();
    std::string ten;
    for (int i = 1; i <= 10; ++i)
        ten += "line " + std::to_string(i) + "\r\n";
    EXPECT_EQ(news->GetText(kNntpArticleText), ten);
    EXPECT_EQ(news.Events().Of(kNntpEventTransfer).size(), 50u);
    EXPECT_EQ(news.Events().Of(kNntpEventTransfer).back().texts[1], "line 50");

    // A folded subject is joined; HEAD alone fills the fields too.
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "3"), 0);
    ASSERT_EQ(news->Do(kNntpFetchArticleHeaders), 0);
    EXPECT_EQ(news->GetText(kNntpArticleSubject), "Re: Hello news folded on");
    EXPECT_EQ(news->GetText(kNntpArticleReferences), "<first@kes.test>");
    EXPECT_NE(news->GetText(kNntpOrganization), "Kestrova test");

    // An article that is not there.
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "<none@kes.test>"), 0);
    EXPECT_EQ(news->Do(kNntpFetchArticleBody), 181);
    EXPECT_EQ(std::string(news->LastError()).substr(0, 4), "430 ");

    // Not connected: the text kept last, nothing asked.
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "2"), 0);
    ASSERT_EQ(news->Do(kNntpFetchArticleBody), 0);
    ASSERT_EQ(news->Set(kNntpConnected, 0), 0);
    EXPECT_EQ(news->GetText(kNntpArticleText), "");
    EXPECT_EQ(news->GetText(kNntpArticleHeaders), "");
}

TEST(NntpInn, PostWithTextFileAndDots)
{
    Nntp news;
    // What a post needs is checked before anything is sent.
    EXPECT_EQ(news->Do(kNntpPostArticle), 184);
    EXPECT_STREQ(news->LastError(), "Please specify a sender (From).");
    ASSERT_EQ(news->SetText(kNntpArticleFrom, "Alice <alice@kes.test>"), 0);
    EXPECT_EQ(news->Do(kNntpPostArticle), 185);
    ASSERT_EQ(news->SetText(kNntpArticleSubject, "Posted by the component"), 0);
    EXPECT_EQ(news->Do(kNntpPostArticle), 186);
    EXPECT_FALSE(news->GetBool(kNntpConnected));

    ASSERT_EQ(news->SetText(kNntpNewsgroups, "kes.test.post"), 0);
    ASSERT_EQ(news->SetText(kNntpOtherHeaders, "Message-ID: <posted1@kes.test>\r\nX-Kes: yes\r\n\r\n"), 0);
    ASSERT_EQ(news->SetText(kNntpArticleText, "First line\r\n.hidden\r\n"), 0);
    EXPECT_EQ(news->GetText(kNntpArticleText), "First line\r\n..hidden\r\n");
    mailtest::WriteFile("post.txt", ".file line\r\nlast line without end");
    ASSERT_EQ(news->SetText(kNntpAttachedFile, "post.txt"), 0);
    ASSERT_EQ(news->Do(kNntpPostArticle), 0) << news->LastError();
    EXPECT_EQ(news->GetText(kNntpLastReply).substr(0, 4), "240 ");
    EXPECT_EQ(news.Events().Of(kNntpEventStartTransfer).size(), 2u);
    EXPECT_EQ(news.Events().Of(kNntpEventEndTransfer).size(), 2u);

    // Read back from the server, the text is whole and unstuffed (reading
    // the headers fetches them anew and empties the text, so they come first).
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "<posted1@kes.test>"), 0);
    const std::string headers = news->GetText(kNntpArticleHeaders);
    EXPECT_NE(headers.find("X-Kes: yes\r\n"), std::string::npos);
    EXPECT_EQ(news->GetText(kNntpArticleSubject), "Posted by the component");
    EXPECT_EQ(news->GetText(kNntpNewsgroups), "kes.test.post");
    const std::string text = "First line\r\n.hidden\r\n.file line\r\nlast line without end\r\n";
    EXPECT_EQ(news->GetText(kNntpArticleText), text);

    // A fetched text posted again goes out stuffed: its ".hidden" line stays.
    ASSERT_EQ(news->SetText(kNntpArticleSubject, "Reposted"), 0);
    ASSERT_EQ(news->SetText(kNntpOtherHeaders, "Message-ID: <posted2@kes.test>"), 0);
    ASSERT_EQ(news->Do(kNntpPostArticle), 0) << news->LastError();
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "<posted2@kes.test>"), 0);
    EXPECT_EQ(news->GetText(kNntpArticleText), text);

    // ResetHeaders empties the article's fields, connected or not.
    ASSERT_EQ(news->Do(kNntpDisconnect), 0);
    ASSERT_EQ(news->Do(kNntpResetHeaders), 0);
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    EXPECT_EQ(news->GetText(kNntpArticleFrom), "");
    EXPECT_EQ(news->GetText(kNntpArticleText), "");
    EXPECT_EQ(news->GetText(kNntpArticleMessageId), "");
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

TEST(NntpScripted, RefusedGreetingsAndContinuationReplies)
{
    // A server that refuses the reader refuses the connection.
    Scripted s;
    s.server.Reply("502 You have no permission to talk.  Goodbye.").ExpectClose();
    Nntp news(s.Port(), "", "");
    EXPECT_EQ(news->Do(kNntpConnect), 181);
    EXPECT_STREQ(news->LastError(), "502 You have no permission to talk.  Goodbye.");
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    EXPECT_TRUE(news->GetBool(kNntpIdle));
    EXPECT_EQ("", s.server.Finish());

    // "NNN-" lines are read past; the last line decides. A command in
    // CurrentGroup cannot carry a second one.
    Scripted t;
    t.server.Reply("201-Welcome")
        .Reply("201 no posting")
        .Expect("GROUP alt.test")
        .Reply("211-more to say")
        .Reply("211 1234 3000 4233 alt.test")
        .Expect("GROUP alt.gone")
        .Reply("411 no such group")
        .Expect("QUIT")
        .Reply("205 bye");
    Nntp scripted(t.Port(), "", "");
    ASSERT_EQ(scripted->SetText(kNntpCurrentGroup, "alt.test"), 0) << scripted->LastError();
    EXPECT_EQ(scripted->GetInt(kNntpArticleCount), 1234);
    EXPECT_EQ(scripted->GetInt(kNntpFirstArticle), 3000);
    EXPECT_EQ(scripted->GetInt(kNntpLastArticle), 4233);
    EXPECT_EQ(scripted->SetText(kNntpCurrentGroup, "alt.test\r\nPOST"), 181);
    EXPECT_EQ(scripted->GetText(kNntpCurrentGroup), "");
    EXPECT_EQ(scripted->SetText(kNntpCurrentGroup, "alt.gone"), 181);
    EXPECT_STREQ(scripted->LastError(), "411 no such group");
    ASSERT_EQ(scripted->Do(kNntpDisconnect), 0);
    EXPECT_EQ("", t.server.Finish());
    // The connection shows in the trail; a failed connect is an Error event.
    EXPECT_EQ(scripted.Trail(2),
              (std::vector<std::string>{"Connecting to news server.", "Connected.", "Disconnected."}));
    EXPECT_TRUE(scripted.Events().Of(kNntpEventError).empty());
    Nntp nobody(1, "", "");
    EXPECT_NE(nobody->Do(kNntpConnect), 0);
    const auto errors = nobody.Events().Of(kNntpEventError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].values[0], 182);
    EXPECT_EQ(errors[0].texts[1].rfind("Failed to connect: ", 0), 0u) << errors[0].texts[1];
    EXPECT_EQ(nobody.Trail(2), (std::vector<std::string>{"Connecting to news server."}));
}

// A GROUP reply whose numbers are none (negative, beyond an int, missing)
// fails with 181 and the reply: the group is not kept and its counts read
// 0, rather than counts made up from it. The connection stays in step.
TEST(NntpScripted, GroupNumbersThatAreNoNumbersFailTheSelection)
{
    Scripted s;
    s.server.Reply("200 ready")
        .Expect("GROUP alt.test")
        .Reply("211 5 1 5 alt.test")
        .Expect("GROUP alt.bad")
        .Reply("211 -5 1 99999999999 alt.bad")
        .Expect("GROUP alt.test")
        .Reply("211 5 1 5 alt.test")
        .Expect("GROUP alt.short")
        .Reply("211 5 alt.short")
        .Expect("GROUP alt.big")
        .Reply("211 2147483647 0 2147483647 alt.big")
        .Expect("QUIT")
        .Reply("205 bye");
    Nntp news(s.Port(), "", "");
    ASSERT_EQ(news->SetText(kNntpCurrentGroup, "alt.test"), 0) << news->LastError();
    EXPECT_EQ(news->GetInt(kNntpArticleCount), 5);
    EXPECT_EQ(news->SetText(kNntpCurrentGroup, "alt.bad"), 181);
    EXPECT_STREQ(news->LastError(), "211 -5 1 99999999999 alt.bad");
    EXPECT_EQ(news->GetText(kNntpCurrentGroup), "");
    EXPECT_EQ(news->GetInt(kNntpArticleCount), 0);
    EXPECT_EQ(news->GetInt(kNntpFirstArticle), 0);
    EXPECT_EQ(news->GetInt(kNntpLastArticle), 0);
    ASSERT_EQ(news->SetText(kNntpCurrentGroup, "alt.test"), 0) << news->LastError();
    EXPECT_EQ(news->SetText(kNntpCurrentGroup, "alt.short"), 181);
    EXPECT_EQ(news->GetInt(kNntpLastArticle), 0);
    ASSERT_EQ(news->SetText(kNntpCurrentGroup, "alt.big"), 0) << news->LastError();
    EXPECT_EQ(news->GetInt(kNntpArticleCount), 2147483647);
    EXPECT_EQ(news->GetInt(kNntpLastArticle), 2147483647);
    EXPECT_TRUE(news->GetBool(kNntpIdle));
    ASSERT_EQ(news->Do(kNntpDisconnect), 0);
    EXPECT_EQ("", s.server.Finish());
}

// A line is at most 65536 bytes. An overview line past it (a References
// field run wild) fires no event, the listing is still read to its "."
// line, and the action fails with 181 and "Reply line too long."; a reply
// with a line past it fails too, and is still read to its end. Either way
// the connection stays and the next reply is the next command's.
TEST(NntpScripted, LinesPastTheLimitKeepTheSessionInStep)
{
    const std::string references(200000, 'r');
    Scripted s;
    s.server.Reply("200 ready")
        .Expect("XOVER -")
        .Send("224 overview follows\r\n1\tfirst\ta@kes.test\tdate\t<1@kes>\t" + references +
              "\t10\t1\r\n2\tsecond\tb@kes.test\tdate\t<2@kes>\t\t3000000000\t2\r\n.\r\n")
        .Expect("GROUP alt.test")
        .Reply("211-" + references)
        .Reply("211 1 1 1 alt.test")
        .Expect("GROUP alt.test")
        .Reply("211 3 1 3 alt.test")
        .Expect("QUIT")
        .Reply("205 bye");
    Nntp news(s.Port(), "", "");
    EXPECT_EQ(news->Do(kNntpGroupOverview), 181);
    EXPECT_STREQ(news->LastError(), "Reply line too long.");
    const auto overview = news.Events().Of(kNntpEventGroupOverview);
    ASSERT_EQ(overview.size(), 1u);
    EXPECT_EQ(overview[0].values[0], 2);
    EXPECT_EQ(overview[0].values[6], INT_PTR(3000000000)); // a size past 2 GB reads whole
    EXPECT_EQ(news->SetText(kNntpCurrentGroup, "alt.test"), 181);
    EXPECT_STREQ(news->LastError(), "Reply line too long.");
    ASSERT_EQ(news->SetText(kNntpCurrentGroup, "alt.test"), 0) << news->LastError();
    EXPECT_EQ(news->GetInt(kNntpArticleCount), 3);
    EXPECT_TRUE(news->GetBool(kNntpIdle));
    ASSERT_EQ(news->Do(kNntpDisconnect), 0);
    EXPECT_EQ("", s.server.Finish());
}

// A server that goes quiet in the middle of a listing: the time-out ends the
// action, the component is idle again and the half-read connection is closed,
// so the next action connects anew instead of reading the old listing.
TEST(NntpScripted, TimeOutInAListingLeavesTheComponentUsable)
{
    Scripted s;
    s.server.Reply("200 ready")
        .Expect("XOVER -")
        .Reply("224 overview follows")
        .Reply("1\tfirst\ta@kes.test\tdate\t<1@kes>\t\t10\t1")
        .Silence();
    Nntp news(s.Port(), "", "");
    ASSERT_EQ(news->Set(kNntpTimeout, 1), 0);
    EXPECT_EQ(news->Do(kNntpGroupOverview), 301);
    EXPECT_STREQ(news->LastError(), "Interrupted.");
    EXPECT_TRUE(news->GetBool(kNntpIdle));
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    EXPECT_EQ(news.Events().Of(kNntpEventGroupOverview).size(), 1u);
    EXPECT_EQ("", s.server.Finish());

    Scripted t;
    t.server.Reply("200 ready").Expect("GROUP alt.test").Reply("211 1 1 1 alt.test");
    ASSERT_EQ(news->Set(kNntpRemotePort, t.Port()), 0);
    EXPECT_EQ(news->SetText(kNntpCurrentGroup, "alt.test"), 0) << news->LastError();
    EXPECT_EQ("", t.server.Finish());
}

TEST(NntpScripted, JapaneseArticlesUnderCharsetMode1)
{
    // Posting: the subject goes out as ISO-2022-JP encoded words, the text in
    // ISO-2022-JP, with the charset named; fetching: both come back in
    // Shift-JIS.
    Scripted s;
    s.server.Reply("200 ready")
        .Expect("POST")
        .Reply("340 send it")
        .ExpectUntil(".")
        .Reply("240 posted")
        .Expect("ARTICLE 1")
        .Reply("220 1 <j@kes> article")
        .Reply("Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=")
        .Reply("Content-Type: text/plain; charset=ISO-2022-JP")
        .Reply("")
        .Reply("\x1b$B$\"\x1b(B")
        .Reply(".")
        .Expect("QUIT")
        .Reply("205 bye");
    Nntp news(s.Port(), "", "");
    ASSERT_EQ(news->Config("CharsetMode=1"), 0);
    ASSERT_EQ(news->SetText(kNntpArticleFrom, "a@kes.test"), 0);
    ASSERT_EQ(news->SetText(kNntpArticleSubject, "\x82\xA0"), 0);
    ASSERT_EQ(news->SetText(kNntpNewsgroups, "alt.test"), 0);
    ASSERT_EQ(news->SetText(kNntpArticleText, "\x82\xA0\r\n"), 0);
    ASSERT_EQ(news->Do(kNntpPostArticle), 0) << news->LastError();
    EXPECT_EQ(s.server.Captured(0), "From: a@kes.test\r\nSubject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n"
                                    "Newsgroups: alt.test\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n"
                                    "\r\n\x1b$B$\"\x1b(B\r\n.\r\n");
    news.Events().Clear();
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "1"), 0);
    ASSERT_EQ(news->Do(kNntpFetchArticle), 0) << news->LastError();
    EXPECT_EQ(news->GetText(kNntpArticleSubject), "\x82\xA0");
    ASSERT_EQ(news.Events().Of(kNntpEventTransfer).size(), 1u);
    EXPECT_EQ(news.Events().Of(kNntpEventTransfer)[0].texts[1], "\x82\xA0");
    ASSERT_EQ(news->Do(kNntpDisconnect), 0);
    EXPECT_EQ("", s.server.Finish());
}

// A server that refuses a 20 MB article after 1 MB of it and goes (a close
// with the rest unread) has said why: the post ends with 181 and its reply,
// not with the reset the client's send then finds.
TEST(NntpScripted, ARefusalBeforeTheServerGoesIsThePostsResult)
{
    Scripted s;
    s.server.Reply("200 ready")
        .Expect("POST")
        .Reply("340 send it")
        .ExpectBytes(1 << 20, [](const std::string&) { return std::string(); })
        .Reply("441 437 article too large")
        .Disconnect();
    Nntp news(s.Port(), "", "");
    ASSERT_EQ(news->SetText(kNntpArticleFrom, "a@kes.test"), 0);
    ASSERT_EQ(news->SetText(kNntpArticleSubject, "large"), 0);
    ASSERT_EQ(news->SetText(kNntpNewsgroups, "alt.test"), 0);
    ASSERT_EQ(news->SetText(kNntpArticleText, std::string(20 << 20, 'n').c_str()), 0);
    EXPECT_EQ(news->Do(kNntpPostArticle), 181);
    EXPECT_STREQ(news->LastError(), "441 437 article too large");
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    EXPECT_EQ("", s.server.Finish());
}

// From inside an event only Interrupt runs; another action is refused as busy.
TEST(NntpScripted, InterruptFromAnEventAndBusyRefusal)
{
    Scripted s;
    s.server.Reply("200 ready").Expect("LIST").Reply("215 list follows").Reply("alt.one 2 1 y").Silence();
    Nntp news(s.Port(), "", "");
    int busyAnswer = -1;
    news.Events().OnEvent(kNntpEventGroupList, [&](const RecordedEvent&) {
        busyAnswer = news->Do(kNntpListNewGroups);
        (void)news->Do(kNntpInterrupt);
    });
    EXPECT_EQ(news->Do(kNntpListGroups), 301);
    EXPECT_STREQ(news->LastError(), "Interrupted.");
    EXPECT_EQ(busyAnswer, 187);
    EXPECT_TRUE(news->GetBool(kNntpIdle));
    EXPECT_EQ("", s.server.Finish());
}

// As for POP: an article's header section, and its kept text by
// MaxMessageSize, end the fetch with 181 and the connection once past their
// bound, and nothing of the article stays. The server sends up to the line
// that crosses the bound, then nothing.
TEST(NntpScripted, ArticlesHeldInMemoryAreBounded)
{
    std::string headers = "Subject: kept no more\r\n";
    while (headers.size() <= (1u << 20))
        headers += "X-Pad: " + std::string(1000, 'h') + "\r\n";
    std::string body;
    while (body.size() <= 200000)
        body += std::string(1000, 'b') + "\r\n";
    Scripted s;
    s.server.Reply("200 ready")
        .Expect("ARTICLE 1")
        .Reply("220 1 <a@kes> article")
        .Send(headers)
        .ExpectClose()
        .Accept()
        .Reply("200 ready")
        .Expect("BODY 1")
        .Reply("222 1 <a@kes> body")
        .Send(body)
        .ExpectClose();
    Nntp news(s.Port(), "", "");
    ASSERT_EQ(news->Config("MaxMessageSize=200000"), 0);
    ASSERT_EQ(news->SetText(kNntpCurrentArticle, "1"), 0);
    EXPECT_EQ(news->Do(kNntpFetchArticle), 181);
    EXPECT_STREQ(news->LastError(), "Message header section too large.");
    EXPECT_EQ(news->GetText(kNntpArticleSubject), "");
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    ASSERT_EQ(news->Do(kNntpConnect), 0) << news->LastError();
    EXPECT_EQ(news->GetText(kNntpArticleText), "");
    EXPECT_EQ(news->LastErrorCode(), 181);
    EXPECT_STREQ(news->LastError(), "Message too large.");
    EXPECT_FALSE(news->GetBool(kNntpConnected));
    EXPECT_EQ("", s.server.Finish());
}

} // namespace
