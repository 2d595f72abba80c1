#pragma once
// Byte-level pieces of the text encoders that the header encoders and the
// tests share. The encoders themselves are NetString members.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

bool IsSjisLead(unsigned char c);

// Conversions over n bytes (NUL bytes included), appending to out.
[[nodiscard]] int SjisBytesToJis(const char* text, uint32_t n, NetStringBase& out);
[[nodiscard]] int JisBytesToSjis(const char* text, uint32_t n, NetStringBase& out);
