#pragma once
// Text for XML documents that the library writes.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

// Appends text with &, <, >, " and ' written as entity references, and each
// character of asReferences (white space a reader would otherwise normalise,
// such as a CR, or a line break inside an attribute value) as a character
// reference.
[[nodiscard]] int AppendXmlEscaped(NetStringBase& out, const char* text, uint32_t length,
                                   const char* asReferences = "");
