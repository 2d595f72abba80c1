// The lines of a news server's answers: GROUP numbers, group list, overview
// and header-search lines, as INN sends them and cut short or overlong.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "netcomp/mail/nntp/NntpLines.h"

namespace {

TEST(NntpLines, GroupReplyAndGroupListLines)
{
    NntpGroupCounts counts;
    ASSERT_TRUE(ParseGroupReply("211 1234 3000 4233 alt.test", counts));
    EXPECT_EQ(counts.count, 1234);
    EXPECT_EQ(counts.first, 3000);
    EXPECT_EQ(counts.last, 4233);
    ASSERT_TRUE(ParseGroupReply("211  2147483647\t0 2147483647", counts));
    EXPECT_EQ(counts.count, INT_MAX);
    EXPECT_EQ(counts.first, 0);
    EXPECT_EQ(counts.last, INT_MAX);
    // Numbers that are none make the reply tell nothing: no counts made up
    // from it (largest int, 0 for a sign or a missing one).
    for (const char* reply : {"group selected", "211  99999999999 7 9", "211 5 1 2147483648 g", "211 -5 1 5 g",
                              "211 5 +1 5 g", "211 5 1 5x g", "211 5 1", "211 5 alt.test", "211"}) {
        counts.count = counts.first = counts.last = 1;
        EXPECT_FALSE(ParseGroupReply(reply, counts)) << reply;
        EXPECT_EQ(counts.count + counts.first + counts.last, 0) << reply;
    }

    std::string line = "kes.test.general 0000004233 0000003000 y";
    NntpGroupLine group;
    SplitGroupLine(&line[0], group);
    EXPECT_STREQ(group.name, "kes.test.general");
    EXPECT_EQ(group.first, 3000);
    EXPECT_EQ(group.last, 4233);
    EXPECT_TRUE(group.canPost);
    for (const char* flag : {"Y", "n", "m", "=other.group", ""}) {
        line = std::string("alt.x\t2  1 ") + flag;
        SplitGroupLine(&line[0], group);
        EXPECT_STREQ(group.name, "alt.x");
        EXPECT_EQ(group.last, 2);
        EXPECT_EQ(group.first, 1);
        EXPECT_EQ(group.canPost, std::string(flag) == "Y") << flag;
    }
    line = "lonely";
    SplitGroupLine(&line[0], group);
    EXPECT_STREQ(group.name, "lonely");
    EXPECT_EQ(group.last, 0);
    EXPECT_FALSE(group.canPost);
}

TEST(NntpLines, OverviewAndSearchLines)
{
    std::string line = "3\tRe: Hello news folded on\tAlice <alice@kes.test>\tMon, 7 Dec 2026 08:08:56 -0000 "
                       "(UTC)\t<reply@kes.test>\t<first@kes.test>\t551\t1\tXref: news.kes.test kes.test.general:3"
                       "\tX-Extra: two";
    NntpOverviewLine o;
    SplitOverviewLine(&line[0], o);
    EXPECT_EQ(o.number, 3);
    EXPECT_STREQ(o.subject, "Re: Hello news folded on");
    EXPECT_STREQ(o.from, "Alice <alice@kes.test>");
    EXPECT_STREQ(o.date, "Mon, 7 Dec 2026 08:08:56 -0000 (UTC)");
    EXPECT_STREQ(o.messageId, "<reply@kes.test>");
    EXPECT_STREQ(o.references, "<first@kes.test>");
    EXPECT_EQ(o.bytes, 551);
    EXPECT_EQ(o.lines, 1);
    EXPECT_STREQ(o.rest, "Xref: news.kes.test kes.test.general:3\tX-Extra: two");

    // Fields that are missing are empty, numbers 0.
    line = "17\tonly a subject";
    SplitOverviewLine(&line[0], o);
    EXPECT_EQ(o.number, 17);
    EXPECT_STREQ(o.subject, "only a subject");
    EXPECT_STREQ(o.references, "");
    EXPECT_EQ(o.bytes, 0);
    EXPECT_STREQ(o.rest, "");

    // An article's size may pass 2 GB; numbers beyond an int stay the largest int.
    line = "99999999999\ts\tf\td\t<m@kes.test>\t\t3000000000\t99999999999";
    SplitOverviewLine(&line[0], o);
    EXPECT_EQ(o.number, 2147483647);
    EXPECT_EQ(o.bytes, 3000000000);
    EXPECT_EQ(o.lines, 2147483647);

    line = "3000 hello there  ";
    NntpSearchLine found;
    SplitSearchLine(&line[0], found);
    EXPECT_EQ(found.number, 3000);
    EXPECT_STREQ(found.rest, "hello there  ");
    line = "7";
    SplitSearchLine(&line[0], found);
    EXPECT_EQ(found.number, 7);
    EXPECT_STREQ(found.rest, "");
    EXPECT_EQ(ArticleNumber("  -5"), 0);
    EXPECT_EQ(ArticleNumber("2147483647"), INT_MAX);
    EXPECT_EQ(ArticleNumber("2147483648"), INT_MAX);
}

} // namespace
