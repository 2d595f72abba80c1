#pragma once
// The remote access functions NetDial calls, bound at run time from
// RASAPI32.DLL; an entry the library lacks stays null and its operation is
// skipped. Tests put functions of their own in its place.
//
// The records are the platform's own (ras.h, rasdlg.h), handed over with the
// size of their oldest version, which every later version of the platform
// accepts. A record of which NetDial reads or passes several in a row (the
// phone-book entry names, the connections) has its oldest layout declared
// here, under the platform's packing, and checked field by field against the
// platform's record in RasApi.cpp.
#include <winsock2.h>
#include <windows.h>

#include <ras.h>
#include <rasdlg.h>

#include <cstddef>
#include <cstring>

namespace ras {

// The platform's own declarations, so that a stand-in or a bound entry
// takes exactly the records the platform passes.
using EnumEntriesFn = decltype(&::RasEnumEntriesA);
using EnumConnectionsFn = decltype(&::RasEnumConnectionsA);
using HangUpFn = decltype(&::RasHangUpA);
using GetConnectStatusFn = decltype(&::RasGetConnectStatusA);
using DialFn = decltype(&::RasDialA);
using GetEntryDialParamsFn = decltype(&::RasGetEntryDialParamsA);
using SetEntryDialParamsFn = decltype(&::RasSetEntryDialParamsA);
using GetEntryPropertiesFn = decltype(&::RasGetEntryPropertiesA);
using SetEntryPropertiesFn = decltype(&::RasSetEntryPropertiesA);
using DeleteEntryFn = decltype(&::RasDeleteEntryA);
using EnumDevicesFn = decltype(&::RasEnumDevicesA);
using GetCredentialsFn = decltype(&::RasGetCredentialsA);
// From rasdlg.dll.
using DialDialogFn = decltype(&::RasDialDlgA);

struct Api {
    EnumEntriesFn enumEntries = nullptr;
    EnumConnectionsFn enumConnections = nullptr;
    HangUpFn hangUp = nullptr;
    GetConnectStatusFn getConnectStatus = nullptr;
    DialFn dial = nullptr;
    GetEntryDialParamsFn getEntryDialParams = nullptr;
    SetEntryDialParamsFn setEntryDialParams = nullptr;
    GetEntryPropertiesFn getEntryProperties = nullptr;
    SetEntryPropertiesFn setEntryProperties = nullptr;
    DeleteEntryFn deleteEntry = nullptr;
    EnumDevicesFn enumDevices = nullptr;
    GetCredentialsFn getCredentials = nullptr;
    // Null: taken from rasdlg.dll (DialDialog).
    DialDialogFn dialDialog = nullptr;
};

// The entries of the loaded library (loaded by the first call); all null
// when it cannot be loaded. Under Wine the credentials function stays null:
// Wine's aborts the process, and the dial parameters stored with the entry
// serve instead.
bool Bind(Api& api);
// RasDialDlgA of rasdlg.dll, loaded by the first call and kept; null when the
// library cannot be loaded (then *loaded is false) or lacks it, and under
// Wine, whose stub aborts the process.
DialDialogFn DialDialog(bool* loaded);
// Whether this runs under Wine, whose stubs of RasGetCredentialsA and
// RasDialDlgA abort the process.
bool UnderWine();

#include <pshpack4.h>
// RASENTRYNAMEA before its flags and phone-book path.
struct EntryName {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
};
// RASCONNA before its phone-book path; its handle makes it longer on 64-bit.
struct Connection {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
#include <poppack.h>

// The sizes declared in the records handed over whole.
constexpr DWORD kDialParamsSize = offsetof(RASDIALPARAMSA, dwSubEntry);
constexpr DWORD kEntrySize = offsetof(RASENTRYA, dwSubEntries);
constexpr DWORD kStatusSize = (offsetof(RASCONNSTATUSA, szPhoneNumber) + 3) / 4 * 4;
constexpr DWORD kDialExtensionsSize = offsetof(RASDIALEXTENSIONS, reserved1);

// A record handed to a RAS function: zeroed, the size of its version
// declared, and room behind it, as a later version of the platform may write
// its own version of a record whatever the declared size says.
constexpr std::size_t kRecordRoom = 4096;
template <class Record>
struct Padded {
    Record record;
    unsigned char room[kRecordRoom];

    explicit Padded(DWORD size) { Clear(size); }
    void Clear(DWORD size)
    {
        std::memset(static_cast<void*>(this), 0, sizeof *this);
        record.dwSize = size;
    }
};

} // namespace ras
