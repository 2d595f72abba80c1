// The CryptoAPI handles behind one derived key, released in reverse order of
// their making. The configuration cipher and the server password's cipher
// each fill one.
#pragma once

#include <windows.h>
#include <wincrypt.h>

struct CryptHandles {
    HCRYPTPROV m_provider = 0;
    HCRYPTHASH m_hash = 0;
    HCRYPTKEY m_key = 0;

    CryptHandles() = default;
    CryptHandles(const CryptHandles&) = delete;
    CryptHandles& operator=(const CryptHandles&) = delete;
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
