#pragma once
// MD5 message digest (RFC 1321).
#include <cstddef>
#include <cstdint>

class NetStringBase;

class Md5 {
public:
    Md5() { Init(); }
    void Init();
    void Update(const void* data, size_t n);
    const unsigned char* Final();

private:
    uint32_t m_state[4];
    uint32_t m_count[2]; // bits, low word first
    unsigned char m_buffer[64];
    unsigned char m_digest[16];
    bool m_finished = false;
};

// The digest as 32 lower-case hexadecimal digits, appended to out.
[[nodiscard]] int Md5Hex(const void* data, size_t n, NetStringBase& out);
// MD5 of a ":" b, as Md5Hex gives it (the HTTP Digest building block).
[[nodiscard]] int Md5HexOfPair(const void* a, size_t na, const void* b, size_t nb, NetStringBase& out);
