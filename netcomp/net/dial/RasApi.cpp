#include "netcomp/net/dial/RasApi.h"

#include "netcomp/core/framework/DllBinding.h"

namespace ras {

namespace {

enum Entry {
    kEnumEntries,
    kEnumConnections,
    kHangUp,
    kGetConnectStatus,
    kDial,
    kGetEntryDialParams,
    kSetEntryDialParams,
    kGetEntryProperties,
    kSetEntryProperties,
    kDeleteEntry,
    kEnumDevices,
    kGetCredentials,
    kEntryCount
};
const char* const kNames[kEntryCount] = {"RasEnumEntriesA",
                                         "RasEnumConnectionsA",
                                         "RasHangUpA",
                                         "RasGetConnectStatusA",
                                         "RasDialA",
                                         "RasGetEntryDialParamsA",
                                         "RasSetEntryDialParamsA",
                                         "RasGetEntryPropertiesA",
                                         "RasSetEntryPropertiesA",
                                         "RasDeleteEntryA",
                                         "RasEnumDevicesA",
                                         "RasGetCredentialsA"};

// Loaded once for the process and kept: a dial notification may still be on
// its way when the last component goes.
DllBinding g_ras("RASAPI32.DLL", kNames, kEntryCount);

struct Text {
    int code;
    const char* text;
};

const Text kTexts[] = {
    {0, "Open port"},
    {1, "Port opened"},
    {2, "Connect device"},
    {3, "Device connected"},
    {4, "All devices connected"},
    {5, "Authenticate"},
    {6, "Authenticate: notify"},
    {7, "Authentication: retry"},
    {8, "Authentication: callback"},
    {9, "Authentication: change password"},
    {10, "Authentication: project"},
    {11, "Authentication: link speed"},
    {12, "Authentication: acknowledge"},
    {13, "Reauthentication"},
    {14, "Authenticated"},
    {15, "Prepare for callback"},
    {16, "Wait for modem reset"},
    {17, "Wait for modem callback"},
    {18, "Projected"},
    {19, "Start authentication"},
    {20, "Callback complete"},
    {21, "Logon network"},
    {600, "An operation is pending."},
    {623, "Cannot find the phone book entry."},
    {638, "The request has timed out."},
    {4096, "Interactive"},
    {4097, "Retry authentication"},
    {4098, "Callback set by Caller"},
    {4099, "Password expired"},
    {8192, "Connected"},
    {8193, "Disconnected"},
};

} // namespace

bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool Bind(Api& api)
{
    if (!g_ras.IsLoaded() && !g_ras.Acquire())
        return false;
    api.enumEntries = g_ras.Entry<EnumEntriesFn>(kEnumEntries);
    api.enumConnections = g_ras.Entry<EnumConnectionsFn>(kEnumConnections);
    api.hangUp = g_ras.Entry<HangUpFn>(kHangUp);
    api.getConnectStatus = g_ras.Entry<GetConnectStatusFn>(kGetConnectStatus);
    api.dial = g_ras.Entry<DialFn>(kDial);
    api.getEntryDialParams = g_ras.Entry<GetEntryDialParamsFn>(kGetEntryDialParams);
    api.setEntryDialParams = g_ras.Entry<SetEntryDialParamsFn>(kSetEntryDialParams);
    api.getEntryProperties = g_ras.Entry<GetEntryPropertiesFn>(kGetEntryProperties);
    api.setEntryProperties = g_ras.Entry<SetEntryPropertiesFn>(kSetEntryProperties);
    api.deleteEntry = g_ras.Entry<DeleteEntryFn>(kDeleteEntry);
    api.enumDevices = g_ras.Entry<EnumDevicesFn>(kEnumDevices);
    api.getCredentials = UnderWine() ? nullptr : g_ras.Entry<GetCredentialsFn>(kGetCredentials);
    return true;
}

std::string Describe(int code)
{
    for (const Text& t : kTexts)
        if (t.code == code)
            return t.text;
    return "[" + std::to_string(code) + "] (no description available)";
}

std::string DescribeError(int code)
{
    return code >= 600 ? Describe(code) : "[" + std::to_string(code) + "] (no description available)";
}

} // namespace ras
