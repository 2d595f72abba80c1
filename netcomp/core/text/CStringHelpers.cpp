#include "netcomp/core/text/CStringHelpers.h"

#include <cstring>

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

// The digits at the start of data as a number of 0 to max.
size_t ReadDecimal(const char* data, size_t n, uint64_t max, uint64_t* value)
{
    uint64_t number = 0;
    size_t i = 0;
    for (; i < n && data[i] >= '0' && data[i] <= '9'; ++i) {
        const unsigned digit = unsigned(data[i] - '0');
        if (number > (max - digit) / 10)
            return 0;
        number = number * 10 + digit;
    }
    if (i > 0)
        *value = number;
    return i;
}

} // namespace

size_t ReadDecimalInt(const char* data, size_t n, int* value)
{
    uint64_t number = 0;
    const size_t digits = ReadDecimal(data, n, INT32_MAX, &number);
    if (digits > 0)
        *value = int(number);
    return digits;
}

size_t ReadDecimalSize(const char* data, size_t n, int64_t* value)
{
    uint64_t number = 0;
    const size_t digits = ReadDecimal(data, n, INT64_MAX, &number);
    if (digits > 0)
        *value = int64_t(number);
    return digits;
}

void* MemMove(void* dst, const void* src, size_t n)
{
    return std::memmove(dst, src, n);
}

char* StrCpy(char* dst, const char* src)
{
    return std::strcpy(dst, src);
}

char* StrCat(char* dst, const char* src)
{
    return std::strcat(dst, src);
}

char* StrNCpy(char* dst, const char* src, size_t n)
{
    size_t i = 0;
    for (; i < n && src[i]; ++i)
        dst[i] = src[i];
    for (; i < n; ++i)
        dst[i] = '\0';
    return dst;
}

namespace {

int Sign(int d)
{
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int Compare(const char* a, const char* b, size_t n, bool fold)
{
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(fold ? AsciiLower(a[i]) : a[i]);
        unsigned char cb = static_cast<unsigned char>(fold ? AsciiLower(b[i]) : b[i]);
        if (ca != cb)
            return Sign(int(ca) - int(cb));
        if (ca == 0)
            return 0;
    }
    return 0;
}

} // namespace

int StrCmp(const char* a, const char* b)
{
    return Compare(a, b, size_t(-1), false);
}

int StrNCmp(const char* a, const char* b, size_t n)
{
    return Compare(a, b, n, false);
}

int StrICmp(const char* a, const char* b)
{
    return Compare(a, b, size_t(-1), true);
}

int StrNICmp(const char* a, const char* b, size_t n)
{
    return Compare(a, b, n, true);
}

char* StrChr(const char* text, char c)
{
    for (;; ++text) {
        if (*text == c)
            return const_cast<char*>(text);
        if (!*text)
            return nullptr;
    }
}

char* StrRChr(const char* text, char c)
{
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == c)
            found = text;
        if (!*text)
            return const_cast<char*>(found);
    }
}

char* StrStr(const char* haystack, const char* needle)
{
    return const_cast<char*>(std::strstr(haystack, needle));
}

char* StrIStr(const char* haystack, const char* needle)
{
    const size_t n = std::strlen(needle);
    if (n == 0)
        return const_cast<char*>(haystack);
    for (; *haystack; ++haystack) {
        if (Compare(haystack, needle, n, true) == 0)
            return const_cast<char*>(haystack);
    }
    return nullptr;
}

long StrToLong(const char* text)
{
    bool negative = false;
    if (*text == '-') {
        negative = true;
        ++text;
    }
    // Unsigned so that an over-long number wraps instead of overflowing.
    unsigned long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + unsigned(*text - '0');
    return long(negative ? 0 - value : value);
}

int StrToInt(const char* text)
{
    return int(StrToLong(text));
}

char* StrSplitAt(char* text, char c)
{
    char* p = text;
    while (*p && *p != c)
        ++p;
    if (*p) {
        *p = '\0';
        return p + 1;
    }
    return p;
}

bool HasLineBreak(const char* text)
{
    return text && std::strpbrk(text, "\r\n") != nullptr;
}

bool HasLineBreak(const char* data, uint32_t n)
{
    return data && (std::memchr(data, '\r', n) || std::memchr(data, '\n', n));
}
