// Password to key (RFC 3414, A.2.1 and A.2.2): the password repeated to one
// megabyte is hashed, then the digest, the engine identifier and the digest
// again. Signatures (RFC 3414, 6.3.1 and 7.3.1) are the first 12 bytes of the
// HMAC over the whole message, computed with the authentication field taken
// as zeros, so a message is signed and checked in place.
#include "netcomp/net/snmp/SnmpUsm.h"

#include <cstring>

#include "netcomp/core/crypto/Hmac.h"
#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/crypto/Sha1.h"

namespace {

constexpr size_t kSignatureSize = 12;
constexpr size_t kPasswordBytes = 1048576;

template <class Hash>
std::string Localize(const std::string& password, const std::string& engineId, size_t digestSize)
{
    Hash hash;
    unsigned char block[64];
    size_t at = 0;
    for (size_t done = 0; done < kPasswordBytes; done += sizeof block) {
        for (unsigned char& c : block) {
            c = static_cast<unsigned char>(password[at]);
            at = (at + 1) % password.size();
        }
        hash.Update(block, sizeof block);
    }
    const std::string ku(reinterpret_cast<const char*>(hash.Final()), digestSize);
    Hash local;
    local.Update(ku.data(), ku.size());
    local.Update(engineId.data(), engineId.size());
    local.Update(ku.data(), ku.size());
    return std::string(reinterpret_cast<const char*>(local.Final()), digestSize);
}

// The full HMAC of the message with the 12-byte field at offset as zeros;
// null for an unknown protocol or a field outside the message.
const unsigned char* FieldDigest(int protocol, const std::string& key, const char* message, size_t length,
                                 size_t offset, HmacMd5& md5, HmacSha1& sha1)
{
    if (!message || offset > length || length - offset < kSignatureSize)
        return nullptr;
    if (protocol == kSnmpAuthMd5)
        return md5.Digest(key.data(), key.size(), message, length, offset, kSignatureSize);
    if (protocol == kSnmpAuthSha1)
        return sha1.Digest(key.data(), key.size(), message, length, offset, kSignatureSize);
    return nullptr;
}

} // namespace

std::string LocalizeSnmpKey(int protocol, const std::string& password, const std::string& engineId)
{
    if (password.empty() || engineId.empty())
        return std::string();
    if (protocol == kSnmpAuthMd5)
        return Localize<Md5>(password, engineId, 16);
    if (protocol == kSnmpAuthSha1)
        return Localize<Sha1>(password, engineId, 20);
    return std::string();
}

const std::string& SnmpKeyCache::Key(int protocol, const std::string& password, const std::string& engineId)
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (e.protocol == protocol && e.password == password && e.engineId == engineId) {
            if (i != 0) {
                Entry found = std::move(m_entries[i]);
                m_entries.erase(m_entries.begin() + std::ptrdiff_t(i));
                m_entries.insert(m_entries.begin(), std::move(found));
            }
            return m_entries.front().key;
        }
    }
    if (m_entries.size() == kEntries)
        m_entries.pop_back();
    m_entries.insert(m_entries.begin(),
                     Entry{protocol, password, engineId, LocalizeSnmpKey(protocol, password, engineId)});
    return m_entries.front().key;
}

int SignSnmpMessage(int protocol, const std::string& key, char* message, size_t length, size_t offset)
{
    if (protocol != kSnmpAuthMd5 && protocol != kSnmpAuthSha1)
        return kSnmpSignUnknownProtocol;
    HmacMd5 md5;
    HmacSha1 sha1;
    const unsigned char* digest = FieldDigest(protocol, key, message, length, offset, md5, sha1);
    if (!digest)
        return kSnmpSignNoField;
    std::memcpy(message + offset, digest, kSignatureSize);
    return 0;
}

bool CheckSnmpSignature(int protocol, const std::string& key, const char* message, size_t length, size_t offset)
{
    HmacMd5 md5;
    HmacSha1 sha1;
    const unsigned char* digest = FieldDigest(protocol, key, message, length, offset, md5, sha1);
    if (!digest)
        return false;
    // Every byte is compared, so the time taken tells nothing of where a forgery differs.
    unsigned char difference = 0;
    for (size_t i = 0; i < kSignatureSize; ++i)
        difference |= static_cast<unsigned char>(digest[i] ^ static_cast<unsigned char>(message[offset + i]));
    return difference == 0;
}

int64_t SnmpClockOffset(uint32_t boots, uint32_t time, uint64_t now)
{
    return int64_t((uint64_t(boots) << 32) | time) - int64_t(now);
}

void SnmpRemoteClock::Learn(uint32_t boots, uint32_t time, uint64_t now)
{
    if (boots == 0 && time == 0)
        boots = 1;
    m_offset = SnmpClockOffset(boots, time, now);
    m_known = true;
}

int64_t SnmpRemoteClock::Distance(uint32_t boots, uint32_t time, uint64_t now) const
{
    return SnmpClockOffset(boots, time, now) - (m_known ? m_offset : -int64_t(now));
}
