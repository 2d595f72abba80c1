#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/text/ByteScan.h"

namespace {

// Every length up to a few 16- and 32-byte steps, with the byte looked for at
// every place, behind a decoy (the other line-end byte) and not at all.
TEST(ByteScan, FindsTheFirstAtEveryPlace)
{
    for (size_t n = 0; n <= 80; ++n) {
        std::string text(n, 'a');
        EXPECT_EQ(FindByte(text.data(), n, '\n'), nullptr) << n;
        EXPECT_EQ(FindLineBreak(text.data(), n), nullptr) << n;
        for (size_t at = 0; at < n; ++at) {
            std::string t = text;
            t[at] = '\n';
            if (at + 1 < n)
                t[at + 1] = '\r';
            EXPECT_EQ(FindByte(t.data(), n, '\n'), t.data() + at) << n << " " << at;
            EXPECT_EQ(FindLineBreak(t.data(), n), t.data() + at) << n << " " << at;
            t[at] = '\r';
            EXPECT_EQ(FindLineBreak(t.data(), n), t.data() + at) << n << " " << at;
            EXPECT_EQ(FindByte(t.data(), n, '\n'), nullptr) << n << " " << at;
        }
    }
    // Two in one step: the first counts, wherever the other stands.
    for (size_t at = 0; at + 17 < 80; ++at) {
        std::string t(80, 'a');
        t[at] = '\n';
        t[at + 17] = '\n';
        EXPECT_EQ(FindByte(t.data(), t.size(), '\n'), t.data() + at) << at;
    }
    // A byte past the length is not looked at; bytes with the high bit set are bytes like others.
    const std::string high = std::string(20, '\xff') + "\x80\n";
    EXPECT_EQ(FindByte(high.data(), 21, '\x80'), high.data() + 20);
    EXPECT_EQ(FindLineBreak(high.data(), 21), nullptr);
}

} // namespace
