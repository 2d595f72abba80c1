// Base64, the Shift-JIS/ISO-2022-JP conversions and the header coders on
// arbitrary bytes: nothing may read or write out of bounds, Base64 must give
// back what it encoded, and valid Shift-JIS double-byte text must survive the
// trip through ISO-2022-JP unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/TextEncodings.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// Valid double-byte characters only (lead 0x81-0x9F/0xE0-0xEF, trail 0x40-0xFC
// without 0x7F), two input bytes each, with ASCII letters between them.
std::string ValidSjis(const std::string& raw)
{
    std::string out;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        unsigned char a = static_cast<unsigned char>(raw[i]);
        unsigned char b = static_cast<unsigned char>(raw[i + 1]);
        if (a < 0x20) {
            out += char('a' + a % 26);
            continue;
        }
        unsigned lead = a % 47;
        lead = lead < 31 ? 0x81 + lead : 0xE0 + (lead - 31);
        unsigned trail = 0x40 + b % 188;
        if (trail == 0x7F)
            trail = 0x80;
        out += char(lead);
        out += char(trail);
    }
    return out;
}

// Skip what is outside the alphabet, stop at "=", drop a final partial byte.
std::string PlainBase64Decode(const std::string& text)
{
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned accumulator = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        const size_t v = c == '\0' ? std::string::npos : kAlphabet.find(c);
        if (v == std::string::npos)
            continue;
        accumulator = (accumulator << 6) | unsigned(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((accumulator >> bits) & 0xFF);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string text = input.substr(0, input.find('\0'));

    NetString encoded;
    Check(encoded.AppendBase64(input.data(), uint32_t(input.size()), size & 1) == kResultOk);
    NetString decoded(encoded);
    decoded.DecodeBase64();
    Check(decoded.Length() == input.size() && std::memcmp(decoded.Data(), input.data(), input.size()) == 0);

    NetString raw;
    Check(raw.Assign(uint32_t(input.size()), input.data()) == kResultOk);
    raw.DecodeBase64();
    Check(raw.Data()[raw.Length()] == '\0');
    // The four-character fast path decodes arbitrary text as the plain
    // character-by-character rule does.
    const std::string reference = PlainBase64Decode(input);
    Check(raw.Length() == reference.size() && std::memcmp(raw.Data(), reference.data(), reference.size()) == 0);

    NetString jis, sjis;
    Check(jis.AppendSjisAsJis(text.c_str()) == kResultOk);
    Check(sjis.AppendJisAsSjis(text.c_str()) == kResultOk);

    const std::string valid = ValidSjis(input);
    NetString there, back;
    Check(there.AppendSjisAsJis(valid.c_str()) == kResultOk);
    Check(back.AppendJisAsSjis(there.CStr()) == kResultOk);
    Check(std::string(back.Data(), back.Length()) == valid);

    const uint32_t width = size > 0 ? data[0] % 90 : 0;
    NetString header;
    Check(header.AssignEncodedHeader(text.c_str(), width, true) == kResultOk);
    Check(header.AssignEncodedWords(text.c_str(), width, true) == kResultOk);
    Check(header.AppendHeaderParam("name", input.data(), uint32_t(input.size()), true) == kResultOk);
    Check(header.AssignDecodedHeader(text.c_str()) == kResultOk);

    // Encoded words of valid text decode to the same text.
    NetString word, plain;
    Check(word.AppendEncodedWord(valid.c_str()) == kResultOk);
    Check(plain.AssignDecodedHeader(word.CStr()) == kResultOk);
    Check(std::string(plain.Data(), plain.Length()) == valid);
    return 0;
}
