#pragma once
// The text form of an LDAP search filter (RFC 4515) and its BER encoding,
// the Filter of a SearchRequest (RFC 4511 section 4.5.1.7).
#include <cstdint>

#include "netcomp/core/text/NetString.h"

constexpr int kLdapBadFilter = 335;

// Appends the encoded filter to out: 0, 335 for a text that does not parse
// (out is then left as it was), 445 for a filter too long to encode, 200.
// The outer parentheses may be left out of a single item ("cn=a*").
[[nodiscard]] int EncodeLdapFilter(const char* text, uint32_t length, NetStringBase& out);
