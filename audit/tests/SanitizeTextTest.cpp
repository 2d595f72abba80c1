#include "audit/SanitizeText.h"

#include <gtest/gtest.h>

namespace {

TEST(SanitizeText, KeepsPrintableAsciiAndEscapesMarkup)
{
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"Intel(R) <PRO>", "Intel(R) &lt;PRO&gt;"},
        {"\"1000\"", "1000"},
        {"Ger\xE4t", "Gert"},
        {"a\tb", "ab"},
        {"<<", "&lt;&lt;"},
        {"\r\n\x01\x7F", ""},
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
