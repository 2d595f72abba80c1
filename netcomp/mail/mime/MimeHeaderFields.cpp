#include "netcomp/mail/mime/MimeHeaderFields.h"

#include <cstring>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool EqualNoCase(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

bool MimeHeaderField::NameIs(const char* text) const
{
    return std::strlen(text) == nameLength && EqualNoCase(name, text, nameLength);
}

bool NextMimeHeader(const char** pos, const char* end, MimeHeaderField* field)
{
    const char* p = *pos;
    // Skip stray empty lines and continuation lines without a header.
    while (p < end && (static_cast<unsigned char>(*p) <= ' '))
        ++p;
    if (p >= end)
        return false;
    // The header runs up to the next line that starts with a printable character.
    const char* stop = p;
    for (;;) {
        const void* lf = std::memchr(stop, '\n', size_t(end - stop));
        if (!lf) {
            stop = end;
            break;
        }
        stop = static_cast<const char*>(lf) + 1;
        if (stop >= end || static_cast<unsigned char>(*stop) > ' ')
            break;
    }
    *pos = stop;
    const char* colon = static_cast<const char*>(std::memchr(p, ':', size_t(stop - p)));
    field->name = p;
    field->nameLength = colon ? size_t(colon - p) : size_t(stop - p);
    const char* v = colon ? colon + 1 : stop;
    while (v < stop && (*v == ' ' || *v == '\t'))
        ++v;
    const char* ve = v;
    while (ve < stop && static_cast<unsigned char>(*ve) >= 33 && *ve != ';')
        ++ve;
    field->value = v;
    field->valueLength = size_t(ve - v);
    const char* a = ve;
    while (a < stop && (static_cast<unsigned char>(*a) <= ' ' || *a == ';'))
        ++a;
    const char* ae = stop;
    while (ae > a && (ae[-1] == '\r' || ae[-1] == '\n'))
        --ae;
    field->params = a;
    field->paramsLength = size_t(ae - a);
    return true;
}

bool MimeParamValue(const char* params, size_t n, const char* key, bool notAfterLetter, bool last, NetStringBase& value)
{
    const size_t k = std::strlen(key);
    const char* found = nullptr;
    for (size_t i = 0; i + k + 1 <= n; ++i) {
        if (params[i + k] != '=' || !EqualNoCase(params + i, key, k))
            continue;
        if (notAfterLetter && i > 0 && IsLetter(params[i - 1]))
            continue;
        found = params + i + k + 1;
        if (!last)
            break;
    }
    if (!found)
        return false;
    const char* end = params + n;
    // Unfold: CR LF and the blanks after it are dropped.
    NetString raw;
    for (const char* p = found; p < end; ++p) {
        if (*p == '\r' || *p == '\n') {
            while (p + 1 < end && (p[1] == '\r' || p[1] == '\n' || p[1] == ' ' || p[1] == '\t'))
                ++p;
            continue;
        }
        if (raw.AppendChar(*p))
            return false;
    }
    const char* v = raw.Data();
    const char* ve = v + raw.Length();
    const char* stop;
    if (v < ve && *v == '"') {
        ++v;
        stop = static_cast<const char*>(std::memchr(v, '"', size_t(ve - v)));
        if (!stop)
            stop = ve;
    } else {
        stop = v;
        while (stop<ve&& static_cast<unsigned char>(*stop)> ' ' && *stop != ';')
            ++stop;
    }
    NetString plain;
    if (plain.Assign(uint32_t(stop - v), v))
        return false;
    return value.AssignDecodedHeader(plain.CStr()) == 0;
}
