#pragma once
// Searches of received bytes for the byte that ends a line or record. The
// C library's memchr is a plain byte loop under Wine, and the socket layers
// look at every received byte this way: these take 16 bytes a step.
#include <cstddef>

// The first c in data[0..n), or null.
const char* FindByte(const char* data, size_t n, char c);
// The first CR or LF in data[0..n), or null.
const char* FindLineBreak(const char* data, size_t n);
