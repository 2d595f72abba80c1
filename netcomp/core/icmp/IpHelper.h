#pragma once
// The process-wide binding of iphlpapi.dll. Calls through an entry point the
// library lacks (or while nothing holds the binding) give (DWORD)-1.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "netcomp/core/framework/ComponentTable.h"
#include "netcomp/core/framework/DllBinding.h"

// The binding itself: IPInfo, DNS and MX take a reference in StaticInit and
// give it back in StaticDestroy (IpHelperComponent); each engine that reads
// through it holds one for its lifetime.
DllBinding& IpHelperDll();
void IpHelperStaticInit();
void IpHelperStaticDestroy();

DWORD IpHelperGetInterfaceInfo(IP_INTERFACE_INFO* table, ULONG* size);
DWORD IpHelperGetNetworkParams(FIXED_INFO* info, ULONG* size);
DWORD IpHelperGetAdaptersInfo(IP_ADAPTER_INFO* info, ULONG* size);
DWORD IpHelperReleaseAddress(IP_ADAPTER_INDEX_MAP* adapter);
DWORD IpHelperRenewAddress(IP_ADAPTER_INDEX_MAP* adapter);
DWORD IpHelperSendArp(IPAddr destination, IPAddr source, void* mac, ULONG* length);

// The start-up and shut-down of a component that reads through the binding.
struct IpHelperComponent : ComponentDefaults {
    static int StaticInit()
    {
        IpHelperStaticInit();
        return 0;
    }

    static int StaticDestroy()
    {
        IpHelperStaticDestroy();
        return 0;
    }
};
