// The cipher of the credentials in the configuration file: RC4 under the
// base CryptoAPI provider with a key from the MD5 hash of a fixed pass
// phrase, written as upper-case hexadecimal text.
#pragma once

#include "common/ConfigDocument.h"

#include <string>

const std::string& GetConfigPassPhrase();

// Encipher: the hexadecimal text of the enciphered bytes; decipher: the plain
// text of a hexadecimal text. False (out unchanged) when the provider cannot
// be used: then nothing is ciphered at all.
bool CipherConfigValue(const std::string& text, const std::string& passPhrase, bool encipher, std::string& out);

// The cipher of the configuration file's credentials under its pass phrase.
ConfigByteCipher ConfigFileCipher(bool encipher);

// The CryptoAPI provider the cipher acquires (null: the base provider);
// returns the previous one. Tests name one that does not exist to see the
// cipher fail as on a computer without the provider.
const char* SetConfigCipherProvider(const char* provider);
