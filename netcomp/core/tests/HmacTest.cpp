#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/crypto/CramMd5.h"
#include "netcomp/core/crypto/Hmac.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

std::string Hex(const unsigned char* digest, size_t n)
{
    if (!digest)
        return "(refused)";
    NetString s;
    EXPECT_EQ(s.AppendHexBytes(digest, uint32_t(n)), kResultOk);
    return s.CStr();
}

// RFC 2202 (cases 1-7, with RFC 2104's first two) and one key of exactly one
// block; the SHA-1 cases with 16-byte keys use 20 bytes, as RFC 2202 does.
TEST(Hmac, PublishedVectors)
{
    const struct {
        std::string key;
        std::string data;
        const char* md5;
        const char* sha1;
    } cases[] = {
        {std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d",
         "b617318655057264e28bc0b6fb378c8ef146be00"},
        {"Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738",
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::string(16, '\xaa'), std::string(50, '\xdd'), "56be34521d144c88dbb8c733f0e8b3f6",
         "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19",
         std::string(50, '\xcd'), "697eaf0aca3a3aea3a75164746ffaa79", "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {std::string(16, '\x0c'), "Test With Truncation", "56461ef2342edc00f9bab995690efd4c",
         "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd", "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
         "6f630fad67cda0ee1fb1f562db3aa53e", "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    HmacMd5 md5;
    HmacSha1 sha1;
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(md5.Digest(c.key.data(), c.key.size(), c.data.data(), c.data.size()), 16), c.md5) << c.data;
        const std::string shaKey = c.key.size() == 16 ? std::string(20, c.key[0]) : c.key;
        EXPECT_EQ(Hex(sha1.Digest(shaKey.data(), shaKey.size(), c.data.data(), c.data.size()), 20), c.sha1) << c.data;
    }
    std::string block;
    for (int i = 0; i < 64; ++i)
        block += char(i);
    const std::string sample = "Sample message for keylen=blocklen";
    EXPECT_EQ(Hex(md5.Digest(block.data(), 64, sample.data(), sample.size()), 16), "fdec0f1ba4d1af508bbab18ff0a32108");
    EXPECT_EQ(Hex(sha1.Digest(block.data(), 64, sample.data(), sample.size()), 20),
              "5fd596ee78d5553c8ff4e72d266dfd192366da29");
}

// A zero range gives the HMAC of a copy with those bytes cleared; a range
// that runs past the end, however it is made to wrap, is refused.
TEST(Hmac, ZeroRange)
{
    std::string message;
    for (int i = 0; i < 150; ++i)
        message += char(i * 7 + 1);
    const std::string key = "maplesyrup";
    HmacMd5 md5;
    HmacSha1 sha1;
    const struct {
        size_t start, length;
    } ranges[] = {{0, 12}, {40, 12}, {138, 12}, {10, 100}, {0, 150}};
    for (const auto& r : ranges) {
        std::string cleared = message;
        cleared.replace(r.start, r.length, std::string(r.length, '\0'));
        EXPECT_EQ(Hex(md5.Digest(key.data(), key.size(), message.data(), message.size(), r.start, r.length), 16),
                  Hex(md5.Digest(key.data(), key.size(), cleared.data(), cleared.size()), 16))
            << r.start;
        EXPECT_EQ(Hex(sha1.Digest(key.data(), key.size(), message.data(), message.size(), r.start, r.length), 20),
                  Hex(sha1.Digest(key.data(), key.size(), cleared.data(), cleared.size()), 20))
            << r.start;
    }
    EXPECT_EQ(md5.Digest(key.data(), key.size(), message.data(), message.size(), 139, 12), nullptr);
    EXPECT_EQ(md5.Digest(key.data(), key.size(), message.data(), message.size(), 151, 1), nullptr);
    EXPECT_EQ(sha1.Digest(key.data(), key.size(), message.data(), message.size(), 12, SIZE_MAX - 4), nullptr);
    EXPECT_EQ(sha1.Digest(key.data(), key.size(), message.data(), message.size(), SIZE_MAX, 2), nullptr);
    EXPECT_NE(md5.Digest(key.data(), key.size(), message.data(), message.size(), 500, 0), nullptr);
}

TEST(CramMd5, Rfc2195ExampleAndEmptyParts)
{
    CramMd5 cram;
    EXPECT_STREQ(cram.Response("PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+", "tim", "tanstaaftanstaaf"),
                 "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw");
    // Empty challenge: the HMAC of the empty message; empty user: a leading blank.
    EXPECT_STREQ(cram.Response(nullptr, nullptr, "pw"), "IDgwZmVjMjliNDFjNTE1NmVhNDAxMDdiMmNjMGVkNWM2");
    EXPECT_STREQ(cram.Response("", "", "pw"), "IDgwZmVjMjliNDFjNTE1NmVhNDAxMDdiMmNjMGVkNWM2");
}

} // namespace
