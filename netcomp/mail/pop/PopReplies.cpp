#include "netcomp/mail/pop/PopReplies.h"

#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"

namespace {

// One number; the position after it, or null when there is none.
const char* ReadNumber(const char* p, int64_t* value)
{
    int64_t n = 0;
    const size_t digits = ReadDecimalSize(p, std::strlen(p), &n);
    p += digits;
    if (digits == 0 || (*p != '\0' && *p != ' '))
        return nullptr;
    *value = n;
    return p;
}

const char* ReadNumber(const char* p, int* value)
{
    int64_t n = 0;
    p = ReadNumber(p, &n);
    if (!p || n > INT32_MAX)
        return nullptr;
    *value = int(n);
    return p;
}

} // namespace

bool ParsePopStatReply(const char* reply, int* count, int64_t* size)
{
    int c = 0;
    int64_t s = 0;
    const char* p = ReadNumber(std::strlen(reply) > 4 ? reply + 4 : "", &c);
    p = p && *p == ' ' ? ReadNumber(p + 1, &s) : nullptr;
    if (!p)
        return false;
    *count = c;
    *size = s;
    return true;
}

bool ParsePopSizeReply(const char* reply, int64_t* size)
{
    if (std::strlen(reply) < 5)
        return false;
    const char* blank = std::strchr(reply + 4, ' ');
    return blank && ReadNumber(blank + 1, size);
}

bool ParsePopListLine(const char* line, bool sizes, PopListLine& out)
{
    out = PopListLine();
    PopListLine item;
    const char* p = ReadNumber(line, &item.number);
    if (!p)
        return false;
    const char* after = *p == ' ' ? p + 1 : p;
    if (sizes && !ReadNumber(after, &item.size))
        return false;
    if (!sizes)
        item.uid = after;
    out = item;
    return true;
}
