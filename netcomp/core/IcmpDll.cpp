// icmp.dll is loaded by the first StaticInit of a component that may use it
// and freed by the matching last StaticDestroy; the count keeps one
// component's shut-down from pulling the library away from another.
#include "netcomp/core/IcmpDll.h"

namespace {

using CreateFileFn = HANDLE(WINAPI*)();
using CloseHandleFn = BOOL(WINAPI*)(HANDLE);
using SendEchoFn = IcmpSendEchoFn;

HMODULE g_icmpModule = nullptr;
unsigned g_icmpUsers = 0;
CreateFileFn g_createFile = nullptr;
CloseHandleFn g_closeHandle = nullptr;
SendEchoFn g_sendEcho = nullptr;
SendEchoFn g_sendEchoReplacement = nullptr;

template <class Fn>
Fn Entry(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

void IcmpDllStaticInit()
{
    if (g_icmpUsers++ > 0)
        return;
    g_icmpModule = LoadLibraryA("icmp.dll");
    if (!g_icmpModule)
        return;
    g_createFile = Entry<CreateFileFn>(g_icmpModule, "IcmpCreateFile");
    g_closeHandle = Entry<CloseHandleFn>(g_icmpModule, "IcmpCloseHandle");
    g_sendEcho = Entry<SendEchoFn>(g_icmpModule, "IcmpSendEcho");
}

void IcmpDllStaticDestroy()
{
    if (g_icmpUsers == 0 || --g_icmpUsers > 0)
        return;
    g_createFile = nullptr;
    g_closeHandle = nullptr;
    g_sendEcho = nullptr;
    if (g_icmpModule)
        FreeLibrary(g_icmpModule);
    g_icmpModule = nullptr;
}

HANDLE IcmpDllCreateFile()
{
    return g_createFile ? g_createFile() : INVALID_HANDLE_VALUE;
}

void IcmpDllCloseHandle(HANDLE handle)
{
    if (g_closeHandle)
        g_closeHandle(handle);
}

DWORD IcmpDllSendEcho(HANDLE handle, IPAddr destination, void* data, WORD size, IP_OPTION_INFORMATION* options,
                      void* replyBuffer, DWORD replySize, DWORD timeoutMs)
{
    if (g_sendEchoReplacement)
        return g_sendEchoReplacement(handle, destination, data, size, options, replyBuffer, replySize, timeoutMs);
    if (!g_sendEcho) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return 0;
    }
    return g_sendEcho(handle, destination, data, size, options, replyBuffer, replySize, timeoutMs);
}

void IcmpDllReplaceSendEcho(IcmpSendEchoFn sendEcho)
{
    g_sendEchoReplacement = sendEcho;
}
