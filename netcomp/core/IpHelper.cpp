// iphlpapi.dll is loaded once by IPInfo_StaticInit and freed by the
// component's StaticDestroy (or by DNS and MX, which share it).
#include "netcomp/core/IpHelper.h"

#include "netcomp/core/NotifyWindow.h"

namespace {

using GetInterfaceInfoFn = DWORD(WINAPI*)(PIP_INTERFACE_INFO, PULONG);
using GetNetworkParamsFn = DWORD(WINAPI*)(PFIXED_INFO, PULONG);
using GetAdaptersInfoFn = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
using AddressFn = DWORD(WINAPI*)(PIP_ADAPTER_INDEX_MAP);
using SendArpFn = DWORD(WINAPI*)(IPAddr, IPAddr, PVOID, PULONG);

constexpr DWORD kMissing = DWORD(-1);

HMODULE g_module = nullptr;
GetInterfaceInfoFn g_getInterfaceInfo = nullptr;
GetNetworkParamsFn g_getNetworkParams = nullptr;
GetAdaptersInfoFn g_getAdaptersInfo = nullptr;
AddressFn g_releaseAddress = nullptr;
AddressFn g_renewAddress = nullptr;
SendArpFn g_sendArp = nullptr;

template <class Fn>
Fn Entry(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_module, name)));
}

} // namespace

void IpHelperStaticInit()
{
    if (!g_module) {
        g_module = LoadLibraryA("iphlpapi.dll");
        if (g_module) {
            g_getInterfaceInfo = Entry<GetInterfaceInfoFn>("GetInterfaceInfo");
            g_getNetworkParams = Entry<GetNetworkParamsFn>("GetNetworkParams");
            g_getAdaptersInfo = Entry<GetAdaptersInfoFn>("GetAdaptersInfo");
            g_releaseAddress = Entry<AddressFn>("IpReleaseAddress");
            g_renewAddress = Entry<AddressFn>("IpRenewAddress");
            g_sendArp = Entry<SendArpFn>("SendARP");
        }
    }
    LibraryStartup();
}

void IpHelperStaticDestroy()
{
    g_getInterfaceInfo = nullptr;
    g_getNetworkParams = nullptr;
    g_getAdaptersInfo = nullptr;
    g_releaseAddress = nullptr;
    g_renewAddress = nullptr;
    g_sendArp = nullptr;
    if (g_module)
        FreeLibrary(g_module);
    g_module = nullptr;
    LibraryShutdown();
}

int DnsStaticRelease()
{
    IpHelperStaticDestroy();
    LibraryShutdown();
    return 0;
}

DWORD IpHelperGetInterfaceInfo(IP_INTERFACE_INFO* table, ULONG* size)
{
    return g_getInterfaceInfo ? g_getInterfaceInfo(table, size) : kMissing;
}

DWORD IpHelperGetNetworkParams(FIXED_INFO* info, ULONG* size)
{
    return g_getNetworkParams ? g_getNetworkParams(info, size) : kMissing;
}

DWORD IpHelperGetAdaptersInfo(IP_ADAPTER_INFO* info, ULONG* size)
{
    return g_getAdaptersInfo ? g_getAdaptersInfo(info, size) : kMissing;
}

DWORD IpHelperReleaseAddress(IP_ADAPTER_INDEX_MAP* adapter)
{
    return g_releaseAddress ? g_releaseAddress(adapter) : kMissing;
}

DWORD IpHelperRenewAddress(IP_ADAPTER_INDEX_MAP* adapter)
{
    return g_renewAddress ? g_renewAddress(adapter) : kMissing;
}

DWORD IpHelperSendArp(IPAddr destination, IPAddr source, void* mac, ULONG* length)
{
    return g_sendArp ? g_sendArp(destination, source, mac, length) : kMissing;
}
