#include "common/Base64.h"

// The server decodes without fill characters and rejects line breaks inside
// the parameter, so neither is written.
bool EncodeBase64String(const std::string& source, std::string& out)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const unsigned char* in = reinterpret_cast<const unsigned char*>(source.data());
    size_t n = source.size();
    out.clear();
    out.reserve((n + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        unsigned long block = (static_cast<unsigned long>(in[i]) << 16) | (in[i + 1] << 8) | in[i + 2];
        out += kAlphabet[(block >> 18) & 0x3F];
        out += kAlphabet[(block >> 12) & 0x3F];
        out += kAlphabet[(block >> 6) & 0x3F];
        out += kAlphabet[block & 0x3F];
    }
    if (i < n) {
        unsigned long block = static_cast<unsigned long>(in[i]) << 16;
        if (i + 1 < n) {
            block |= in[i + 1] << 8;
        }
        out += kAlphabet[(block >> 18) & 0x3F];
        out += kAlphabet[(block >> 12) & 0x3F];
        if (i + 1 < n) {
            out += kAlphabet[(block >> 6) & 0x3F];
        }
    }
    return true;
}

std::string& StripNewlineReferences(std::string& text)
{
    static const char* const kReferences[] = {"&#x000D;", "&#x000A;"};
    for (const char* reference : kReferences) {
        size_t at;
        while ((at = text.find(reference)) != std::string::npos) {
            text.erase(at, 8);
        }
    }
    return text;
}
