#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/framework/ConfigArg.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

TEST(SocketErrorTable, HoldsFiftyAscendingCodes)
{
    int count = 0;
    int previous = 0;
    for (const SocketErrorEntry* e = SocketErrorTable(); e->code != 0; ++e, ++count) {
        EXPECT_GT(e->code, previous);
        previous = e->code;
        ASSERT_NE(e->text, nullptr);
    }
    EXPECT_EQ(count, 50);
    EXPECT_STREQ(SocketErrorText(10061), "Connection refused");
    EXPECT_STREQ(SocketErrorText(10066), "Directory not empt");
    EXPECT_STREQ(SocketErrorText(10093), "Winsock not loaded yet (WSANOTINITIALISED)");
    EXPECT_STREQ(SocketErrorText(11004), "Valid name, no data record (check DNS setup)");
    EXPECT_EQ(SocketErrorText(12345), nullptr);
    EXPECT_EQ(SocketErrorText(0), nullptr);
}

TEST(ConfigArg, ParsesSetsAndQueries)
{
    const struct {
        const char* text;
        const char* key;
        const char* value;
        bool query;
    } cases[] = {
        {"CodePage=932", "CodePage", "932", false},
        {"CodePage", "CodePage", "", true},
        {"Key=", "Key", "", false},
        {"a=b=c", "a", "b=c", false},
        {"=x", "", "x", false},
        {nullptr, "", "", false},
    };
    for (const auto& c : cases) {
        ConfigArg arg;
        ASSERT_EQ(arg.Parse(c.text), kResultOk);
        EXPECT_STREQ(arg.key.CStr(), c.key);
        EXPECT_STREQ(arg.value.CStr(), c.value);
        EXPECT_EQ(arg.query, c.query) << (c.text ? c.text : "(null)");
    }
    ConfigArg arg;
    ASSERT_EQ(arg.Parse("ABSOLUTETIMEOUT=yes"), kResultOk);
    EXPECT_TRUE(arg.KeyIs("AbsoluteTimeout"));
    EXPECT_FALSE(arg.KeyIs("Absolute"));
}

TEST(ConfigArg, BooleansAndIntegers)
{
    for (const char* yes : {"true", "TRUE", "Yes", "1"})
        EXPECT_TRUE(ParseConfigBool(yes)) << yes;
    for (const char* no : {"2", "false", "", "on", "yes ", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(ParseConfigBool(no)) << (no ? no : "(null)");
    const struct {
        const char* text;
        bool fits;
        int value;
    } numbers[] = {
        {"932", true, 932},
        {"-5abc", true, -5},
        {"x", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"-0", true, 0},
        {nullptr, true, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const auto& n : numbers) {
        int value = 7;
        EXPECT_EQ(ParseConfigInt(n.text, value), n.fits) << (n.text ? n.text : "(null)");
        EXPECT_EQ(value, n.value) << (n.text ? n.text : "(null)");
    }
}

} // namespace
