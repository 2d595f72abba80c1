#pragma once
// The fields of a Set-Cookie header's value: name=value first, then
// attributes separated by ";" (Expires, Domain, Path, Secure; others are
// passed over).
#include "netcomp/core/text/NetString.h"

struct SetCookieFields {
    NetString name;
    NetString value;
    NetString expires;
    NetString domain;
    NetString path;
    bool secure = false;
};

// 0, or 200 when memory runs out.
[[nodiscard]] int ParseSetCookieValue(const char* text, SetCookieFields& fields);
