// Table-driven Base64. Encoding looks up twelve input bits at a time (two
// output characters per lookup). Decoding reads four characters at a time
// through four tables that hold each character's six bits already in place;
// a character outside the alphabet sets a bit above the 24 data bits, so one
// test sends the group to the careful path, which skips line breaks and other
// characters one by one and stops at "=".
#include "netcomp/core/text/Base64Bytes.h"

#include <cstring>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint32_t kBad = 0x01000000;

struct EncodeTable {
    char pairs[4096][2];
    constexpr EncodeTable() : pairs()
    {
        for (int i = 0; i < 4096; ++i) {
            pairs[i][0] = kAlphabet[i >> 6];
            pairs[i][1] = kAlphabet[i & 63];
        }
    }
};

constexpr int SextetValue(int c)
{
    return c >= 'A' && c <= 'Z'   ? c - 'A'
           : c >= 'a' && c <= 'z' ? c - 'a' + 26
           : c >= '0' && c <= '9' ? c - '0' + 52
           : c == '+'             ? 62
           : c == '/'             ? 63
                                  : -1;
}

struct DecodeTables {
    uint32_t at[4][256]; // at[k][c]: the bits of c as the k-th character of a group
    constexpr DecodeTables() : at()
    {
        for (int c = 0; c < 256; ++c) {
            const int v = SextetValue(c);
            for (int k = 0; k < 4; ++k)
                at[k][c] = v < 0 ? kBad : uint32_t(v) << (18 - 6 * k);
        }
    }
};

constexpr EncodeTable kEncode;
constexpr DecodeTables kDecode;

inline char* EncodeGroup(const unsigned char* in, char* out)
{
    const uint32_t v = uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    std::memcpy(out, kEncode.pairs[v >> 12], 2);
    std::memcpy(out + 2, kEncode.pairs[v & 0xFFF], 2);
    return out + 4;
}

// Whole groups of one line (or of everything without line breaks).
char* EncodeRun(const unsigned char* in, size_t groups, char* out)
{
    for (; groups >= 4; groups -= 4, in += 12) {
        out = EncodeGroup(in, out);
        out = EncodeGroup(in + 3, out);
        out = EncodeGroup(in + 6, out);
        out = EncodeGroup(in + 9, out);
    }
    for (; groups > 0; --groups, in += 3)
        out = EncodeGroup(in, out);
    return out;
}

} // namespace

uint64_t Base64EncodedLength(uint64_t n, bool breakLines)
{
    if (n == 0)
        return 0;
    return (n + 2) / 3 * 4 + (breakLines ? (n - 1) / 48 * 2 : 0);
}

size_t Base64EncodeBytes(const unsigned char* in, size_t n, char* out, bool breakLines)
{
    char* const start = out;
    const size_t lineBytes = breakLines ? 48 : n - n % 3;
    size_t done = 0;
    while (n - done >= 3) {
        size_t run = n - done - (n - done) % 3;
        if (run > lineBytes)
            run = lineBytes;
        if (done > 0 && breakLines) {
            *out++ = '\r';
            *out++ = '\n';
        }
        out = EncodeRun(in + done, run / 3, out);
        done += run;
    }
    if (done < n) {
        if (done > 0 && breakLines && done % 48 == 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        const unsigned b0 = in[done];
        const unsigned b1 = n - done > 1 ? in[done + 1] : 0;
        *out++ = kAlphabet[b0 >> 2];
        *out++ = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        *out++ = n - done > 1 ? kAlphabet[(b1 & 0x0F) << 2] : '=';
        *out++ = '=';
    }
    return size_t(out - start);
}

size_t Base64DecodeBytes(const char* text, size_t n, unsigned char* out)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    size_t written = 0;
    uint32_t accumulator = 0;
    int bits = 0;
    while (i < n) {
        if (bits == 0) {
            // Group-aligned: take four characters at a time while they are all plain.
            for (; i + 4 <= n; i += 4) {
                const uint32_t v = kDecode.at[0][in[i]] | kDecode.at[1][in[i + 1]] | kDecode.at[2][in[i + 2]] |
                                   kDecode.at[3][in[i + 3]];
                if (v & kBad)
                    break;
                out[written] = static_cast<unsigned char>(v >> 16);
                out[written + 1] = static_cast<unsigned char>(v >> 8);
                out[written + 2] = static_cast<unsigned char>(v);
                written += 3;
            }
            if (i == n)
                break;
        }
        const unsigned char c = in[i++];
        if (c == '=')
            break;
        const uint32_t v = kDecode.at[3][c];
        if (v & kBad)
            continue;
        accumulator = (accumulator << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out[written++] = static_cast<unsigned char>(accumulator >> bits);
        }
    }
    return written;
}

int NetStringBase::AppendBase64(const void* data, uint32_t n, bool breakLines)
{
    if (!data || n == 0)
        return kResultOk;
    const uint64_t outLength = Base64EncodedLength(n, breakLines);
    if (outLength > kMaxLength - m_length)
        return kOutOfMemory;
    NetString copy; // the source may be this string, which the resize moves
    const auto* in = static_cast<const unsigned char*>(data);
    if (Overlaps(static_cast<const char*>(data))) {
        int rc = copy.Assign(n, static_cast<const char*>(data));
        if (rc != kResultOk)
            return rc;
        in = reinterpret_cast<const unsigned char*>(copy.Data());
    }
    const uint32_t start = m_length;
    int rc = Assign(m_length + uint32_t(outLength), nullptr);
    if (rc != kResultOk)
        return rc;
    Base64EncodeBytes(in, n, Data() + start, breakLines);
    return kResultOk;
}

void NetStringBase::DecodeBase64()
{
    char* d = Data();
    m_length = uint32_t(Base64DecodeBytes(d, m_length, reinterpret_cast<unsigned char*>(d)));
    d[m_length] = '\0';
}
