// Raw socket input as the ICMP engine receives it: optional IPv4 header, ICMP
// message, reply matching for both receive paths.
#include "netcomp/core/icmp/IcmpPacket.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t offset = icmp::IcmpOffset(data, size);
    icmp::Message message;
    if (!icmp::ParseMessage(data + offset, size - offset, message)) {
        return 0;
    }
    std::uint32_t id = size >= 4 ? icmp::ReadStamp(data, 0) : 0;
    for (bool dll : {false, true}) {
        for (bool check : {false, true}) {
            icmp::Reply reply = icmp::ClassifyPingReply(message, dll, check, id);
            if (reply.kind == icmp::ReplyKind::Unreachable) {
                (void)icmp::UnreachableText(reply.unreachableCode);
            }
        }
    }
    return 0;
}
