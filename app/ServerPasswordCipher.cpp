#include "app/ServerPasswordCipher.h"

#include <windows.h>
#include <wincrypt.h>

#include <comdef.h>

#include <cstdio>
#include <vector>

namespace {

const char kPassPhrase[] = "7C3E91A04B6D28F5E0A9C4D71B3F8E26";

[[noreturn]] void RaiseLastError()
{
    DWORD code = GetLastError();
    throw _com_error(HRESULT_FROM_WIN32(code != 0 ? code : ERROR_INVALID_FUNCTION));
}

// Releases the provider handles on every way out.
struct CryptHandles {
    HCRYPTPROV m_provider = 0;
    HCRYPTHASH m_hash = 0;
    HCRYPTKEY m_key = 0;
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

} // namespace

std::string CipherServerPassword(const std::string& password)
{
    if (password.empty()) {
        return std::string();
    }
    CryptHandles h;
    if (!CryptAcquireContextA(&h.m_provider, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        RaiseLastError();
    }
    if (!CryptCreateHash(h.m_provider, CALG_MD5, 0, 0, &h.m_hash) ||
        !CryptHashData(h.m_hash, reinterpret_cast<const BYTE*>(kPassPhrase), sizeof(kPassPhrase) - 1, 0) ||
        !CryptDeriveKey(h.m_provider, CALG_RC4, h.m_hash, CRYPT_EXPORTABLE, &h.m_key)) {
        RaiseLastError();
    }
    // The text and its terminating zero, in one final block. RC4 keeps the
    // length, but the provider is asked for the room it needs all the same.
    DWORD length = static_cast<DWORD>(password.size() + 1);
    std::vector<BYTE> data(password.begin(), password.end());
    data.push_back(0);
    DWORD needed = length;
    if (!CryptEncrypt(h.m_key, 0, TRUE, 0, nullptr, &needed, 0)) {
        RaiseLastError();
    }
    if (needed > data.size()) {
        data.resize(needed);
    }
    if (!CryptEncrypt(h.m_key, 0, TRUE, 0, data.data(), &length, static_cast<DWORD>(data.size()))) {
        RaiseLastError();
    }
    std::string hex;
    char digits[3];
    for (DWORD i = 0; i < length; ++i) {
        snprintf(digits, sizeof(digits), "%02X", data[i]);
        hex += digits;
    }
    return hex;
}
