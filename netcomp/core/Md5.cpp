// MD5 as RFC 1321 defines it: four rounds of sixteen operations over each
// 64-byte block, the message padded with 0x80, zeros and its bit length
// (little-endian) to a multiple of 64 bytes.
#include "netcomp/core/Md5.h"

#include <cstring>

#include "netcomp/core/NetString.h"
#include "netcomp/core/ResultCodes.h"

namespace {

inline uint32_t Rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

inline uint32_t ReadLe32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void WriteLe32(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// T[i] = floor(abs(sin(i + 1)) * 2^32).
const uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

} // namespace

void Md5::Init()
{
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
    m_count[0] = m_count[1] = 0;
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_finished = false;
}

void Md5::Transform(const unsigned char block[64])
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = ReadLe32(block + 4 * i);
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        const int round = i / 16;
        switch (round) {
        case 0:
            f = (b & c) | (~b & d);
            g = i;
            break;
        case 1:
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
            break;
        case 2:
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
            break;
        default:
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
            break;
        }
        const uint32_t next = b + Rotl(a + f + kSine[i] + x[g], kShift[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

void Md5::Update(const void* data, size_t n)
{
    const auto* in = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const unsigned used = (m_count[0] >> 3) & 0x3F;
        const uint64_t bits = (uint64_t(m_count[1]) << 32 | m_count[0]);
        const size_t take = n < size_t(64 - used) ? n : size_t(64 - used);
        const uint64_t after = bits + uint64_t(take) * 8;
        m_count[0] = uint32_t(after);
        m_count[1] = uint32_t(after >> 32);
        if (used == 0 && take == 64) {
            Transform(in);
        } else {
            std::memcpy(m_buffer + used, in, take);
            if (used + take == 64)
                Transform(m_buffer);
        }
        in += take;
        n -= take;
    }
}

const unsigned char* Md5::Final()
{
    if (m_finished)
        return m_digest;
    unsigned char length[8];
    WriteLe32(length, m_count[0]);
    WriteLe32(length + 4, m_count[1]);
    const unsigned used = (m_count[0] >> 3) & 0x3F;
    const unsigned padLength = used < 56 ? 56 - used : 120 - used;
    static const unsigned char kPadding[64] = {0x80};
    Update(kPadding, padLength);
    Update(length, 8);
    for (int i = 0; i < 4; ++i)
        WriteLe32(m_digest + 4 * i, m_state[i]);
    m_finished = true;
    return m_digest;
}

int Md5Hex(const void* data, size_t n, NetStringBase& out)
{
    Md5 md5;
    md5.Update(data, n);
    return out.AppendHexBytes(md5.Final(), 16);
}

int Md5HexOfPair(const void* a, size_t na, const void* b, size_t nb, NetStringBase& out)
{
    Md5 md5;
    md5.Update(a, na);
    md5.Update(":", 1);
    md5.Update(b, nb);
    return out.AppendHexBytes(md5.Final(), 16);
}
