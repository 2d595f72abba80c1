// Small routines of the application that the audit code and the result
// writers share.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <comutil.h>

#include <string>

// True when this computer runs Windows 95, 98 or Me.
bool IsWindows9x();
// Tests pretend to run on a given platform: 1 = Windows 9x, 0 = NT family,
// -1 = ask the system again.
void SetWindows9xOverride(int state);

std::string BstrToString(const _bstr_t& text);

// A new GUID text like NewGuidString, or "" when no GUID can be made.
std::string CreateGuidText();

// A date VARIANT as the short (or long) date text of the user's locale; ""
// for VT_EMPTY, VT_NULL and a value that is no date. The VARIANT is cleared.
std::string FormatVariantDate(VARIANT value, bool longDate);
