#pragma once
// The value of one variable binding on the wire: written from the text the
// owner set, by the type code, and read back into text.
#include <cstdint>

#include "netcomp/net/ber/BerCodec.h"
#include "netcomp/net/snmp/SnmpBindings.h"

constexpr int kSnmpNotAnIpAddress = 306;

// Appends the binding's value element to codec: 0, 306 for an IpAddress value
// that is no dotted address, 445 for a number out of range or a type code
// that is no single-byte low tag, 200 when memory runs out.
[[nodiscard]] int AppendSnmpValue(BerCodec& codec, const SnmpBinding& binding);

// Reads the value element at index into binding.type and binding.value;
// 0 or the codec's 446/447.
[[nodiscard]] int ReadSnmpValue(const BerCodec& codec, int index, SnmpBinding& binding);

// "a.b.c.d" with four decimal numbers up to 255 and nothing else.
bool ParseDottedAddress(const char* text, uint8_t out[4]);
