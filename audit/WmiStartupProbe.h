// The start-up question to WMI: does it answer, and what SMBIOS asset tag
// does the system enclosure carry?
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

// Asks an SWbemServices connection for the first system enclosure's
// "SMBIOSAssetTag". True when WMI answered (also without any enclosure); the
// tag, trimmed of blanks and tabs, goes to assetTag, which is left alone
// otherwise. Any COM failure gives false.
bool ProbeWmiServices(IDispatch* services, std::string& assetTag);

// True for the one failure of the asset-tag read that Wine gives and Windows
// does not: the property is missing from Wine's class.
bool IsWineMissingAssetTag(HRESULT hr);
