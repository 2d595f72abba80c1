// The start-up question to WMI: does it answer, and what SMBIOS asset tag
// does the system enclosure carry? Any COM failure on the way means "no
// WMI" (the audits then use the Win32/registry engine).
#include "app/KestrovaApp.h"
#include "audit/WmiAccess.h"
#include "common/AppHelpers.h"

namespace {

// A property or method of an automation object, read by name.
_variant_t InvokeGet(IDispatch* object, const wchar_t* name, const _variant_t* argument)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    VARIANTARG args[1];
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    if (argument != nullptr) {
        args[0] = *argument;
        params.rgvarg = args;
        params.cArgs = 1;
    }
    _variant_t result;
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result,
                        nullptr, nullptr);
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    return result;
}

std::string TrimBlanks(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return std::string();
    }
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

} // namespace

bool ProbeWmiAvailable(std::string& assetTag)
{
    try {
        IDispatchPtr locator = CreateWmiLocator();
        if (!locator) {
            return false;
        }
        IDispatchPtr services = ConnectWmiServer(locator, _bstr_t(IsWindows9x() ? "." : ""), 0);
        WmiDispatchAccess access(services);
        WmiObjectList enclosures;
        access.GetInstances("Win32_SystemEnclosure", enclosures);
        if (!enclosures.empty()) {
            IDispatchPtr enclosure(enclosures.front());
            _variant_t properties = InvokeGet(enclosure, L"Properties_", nullptr);
            _variant_t name(L"SMBIOSAssetTag");
            _variant_t property = InvokeGet(IDispatchPtr(properties), L"Item", &name);
            _variant_t value = InvokeGet(IDispatchPtr(property), L"Value", nullptr);
            std::string tag;
            if (value.vt != VT_NULL && value.vt != VT_EMPTY) {
                tag = BstrToString(_bstr_t(value));
            }
            assetTag = TrimBlanks(tag);
        }
        return true;
    } catch (const _com_error&) {
        return false;
    }
}
