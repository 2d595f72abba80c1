#pragma once
// A parsed Config text: "key=value" sets, "key" alone queries.
#include "netcomp/core/text/NetString.h"

struct ConfigArg {
    NetString key;
    NetString value;
    bool query = false;

    [[nodiscard]] int Parse(const char* text);
    bool KeyIs(const char* name) const;
};

// "true", "yes" or "1" in any ASCII case; everything else is false.
bool ParseConfigBool(const char* value);
// An optional '-' and decimal digits up to the first other character. False
// when there is no digit or the number does not fit an int.
[[nodiscard]] bool ParseConfigInt(const char* value, int& out);
