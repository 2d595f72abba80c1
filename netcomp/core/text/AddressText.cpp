#include "netcomp/core/text/AddressText.h"

#include <cstdio>
#include <cstring>

std::string DottedAddress(const std::uint8_t bytes[4])
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

std::string DottedAddress(std::uint32_t networkOrder)
{
    std::uint8_t bytes[4];
    std::memcpy(bytes, &networkOrder, sizeof bytes);
    return DottedAddress(bytes);
}
