// HMAC(K, m) = H((K ^ opad) || H((K ^ ipad) || m)) with 64-byte key blocks;
// a key longer than the block is hashed first (RFC 2104, section 2).
#include "netcomp/core/crypto/Hmac.h"

#include <cstring>

#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/crypto/Sha1.h"

namespace {

constexpr size_t kBlock = 64;

template <class Hash>
void SetKeyBlock(unsigned char block[kBlock], const void* key, size_t length, size_t digestSize)
{
    std::memset(block, 0, kBlock);
    if (!key || length == 0)
        return;
    if (length <= kBlock) {
        std::memcpy(block, key, length);
        return;
    }
    Hash hash;
    hash.Update(key, length);
    std::memcpy(block, hash.Final(), digestSize);
}

// The message with zeroLength bytes from zeroStart read as zeros; the range
// has been checked against the message length.
template <class Hash>
void UpdateMasked(Hash& hash, const unsigned char* message, size_t length, size_t zeroStart, size_t zeroLength)
{
    if (zeroLength == 0) {
        hash.Update(message, length);
        return;
    }
    static const unsigned char kZeros[kBlock] = {};
    hash.Update(message, zeroStart);
    for (size_t left = zeroLength; left > 0;) {
        const size_t take = left < kBlock ? left : kBlock;
        hash.Update(kZeros, take);
        left -= take;
    }
    hash.Update(message + zeroStart + zeroLength, length - zeroStart - zeroLength);
}

template <class Hash>
bool Compute(const unsigned char keyBlock[kBlock], const void* data, size_t length, size_t zeroStart, size_t zeroLength,
             unsigned char* result, size_t digestSize)
{
    const auto* message = static_cast<const unsigned char*>(data);
    if (!message && length > 0)
        return false;
    // The range comes from received data (the SNMP authentication field): it
    // must lie inside the message.
    if (zeroLength > 0 && (zeroStart > length || zeroLength > length - zeroStart))
        return false;
    unsigned char pad[kBlock];
    for (size_t i = 0; i < kBlock; ++i)
        pad[i] = keyBlock[i] ^ 0x36;
    Hash inner;
    inner.Update(pad, kBlock);
    UpdateMasked(inner, message, length, zeroStart, zeroLength);
    const unsigned char* innerDigest = inner.Final();
    for (size_t i = 0; i < kBlock; ++i)
        pad[i] = keyBlock[i] ^ 0x5C;
    Hash outer;
    outer.Update(pad, kBlock);
    outer.Update(innerDigest, digestSize);
    std::memcpy(result, outer.Final(), digestSize);
    return true;
}

} // namespace

void HmacMd5::SetKey(const void* key, size_t length)
{
    SetKeyBlock<Md5>(m_key, key, length, kDigestSize);
}

const unsigned char* HmacMd5::Digest(const void* key, size_t keyLength, const void* message, size_t length,
                                     size_t zeroStart, size_t zeroLength)
{
    if (!key && keyLength > 0)
        return nullptr;
    SetKey(key, keyLength);
    return Compute<Md5>(m_key, message, length, zeroStart, zeroLength, m_result, kDigestSize) ? m_result : nullptr;
}

void HmacSha1::SetKey(const void* key, size_t length)
{
    SetKeyBlock<Sha1>(m_key, key, length, kDigestSize);
}

const unsigned char* HmacSha1::Digest(const void* key, size_t keyLength, const void* message, size_t length,
                                      size_t zeroStart, size_t zeroLength)
{
    if (!key && keyLength > 0)
        return nullptr;
    SetKey(key, keyLength);
    return Compute<Sha1>(m_key, message, length, zeroStart, zeroLength, m_result, kDigestSize) ? m_result : nullptr;
}
