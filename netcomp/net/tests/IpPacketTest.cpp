// The packet monitor's decoder on packets captured from a raw socket on the
// loopback (a TCP SYN from port 1025 to port 80, an ICMP port-unreachable),
// and on cut and lying headers, each read within the bytes received.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "netcomp/net/icmp/IpPacket.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kTcpSyn = {0x45, 0x00, 0x00, 0x3c, 0x60, 0x85, 0x40, 0x00, 0x40, 0x06, 0xdc, 0x34, 0x7f, 0x00, 0x00,
                       0x01, 0x7f, 0x00, 0x00, 0x01, 0x04, 0x01, 0x00, 0x50, 0xe1, 0x1a, 0xec, 0xa0, 0x00, 0x00,
                       0x00, 0x00, 0xa0, 0x02, 0xff, 0xd7, 0xfe, 0x30, 0x00, 0x00, 0x02, 0x04, 0xff, 0xd7, 0x04,
                       0x02, 0x08, 0x0a, 0x1d, 0x8c, 0x5b, 0xb2, 0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x03, 0x07};

// Type 3 code 3, from 127.0.0.1, with TOS 0xc0; quotes a UDP datagram.
const Bytes kPortUnreachable = {0x45, 0xc0, 0x00, 0x24, 0xe3, 0x26, 0x00, 0x00, 0x40, 0x01, 0x98, 0xcc,
                                0x7f, 0x00, 0x00, 0x01, 0x7f, 0x00, 0x00, 0x02, 0x03, 0x03, 0x74, 0xee,
                                0x00, 0x00, 0x00, 0x00, 0x45, 0x00, 0x00, 0x2c, 0xd9, 0xce, 0x40, 0x00};

ippacket::Header Decoded(const Bytes& packet)
{
    ippacket::Header h;
    EXPECT_TRUE(ippacket::Decode(packet.data(), packet.size(), h));
    return h;
}

TEST(IpPacket, ReadsEveryHeaderFieldOfCapturedPackets)
{
    const ippacket::Header tcp = Decoded(kTcpSyn);
    EXPECT_EQ(4, tcp.version);
    EXPECT_EQ(20, tcp.headerLength);
    EXPECT_EQ(60, tcp.totalLength);
    EXPECT_EQ(0x6085, tcp.id);
    EXPECT_EQ(2, tcp.flags) << "don't fragment";
    EXPECT_EQ(0, tcp.fragmentOffset);
    EXPECT_EQ(64, tcp.ttl);
    EXPECT_EQ(6, tcp.protocol);
    EXPECT_EQ(0xdc34, tcp.checksum);
    EXPECT_EQ("127.0.0.1", tcp.source);
    EXPECT_EQ("127.0.0.1", tcp.destination);
    EXPECT_EQ(1025, tcp.sourcePort);
    EXPECT_EQ(80, tcp.destinationPort);
    EXPECT_EQ(40u, tcp.payloadLength);
    EXPECT_EQ(kTcpSyn.data() + 20, tcp.payload);

    const ippacket::Header icmp = Decoded(kPortUnreachable);
    EXPECT_EQ(0xc0, icmp.tos);
    EXPECT_EQ(1, icmp.protocol);
    EXPECT_EQ("127.0.0.2", icmp.destination);
    EXPECT_EQ(0, icmp.sourcePort) << "ICMP has no ports";
    EXPECT_EQ(0, icmp.destinationPort);
    EXPECT_EQ(16u, icmp.payloadLength);

    Bytes fragment = kTcpSyn;
    fragment[6] = 0x3F; // more fragments, offset 0x1FFF
    fragment[7] = 0xFF;
    EXPECT_EQ(1, Decoded(fragment).flags);
    EXPECT_EQ(0x1FFF, Decoded(fragment).fragmentOffset);
}

TEST(IpPacket, ThePayloadStaysWithinTheBytesReceived)
{
    // A total length below the header's: no payload, no ports.
    Bytes shortTotal = kTcpSyn;
    shortTotal[2] = 0;
    shortTotal[3] = 12;
    EXPECT_EQ(0u, Decoded(shortTotal).payloadLength);
    EXPECT_EQ(0, Decoded(shortTotal).sourcePort);

    // A capture cut after 30 bytes of a 60-byte packet: the payload is what came.
    const Bytes cut(kTcpSyn.begin(), kTcpSyn.begin() + 30);
    EXPECT_EQ(10u, Decoded(cut).payloadLength);
    EXPECT_EQ(1025, Decoded(cut).sourcePort);

    // A header that claims 60 bytes in a 40-byte packet.
    Bytes longHeader(kTcpSyn.begin(), kTcpSyn.begin() + 40);
    longHeader[0] = 0x4F;
    EXPECT_EQ(0u, Decoded(longHeader).payloadLength);
    EXPECT_EQ(0, Decoded(longHeader).sourcePort);

    // Ports need four payload bytes: a cut UDP datagram has none to report.
    Bytes udp(kTcpSyn.begin(), kTcpSyn.begin() + 23);
    udp[9] = 17;
    EXPECT_EQ(3u, Decoded(udp).payloadLength);
    EXPECT_EQ(0, Decoded(udp).sourcePort);
    EXPECT_EQ(0, Decoded(udp).destinationPort);

    ippacket::Header h;
    EXPECT_FALSE(ippacket::Decode(kTcpSyn.data(), 19, h)) << "no whole header";
    EXPECT_FALSE(ippacket::Decode(nullptr, 40, h));
}

} // namespace
