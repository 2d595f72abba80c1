// The FTP engine's readers of server bytes: listing lines of both forms as
// pure-ftpd, vsftpd and DOS-style servers write them, passive replies, PWD
// and SIZE replies, restart offsets and the PORT argument.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "netcomp/net/ftp/FtpListLine.h"
#include "netcomp/net/ftp/FtpReplies.h"

namespace {

struct ListCase {
    const char* line;
    bool longMode;
    bool entry;
    const char* name;
    bool isDirectory;
    int64_t size;
    const char* time;
};

TEST(FtpListLine, UnixDosAndNameLists)
{
    const ListCase cases[] = {
        // pure-ftpd: numeric owner and group
        {"-rw-r--r--    1 0          0                  10 Dec  7 06:40 hello.txt", true, true, "hello.txt", false, 10,
         "Dec 7 06:40"},
        // vsftpd
        {"-rw-r--r--    1 1999     1999      1024000 Dec 07 06:40 up-True.bin", true, true, "up-True.bin", false,
         1024000, "Dec 07 06:40"},
        {"drwxr-xr-x    2 ftp      ftp          4096 Mar 15  2004 my docs", true, true, "my docs", true, 4096,
         "Mar 15 2004"},
        // no group column
        {"-rw-r--r--   1 owner   512 Jan  1 12:00 a b  c", true, true, "a b  c", false, 512, "Jan 1 12:00"},
        {"lrwxrwxrwx 1 root root 7 Feb 29 2024 link -> target", true, true, "link -> target", false, 7, "Feb 29 2024"},
        // sizes past 32 bits, and past 64
        {"-rw-r--r-- 1 u g 5368709120 Jan 2 2025 big.iso", true, true, "big.iso", false, 5368709120LL, "Jan 2 2025"},
        {"-rw-r--r-- 1 u g 99999999999999999999999 Jan 2 2025 huge", true, true, "huge", false, INT64_MAX,
         "Jan 2 2025"},
        {"\t-rw-r--r--\t1\tu\tg\t3\tJan\t2\t2025\ttabbed", true, true, "tabbed", false, 3, "Jan 2 2025"},
        {"03-15-04  02:30PM       <DIR>          docs", true, true, "docs", true, 0, "03-15-04 02:30PM"},
        {"03-15-04  02:31PM                 1024 notes on it.txt", true, true, "notes on it.txt", false, 1024,
         "03-15-04 02:31PM"},
        {"2024-01-05  09:00    4294967296 four.bin", true, true, "four.bin", false, 4294967296LL, "2024-01-05 09:00"},
        {"total 12", true, false, "", false, 0, ""},
        {"TOTAL 0", true, false, "", false, 0, ""},
        {"", true, false, "", false, 0, ""},
        {"total 12", false, true, "total 12", false, 0, ""},
        {" spaced name ", false, true, " spaced name ", false, 0, ""},
        // cut short: whatever is there, no reading past the end
        {"drwx", true, true, "", true, 0, ""},
        {"12", true, true, "", false, 0, "12"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.line);
        FtpListEntry e;
        const FtpListResult r = ParseFtpListLine(c.line, uint32_t(std::strlen(c.line)), c.longMode, e);
        ASSERT_EQ(r, c.entry ? FtpListResult::Entry : FtpListResult::Skip);
        if (!c.entry)
            continue;
        EXPECT_EQ(std::string(e.name, e.nameLength), c.name);
        EXPECT_EQ(e.isDirectory, c.isDirectory);
        EXPECT_EQ(e.size, c.size);
        EXPECT_STREQ(e.time.CStr(), c.time);
    }
}

TEST(FtpReplies, PassiveReply)
{
    struct Case {
        const char* reply;
        bool ok;
        uint8_t a[4];
        uint16_t port;
    };
    const Case cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,113,179)", true, {127, 0, 0, 1}, 113 * 256 + 179},
        {"227 Entering Passive Mode (10,0,0,1,4,1).", true, {10, 0, 0, 1}, 1025},
        {"227 =(192,168,1,2,0,21)", true, {192, 168, 1, 2}, 21},
        {"227 Entering Passive Mode 127,0,0,1,4,1", false, {}, 0},
        {"200 (127,0,0,1,4,1)", false, {}, 0},
        {"227 (127,0,0,1,4,1", false, {}, 0},
        {"227 (127,0,0,1,0,0)", false, {}, 0},
        {"227 (256,0,0,1,4,1)", false, {}, 0},
        {"227 (1,2,3,4,5,)", false, {}, 0},
        {"227 (99999999999999999999,0,0,1,4,1)", false, {}, 0},
        {"22", false, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        uint8_t a[4] = {};
        uint16_t port = 0;
        ASSERT_EQ(ParsePassiveReply(c.reply, uint32_t(std::strlen(c.reply)), a, &port), c.ok);
        if (c.ok) {
            EXPECT_EQ(std::memcmp(a, c.a, 4), 0);
            EXPECT_EQ(port, c.port);
        }
    }
}

TEST(FtpReplies, DirectorySizeOffsetAndPortArgument)
{
    const char* start = nullptr;
    uint32_t n = 0;
    const auto path = [&](const char* reply) {
        QuotedPath(reply, uint32_t(std::strlen(reply)), &start, &n);
        return std::string(start, n);
    };
    EXPECT_EQ(path("257 \"/\" is your current location"), "/");
    EXPECT_EQ(path("257 \"/home/my dir\" is the current directory"), "/home/my dir");
    EXPECT_EQ(path("257 \"/unterminated"), "/unterminated");
    EXPECT_EQ(path("257 no quotes"), "");

    int64_t value = -1;
    EXPECT_TRUE(NumberAfterCode("213 1024000", 11, &value));
    EXPECT_EQ(value, 1024000);
    EXPECT_TRUE(NumberAfterCode("213 5368709120", 14, &value));
    EXPECT_EQ(value, 5368709120LL);
    EXPECT_FALSE(NumberAfterCode("213", 3, &value));
    EXPECT_FALSE(NumberAfterCode("213 none", 8, &value));
    EXPECT_FALSE(NumberAfterCode("213 99999999999999999999", 24, &value));

    EXPECT_TRUE(ParseOffset("", &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(ParseOffset("4294967297", &value));
    EXPECT_EQ(value, 4294967297LL);
    for (const char* bad : {"12a", "-5", " 5", "99999999999999999999"})
        EXPECT_FALSE(ParseOffset(bad, &value)) << bad;

    NetString argument;
    const uint8_t address[4] = {10, 1, 2, 3};
    ASSERT_EQ(FormatPortArgument(address, 1025, argument), 0);
    EXPECT_STREQ(argument.CStr(), "10,1,2,3,4,1");
}

} // namespace
