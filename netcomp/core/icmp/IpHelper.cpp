#include "netcomp/core/icmp/IpHelper.h"

namespace {

using GetInterfaceInfoFn = DWORD(WINAPI*)(PIP_INTERFACE_INFO, PULONG);
using GetNetworkParamsFn = DWORD(WINAPI*)(PFIXED_INFO, PULONG);
using GetAdaptersInfoFn = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
using AddressFn = DWORD(WINAPI*)(PIP_ADAPTER_INDEX_MAP);
using SendArpFn = DWORD(WINAPI*)(IPAddr, IPAddr, PVOID, PULONG);

constexpr DWORD kMissing = DWORD(-1);

enum Entry {
    kGetInterfaceInfo,
    kGetNetworkParams,
    kGetAdaptersInfo,
    kReleaseAddress,
    kRenewAddress,
    kSendArp,
    kEntryCount
};
const char* const kNames[kEntryCount] = {"GetInterfaceInfo", "GetNetworkParams", "GetAdaptersInfo",
                                         "IpReleaseAddress", "IpRenewAddress",   "SendARP"};

DllBinding g_ipHelper("iphlpapi.dll", kNames, kEntryCount);

} // namespace

DllBinding& IpHelperDll()
{
    return g_ipHelper;
}

void IpHelperStaticInit()
{
    g_ipHelper.Acquire();
}

void IpHelperStaticDestroy()
{
    g_ipHelper.Release();
}

DWORD IpHelperGetInterfaceInfo(IP_INTERFACE_INFO* table, ULONG* size)
{
    const auto fn = g_ipHelper.Entry<GetInterfaceInfoFn>(kGetInterfaceInfo);
    return fn ? fn(table, size) : kMissing;
}

DWORD IpHelperGetNetworkParams(FIXED_INFO* info, ULONG* size)
{
    const auto fn = g_ipHelper.Entry<GetNetworkParamsFn>(kGetNetworkParams);
    return fn ? fn(info, size) : kMissing;
}

DWORD IpHelperGetAdaptersInfo(IP_ADAPTER_INFO* info, ULONG* size)
{
    const auto fn = g_ipHelper.Entry<GetAdaptersInfoFn>(kGetAdaptersInfo);
    return fn ? fn(info, size) : kMissing;
}

DWORD IpHelperReleaseAddress(IP_ADAPTER_INDEX_MAP* adapter)
{
    const auto fn = g_ipHelper.Entry<AddressFn>(kReleaseAddress);
    return fn ? fn(adapter) : kMissing;
}

DWORD IpHelperRenewAddress(IP_ADAPTER_INDEX_MAP* adapter)
{
    const auto fn = g_ipHelper.Entry<AddressFn>(kRenewAddress);
    return fn ? fn(adapter) : kMissing;
}

DWORD IpHelperSendArp(IPAddr destination, IPAddr source, void* mac, ULONG* length)
{
    const auto fn = g_ipHelper.Entry<SendArpFn>(kSendArp);
    return fn ? fn(destination, source, mac, length) : kMissing;
}
