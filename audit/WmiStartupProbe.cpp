// The start-up WMI probe. A successful answer is what makes the audits of
// this computer use the WMI engine; any COM failure on the way means "no
// WMI" and the Win32/registry engine.
#include "audit/WmiStartupProbe.h"

#include "audit/WmiAccess.h"
#include "common/AppHelpers.h"

namespace {

const HRESULT kWbemNotFound = static_cast<HRESULT>(0x80041002);

std::string TrimBlanks(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return std::string();
    }
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

} // namespace

// Runs when reading the enclosure's "SMBIOSAssetTag" fails with WBEM_E_NOT_FOUND (Wine's class lacks it).
bool IsWineMissingAssetTag(HRESULT hr)
{
    return hr == kWbemNotFound;
}

bool ProbeWmiServices(IDispatch* services, std::string& assetTag)
{
    try {
        WmiDispatchAccess access(services);
        WmiObjectList enclosures;
        access.GetInstances("Win32_SystemEnclosure", enclosures);
        if (enclosures.empty()) {
            return true;
        }
        IDispatchPtr properties = ObjectDispatch(DispatchGet(ObjectDispatch(enclosures.front()), L"Properties_"));
        _variant_t property;
        try {
            property = DispatchCall(properties, L"Item", {_variant_t(L"SMBIOSAssetTag")});
        } catch (const _com_error& error) {
            if (!IsWineMissingAssetTag(error.Error())) {
                throw;
            }
            return true; // no tag, and WMI answers every other class
        }
        _variant_t value = DispatchGet(ObjectDispatch(property), L"Value");
        std::string tag;
        if (value.vt != VT_NULL && value.vt != VT_EMPTY) {
            tag = BstrToString(_bstr_t(value));
        }
        assetTag = TrimBlanks(tag);
        return true;
    } catch (const _com_error&) {
        return false;
    }
}
