// MD5 as RFC 1321 defines it: four rounds of sixteen operations over each
// 64-byte block, the message padded with 0x80, zeros and its bit length
// (little-endian) to a multiple of 64 bytes.
#include "netcomp/core/crypto/Md5.h"

#include <cstring>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"

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

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// Message word that step i reads.
constexpr int WordIndex(int i)
{
    return i < 16 ? i : i < 32 ? (5 * i + 1) % 16 : i < 48 ? (3 * i + 5) % 16 : (7 * i) % 16;
}

// Compilers like to fold the constant in last, which puts it on the chain of
// dependent operations; an empty assembler statement keeps the sum as written.
#if defined(__GNUC__) || defined(__clang__)
#define KES_MD5_KEEP_ORDER(v) __asm__("" : "+r"(v));
#else
#define KES_MD5_KEEP_ORDER(v)
#endif

// Each step with literal i, so index, constant and shift fold into the code.
// The message word and constant are added before the round function and the
// function's parts are added one by one, so that only the last operations of
// a step wait for the step before it (b is the newest word). The forms give
// the textbook values bit for bit: G's two halves never share a set bit.
#define KES_MD5_STEP(a, i)                                                                                             \
    a += x[WordIndex(i)] + kSine[i];                                                                                   \
    KES_MD5_KEEP_ORDER(a)
#define KES_MD5_END(a, b, i) a = Rotl(a, kShift[(i) / 16][(i) % 4]) + b;
#define KES_MD5_F(a, b, c, d, i)                                                                                       \
    KES_MD5_STEP(a, i) a += d ^ (b & (c ^ d));                                                                         \
    KES_MD5_END(a, b, i)
#define KES_MD5_G(a, b, c, d, i)                                                                                       \
    KES_MD5_STEP(a, i) a += c & ~d;                                                                                    \
    a += b & d;                                                                                                        \
    KES_MD5_END(a, b, i)
#define KES_MD5_H(a, b, c, d, i)                                                                                       \
    KES_MD5_STEP(a, i) a += b ^ (c ^ d);                                                                               \
    KES_MD5_END(a, b, i)
#define KES_MD5_I(a, b, c, d, i)                                                                                       \
    KES_MD5_STEP(a, i) a += c ^ (b | ~d);                                                                              \
    KES_MD5_END(a, b, i)
#define KES_MD5_QUAD(fn, i) fn(a, b, c, d, i) fn(d, a, b, c, i + 1) fn(c, d, a, b, i + 2) fn(b, c, d, a, i + 3)

void Md5Blocks(uint32_t state[4], const unsigned char* p, size_t blocks)
{
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, p += 64) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = ReadLe32(p + 4 * i);
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
        KES_MD5_QUAD(KES_MD5_F, 0)
        KES_MD5_QUAD(KES_MD5_F, 4)
        KES_MD5_QUAD(KES_MD5_F, 8)
        KES_MD5_QUAD(KES_MD5_F, 12)
        KES_MD5_QUAD(KES_MD5_G, 16)
        KES_MD5_QUAD(KES_MD5_G, 20)
        KES_MD5_QUAD(KES_MD5_G, 24)
        KES_MD5_QUAD(KES_MD5_G, 28)
        KES_MD5_QUAD(KES_MD5_H, 32)
        KES_MD5_QUAD(KES_MD5_H, 36)
        KES_MD5_QUAD(KES_MD5_H, 40)
        KES_MD5_QUAD(KES_MD5_H, 44)
        KES_MD5_QUAD(KES_MD5_I, 48)
        KES_MD5_QUAD(KES_MD5_I, 52)
        KES_MD5_QUAD(KES_MD5_I, 56)
        KES_MD5_QUAD(KES_MD5_I, 60)
        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef KES_MD5_QUAD
#undef KES_MD5_STEP
#undef KES_MD5_KEEP_ORDER
#undef KES_MD5_END
#undef KES_MD5_F
#undef KES_MD5_G
#undef KES_MD5_H
#undef KES_MD5_I

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

void Md5::Update(const void* data, size_t n)
{
    const auto* in = static_cast<const unsigned char*>(data);
    const unsigned used = (m_count[0] >> 3) & 0x3F;
    const uint64_t bits = (uint64_t(m_count[1]) << 32 | m_count[0]) + uint64_t(n) * 8;
    m_count[0] = uint32_t(bits);
    m_count[1] = uint32_t(bits >> 32);
    if (used > 0) {
        const size_t take = n < size_t(64 - used) ? n : size_t(64 - used);
        std::memcpy(m_buffer + used, in, take);
        in += take;
        n -= take;
        if (used + take < 64)
            return;
        Md5Blocks(m_state, m_buffer, 1);
    }
    // Whole blocks straight from the caller's memory.
    Md5Blocks(m_state, in, n / 64);
    in += n / 64 * 64;
    n %= 64;
    if (n > 0)
        std::memcpy(m_buffer, in, n);
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
