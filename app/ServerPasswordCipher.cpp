#include "app/ServerPasswordCipher.h"

#include "common/ConfigCipher.h"

#include <windows.h>

#include <comdef.h>

namespace {

const char kPassPhrase[] = "7C3E91A04B6D28F5E0A9C4D71B3F8E26";

} // namespace

// The configuration file's cipher under the server's own pass phrase; the
// server expects the terminating zero enciphered with the text.
std::string CipherServerPassword(const std::string& password)
{
    if (password.empty()) {
        return std::string();
    }
    std::string hex;
    if (!CipherConfigValue(password + '\0', kPassPhrase, true, hex)) {
        DWORD code = GetLastError();
        throw _com_error(HRESULT_FROM_WIN32(code != 0 ? code : ERROR_INVALID_FUNCTION));
    }
    return hex;
}
