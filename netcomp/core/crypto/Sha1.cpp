// SHA-1 as FIPS 180-1 defines it: 80 steps per 64-byte block over a message
// padded with 0x80, zeros and its bit length (big-endian).
//
// Whole blocks go to one of two block functions: the processor's SHA
// instructions when CPUID reports them (four steps per instruction), else
// portable code with the steps unrolled and a 16-word rolling schedule. Both
// take the blocks straight from the caller's memory; only a block split
// across Update calls is gathered in the context first.
#include "netcomp/core/crypto/Sha1.h"

#include <cstring>

#include "netcomp/core/crypto/CpuFeatures.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KES_SHA1_INTRINSICS 1
#endif

namespace {

inline uint32_t Rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

inline uint32_t ReadBe32(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

constexpr uint32_t kK1 = 0x5A827999, kK2 = 0x6ED9EBA1, kK3 = 0x8F1BBCDC, kK4 = 0xCA62C1D6;

// Choose, parity and majority in forms with one operation fewer.
#define KES_SHA1_CH(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define KES_SHA1_PARITY(b, c, d) ((b) ^ (c) ^ (d))
#define KES_SHA1_MAJ(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))
// Word t of the schedule for t >= 16, computed into the rolling window.
#define KES_SHA1_W(t) (w[(t)&15] = Rotl(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ w[(t)&15], 1))
// The step adds the word of the schedule and the constant first, then the
// round function of the older words, and the newest word a last, so that only
// a rotation and an addition wait for the step before. The empty assembler
// statement stops compilers from folding the constant in last.
#if defined(__GNUC__) || defined(__clang__)
#define KES_SHA1_KEEP_ORDER(v) __asm__("" : "+r"(v));
#else
#define KES_SHA1_KEEP_ORDER(v)
#endif
#define KES_SHA1_STEP(a, b, c, d, e, f, k, x)                                                                          \
    e += (k) + (x);                                                                                                    \
    KES_SHA1_KEEP_ORDER(e)                                                                                             \
    e += f(b, c, d);                                                                                                   \
    e += Rotl(a, 5);                                                                                                   \
    b = Rotl(b, 30);
#define KES_SHA1_FIVE(f, k, x0, x1, x2, x3, x4)                                                                        \
    KES_SHA1_STEP(a, b, c, d, e, f, k, x0)                                                                             \
    KES_SHA1_STEP(e, a, b, c, d, f, k, x1)                                                                             \
    KES_SHA1_STEP(d, e, a, b, c, f, k, x2)                                                                             \
    KES_SHA1_STEP(c, d, e, a, b, f, k, x3)                                                                             \
    KES_SHA1_STEP(b, c, d, e, a, f, k, x4)
#define KES_SHA1_FIVE_SCHEDULED(f, k, t)                                                                               \
    KES_SHA1_FIVE(f, k, KES_SHA1_W(t), KES_SHA1_W(t + 1), KES_SHA1_W(t + 2), KES_SHA1_W(t + 3), KES_SHA1_W(t + 4))

void Sha1BlocksPortable(uint32_t state[5], const unsigned char* p, size_t blocks)
{
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (; blocks > 0; --blocks, p += 64) {
        uint32_t w[16];
        for (int t = 0; t < 16; ++t)
            w[t] = ReadBe32(p + 4 * t);
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d, e0 = e;
        KES_SHA1_FIVE(KES_SHA1_CH, kK1, w[0], w[1], w[2], w[3], w[4])
        KES_SHA1_FIVE(KES_SHA1_CH, kK1, w[5], w[6], w[7], w[8], w[9])
        KES_SHA1_FIVE(KES_SHA1_CH, kK1, w[10], w[11], w[12], w[13], w[14])
        KES_SHA1_FIVE(KES_SHA1_CH, kK1, w[15], KES_SHA1_W(16), KES_SHA1_W(17), KES_SHA1_W(18), KES_SHA1_W(19))
        for (int t = 20; t < 40; t += 5) {
            KES_SHA1_FIVE_SCHEDULED(KES_SHA1_PARITY, kK2, t)
        }
        for (int t = 40; t < 60; t += 5) {
            KES_SHA1_FIVE_SCHEDULED(KES_SHA1_MAJ, kK3, t)
        }
        for (int t = 60; t < 80; t += 5) {
            KES_SHA1_FIVE_SCHEDULED(KES_SHA1_PARITY, kK4, t)
        }
        a += a0;
        b += b0;
        c += c0;
        d += d0;
        e += e0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
}

#ifdef KES_SHA1_INTRINSICS

// Four steps per group g (0-19). The register "abcd" holds a in its top lane;
// e travels in the top lane of the other register, derived for each group
// from the a of four steps before (sha1nexte), and added to the group's four
// message words. Message words of group g come from groups g-4 to g-1.
#define KES_SHA1_GROUP(g, f)                                                                                           \
    {                                                                                                                  \
        __m128i& m = msg[(g)&3];                                                                                       \
        if ((g) >= 4)                                                                                                  \
            m = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(m, msg[((g) + 1) & 3]), msg[((g) + 2) & 3]),       \
                                   msg[((g) + 3) & 3]);                                                                \
        const __m128i ePlusW = (g) == 0 ? _mm_add_epi32(e, m) : _mm_sha1nexte_epu32(previous, m);                      \
        previous = abcd;                                                                                               \
        abcd = _mm_sha1rnds4_epu32(abcd, ePlusW, f);                                                                   \
    }

__attribute__((target("sha,sse4.1,ssse3"))) void Sha1BlocksShaExtensions(uint32_t state[5], const unsigned char* p,
                                                                         size_t blocks)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(int(state[4]), 0, 0, 0);
    for (; blocks > 0; --blocks, p += 64) {
        const __m128i abcdSaved = abcd, eSaved = e;
        __m128i msg[4];
        for (int i = 0; i < 4; ++i)
            msg[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), byteSwap);
        __m128i previous = abcd;
        KES_SHA1_GROUP(0, 0)
        KES_SHA1_GROUP(1, 0)
        KES_SHA1_GROUP(2, 0)
        KES_SHA1_GROUP(3, 0)
        KES_SHA1_GROUP(4, 0)
        KES_SHA1_GROUP(5, 1)
        KES_SHA1_GROUP(6, 1)
        KES_SHA1_GROUP(7, 1)
        KES_SHA1_GROUP(8, 1)
        KES_SHA1_GROUP(9, 1)
        KES_SHA1_GROUP(10, 2)
        KES_SHA1_GROUP(11, 2)
        KES_SHA1_GROUP(12, 2)
        KES_SHA1_GROUP(13, 2)
        KES_SHA1_GROUP(14, 2)
        KES_SHA1_GROUP(15, 3)
        KES_SHA1_GROUP(16, 3)
        KES_SHA1_GROUP(17, 3)
        KES_SHA1_GROUP(18, 3)
        KES_SHA1_GROUP(19, 3)
        e = _mm_add_epi32(_mm_sha1nexte_epu32(previous, _mm_setzero_si128()), eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = uint32_t(_mm_extract_epi32(e, 3));
}

#undef KES_SHA1_GROUP

#endif

void Sha1Blocks(uint32_t state[5], const unsigned char* p, size_t blocks)
{
    if (blocks == 0)
        return;
#ifdef KES_SHA1_INTRINSICS
    if (ShaExtensionsUsable()) {
        Sha1BlocksShaExtensions(state, p, blocks);
        return;
    }
#endif
    Sha1BlocksPortable(state, p, blocks);
}

} // namespace

