#pragma once
// The process-wide binding of iphlpapi.dll. Calls through an entry point the
// library lacks (or before IpHelperStaticInit) give (DWORD)-1.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

void IpHelperStaticInit();
void IpHelperStaticDestroy();

// The body of DNS_StaticDestroy and MX_StaticDestroy.
int DnsStaticRelease();

DWORD IpHelperGetInterfaceInfo(IP_INTERFACE_INFO* table, ULONG* size);
DWORD IpHelperGetNetworkParams(FIXED_INFO* info, ULONG* size);
DWORD IpHelperGetAdaptersInfo(IP_ADAPTER_INFO* info, ULONG* size);
DWORD IpHelperReleaseAddress(IP_ADAPTER_INDEX_MAP* adapter);
DWORD IpHelperRenewAddress(IP_ADAPTER_INDEX_MAP* adapter);
DWORD IpHelperSendArp(IPAddr destination, IPAddr source, void* mac, ULONG* length);
