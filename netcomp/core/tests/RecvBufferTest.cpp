#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netcomp/core/tcp/RecvBuffer.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

// Feeds the reads one by one and collects every record as "<bytes>|" or "<bytes>+" (partial).
std::string Records(RecvBuffer& buffer, const std::vector<std::string>& reads)
{
    std::string out;
    for (const std::string& read : reads) {
        uint32_t free = 0;
        char* space = buffer.GetWriteSpace(&free);
        EXPECT_GE(free, read.size());
        std::memcpy(space, read.data(), read.size());
        buffer.CommitWrite(uint32_t(read.size()));
        RecvRecord r;
        while (buffer.NextRecord(r))
            out += std::string(r.data, r.length) + (r.eolFound ? "|" : "+");
    }
    return out;
}

TEST(RecvBuffer, TerminatorRecordsAcrossReads)
{
    RecvBuffer b;
    ASSERT_EQ(b.Allocate(16), kResultOk);
    ASSERT_EQ(b.SetTerminator("\r\n", 2), kResultOk);
    EXPECT_EQ(Records(b, {"ab\r", "\ncd\r\nef", "\r\n"}), "ab|cd|ef|");
    // A full buffer without a terminator goes out whole, as a partial record.
    EXPECT_EQ(Records(b, {"0123456789abcdef", "x\r\n"}), "0123456789abcdef+x|");
}

TEST(RecvBuffer, LineModeTakesEitherEndAndSplitPairs)
{
    RecvBuffer b;
    ASSERT_EQ(b.Allocate(64), kResultOk);
    ASSERT_EQ(b.SetTerminator("\r\n", 2), kResultOk);
    b.SetLineMode(true);
    EXPECT_EQ(Records(b, {"a\nb\rc\r\nd\n\re\r", "\nf\n"}), "a|b|c|d|e|f|");
    EXPECT_EQ(Records(b, {"g\r", "\rh\n"}), "g||h|");
}

// Ends are searched 16 bytes at a time: a line end on either side of such a
// step, and in the bytes after the last whole step, is found where it is.
TEST(RecvBuffer, LongLinesEndWhereTheirEndIs)
{
    RecvBuffer b;
    ASSERT_EQ(b.Allocate(256), kResultOk);
    ASSERT_EQ(b.SetTerminator("\r\n", 2), kResultOk);
    b.SetLineMode(true);
    std::string reads, expected;
    for (int n : {15, 16, 17, 31, 32, 33, 40}) {
        reads += std::string(size_t(n), 'x') + (n % 2 ? "\r\n" : "\n");
        expected += std::string(size_t(n), 'x') + "|";
    }
    EXPECT_EQ(Records(b, {reads}), expected);
    b.SetLineMode(false);
    ASSERT_EQ(b.SetTerminator("\r\n.", 3), kResultOk);
    EXPECT_EQ(Records(b, {std::string(20, 'a') + "\r\n" + std::string(20, 'b') + "\r\n.", "x"}),
              std::string(20, 'a') + "\r\n" + std::string(20, 'b') + "|");
}

TEST(RecvBuffer, RawAndFixedLength)
{
    RecvBuffer b;
    ASSERT_EQ(b.Allocate(64), kResultOk);
    EXPECT_EQ(Records(b, {"abc", "de"}), "abc+de+");
    b.SetRecordLength(4);
    EXPECT_EQ(Records(b, {"ab", "cdef"}), "abcd|ef+");
}

// Storage that has grown takes large reads, and records still end at the
// record limit as they did when a read took no more than the limit: raw
// bytes in pieces of the limit, a record without its terminator within the
// limit (one that straddles it included) as a partial record of the limit,
// fixed-length records in pieces of the limit.
TEST(RecvBuffer, LargeReadsCutAtTheRecordLimit)
{
    RecvBuffer b;
    ASSERT_EQ(b.Allocate(16), kResultOk);
    EXPECT_EQ(b.StorageSize(), 16u);
    // Reads that fill their room grow the storage, doubling, up to a block.
    for (int i = 0; i < 20; ++i) {
        uint32_t free = 0;
        char* space = b.GetWriteSpace(&free);
        std::memset(space, 'z', free);
        b.CommitWrite(free);
        RecvRecord r;
        while (b.NextRecord(r))
            EXPECT_EQ(r.length, 16u);
    }
    EXPECT_EQ(b.StorageSize(), RecvBuffer::kReadBlock);
    EXPECT_EQ(b.Capacity(), 16u);

    std::string raw;
    for (int i = 0; i < 40; ++i)
        raw += char('a' + i % 26);
    EXPECT_EQ(Records(b, {raw}), raw.substr(0, 16) + "+" + raw.substr(16, 16) + "+" + raw.substr(32) + "+");

    ASSERT_EQ(b.SetTerminator("\r\n", 2), kResultOk);
    EXPECT_EQ(Records(b, {"0123456789abcdefgh\r\nxy\r\n"}), "0123456789abcdef+gh|xy|");
    EXPECT_EQ(Records(b, {"0123456789abcde\r\nxyz\r\n"}), "0123456789abcde\r+\nxyz|");
    b.SetLineMode(true);
    EXPECT_EQ(Records(b, {std::string(20, 'L') + "\nshort\r\n"}), std::string(16, 'L') + "+LLLL|short|");

    RecvBuffer f;
    ASSERT_EQ(f.Allocate(4), kResultOk);
    f.SetRecordLength(10);
    EXPECT_EQ(Records(f, {"ab", "cd", "efgh", "ijkl"}), "abcd+efgh+ij|kl+");
}

// Bytes taken raw (a firewall's reply) go back in front of what is still
// unread and are then cut by the terminator like everything else.
TEST(RecvBuffer, PutBackGoesInFrontOfUnreadBytes)
{
    RecvBuffer b;
    ASSERT_EQ(b.Allocate(16), kResultOk);
    ASSERT_EQ(b.SetTerminator("\n", 1), kResultOk);
    EXPECT_EQ(Records(b, {"x\nyz"}), "x|");
    const std::string back = "ab\nc";
    ASSERT_TRUE(b.PutBack(back.data(), uint32_t(back.size())));
    EXPECT_EQ(Records(b, {"\n"}), "ab|cyz|");
    EXPECT_EQ(Records(b, {"0123456789"}), "");
    EXPECT_FALSE(b.PutBack("abcdefg", 7)); // 10 of 16 bytes are held
    ASSERT_TRUE(b.PutBack("abcdef", 6));
    EXPECT_EQ(b.Pending(), 16u);
}

} // namespace
