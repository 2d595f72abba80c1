// Captured packets as the packet monitor receives them: every field and the
// payload must be read from within the bytes received.
#include "netcomp/net/icmp/IpPacket.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the received length, so a read past it is caught.
    std::vector<std::uint8_t> packet(data, data + size);
    ippacket::Header h;
    if (!ippacket::Decode(packet.data(), packet.size(), h))
        return 0;
    volatile std::uint8_t sum = 0;
    for (std::size_t i = 0; i < h.payloadLength; ++i)
        sum = std::uint8_t(sum + h.payload[i]);
    if (h.payloadLength != 0 && (h.payload < packet.data() || h.payload + h.payloadLength > packet.data() + size))
        __builtin_trap();
    return 0;
}
