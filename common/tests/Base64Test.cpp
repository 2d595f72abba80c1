#include "common/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Base64, EncodesWithoutFillOrLineBreaks)
{
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"a", "YQ"},
        {"ab", "YWI"},
        {"abc", "YWJj"},
        {"abcd", "YWJjZA"},
        {std::string("\xFF\xFE\x00\x01", 4), "//4AAQ"},
        {"<Kestrova>\r\n", "PEtlc3Ryb3ZhPg0K"},
    };
    for (const auto& c : cases) {
        std::string out = "old";
        EXPECT_TRUE(EncodeBase64String(c.in, out));
        EXPECT_EQ(c.out, out) << c.in;
    }
    std::string big(3000, 'x');
    std::string out;
    EXPECT_TRUE(EncodeBase64String(big, out));
    EXPECT_EQ(4000u, out.size());
    EXPECT_EQ(std::string::npos, out.find_first_of("=\r\n"));
}

TEST(Base64, StripsNewlineReferences)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"x&#x000D;&#x000A;y", "xy"},     {"plain text", "plain text"},
        {"&#x000D", "&#x000D"},           {"a&#x000A;b&#x000D;c&#x000A;", "abc"},
        {"&#x&#x000D;000D;", ""},                                           // searched again from the start
        {"&#x00&#x&#x000D;000D;0D;", ""}, {"&#x000&#x000A;D;", "&#x000D;"}, // line feeds go after carriage returns
        {"&#x00&#x000D;0A;", ""},         {"&#x000d;", "&#x000d;"},
        {"&&#x000D;#x000A;;", ";"},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(c.out, StripNewlineReferences(text)) << c.in;
        EXPECT_EQ(c.out, text);
    }
}

} // namespace
