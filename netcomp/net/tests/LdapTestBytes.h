#pragma once
// Bytes of LDAP messages for the tests, written out element by element: T
// gives one element with a one-byte length (contents under 128 bytes), S one
// whose content is a text; both in hex, turned into bytes by Bytes.
#include <cstdio>
#include <string>

inline std::string HexOf(const char* data, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += "0123456789abcdef"[(data[i] >> 4) & 15], out += "0123456789abcdef"[data[i] & 15];
    return out;
}

inline std::string HexText(const std::string& text)
{
    return HexOf(text.data(), text.size());
}

inline std::string Bytes(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

inline std::string T(int tag, const std::string& content)
{
    char head[5];
    std::snprintf(head, sizeof head, "%02x%02x", tag, unsigned(content.size() / 2));
    return head + content;
}

inline std::string S(int tag, const std::string& text)
{
    return T(tag, HexText(text));
}
