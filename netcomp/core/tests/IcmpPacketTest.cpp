#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/core/icmp/IpInfoFormat.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(IcmpPacket, ChecksumAndMessageLayout)
{
    // RFC 1071's worked example: 00 01 f2 03 f4 f5 f6 f7 sums to ddf2.
    Bytes rfc = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    std::uint16_t sum = icmp::InternetChecksum(rfc.data(), rfc.size());
    std::uint8_t stored[2];
    std::memcpy(stored, &sum, 2);
    EXPECT_EQ(0x22, stored[0]); // ~0xddf2 = 0x220d, in memory order
    EXPECT_EQ(0x0d, stored[1]);

    // An echo request of "abc" (odd length): type, code, checksum, data, and
    // the checksum verifies to zero over the whole message.
    Bytes data = {'a', 'b', 'c'};
    Bytes message = icmp::BuildMessage(icmp::kEchoRequest, 0, data.data(), data.size());
    ASSERT_EQ(7u, message.size());
    EXPECT_EQ(8, message[0]);
    EXPECT_EQ(0, message[1]);
    EXPECT_EQ(Bytes({'a', 'b', 'c'}), Bytes(message.begin() + 4, message.end()));
    EXPECT_EQ(0, icmp::InternetChecksum(message.data(), message.size()));

    icmp::Message parsed;
    ASSERT_TRUE(icmp::ParseMessage(message.data(), message.size(), parsed));
    EXPECT_TRUE(parsed.checksumOk);
    EXPECT_EQ(3u, parsed.length);
    message[5] ^= 1;
    ASSERT_TRUE(icmp::ParseMessage(message.data(), message.size(), parsed));
    EXPECT_FALSE(parsed.checksumOk);
    EXPECT_FALSE(icmp::ParseMessage(message.data(), 3, parsed));

    // The IPv4 header is stripped only when it can be one.
    Bytes withIp(28, 0);
    withIp[0] = 0x45;
    EXPECT_EQ(20u, icmp::IcmpOffset(withIp.data(), withIp.size()));
    EXPECT_EQ(0u, icmp::IcmpOffset(withIp.data(), 19));
    withIp[0] = 0x46; // options present: left alone
    EXPECT_EQ(0u, icmp::IcmpOffset(withIp.data(), withIp.size()));
}

TEST(IcmpPacket, PingPayloadAlwaysHoldsItsStamp)
{
    struct Case {
        int packetSize;
        std::size_t payload;
    } cases[] = {{64, 60}, {12, 8}, {11, 8}, {8, 8}, {4, 8}, {13, 9}};
    for (const Case& c : cases) {
        Bytes payload = icmp::BuildPingPayload(c.packetSize, 0x01020304, 0xA0B0C0D0);
        ASSERT_EQ(c.payload, payload.size()) << c.packetSize;
        EXPECT_EQ(0x01020304u, icmp::ReadStamp(payload.data(), 0));
        EXPECT_EQ(0xA0B0C0D0u, icmp::ReadStamp(payload.data(), 4));
        for (std::size_t i = 8; i < payload.size(); ++i) {
            EXPECT_EQ('*', payload[i]);
        }
    }
}

icmp::Message View(std::uint8_t type, std::uint8_t code, const Bytes& data)
{
    icmp::Message m;
    m.type = type;
    m.code = code;
    m.data = data.data();
    m.length = data.size();
    return m;
}

TEST(IcmpPacket, RepliesAreMatchedToTheRequest)
{
    const std::uint32_t id = 0x12345678;
    Bytes echo = icmp::BuildPingPayload(64, id, 1);
    Bytes otherEcho = icmp::BuildPingPayload(64, id + 1, 1);
    Bytes unreachable(40, 0);
    std::memcpy(unreachable.data() + 28, &id, 4);
    Bytes shortUnreachable(31, 0);

    struct Case {
        const char* name;
        icmp::Message message;
        bool dll;
        bool checkId;
        icmp::ReplyKind kind;
        int code;
    } cases[] = {
        {"echo", View(0, 0, echo), false, true, icmp::ReplyKind::Echo, -1},
        {"other id while waiting", View(0, 0, otherEcho), false, true, icmp::ReplyKind::Ignore, -1},
        {"other id, nobody waits", View(0, 0, otherEcho), false, false, icmp::ReplyKind::Echo, -1},
        {"short echo", View(0, 0, Bytes(7, 0)), false, false, icmp::ReplyKind::Ignore, -1},
        {"own request seen on loopback", View(8, 0, echo), false, true, icmp::ReplyKind::Ignore, -1},
        {"icmp.dll echo typed 8", View(8, 0, echo), true, true, icmp::ReplyKind::Echo, -1},
        {"unreachable", View(3, 13, unreachable), false, true, icmp::ReplyKind::Unreachable, 13},
        {"short unreachable", View(3, 1, shortUnreachable), false, false, icmp::ReplyKind::Ignore, -1},
        {"icmp.dll unreachable", View(3, 1, Bytes()), true, true, icmp::ReplyKind::Unreachable, 1},
        {"time exceeded", View(11, 0, unreachable), false, true, icmp::ReplyKind::Ignore, -1},
    };
    for (const Case& c : cases) {
        icmp::Reply reply = icmp::ClassifyPingReply(c.message, c.dll, c.checkId, id);
        EXPECT_EQ(c.kind, reply.kind) << c.name;
        EXPECT_EQ(c.code, reply.unreachableCode) << c.name;
    }
}

