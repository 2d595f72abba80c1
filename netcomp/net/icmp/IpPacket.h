#pragma once
// The IPv4 header of a captured packet, as the packet monitor reports it. No
// sockets here: the bytes come as the raw socket received them, and every
// field is read only where the received bytes hold it.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ippacket {

constexpr std::size_t kMinHeader = 20;
constexpr int kTcp = 6;
constexpr int kUdp = 17;

struct Header {
    int version = 0;
    int headerLength = 0; // bytes: the low four bits of byte 0, times 4
    int tos = 0;
    int totalLength = 0; // as the header states it
    int id = 0;
    int flags = 0;          // the high three bits of byte 6
    int fragmentOffset = 0; // the low 13 bits of bytes 6-7
    int ttl = 0;
    int protocol = 0;
    int checksum = 0;
    std::string source;      // dotted
    std::string destination; // dotted
    int sourcePort = 0;      // TCP and UDP only, else 0
    int destinationPort = 0;
    // From the end of the header to the stated total length, but never past
    // the bytes received; empty when the header claims more than that.
    const std::uint8_t* payload = nullptr;
    std::size_t payloadLength = 0;
};

// false when fewer than the 20 bytes of a header were received.
bool Decode(const std::uint8_t* data, std::size_t length, Header& out);

} // namespace ippacket
