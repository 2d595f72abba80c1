#include "netcomp/core/framework/ConfigArg.h"

#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

int ConfigArg::Parse(const char* text)
{
    key.Clear();
    value.Clear();
    query = false;
    if (!text)
        return kResultOk;
    const char* eq = std::strchr(text, '=');
    if (!eq) {
        query = true;
        return key.AssignText(text);
    }
    int rc = key.Assign(uint32_t(eq - text), text);
    if (rc == kResultOk)
        rc = value.AssignText(eq + 1);
    return rc;
}

bool ConfigArg::KeyIs(const char* name) const
{
    return StrICmp(key.CStr(), name) == 0;
}

bool ParseConfigBool(const char* value)
{
    if (!value)
        return false;
    return StrICmp(value, "true") == 0 || StrICmp(value, "yes") == 0 || StrCmp(value, "1") == 0;
}

bool ParseConfigInt(const char* value, int& out)
{
    out = 0;
    if (!value)
        return true;
    const bool negative = *value == '-';
    if (negative)
        ++value;
    // The magnitude may reach 2^31 for a negative number only.
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long magnitude = 0;
    // Without a digit there is no number to take.
    if (*value < '0' || *value > '9')
        return false;
    for (; *value >= '0' && *value <= '9'; ++value) {
        magnitude = magnitude * 10 + (*value - '0');
        if (magnitude > limit)
            return false;
    }
    out = int(negative ? -magnitude : magnitude);
    return true;
}
