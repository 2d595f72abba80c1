#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "netcomp/core/crypto/CpuFeatures.h"
#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/crypto/Sha1.h"

namespace {

std::string Hex(const unsigned char* digest, size_t n)
{
    NetString s;
    EXPECT_EQ(s.AppendHexBytes(digest, uint32_t(n)), kResultOk);
    return s.CStr();
}

std::string Sha1Hex(const std::string& data)
{
    Sha1 sha;
    EXPECT_FALSE(sha.Update(data.data(), data.size()));
    return Hex(sha.Final(), 20);
}

std::string Md5HexOf(const std::string& data)
{
    NetString s;
    EXPECT_EQ(Md5Hex(data.data(), data.size(), s), kResultOk);
    return s.CStr();
}

TEST(Md5, Rfc1321TestSuite)
{
    const struct {
        const char* in;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Md5HexOf(c.in), c.digest) << c.in;
}

TEST(Md5, HexOfPairJoinsWithColon)
{
    NetString out("HA1=");
    ASSERT_EQ(Md5HexOfPair("user", 4, "pass", 4, out), kResultOk);
    EXPECT_EQ(std::string(out.CStr()), "HA1=" + Md5HexOf("user:pass"));
}

TEST(Sha1, Fips180Vectors)
{
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    Sha1 million;
    const std::string chunk(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(million.Update(chunk.data(), chunk.size()));
    EXPECT_EQ(Hex(million.Final(), 20), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, FinalIsStableAndLateInputIsRefused)
{
    Sha1 sha;
    ASSERT_FALSE(sha.Update("abc", 3));
    const std::string first = Hex(sha.Final(), 20);
    EXPECT_EQ(Hex(sha.Final(), 20), first);
    EXPECT_FALSE(sha.Update("", 0));
    EXPECT_TRUE(sha.Update("x", 1));
    EXPECT_EQ(sha.Final(), nullptr);
    sha.Init();
    ASSERT_FALSE(sha.Update("abc", 3));
    EXPECT_EQ(Hex(sha.Final(), 20), first);
}

// Lengths around the 56- and 64-byte edges, where padding needs a second block;
// fed whole and in odd pieces.
TEST(Hashes, BlockEdgeLengths)
{
    const struct {
        size_t n;
        const char* md5;
        const char* sha1;
    } cases[] = {
        {55, "52c0e574e1198de5fe3f8f11440dcb1b", "ddf57317ef34bfee3b6df83d359098930eb278bc"},
        {56, "46c9907fc908ee68b1e7b8e71286a518", "a0d492bb0fc889d0eca3bc137066ab6f4f74f369"},
        {57, "1c805dd236c35cab25fcb1bc73802c51", "11a02dcf95859677a62e75024067c22b165d890f"},
        {63, "a62f6d59e837867693f042f5b8f5a236", "c55856749bef509bdfe6bfebfc7bf4e793e82132"},
        {64, "7160b8fb5e9e4023d549c3971fbaeead", "bede92be29c3874e1b54ddc77988d606fc857a8e"},
        {65, "70bd662e7aefbda85a0f7244167b7897", "b05a80522b053d6dc7e0a517d0e70212c7dad11f"},
        {119, "e84905d4214f4d1ca56c2cdcc152b143", "504e27376a6e0f0dba8295b85cb25dc4dfa17d23"},
        {120, "e3eb5a6c8669ea01a8c185b8abc8a5dc", "82134b02fb3f702491be9bed581eeab59334acb2"},
        {128, "10b2da1a82f16d99a81a7203fe9f02cb", "a09133e6730ffe899efb70204cb5646cd5dc24ee"},
    };
    for (const auto& c : cases) {
        std::string data;
        for (size_t i = 0; i < c.n; ++i)
            data += char((i * 7 + 3) & 0xff);
        EXPECT_EQ(Md5HexOf(data), c.md5) << c.n;
        EXPECT_EQ(Sha1Hex(data), c.sha1) << c.n;
        Md5 md5;
        Sha1 sha;
        for (size_t at = 0, step = 1; at < c.n; at += step, step = step * 2 + 1) {
            const size_t take = std::min(step, c.n - at);
            md5.Update(data.data() + at, take);
            sha.Update(data.data() + at, take);
        }
        EXPECT_EQ(Hex(md5.Final(), 16), c.md5) << c.n;
        EXPECT_EQ(Hex(sha.Final(), 20), c.sha1) << c.n;
    }
}

// The portable block code gives the same digests as the SHA instructions
// (or, where the processor lacks them, as the standard's vectors) for every
// length around the block edges, whole and split at any point.
TEST(Sha1, PortableCodeMatchesTheInstructions)
{
    std::string data;
    for (int i = 0; i < 700; ++i)
        data += char((i * 37 + 11) & 0xff);
    auto digest = [&](size_t n, size_t split, bool extensions) {
        AllowShaExtensions(extensions);
        Sha1 sha;
        sha.Update(data.data(), split);
        sha.Update(data.data() + split, n - split);
        const std::string hex = Hex(sha.Final(), 20);
        AllowShaExtensions(true);
        return hex;
    };
    for (size_t n : {0, 1, 55, 56, 63, 64, 65, 127, 128, 129, 191, 192, 640, 700}) {
        for (size_t split : {size_t(0), n / 3, n / 2 + 1, n}) {
            split = std::min(split, n);
            EXPECT_EQ(digest(n, split, false), digest(n, split, true)) << n << " " << split;
        }
    }
    AllowShaExtensions(false);
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    AllowShaExtensions(true);
}

} // namespace
