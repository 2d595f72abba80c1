// Hexadecimal text of the enciphered configuration values.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Two upper-case digits per byte.
std::string HexEncode(const unsigned char* bytes, size_t count);
// Bytes from pairs of digits of either case; any other character counts as 0
// and a final unpaired digit is ignored. Returns the number of bytes.
size_t HexDecode(std::vector<unsigned char>& out, const std::string& hex);
