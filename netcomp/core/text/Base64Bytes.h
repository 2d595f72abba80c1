#pragma once
// Base64 (RFC 2045) over plain byte ranges: the work behind
// NetString::AppendBase64 and NetString::DecodeBase64, open to coders that
// manage their own buffers.
#include <cstddef>
#include <cstdint>

// Characters that Base64EncodeBytes writes for n bytes.
uint64_t Base64EncodedLength(uint64_t n, bool breakLines);

// Writes the Base64 of n bytes to out, with "=" padding; with breakLines a
// CR LF follows every 64 characters except the last. Gives the characters
// written (Base64EncodedLength).
size_t Base64EncodeBytes(const unsigned char* in, size_t n, char* out, bool breakLines);

// Decodes Base64 text: characters outside the alphabet are skipped, the first
// "=" ends the data and a final incomplete group gives the whole bytes it
// holds. out may be in itself (decoding in place): the output never overtakes
// the input. Gives the bytes written, at most n * 3 / 4.
size_t Base64DecodeBytes(const char* in, size_t n, unsigned char* out);
