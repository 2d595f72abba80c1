// The password as the asset server wants it on the wire.
#pragma once

#include "common/CryptHandles.h"

#include <string>

// RC4 under a key derived from a fixed pass phrase, over the text and its
// terminating zero, as upper-case hexadecimal; "" for "". Raises
// _com_error with the system's code when the cryptographic provider fails.
std::string CipherServerPassword(const std::string& password);

// The key that CipherServerPassword enciphers with, in a provider context of
// its own; raises _com_error as CipherServerPassword does.
class ServerPasswordKey {
public:
    ServerPasswordKey();
    ServerPasswordKey(const ServerPasswordKey&) = delete;
    ServerPasswordKey& operator=(const ServerPasswordKey&) = delete;

    HCRYPTKEY Handle() const { return m_handles.m_key; }

private:
    CryptHandles m_handles;
};
