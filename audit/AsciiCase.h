// Case folding for ASCII letters only, so that comparisons of system texts
// never depend on the C runtime's locale.
#pragma once

inline char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