TEST(IcmpPacket, UnreachableTextsAndIcmpDllStatuses)
{
    EXPECT_EQ("Network unreachable.", icmp::UnreachableText(0));
    EXPECT_EQ("Port unreachable.", icmp::UnreachableText(3));
    EXPECT_EQ("Host unreachable for this type of service.", icmp::UnreachableText(12));
    EXPECT_EQ("Destination unreachable: 13", icmp::UnreachableText(13));

    struct Case {
        unsigned long status;
        int type, code;
    } cases[] = {{0, 0, 0},     {11002, 3, 0}, {11003, 3, 1},  {11004, 3, 2},
                 {11005, 3, 3}, {11010, 0, 0}, {11013, 11, 0}, {11014, 11, 1}};
    for (const Case& c : cases) {
        icmp::DllStatus s = icmp::MapIcmpDllStatus(c.status);
        EXPECT_EQ(c.type, s.type) << c.status;
        EXPECT_EQ(c.code, s.code) << c.status;
    }
}

TEST(IcmpPacket, MacAddressesAndWakeOnLan)
{
    const std::uint8_t expected[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    for (const char* text : {"00-11-22-33-44-55", "001122334455", "00:11:22:33:44:55", " 0011.2233.4455 "}) {
        std::uint8_t mac[6] = {};
        ASSERT_TRUE(icmp::ParseMacAddress(text, mac)) << text;
        EXPECT_EQ(0, std::memcmp(expected, mac, 6)) << text;
    }
    std::uint8_t upper[6];
    ASSERT_TRUE(icmp::ParseMacAddress("AA-bb-CC-dd-EE-ff", upper));
    EXPECT_EQ(0xAA, upper[0]);
    EXPECT_EQ(0xFF, upper[5]);
    for (const char* bad : {"0011223344", "", "00112233445566", "zz-zz"}) {
        std::uint8_t mac[6];
        EXPECT_FALSE(icmp::ParseMacAddress(bad, mac)) << bad;
    }

    Bytes pattern = icmp::WakeOnLanPattern(expected);
    ASSERT_EQ(icmp::kWakeOnLanSize, pattern.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(0xFF, pattern[i]);
    }
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(0, std::memcmp(expected, pattern.data() + 6 + r * 6, 6)) << r;
    }
}

TEST(IpInfoFormat, AnswerTexts)
{
    EXPECT_EQ("03/05/2024 07:08:09", ipinfo::FormatLeaseTime({2024, 3, 5, 7, 8, 9}));
    const std::uint8_t hw[6] = {0x00, 0x0c, 0x29, 0x3a, 0x4b, 0x5c};
    EXPECT_EQ("00-0c-29-3a-4b-5c", ipinfo::FormatHardwareAddress(hw, 6));
    EXPECT_EQ("", ipinfo::FormatHardwareAddress(hw, 0));
    EXPECT_EQ("ETHERNET", ipinfo::AdapterTypeName(6));
    EXPECT_EQ("LOOPBACK", ipinfo::AdapterTypeName(24));
    EXPECT_EQ("", ipinfo::AdapterTypeName(71));
    EXPECT_EQ("HYBRID", ipinfo::NodeTypeName(8));
    EXPECT_EQ("", ipinfo::NodeTypeName(3));
    EXPECT_EQ("a b c", ipinfo::JoinWithBlanks({"a", "b", "c"}));
    EXPECT_EQ("a b", ipinfo::JoinWithBlanks({"a", "b", "c"}, 3));
    EXPECT_EQ("", ipinfo::JoinWithBlanks({}));
    const std::uint8_t loop[4] = {127, 0, 0, 1};
    EXPECT_EQ("127.0.0.1", DottedAddress(loop));
}

} // namespace
