// ICMP message work shared by the ICMP engine and its components: checksum,
// message layout, the IPv4 header in front of raw replies, echo and
// destination-unreachable replies, wake-on-LAN. No sockets here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace icmp {

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kDestinationUnreachable = 3;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::size_t kHeaderSize = 4;      // type, code, checksum
constexpr std::size_t kIpHeaderSize = 20;   // IPv4 without options
constexpr std::size_t kPingStampSize = 8;   // request id, send time
constexpr std::size_t kWakeOnLanSize = 102; // 6 x 0xFF, then 16 x the address

// RFC 1071: one's-complement sum of 16-bit words (an odd last byte padded
// with zero), complemented. Returned in the byte order it is stored in.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length);

// type, code, checksum, data; the checksum covers the whole message.
std::vector<std::uint8_t> BuildMessage(std::uint8_t type, std::uint8_t code, const std::uint8_t* data,
                                       std::size_t length);

// Where the ICMP message starts in what a raw socket received: after a
// 20-byte IPv4 header without options, else at 0.
std::size_t IcmpOffset(const std::uint8_t* data, std::size_t length);

struct Message {
    std::uint8_t type = 0;
    std::uint8_t code = 0;
    bool checksumOk = false;
    const std::uint8_t* data = nullptr; // after the 4-byte header
    std::size_t length = 0;
};

// false when the message is shorter than its header.
bool ParseMessage(const std::uint8_t* bytes, std::size_t length, Message& out);

// The echo payload of a ping: PacketSize - 4 bytes of '*', but never less than
// the request id and send time stamped into its first eight bytes.
std::vector<std::uint8_t> BuildPingPayload(int packetSize, std::uint32_t requestId, std::uint32_t sendTime);

enum class ReplyKind { Ignore, Echo, Unreachable };

struct Reply {
    ReplyKind kind = ReplyKind::Ignore;
    int unreachableCode = -1;
};

// Decides what an incoming message means to a ping waiting for requestId
// (checkId false: every answer counts, as when nothing waits).
//   Echo replies carry the id in their first four bytes (through icmp.dll
//   they may come back typed 8).
//   Unreachable, raw socket: the message carries the original request, whose
//   id sits at offset 28 of its data.
//   Unreachable, icmp.dll: the system matched the answer to our request and
//   hands back no copy of it; the code comes from the helper's status.
Reply ClassifyPingReply(const Message& message, bool fromIcmpDll, bool checkId, std::uint32_t requestId);

// Host-order 32-bit value stored at data[offset], as the engine wrote it.
std::uint32_t ReadStamp(const std::uint8_t* data, std::size_t offset);

std::string UnreachableText(int code);

// icmp.dll reply statuses as ICMP type and code.
struct DllStatus {
    std::uint8_t type;
    std::uint8_t code;
};
DllStatus MapIcmpDllStatus(unsigned long status);

// Takes the hexadecimal digits of text (any case; every other character is
// skipped); exactly twelve make an address.
bool ParseMacAddress(const std::string& text, std::uint8_t mac[6]);

std::vector<std::uint8_t> WakeOnLanPattern(const std::uint8_t mac[6]);

} // namespace icmp
