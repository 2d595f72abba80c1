#pragma once
// TFTP packets (RFC 1350, octet mode): the requests, data blocks and
// acknowledgements the client sends, and the reading of what a server sends.
#include <cstddef>
#include <string>

namespace tftp {

enum Opcode { kReadRequest = 1, kWriteRequest = 2, kData = 3, kAck = 4, kError = 5 };

constexpr std::size_t kBlockSize = 512;
// The largest packet the client takes: a data block and its header, with
// room for servers that pad an error message.
constexpr std::size_t kMaxPacket = 532;

std::string Request(Opcode opcode, const std::string& file);
std::string Data(unsigned block, const char* data, std::size_t length);
std::string Ack(unsigned block);

struct Packet {
    int opcode = 0;
    unsigned number = 0;        // the block number, or the error code of an error packet
    const char* data = nullptr; // the data of a data packet
    std::size_t dataLength = 0;
    std::string errorMessage; // the text of an error packet, up to its zero byte
};

// False when the packet is shorter than its opcode and number.
bool Read(const char* bytes, std::size_t length, Packet& packet);

} // namespace tftp
