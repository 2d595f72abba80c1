#pragma once
// The user-based security model of SNMPv3 (RFC 3414) without privacy:
// localized keys, HMAC-MD5-96 and HMAC-SHA-96 signatures over a message with
// its 12-byte authentication field, and the clock of a remote engine.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum SnmpAuthProtocol : int { kSnmpAuthMd5 = 1, kSnmpAuthSha1 = 2 };

// The key of a password at one engine (RFC 3414, A.2): 16 bytes for MD5,
// 20 for SHA-1; empty for an empty password or engine identifier, or an
// unknown protocol.
std::string LocalizeSnmpKey(int protocol, const std::string& password, const std::string& engineId);

// Localized keys are a megabyte of hashing each: an agent that serves a few
// users keeps their keys here and computes a key again only when the
// protocol, password or engine identifier changes.
class SnmpKeyCache {
public:
    const std::string& Key(int protocol, const std::string& password, const std::string& engineId);

private:
    struct Entry {
        int protocol;
        std::string password;
        std::string engineId;
        std::string key;
    };
    static constexpr size_t kEntries = 8;
    std::vector<Entry> m_entries; // the most recently used first
};

constexpr int kSnmpSignUnknownProtocol = -2;
constexpr int kSnmpSignNoField = -1;

// Writes the first 12 bytes of the HMAC over message, with the 12 bytes at
// offset read as zeros, at offset. 0, -2 for an unknown protocol, -1 when the
// field does not lie inside the message.
[[nodiscard]] int SignSnmpMessage(int protocol, const std::string& key, char* message, size_t length, size_t offset);

// True when the 12 bytes at offset are the signature of the message.
bool CheckSnmpSignature(int protocol, const std::string& key, const char* message, size_t length, size_t offset);

// A remote engine's boots and time kept as one 64-bit count (boots in the
// high word) relative to the local engine clock, so that it advances with it.
class SnmpRemoteClock {
public:
    bool Known() const { return m_known; }
    void Forget() { m_known = false; }
    // Boots and time of the remote engine at the local time now (seconds);
    // "both 0" is stored as boots 1, time 0, so a learned clock stays known.
    void Learn(uint32_t boots, uint32_t time, uint64_t now);
    uint32_t Boots(uint64_t now) const { return m_known ? uint32_t(At(now) >> 32) : 0; }
    uint32_t Time(uint64_t now) const { return m_known ? uint32_t(At(now)) : 0; }
    // The distance in seconds between a message's boots and time and this
    // clock; unknown counts as 0 for both.
    int64_t Distance(uint32_t boots, uint32_t time, uint64_t now) const;

private:
    uint64_t At(uint64_t now) const { return uint64_t(m_offset + int64_t(now)); }

    bool m_known = false;
    int64_t m_offset = 0;
};

// The clock of a message relative to the local engine clock: boots * 2^32 +
// time - now.
int64_t SnmpClockOffset(uint32_t boots, uint32_t time, uint64_t now);
