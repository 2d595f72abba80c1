#pragma once
// SHA-1 message digest (FIPS 180-1).
#include <cstddef>
#include <cstdint>

class Sha1 {
public:
    Sha1() { Init(); }
    void Init();
    // Gives true once the context is corrupted (message longer than 2^64 bits).
    bool Update(const void* data, size_t n);
    // Null when corrupted; later calls give the same digest without hashing again.
    const unsigned char* Final();

private:
    void Pad();

    uint32_t m_state[5];
    uint32_t m_lengthLow = 0;
    uint32_t m_lengthHigh = 0;
    unsigned char m_block[64];
    unsigned m_blockIndex = 0;
    bool m_computed = false;
    bool m_corrupted = false;
    unsigned char m_digest[20];
};
