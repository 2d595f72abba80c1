// SHA-1 as FIPS 180-1 defines it: 80 steps per 64-byte block over a message
// padded with 0x80, zeros and its bit length (big-endian).
#include "netcomp/core/Sha1.h"

#include <cstring>

namespace {

inline uint32_t Rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
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

void Sha1::ProcessBlock()
{
    uint32_t w[80];
    for (int t = 0; t < 16; ++t) {
        w[t] = (uint32_t(m_block[4 * t]) << 24) | (uint32_t(m_block[4 * t + 1]) << 16) |
               (uint32_t(m_block[4 * t + 2]) << 8) | uint32_t(m_block[4 * t + 3]);
    }
    for (int t = 16; t < 80; ++t)
        w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3], e = m_state[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t temp = Rotl(a, 5) + f + e + w[t] + k;
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = temp;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
    m_blockIndex = 0;
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
    const auto* in = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const size_t take = n < size_t(64 - m_blockIndex) ? n : size_t(64 - m_blockIndex);
        const uint64_t length = uint64_t(m_lengthHigh) << 32 | m_lengthLow;
        if (uint64_t(take) > (UINT64_MAX - length) / 8) {
            m_corrupted = true;
            return true;
        }
        const uint64_t bits = length + uint64_t(take) * 8;
        m_lengthLow = uint32_t(bits);
        m_lengthHigh = uint32_t(bits >> 32);
        std::memcpy(m_block + m_blockIndex, in, take);
        m_blockIndex += unsigned(take);
        if (m_blockIndex == 64)
            ProcessBlock();
        in += take;
        n -= take;
    }
    return false;
}

void Sha1::Pad()
{
    m_block[m_blockIndex++] = 0x80;
    if (m_blockIndex > 56) {
        std::memset(m_block + m_blockIndex, 0, 64 - m_blockIndex);
        ProcessBlock();
    }
    std::memset(m_block + m_blockIndex, 0, 56 - m_blockIndex);
    const uint32_t words[2] = {m_lengthHigh, m_lengthLow};
    for (int w = 0; w < 2; ++w) {
        for (int b = 0; b < 4; ++b)
            m_block[56 + 4 * w + b] = static_cast<unsigned char>(words[w] >> (24 - 8 * b));
    }
    ProcessBlock();
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
