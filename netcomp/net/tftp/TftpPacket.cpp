#include "netcomp/net/tftp/TftpPacket.h"

#include <cstring>

namespace tftp {

namespace {

std::string Header(int opcode, unsigned number)
{
    return {0, char(opcode), char(number >> 8 & 0xFF), char(number & 0xFF)};
}

} // namespace

std::string Request(Opcode opcode, const std::string& file)
{
    std::string packet{0, char(opcode)};
    packet += file;
    packet += '\0';
    packet += "octet";
    packet += '\0';
    return packet;
}

std::string Data(unsigned block, const char* data, std::size_t length)
{
    std::string packet = Header(kData, block);
    packet.append(data, length);
    return packet;
}

std::string Ack(unsigned block)
{
    return Header(kAck, block);
}

bool Read(const char* bytes, std::size_t length, Packet& packet)
{
    packet = Packet();
    if (length < 4)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    packet.opcode = p[0] << 8 | p[1];
    packet.number = unsigned(p[2]) << 8 | p[3];
    if (packet.opcode == kData) {
        packet.data = bytes + 4;
        packet.dataLength = length - 4;
    } else if (packet.opcode == kError) {
        const char* text = bytes + 4;
        const void* end = std::memchr(text, 0, length - 4);
        packet.errorMessage.assign(text, end ? static_cast<const char*>(end) - text : length - 4);
    }
    return true;
}

} // namespace tftp
