#include "netcomp/net/icmp/IpPacket.h"

#include <algorithm>

namespace ippacket {

namespace {

int Word(const std::uint8_t* p)
{
    return int(p[0]) << 8 | int(p[1]);
}

std::string Dotted(const std::uint8_t* p)
{
    return std::to_string(p[0]) + "." + std::to_string(p[1]) + "." + std::to_string(p[2]) + "." + std::to_string(p[3]);
}

} // namespace

bool Decode(const std::uint8_t* data, std::size_t length, Header& out)
{
    out = Header();
    if (!data || length < kMinHeader)
        return false;
    out.version = data[0] >> 4;
    out.headerLength = (data[0] & 0x0F) * 4;
    out.tos = data[1];
    out.totalLength = Word(data + 2);
    out.id = Word(data + 4);
    out.flags = data[6] >> 5;
    out.fragmentOffset = Word(data + 6) & 0x1FFF;
    out.ttl = data[8];
    out.protocol = data[9];
    out.checksum = Word(data + 10);
    out.source = Dotted(data + 12);
    out.destination = Dotted(data + 16);

    const std::size_t start = std::size_t(out.headerLength);
    if (out.totalLength > out.headerLength && start <= length) {
        out.payload = data + start;
        out.payloadLength = std::min(std::size_t(out.totalLength - out.headerLength), length - start);
    }
    if ((out.protocol == kTcp || out.protocol == kUdp) && out.payloadLength >= 4) {
        out.sourcePort = Word(out.payload);
        out.destinationPort = Word(out.payload + 2);
    }
    return true;
}

} // namespace ippacket
