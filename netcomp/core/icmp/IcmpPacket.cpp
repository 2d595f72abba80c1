#include "netcomp/core/icmp/IcmpPacket.h"

#include <cstring>

namespace icmp {

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    // Words are summed in memory order; the result is stored the same way,
    // which makes the sum independent of the host's byte order.
    for (; i + 1 < length; i += 2) {
        std::uint16_t word;
        std::memcpy(&word, data + i, 2);
        sum += word;
    }
    if (i < length) {
        std::uint8_t last[2] = {data[i], 0};
        std::uint16_t word;
        std::memcpy(&word, last, 2);
        sum += word;
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<std::uint8_t> BuildMessage(std::uint8_t type, std::uint8_t code, const std::uint8_t* data,
                                       std::size_t length)
{
    std::vector<std::uint8_t> message(kHeaderSize + length, 0);
    message[0] = type;
    message[1] = code;
    if (length > 0) {
        std::memcpy(message.data() + kHeaderSize, data, length);
    }
    std::uint16_t checksum = InternetChecksum(message.data(), message.size());
    std::memcpy(message.data() + 2, &checksum, 2);
    return message;
}

std::size_t IcmpOffset(const std::uint8_t* data, std::size_t length)
{
    return (length > 19 && data[0] == 0x45) ? kIpHeaderSize : 0;
}

bool ParseMessage(const std::uint8_t* bytes, std::size_t length, Message& out)
{
    if (length < kHeaderSize) {
        return false;
    }
    out.type = bytes[0];
    out.code = bytes[1];
    std::uint16_t stored;
    std::memcpy(&stored, bytes + 2, 2);
    std::vector<std::uint8_t> copy(bytes, bytes + length);
    copy[2] = copy[3] = 0;
    out.checksumOk = stored == InternetChecksum(copy.data(), copy.size());
    out.data = bytes + kHeaderSize;
    out.length = length - kHeaderSize;
    return true;
}

std::vector<std::uint8_t> BuildPingPayload(int packetSize, std::uint32_t requestId, std::uint32_t sendTime)
{
    std::size_t size =
        packetSize > static_cast<int>(kHeaderSize) ? static_cast<std::size_t>(packetSize) - kHeaderSize : 0;
    if (size < kPingStampSize) {
        size = kPingStampSize;
    }
    std::vector<std::uint8_t> payload(size, '*');
    std::memcpy(payload.data(), &requestId, 4);
    std::memcpy(payload.data() + 4, &sendTime, 4);
    return payload;
}

std::uint32_t ReadStamp(const std::uint8_t* data, std::size_t offset)
{
    std::uint32_t value;
    std::memcpy(&value, data + offset, 4);
    return value;
}

Reply ClassifyPingReply(const Message& message, bool fromIcmpDll, bool checkId, std::uint32_t requestId)
{
    Reply reply;
    if (message.type == kEchoReply || (fromIcmpDll && message.type == kEchoRequest)) {
        if (message.length < kPingStampSize) {
            return reply;
        }
        if (checkId && ReadStamp(message.data, 0) != requestId) {
            return reply;
        }
        reply.kind = ReplyKind::Echo;
        return reply;
    }
    if (message.type == kDestinationUnreachable) {
        if (!fromIcmpDll) {
            // The returned IP header (20) and ICMP header (4) of our request,
            // then its payload: the id at 28.
            if (message.length < 32) {
                return reply;
            }
            if (checkId && ReadStamp(message.data, 28) != requestId) {
                return reply;
            }
        }
        reply.kind = ReplyKind::Unreachable;
        reply.unreachableCode = message.code;
    }
    return reply;
}

std::string UnreachableText(int code)
{
    static const char* const kTexts[] = {
        "Network unreachable.",
        "Host unreachable.",
        "Protocol unreachable.",
        "Port unreachable.",
        "Fragmentation needed and DF is set.",
        "Source route failed.",
        "Destination network down.",
        "Destination host unknown.",
        "Source host isolated.",
        "Communication with destination network administratively prohibited.",
        "Communication with destination host administratively prohibited.",
        "Network unreachable for this type of service.",
        "Host unreachable for this type of service.",
    };
    if (code >= 0 && code < static_cast<int>(sizeof kTexts / sizeof kTexts[0])) {
        return kTexts[code];
    }
    return "Destination unreachable: " + std::to_string(code);
}

DllStatus MapIcmpDllStatus(unsigned long status)
{
    switch (status) {
    case 11002: // destination net unreachable
        return {kDestinationUnreachable, 0};
    case 11003: // destination host unreachable
        return {kDestinationUnreachable, 1};
    case 11004: // destination protocol unreachable
        return {kDestinationUnreachable, 2};
    case 11005: // destination port unreachable
        return {kDestinationUnreachable, 3};
    case 11013: // time to live expired in transit
        return {kTimeExceeded, 0};
    case 11014: // time to live expired during reassembly
        return {kTimeExceeded, 1};
    default:
        return {kEchoReply, 0};
    }
}

bool ParseMacAddress(const std::string& text, std::uint8_t mac[6])
{
    int digits = 0;
    std::uint8_t bytes[6] = {};
    for (char c : text) {
        int value;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            value = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            value = c - 'A' + 10;
        } else {
            continue;
        }
        if (digits >= 12) {
            return false;
        }
        bytes[digits / 2] = static_cast<std::uint8_t>((bytes[digits / 2] << 4) | value);
        ++digits;
    }
    if (digits != 12) {
        return false;
    }
    std::memcpy(mac, bytes, 6);
    return true;
}

std::vector<std::uint8_t> WakeOnLanPattern(const std::uint8_t mac[6])
{
    std::vector<std::uint8_t> pattern(6, 0xFF);
    pattern.reserve(kWakeOnLanSize);
    for (int i = 0; i < 16; ++i) {
        pattern.insert(pattern.end(), mac, mac + 6);
    }
    return pattern;
}

} // namespace icmp
