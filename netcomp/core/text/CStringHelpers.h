#pragma once
// C-string helpers of the library: NUL-terminated 8-bit text, case folding for
// ASCII letters only, so results never depend on the C runtime's locale.
#include <cstddef>
#include <cstdint>

void* MemMove(void* dst, const void* src, size_t n);
char* StrCpy(char* dst, const char* src);
char* StrCat(char* dst, const char* src);
char* StrNCpy(char* dst, const char* src, size_t n);
int StrCmp(const char* a, const char* b);
int StrNCmp(const char* a, const char* b, size_t n);
int StrICmp(const char* a, const char* b);
int StrNICmp(const char* a, const char* b, size_t n);
char* StrChr(const char* text, char c);
char* StrRChr(const char* text, char c);
char* StrStr(const char* haystack, const char* needle);
char* StrIStr(const char* haystack, const char* needle);
int StrToInt(const char* text);
long StrToLong(const char* text);
char* StrSplitAt(char* text, char c);
char AsciiLower(char c);
// The value of a hexadecimal digit, -1 for any other character.
int HexDigitValue(char c);
// Reads the decimal digits at the start of data (at most n bytes) as a
// number of 0 to INT_MAX: the count of digits read, or 0 when there is no
// digit or the number does not fit (value is then left as it was).
size_t ReadDecimalInt(const char* data, size_t n, int* value);
// The same for a number of 0 to INT64_MAX: a size or a count of bytes.
size_t ReadDecimalSize(const char* data, size_t n, int64_t* value);
// True when the text (a null text holds none) or the bytes hold a CR or an LF:
// what a caller passes into one line of a protocol must not end it early.
bool HasLineBreak(const char* text);
bool HasLineBreak(const char* data, uint32_t n);