void Sha1::Init()
{
    m_state[0] = 0x67452301;
    m_state[1] = 0xEFCDAB89;
    m_state[2] = 0x98BADCFE;
    m_state[3] = 0x10325476;
    m_state[4] = 0xC3D2E1F0;
    m_lengthLow = m_lengthHigh = 0;
    m_blockIndex = 0;
    m_computed = false;
    m_corrupted = false;
}

bool Sha1::Update(const void* data, size_t n)
{
    if (n == 0)
        return m_corrupted;
    if (m_computed || m_corrupted) {
        // Adding to a finished digest is as wrong as an overlong message.
        m_corrupted = true;
        return true;
    }
    const uint64_t length = uint64_t(m_lengthHigh) << 32 | m_lengthLow;
    if (uint64_t(n) > (UINT64_MAX - length) / 8) {
        m_corrupted = true;
        return true;
    }
    const uint64_t bits = length + uint64_t(n) * 8;
    m_lengthLow = uint32_t(bits);
    m_lengthHigh = uint32_t(bits >> 32);
    const auto* in = static_cast<const unsigned char*>(data);
    if (m_blockIndex > 0) {
        const size_t take = n < size_t(64 - m_blockIndex) ? n : size_t(64 - m_blockIndex);
        std::memcpy(m_block + m_blockIndex, in, take);
        m_blockIndex += unsigned(take);
        in += take;
        n -= take;
        if (m_blockIndex < 64)
            return false;
        Sha1Blocks(m_state, m_block, 1);
        m_blockIndex = 0;
    }
    Sha1Blocks(m_state, in, n / 64);
    in += n / 64 * 64;
    n %= 64;
    std::memcpy(m_block, in, n);
    m_blockIndex = unsigned(n);
    return false;
}

void Sha1::Pad()
{
    m_block[m_blockIndex++] = 0x80;
    if (m_blockIndex > 56) {
        std::memset(m_block + m_blockIndex, 0, 64 - m_blockIndex);
        Sha1Blocks(m_state, m_block, 1);
        m_blockIndex = 0;
    }
    std::memset(m_block + m_blockIndex, 0, 56 - m_blockIndex);
    const uint32_t words[2] = {m_lengthHigh, m_lengthLow};
    for (int w = 0; w < 2; ++w) {
        for (int b = 0; b < 4; ++b)
            m_block[56 + 4 * w + b] = static_cast<unsigned char>(words[w] >> (24 - 8 * b));
    }
    Sha1Blocks(m_state, m_block, 1);
    m_blockIndex = 0;
}

const unsigned char* Sha1::Final()
{
    if (m_corrupted)
        return nullptr;
    if (!m_computed) {
        Pad();
        // Nothing of the message stays behind in the context.
        std::memset(m_block, 0, sizeof m_block);
        m_lengthLow = m_lengthHigh = 0;
        for (int i = 0; i < 20; ++i)
            m_digest[i] = static_cast<unsigned char>(m_state[i / 4] >> (24 - 8 * (i % 4)));
        m_computed = true;
    }
    return m_digest;
}
