// The numbers of a POP3 server's answers: the STAT reply, the reply to
// "LIST n" and the lines of LIST and UIDL listings, read by one rule.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/mail/pop/PopReplies.h"

namespace {

// Message numbers and counts fit an int; sizes in octets pass 2 GB.
TEST(PopReplies, NumbersThatFitAnIntSizesOf64BitsAndNothingElse)
{
    int count = 1;
    int64_t size = 1;
    ASSERT_TRUE(ParsePopStatReply("+OK 2147483647 3000000000 octets", &count, &size));
    EXPECT_EQ(count, 2147483647);
    EXPECT_EQ(size, 3000000000);
    ASSERT_TRUE(ParsePopSizeReply("+OK 3 2400000000", &size));
    EXPECT_EQ(size, 2400000000);
    PopListLine line;
    ASSERT_TRUE(ParsePopListLine("4 5000000000", true, line));
    EXPECT_EQ(line.number, 4);
    EXPECT_EQ(line.size, 5000000000);
    ASSERT_TRUE(ParsePopListLine("4 QhdPYR:00WBw1Ph7x7 extra", false, line));
    EXPECT_EQ(line.number, 4);
    EXPECT_STREQ(line.uid, "QhdPYR:00WBw1Ph7x7 extra");
    EXPECT_EQ(line.size, 0);

    // Missing, negative, too big or run into other characters: no answer,
    // and nothing made up from it.
    for (const char* reply :
         {"+OK -5 9", "+OK 2147483648 9", "+OK 3 9223372036854775808", "+OK 3", "+OK", "+OK 3 12x", "+OK 3  12"}) {
        count = 7;
        size = 7;
        EXPECT_FALSE(ParsePopStatReply(reply, &count, &size)) << reply;
        EXPECT_EQ(count + size, 14) << reply;
    }
    for (const char* reply : {"+OK 3 18446744073709551617", "+OK 3 -3", "+OK 3 +3", "+OK 3", "+OK 3 1e3", "+OK"}) {
        size = 7;
        EXPECT_FALSE(ParsePopSizeReply(reply, &size)) << reply;
        EXPECT_EQ(size, 7) << reply;
    }
    for (const char* text : {"2 -3", "3 99999999999999999999", "-1 120", "x 120", "2", "2 12.5", ""}) {
        EXPECT_FALSE(ParsePopListLine(text, true, line)) << text;
        EXPECT_EQ(line.number + line.size, 0) << text;
    }
    for (const char* text : {"-2 def", "99999999999 def", "2x def", ""}) {
        EXPECT_FALSE(ParsePopListLine(text, false, line)) << text;
        EXPECT_STREQ(line.uid, "") << text;
    }
}

} // namespace
