#pragma once
// HMAC (RFC 2104) over the library's MD5 and SHA-1. A range of the message
// can be read as zero bytes, so a message can be signed or checked in place
// with its own authentication field inside it.
#include <cstddef>

class HmacMd5 {
public:
    static constexpr size_t kDigestSize = 16;

    void SetKey(const void* key, size_t length);
    // The 16-byte result inside the object, or null when the zero range runs
    // past the end of the message (or a length comes without its bytes).
    const unsigned char* Digest(const void* key, size_t keyLength, const void* message, size_t length,
                                size_t zeroStart = 0, size_t zeroLength = 0);

private:
    unsigned char m_key[64] = {};
    unsigned char m_result[kDigestSize] = {};
};

class HmacSha1 {
public:
    static constexpr size_t kDigestSize = 20;

    void SetKey(const void* key, size_t length);
    // As HmacMd5::Digest, with the 20-byte result.
    const unsigned char* Digest(const void* key, size_t keyLength, const void* message, size_t length,
                                size_t zeroStart = 0, size_t zeroLength = 0);

private:
    unsigned char m_key[64] = {};
    unsigned char m_result[kDigestSize] = {};
};
