#include "netcomp/core/icmp/IpInfoFormat.h"

#include <cstdio>

namespace ipinfo {

std::string FormatLeaseTime(const DateTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year, t.hour, t.minute,
                  t.second);
    return text;
}

std::string FormatHardwareAddress(const std::uint8_t* bytes, std::size_t length)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0) {
            text += '-';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string AdapterTypeName(unsigned type)
{
    switch (type) {
    case 1:
        return "OTHER";
    case 6:
        return "ETHERNET";
    case 9:
        return "TOKENRING";
    case 15:
        return "FDDI";
    case 23:
        return "PPP";
    case 24:
        return "LOOPBACK";
    case 28:
        return "SLIP";
    default:
        return std::string();
    }
}

std::string NodeTypeName(unsigned type)
{
    switch (type) {
    case 1:
        return "BROADCAST";
    case 2:
        return "PEERTOPEER";
    case 4:
        return "MIXED";
    case 8:
        return "HYBRID";
    default:
        return std::string();
    }
}

std::string JoinWithBlanks(const std::vector<std::string>& items, std::size_t maxLength)
{
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty()) {
            text += ' ';
        }
        text += item;
    }
    if (maxLength > 0 && text.size() > maxLength) {
        text.resize(maxLength);
    }
    return text;
}

} // namespace ipinfo
