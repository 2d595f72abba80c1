#pragma once
// Text from one Windows code page to another, through UTF-16.
#include <winsock2.h>
#include <windows.h>

#include <string>

// The NUL-terminated text in code page `to`; false when it does not convert
// (with MB_ERR_INVALID_CHARS in `fromFlags`, also when it holds bytes that
// are not valid in `from`).
bool RecodeText(const char* text, UINT from, DWORD fromFlags, UINT to, std::string& out);
