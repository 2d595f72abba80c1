#pragma once
// What the FTP engine reads out of reply lines and texts, apart from the
// socket: the address of a passive reply, the directory of a PWD reply, the
// number of a SIZE reply, a restart offset, and the argument of PORT.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": six numbers of 0-255
// after the opening parenthesis, each ended by one character. False for any
// other reply and for a port of 0.
bool ParsePassiveReply(const char* reply, uint32_t n, uint8_t address[4], uint16_t* port);

// The text between the first double quote and the next one, or the end of
// the reply when no second quote follows; empty without a quote (RFC 959's
// 257 reply of PWD).
void QuotedPath(const char* reply, uint32_t n, const char** start, uint32_t* length);

// The decimal number after the reply's first blank ("213 1024000"); false
// when no digit follows it or the number does not fit 63 bits.
bool NumberAfterCode(const char* reply, uint32_t n, int64_t* value);

// A restart offset: decimal digits only, at most 63 bits; the empty text is 0.
bool ParseOffset(const char* text, int64_t* value);

// "a1,a2,a3,a4,p1,p2" for the address bytes in network order and the port.
[[nodiscard]] int FormatPortArgument(const uint8_t address[4], uint16_t port, NetStringBase& out);
