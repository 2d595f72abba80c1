#include "common/HexCodec.h"

namespace {

unsigned char Nibble(char c)
{
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned char>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned char>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned char>(c - 'A' + 10);
    }
    return 0;
}

} // namespace

std::string HexEncode(const unsigned char* bytes, size_t count)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

size_t HexDecode(std::vector<unsigned char>& out, const std::string& hex)
{
    out.clear();
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<unsigned char>((Nibble(hex[i]) << 4) | Nibble(hex[i + 1])));
    }
    return out.size();
}
