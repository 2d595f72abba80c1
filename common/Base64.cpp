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

// One pass per reference: each character is copied forward, and a copy
// that completes the reference takes it back out. A reference that the
// removal of another one closes up ("&#x&#x000D;000D;") goes too, as it
// would if the text were searched again from its start after each removal.
// The reference has no border (no prefix that is also a suffix), so its
// occurrences cannot overlap and the order of removal does not matter.
namespace {

void RemoveEvery(std::string& text, const char (&reference)[9])
{
    const size_t n = sizeof(reference) - 1;
    size_t out = 0;
    for (size_t in = 0; in < text.size(); ++in) {
        text[out++] = text[in];
        if (out >= n && text[out - 1] == reference[n - 1] && text.compare(out - n, n, reference) == 0) {
            out -= n;
        }
    }
    text.resize(out);
}

} // namespace

std::string& StripNewlineReferences(std::string& text)
{
    RemoveEvery(text, "&#x000D;");
    RemoveEvery(text, "&#x000A;");
    return text;
}
