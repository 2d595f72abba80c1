#include "netcomp/core/web/HttpCookie.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

int ParseSetCookieValue(const char* text, SetCookieFields& fields)
{
    auto skipBlanks = [](const char* p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        return p;
    };
    const char* p = skipBlanks(text);
    const char* eq = std::strchr(p, '=');
    const char* semi = std::strchr(p, ';');
    const char* end = semi ? semi : p + std::strlen(p);
    int rc = kResultOk;
    if (eq && eq < end) {
        rc = fields.name.Assign(uint32_t(eq - p), p);
        if (rc == kResultOk)
            rc = fields.value.Assign(uint32_t(end - eq - 1), eq + 1);
    } else {
        rc = fields.name.Assign(uint32_t(end - p), p);
    }
    for (p = end; rc == kResultOk && *p == ';';) {
        p = skipBlanks(p + 1);
        const char* attrEnd = std::strchr(p, ';');
        if (!attrEnd)
            attrEnd = p + std::strlen(p);
        const char* attrEq = static_cast<const char*>(std::memchr(p, '=', size_t(attrEnd - p)));
        const uint32_t nameLength = uint32_t((attrEq ? attrEq : attrEnd) - p);
        const char* v = attrEq ? attrEq + 1 : attrEnd;
        const uint32_t valueLength = uint32_t(attrEnd - v);
        auto is = [&](const char* key) { return std::strlen(key) == nameLength && StrNICmp(p, key, nameLength) == 0; };
        if (is("EXPIRES"))
            rc = fields.expires.Assign(valueLength, v);
        else if (is("DOMAIN"))
            rc = fields.domain.Assign(valueLength, v);
        else if (is("PATH"))
            rc = fields.path.Assign(valueLength, v);
        else if (is("SECURE"))
            fields.secure = true;
        p = attrEnd;
    }
    return rc;
}
