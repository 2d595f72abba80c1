// The password as the asset server wants it on the wire.
#pragma once

#include <string>

// RC4 under a key derived from a fixed pass phrase, over the text and its
// terminating zero, as upper-case hexadecimal; "" for "". Raises
// _com_error with the system's code when the cryptographic provider fails.
std::string CipherServerPassword(const std::string& password);
