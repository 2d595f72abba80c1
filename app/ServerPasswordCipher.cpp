// The server's password cipher gives the bytes of the configuration file's
// cipher (the base provider's RC4 over the MD5 hash of a pass phrase), but
// under a context that only verifies: the configuration's cipher opens the
// user's key container, or makes one, which a locked-down or temporary
// profile cannot do, and then no server call could be made at all.
#include "app/ServerPasswordCipher.h"

#include "common/HexCodec.h"

#include <comdef.h>

#include <algorithm>
#include <vector>

namespace {

const char kPassPhrase[] = "7C3E91A04B6D28F5E0A9C4D71B3F8E26";

[[noreturn]] void RaiseLastError()
{
    const DWORD code = GetLastError();
    throw _com_error(HRESULT_FROM_WIN32(code != 0 ? code : ERROR_INVALID_FUNCTION));
}

} // namespace

ServerPasswordKey::ServerPasswordKey()
{
    if (!CryptAcquireContextA(&m_handles.m_provider, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        m_handles.m_provider = 0;
        RaiseLastError();
    }
    if (!m_handles.DeriveRc4Key(kPassPhrase, CRYPT_EXPORTABLE)) {
        RaiseLastError();
    }
}

std::string CipherServerPassword(const std::string& password)
{
    if (password.empty()) {
        return std::string();
    }
    const ServerPasswordKey key;
    // The text and its terminating zero, in one final block. RC4 keeps the
    // length; should a provider want more room, it gets it.
    const std::vector<BYTE> plain(password.c_str(), password.c_str() + password.size() + 1);
    std::vector<BYTE> data = plain;
    DWORD length = static_cast<DWORD>(plain.size());
    if (!CryptEncrypt(key.Handle(), 0, TRUE, 0, data.data(), &length, static_cast<DWORD>(data.size()))) {
        if (GetLastError() != ERROR_MORE_DATA) {
            RaiseLastError();
        }
        data = plain;
        data.resize(std::max<size_t>(length, 4 * password.size()));
        length = static_cast<DWORD>(plain.size());
        if (!CryptEncrypt(key.Handle(), 0, TRUE, 0, data.data(), &length, static_cast<DWORD>(data.size()))) {
            RaiseLastError();
        }
    }
    return HexEncode(data.data(), length);
}
