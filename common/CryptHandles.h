// The CryptoAPI handles behind one derived key, released in reverse order of
// their making. The configuration cipher and the server password's cipher
// each acquire a context and derive their key through DeriveRc4Key.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

struct CryptHandles {
    HCRYPTPROV m_provider = 0;
    HCRYPTHASH m_hash = 0;
    HCRYPTKEY m_key = 0;

    CryptHandles() = default;
    CryptHandles(const CryptHandles&) = delete;
    CryptHandles& operator=(const CryptHandles&) = delete;
    // With the context acquired: an RC4 key (of the provider's default
    // length, with keyFlags) from the MD5 hash of the pass phrase's bytes.
    // False, with the system's error code left, when a step fails.
    bool DeriveRc4Key(const std::string& passPhrase, DWORD keyFlags)
    {
        if (!CryptCreateHash(m_provider, CALG_MD5, 0, 0, &m_hash)) {
            m_hash = 0;
            return false;
        }
        if (!CryptHashData(m_hash, reinterpret_cast<const BYTE*>(passPhrase.data()),
                           static_cast<DWORD>(passPhrase.size()), 0) ||
            !CryptDeriveKey(m_provider, CALG_RC4, m_hash, keyFlags, &m_key)) {
            m_key = 0;
            return false;
        }
        return true;
    }

    ~CryptHandles()
    {
        if (m_key != 0) {
            CryptDestroyKey(m_key);
        }
        if (m_hash != 0) {
            CryptDestroyHash(m_hash);
        }
        if (m_provider != 0) {
            CryptReleaseContext(m_provider, 0);
        }
    }
};
