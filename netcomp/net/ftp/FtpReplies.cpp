#include "netcomp/net/ftp/FtpReplies.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Decimal digits at p (at least one) into *value; false when there are none
// or they pass `limit`.
bool ReadNumber(const char*& p, const char* end, int64_t limit, int64_t* value)
{
    if (p >= end || !IsDigit(*p))
        return false;
    int64_t v = 0;
    while (p < end && IsDigit(*p)) {
        const int digit = *p - '0';
        if (v > (limit - digit) / 10)
            return false;
        v = v * 10 + digit;
        ++p;
    }
    *value = v;
    return true;
}

} // namespace

bool ParsePassiveReply(const char* reply, uint32_t n, uint8_t address[4], uint16_t* port)
{
    if (n < 3 || std::memcmp(reply, "227", 3) != 0)
        return false;
    const char* end = reply + n;
    const char* p = static_cast<const char*>(std::memchr(reply, '(', n));
    if (!p)
        return false;
    ++p;
    int64_t numbers[6];
    for (int64_t& number : numbers) {
        if (!ReadNumber(p, end, 255, &number) || p >= end)
            return false;
        ++p; // the separator
    }
    for (int i = 0; i < 4; ++i)
        address[i] = uint8_t(numbers[i]);
    *port = uint16_t(numbers[4] * 256 + numbers[5]);
    return *port != 0;
}

void QuotedPath(const char* reply, uint32_t n, const char** start, uint32_t* length)
{
    *start = reply + n;
    *length = 0;
    const char* open = static_cast<const char*>(std::memchr(reply, '"', n));
    if (!open)
        return;
    ++open;
    const uint32_t rest = uint32_t(reply + n - open);
    const char* close = static_cast<const char*>(std::memchr(open, '"', rest));
    *start = open;
    *length = close ? uint32_t(close - open) : rest;
}

bool NumberAfterCode(const char* reply, uint32_t n, int64_t* value)
{
    const char* blank = static_cast<const char*>(std::memchr(reply, ' ', n));
    if (!blank)
        return false;
    const char* p = blank + 1;
    return ReadNumber(p, reply + n, INT64_MAX, value);
}

bool ParseOffset(const char* text, int64_t* value)
{
    *value = 0;
    if (!text || !*text)
        return true;
    const char* p = text;
    const char* end = text + std::strlen(text);
    return ReadNumber(p, end, INT64_MAX, value) && p == end;
}

int FormatPortArgument(const uint8_t address[4], uint16_t port, NetStringBase& out)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d,%d", address[0], address[1], address[2], address[3], port / 256,
                  port % 256);
    return out.AssignText(text);
}
