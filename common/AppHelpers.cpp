#include "common/AppHelpers.h"

#include "common/TextHelpers.h"

#include <comdef.h>

namespace {
int g_windows9xOverride = -1;
}

bool IsWindows9x()
{
    if (g_windows9xOverride >= 0) {
        return g_windows9xOverride != 0;
    }
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
    if (!GetVersionExA(&info)) {
        return false;
    }
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void SetWindows9xOverride(int state)
{
    g_windows9xOverride = state < 0 ? -1 : (state != 0 ? 1 : 0);
}

std::string BstrToString(const _bstr_t& text)
{
    return ToNarrowString(static_cast<const wchar_t*>(text));
}

std::string CreateGuidText()
{
    try {
        return NewGuidString();
    } catch (const _com_error&) {
        return std::string();
    }
}

std::string FormatVariantDate(VARIANT value, bool longDate)
{
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        VariantClear(&value);
        return std::string();
    }
    BSTR text = nullptr;
    HRESULT hr = VarFormatDateTime(&value, longDate ? 1 : 2, 0, &text);
    VariantClear(&value);
    // A date text no conversion understands (a registry value, a WMI date
    // of some other form) costs only itself, never the whole result.
    if (FAILED(hr)) {
        return std::string();
    }
    std::string result = BstrToStdString(text);
    SysFreeString(text);
    return result;
}
