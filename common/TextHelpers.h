// Text conversions and small text rules shared by the asset model, the audit
// engines and the application.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

BSTR ToBstr(const std::string& text);
std::wstring ToWideString(const std::string& text);
std::string ToNarrowString(const wchar_t* text);
std::string BstrToStdString(BSTR text);
// A text of the system's ANSI code page as UTF-8, without the characters
// that XML 1.0 does not allow (controls other than tab, CR and LF).
std::string AnsiToUtf8(const std::string& text);

std::string& ToUpperCase(std::string& text);
std::string ToUpperCase(const std::string& text);
std::string& TrimLeft(std::string& text);
std::string& TrimRight(std::string& text);
bool IsAllDigits(const std::string& text);

// The system's message for a code, without its line end; empty when the
// system has none.
std::string SystemMessageText(unsigned long code);
// The same for a Win32 error code, or a short text naming the code when the
// system has none.
std::string SystemErrorText(unsigned long code);

// A new GUID as 38 characters, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
// Raises _com_error when no GUID can be made.
std::string NewGuidString();

// A string-table text; module null means the module that holds the
// application's resources. An unknown identifier gives "".
std::string LoadResourceString(unsigned int id, HINSTANCE module);
