#include "audit/SanitizeText.h"

#include <gtest/gtest.h>

namespace {

TEST(SanitizeText, DropsControlsAndQuotesEscapesMarkupKeepsLetters)
{
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"Intel(R) <PRO>", "Intel(R) &lt;PRO&gt;"},
        {"\"1000\"", "1000"},
        {"Ger\xE4t", "Ger\xE4t"},
        {"M\xFCller B\xFCro Software", "M\xFCller B\xFCro Software"},
        {"\x83\x5C\x83\x74\x83\x67", "\x83\x5C\x83\x74\x83\x67"}, // double-byte text, trail byte 0x5C
        {"\x80\xFF", "\x80\xFF"},
        {"a\tb", "ab"},
        {"<<", "&lt;&lt;"},
        {"\r\n\x01\x1F\x7F", ""},
        {"  spaced  ", "  spaced  "},
        {"A&lt;B", "A&lt;B"},
        {std::string("a\0b", 3), "ab"},
        {"~ !", "~ !"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.out, SanitizeText(c.in)) << c.in;
    }
}

} // namespace
