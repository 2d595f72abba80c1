// Keys, signatures and clocks of the user-based security model, checked with
// the vectors of RFC 3414 and with messages that net-snmp 5.9.3 (snmpget and
// snmpd) exchanged on the loopback for the users md5user and shauser, whose
// password is "authpass123".
#include <gtest/gtest.h>

#include <string>

#include "netcomp/net/snmp/SnmpMessage.h"
#include "netcomp/net/snmp/SnmpUsm.h"
#include "netcomp/net/tests/SnmpTestBytes.h"

namespace {

const std::string kNetSnmpEngine = Unhex("80001f8880cd90402c2f43166b00000000");

// An authenticated GetRequest from snmpget and snmpd's Response, each user.
const char* const kSignedMessages[][2] = {
    {"3081820201033011020473ee928e020300ffe304010502010304353033041180001f8880cd90402c2f43166b000000000201010202009004"
     "0773686175736572040c5ba55b77895cfb6ca957e3f704003033041180001f8880cd90402c2f43166b000000000400a01c0204035206bd02"
     "0100020100300e300c06082b060102010105000500",
     "30818f0201033011020473ee928e020300ffe304010102010304353033041180001f8880cd90402c2f43166b000000000201010202009004"
     "0773686175736572040ca0f38dd4c6925fcedecbd83304003040041180001f8880cd90402c2f43166b000000000400a2290204035206bd02"
     "0100020100301b301906082b06010201010500040d6b65732d736e6d702d70656572"},
    {"3081820201033011020415c34aaa020300ffe304010502010304353033041180001f8880cd90402c2f43166b000000000201010202009104"
     "076d643575736572040c4751339fd89a5f8073b99cb804003033041180001f8880cd90402c2f43166b000000000400a01c020411d458e202"
     "0100020100300e300c06082b060102010105000500",
     "30818f0201033011020415c34aaa020300ffe304010102010304353033041180001f8880cd90402c2f43166b000000000201010202009104"
     "076d643575736572040c663c6db7146877ff8e2a919c04003040041180001f8880cd90402c2f43166b000000000400a229020411d458e202"
     "0100020100301b301906082b06010201010500040d6b65732d736e6d702d70656572"},
};

TEST(SnmpUsm, LocalizedKeys)
{
    // RFC 3414, A.3.1 and A.3.2.
    const std::string engine = Unhex("000000000000000000000002");
    EXPECT_EQ(Hex(LocalizeSnmpKey(kSnmpAuthMd5, "maplesyrup", engine)), "526f5eed9fcce26f8964c2930787d82b");
    EXPECT_EQ(Hex(LocalizeSnmpKey(kSnmpAuthSha1, "maplesyrup", engine)), "6695febc9288e36282235fc7151f128497b38f3f");
    EXPECT_EQ(LocalizeSnmpKey(kSnmpAuthSha1, "", engine), "");
    EXPECT_EQ(LocalizeSnmpKey(kSnmpAuthSha1, "maplesyrup", ""), "");
    EXPECT_EQ(LocalizeSnmpKey(3, "maplesyrup", engine), "");
    // A password that does not divide 64 bytes evenly, and one longer than 64.
    SnmpKeyCache cache;
    const std::string a = cache.Key(kSnmpAuthMd5, "authpass123", kNetSnmpEngine);
    EXPECT_EQ(a, LocalizeSnmpKey(kSnmpAuthMd5, "authpass123", kNetSnmpEngine));
    const std::string longPassword(70, 'p');
    EXPECT_EQ(cache.Key(kSnmpAuthSha1, longPassword, engine), LocalizeSnmpKey(kSnmpAuthSha1, longPassword, engine));
    const std::string other = cache.Key(kSnmpAuthMd5, "authpass123", engine);
    EXPECT_NE(other, a);
    EXPECT_EQ(other, LocalizeSnmpKey(kSnmpAuthMd5, "authpass123", engine));
    for (int i = 0; i < 12; ++i) // more users than the cache holds
        EXPECT_EQ(cache.Key(kSnmpAuthMd5, "pw" + std::to_string(i % 10), engine).size(), 16u);
    EXPECT_EQ(cache.Key(kSnmpAuthMd5, "authpass123", kNetSnmpEngine), a);
}

TEST(SnmpUsm, ChecksAndSignsNetSnmpMessages)
{
    const int protocols[] = {kSnmpAuthSha1, kSnmpAuthMd5};
    for (int user = 0; user < 2; ++user) {
        const std::string key = LocalizeSnmpKey(protocols[user], "authpass123", kNetSnmpEngine);
        for (const char* hex : kSignedMessages[user]) {
            std::string bytes = Unhex(hex);
            SnmpMessage m;
            SnmpBindings b;
            uint32_t at = 0;
            ASSERT_EQ(ParseSnmpMessage(bytes.data(), uint32_t(bytes.size()), m, b, &at), 0);
            EXPECT_EQ(bytes.substr(at, 12), m.authParams);
            EXPECT_TRUE(CheckSnmpSignature(protocols[user], key, bytes.data(), bytes.size(), at)) << hex;
            EXPECT_FALSE(CheckSnmpSignature(protocols[1 - user], key, bytes.data(), bytes.size(), at));
            const std::string other = LocalizeSnmpKey(protocols[user], "authpass124", kNetSnmpEngine);
            EXPECT_FALSE(CheckSnmpSignature(protocols[user], other, bytes.data(), bytes.size(), at));
            // Signing again in place gives net-snmp's signature back.
            const std::string signature = bytes.substr(at, 12);
            bytes.replace(at, 12, 12, '\0');
            ASSERT_EQ(SignSnmpMessage(protocols[user], key, bytes.data(), bytes.size(), at), 0);
            EXPECT_EQ(Hex(bytes.substr(at, 12)), Hex(signature));
            bytes[bytes.size() - 1] ^= 1;
            EXPECT_FALSE(CheckSnmpSignature(protocols[user], key, bytes.data(), bytes.size(), at));
        }
    }
    char small[20] = {};
    EXPECT_EQ(SignSnmpMessage(kSnmpAuthMd5, "k", small, sizeof small, 9), kSnmpSignNoField);
    EXPECT_EQ(SignSnmpMessage(7, "k", small, sizeof small, 0), kSnmpSignUnknownProtocol);
    EXPECT_FALSE(CheckSnmpSignature(kSnmpAuthMd5, "k", small, sizeof small, 9));
}

// The signature goes where the authentication parameters are, even when an
// earlier field holds a run of twelve zero bytes.
TEST(SnmpUsm, SignsTheAuthenticationFieldNotTheFirstZeros)
{
    SnmpMessage m;
    m.version = kSnmpWireV3;
    m.msgId = 7;
    m.msgMaxSize = 16384;
    m.msgFlags = kSnmpFlagAuth | kSnmpFlagReportable;
    m.engineId = std::string(14, '\0') + "x";
    m.engineBoots = 1;
    m.engineTime = 200;
    m.user = std::string("u\0\0\0\0\0\0\0\0\0\0\0\0\0", 14);
    m.authParams = std::string(12, '\0');
    m.contextEngineId = m.engineId;
    m.pduType = kSnmpGetRequest;
    m.requestId = 9;
    SnmpBindings bindings;
    ASSERT_EQ(bindings.SetCount(1), 0);
    bindings.At(0) = {"1.3.6.1.2.1.1.5.0", "", 5};
    BerCodec pdu, whole;
    uint32_t at = 0;
    ASSERT_EQ(BuildSnmpPdu(m, bindings, pdu), 0);
    ASSERT_EQ(BuildSnmpMessage(m, pdu, whole, &at), 0);
    std::string bytes(whole.Buffer().Data(), whole.Buffer().Length());
    const std::string key = LocalizeSnmpKey(kSnmpAuthSha1, "authpass123", m.engineId);
    ASSERT_EQ(SignSnmpMessage(kSnmpAuthSha1, key, bytes.data(), bytes.size(), at), 0);
    EXPECT_NE(bytes.find(m.engineId), std::string::npos); // the engine identifier's zeros are untouched
    EXPECT_NE(bytes.find(m.user), std::string::npos);
    SnmpMessage back;
    uint32_t backAt = 0;
    ASSERT_EQ(ParseSnmpMessage(bytes.data(), uint32_t(bytes.size()), back, bindings, &backAt), 0);
    EXPECT_EQ(backAt, at);
    EXPECT_NE(back.authParams, std::string(12, '\0'));
    EXPECT_TRUE(CheckSnmpSignature(kSnmpAuthSha1, key, bytes.data(), bytes.size(), at));
}

TEST(SnmpUsm, RemoteClockAdvancesWithTheLocalOne)
{
    SnmpRemoteClock clock;
    EXPECT_FALSE(clock.Known());
    EXPECT_EQ(clock.Boots(1000) + clock.Time(1000), 0u);
    // Unknown, a message is measured against boots 0 and time 0.
    EXPECT_EQ(clock.Distance(0, 120, 5000), 120);
    clock.Learn(3, 4000000000u, 1000);
    EXPECT_EQ(clock.Boots(1000), 3u);
    EXPECT_EQ(clock.Time(1100), 4000000100u);
    EXPECT_EQ(clock.Distance(3, 4000000150u, 1100), 50);
    EXPECT_EQ(clock.Distance(3, 4000000000u, 1100), -100);
    EXPECT_EQ(clock.Distance(4, 0, 1000), 294967296);
    // The time runs over into the boots rather than back to 0.
    EXPECT_EQ(clock.Boots(1000 + 294967296), 4u);
    clock.Learn(0, 0, 50);
    EXPECT_TRUE(clock.Known());
    EXPECT_EQ(clock.Boots(60), 1u);
    EXPECT_EQ(clock.Time(60), 10u);
    clock.Forget();
    EXPECT_EQ(clock.Time(60), 0u);
}

} // namespace
