#include "netcomp/core/text/CodePageText.h"

#include <vector>

bool RecodeText(const char* text, UINT from, DWORD fromFlags, UINT to, std::string& out)
{
    const int wide = MultiByteToWideChar(from, fromFlags, text, -1, nullptr, 0);
    if (wide <= 0)
        return false;
    std::vector<wchar_t> buffer(size_t(wide), L'\0');
    if (MultiByteToWideChar(from, fromFlags, text, -1, buffer.data(), wide) <= 0)
        return false;
    const int narrow = WideCharToMultiByte(to, 0, buffer.data(), -1, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0)
        return false;
    out.assign(size_t(narrow), '\0');
    if (WideCharToMultiByte(to, 0, buffer.data(), -1, out.data(), narrow, nullptr, nullptr) <= 0)
        return false;
    out.resize(size_t(narrow - 1)); // the terminating NUL was counted
    return true;
}
