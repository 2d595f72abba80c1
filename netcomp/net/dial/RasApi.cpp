#include "netcomp/net/dial/RasApi.h"

#include "netcomp/core/framework/DllBinding.h"

namespace ras {

// The oldest layouts declared in RasApi.h lie as the platform's records lay
// out the same fields; on 64-bit the handle follows the size at offset 4.
static_assert(offsetof(EntryName, szEntryName) == offsetof(RASENTRYNAMEA, szEntryName), "entry name");
static_assert(sizeof(EntryName) == 264, "the first phone-book entry name record");
static_assert(offsetof(Connection, hrasconn) == offsetof(RASCONNA, hrasconn) && offsetof(Connection, hrasconn) == 4,
              "connection handle");
static_assert(offsetof(Connection, szEntryName) == offsetof(RASCONNA, szEntryName) &&
                  offsetof(Connection, szEntryName) == 4 + sizeof(HRASCONN),
              "connection entry name");
static_assert(offsetof(Connection, szDeviceType) == offsetof(RASCONNA, szDeviceType), "connection device type");
static_assert(offsetof(Connection, szDeviceName) == offsetof(RASCONNA, szDeviceName), "connection device name");
static_assert(sizeof(Connection) == (sizeof(void*) == 8 ? 416 : 412), "the first connection record");
static_assert(sizeof(Connection) == (offsetof(RASCONNA, szPhonebook) + 3) / 4 * 4, "the platform's, cut there");

// The records handed over whole are the platform's, with the sizes of their
// first versions; every field NetDial touches lies inside that size.
static_assert(kDialParamsSize == 1052, "the first dial parameters");
static_assert(offsetof(RASDIALPARAMSA, szDomain) + DNLEN + 1 <= kDialParamsSize, "dial parameters' fields");
static_assert(kEntrySize == 1768, "the first entry properties");
static_assert(offsetof(RASENTRYA, szDeviceName) + RAS_MaxDeviceName + 1 <= kEntrySize &&
                  offsetof(RASENTRYA, ipaddrWins) + sizeof(RASIPADDR) <= kEntrySize && sizeof(RASIPADDR) == 4,
              "entry properties' fields");
static_assert(kStatusSize == 160, "the first connection status");
static_assert(offsetof(RASCONNSTATUSA, dwError) + sizeof(DWORD) <= kStatusSize && sizeof(RASCONNSTATE) == 4,
              "connection status' fields");
static_assert(kDialExtensionsSize == (sizeof(void*) == 8 ? 24 : 16), "the first dial extensions");
static_assert(offsetof(RASDIALEXTENSIONS, dwfOptions) == 4, "dial extension options");
static_assert(sizeof(RASDEVINFOA) == 152, "device record");
static_assert(sizeof(RASCREDENTIALSA) == 540, "credentials record");
static_assert(sizeof(RASDIALDLG) == (sizeof(void*) == 8 ? 48 : 36), "dial dialog record");

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

// RAS's own thread posts a dial's notifications, and may be about to when the
// last component goes.
DllBinding g_ras("RASAPI32.DLL", kNames, kEntryCount, DllLifetime::Process);

// The dial dialog dials through RAS with a notifier of its own in rasdlg.dll,
// which RAS's thread may still call after the dialog has returned.
const char* const kDialogNames[] = {"RasDialDlgA"};
DllBinding g_rasDialogs("rasdlg.dll", kDialogNames, 1, DllLifetime::Process);

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

DialDialogFn DialDialog(bool* loaded)
{
    *loaded = g_rasDialogs.IsLoaded() || g_rasDialogs.Acquire();
    if (!*loaded || UnderWine())
        return nullptr;
    return g_rasDialogs.Entry<DialDialogFn>(0);
}

} // namespace ras
