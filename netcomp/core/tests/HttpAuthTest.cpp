#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/web/HttpAuth.h"
#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

const char* kChallenge = "Digest realm=\"testrealm@host.com\", qop=\"auth\", "
                         "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"";

DigestRequest Mufasa()
{
    DigestRequest r;
    r.user = "Mufasa";
    r.password = "Circle Of Life";
    r.method = "GET";
    r.uri = "/dir/index.html";
    return r;
}

std::string Build(DigestState& state, const DigestRequest& r)
{
    NetString out;
    const char* error = nullptr;
    EXPECT_EQ(BuildDigestAuthorization(state, r, out, &error), kResultOk);
    return out.CStr();
}

TEST(HttpAuth, DigestAnswersTheRfcExampleAndCountsTheNonce)
{
    DigestState state;
    bool digest = false;
    ASSERT_EQ(ReadDigestChallenge(kChallenge, 0x3b114f0a, state, &digest), kResultOk);
    ASSERT_TRUE(digest);
    EXPECT_STREQ(state.cnonce.CStr(), "0a4f113b");
    EXPECT_STREQ(state.algorithm.CStr(), "md5");
    EXPECT_EQ(Build(state, Mufasa()),
              "Digest username=\"Mufasa\", realm=\"testrealm@host.com\", "
              "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", uri=\"/dir/index.html\", algorithm=\"md5\", "
              "qop=\"auth\", nc=\"00000001\", cnonce=\"0a4f113b\", response=\"6629fae49393a05397450978507c4ef1\", "
              "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"");
    EXPECT_NE(Build(state, Mufasa()).find("nc=\"00000002\""), std::string::npos);
}

TEST(HttpAuth, ChallengeVariants)
{
    DigestState state;
    bool digest = true;
    ASSERT_EQ(ReadDigestChallenge("Basic realm=\"x\"", 1, state, &digest), kResultOk);
    EXPECT_FALSE(digest);

    // Both qop values offered: auth-int wins, and the body's digest enters A2.
    ASSERT_EQ(
        ReadDigestChallenge("digest qop=\"auth,auth-int\",realm=r,nonce=\"n\",algorithm=MD5-sess", 0, state, &digest),
        kResultOk);
    EXPECT_STREQ(state.qop.CStr(), "auth-int");
    EXPECT_STREQ(state.realm.CStr(), "r");
    EXPECT_STREQ(state.algorithm.CStr(), "MD5-sess");
    DigestRequest r = Mufasa();
    NetString withEmpty;
    ASSERT_EQ(DigestResponse(state, r, withEmpty), kResultOk);
    r.body = "x";
    r.bodyLength = 1;
    NetString withBody;
    ASSERT_EQ(DigestResponse(state, r, withBody), kResultOk);
    EXPECT_NE(std::string(withEmpty.CStr()), withBody.CStr());

    // No qop: no qop, nc or cnonce in the header; response = H(H(A1):nonce:H(A2)).
    ASSERT_EQ(ReadDigestChallenge("Digest realm=\"r\", nonce=\"abc\"", 0, state, &digest), kResultOk);
    const std::string header = Build(state, Mufasa());
    EXPECT_EQ(header.find("qop="), std::string::npos);
    EXPECT_EQ(header.find("cnonce="), std::string::npos);
    NetString ha1, ha2, middle, expected;
    ASSERT_EQ(Md5Hex("Mufasa:r:Circle Of Life", 23, ha1), kResultOk);
    ASSERT_EQ(Md5Hex("GET:/dir/index.html", 19, ha2), kResultOk);
    ASSERT_EQ(middle.AppendCStr("abc:"), kResultOk);
    ASSERT_EQ(middle.AppendCStr(ha2.CStr()), kResultOk);
    ASSERT_EQ(Md5HexOfPair(ha1.CStr(), 32, middle.CStr(), middle.Length(), expected), kResultOk);
    EXPECT_NE(header.find(std::string("response=\"") + expected.CStr() + "\""), std::string::npos);

    // An unknown qop is refused when the header is built.
    ASSERT_EQ(ReadDigestChallenge("Digest nonce=\"n\", qop=\"other\"", 0, state, &digest), kResultOk);
    NetString out;
    const char* error = nullptr;
    EXPECT_EQ(BuildDigestAuthorization(state, Mufasa(), out, &error), 151);
    EXPECT_STREQ(error, "Digest authentication error: unknown qop value.");

    // Nothing to answer without a nonce or a user.
    ResetDigest(state);
    EXPECT_EQ(Build(state, Mufasa()), "");
}

TEST(HttpAuth, Basic)
{
    NetString out;
    ASSERT_EQ(BuildBasicAuthorization("Aladdin", "open sesame", out), kResultOk);
    EXPECT_STREQ(out.CStr(), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    ASSERT_EQ(BuildBasicAuthorization("", "", out), kResultOk);
    EXPECT_STREQ(out.CStr(), "");
}

} // namespace
