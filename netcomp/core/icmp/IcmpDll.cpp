#include "netcomp/core/icmp/IcmpDll.h"

#include <atomic>

namespace {

using CreateFileFn = HANDLE(WINAPI*)();
using CloseHandleFn = BOOL(WINAPI*)(HANDLE);

enum Entry { kCreateFile, kCloseHandle, kSendEcho, kEntryCount };
const char* const kNames[kEntryCount] = {"IcmpCreateFile", "IcmpCloseHandle", "IcmpSendEcho"};

DllBinding g_icmpDll("icmp.dll", kNames, kEntryCount);
std::atomic<IcmpSendEchoFn> g_sendEchoReplacement{nullptr};

} // namespace

DllBinding& IcmpDll()
{
    return g_icmpDll;
}

void IcmpDllStaticInit()
{
    g_icmpDll.Acquire();
}

void IcmpDllStaticDestroy()
{
    g_icmpDll.Release();
}

HANDLE IcmpDllCreateFile()
{
    const auto create = g_icmpDll.Entry<CreateFileFn>(kCreateFile);
    return create ? create() : INVALID_HANDLE_VALUE;
}

void IcmpDllCloseHandle(HANDLE handle)
{
    if (const auto close = g_icmpDll.Entry<CloseHandleFn>(kCloseHandle))
        close(handle);
}

DWORD IcmpDllSendEcho(HANDLE handle, IPAddr destination, void* data, WORD size, IP_OPTION_INFORMATION* options,
                      void* replyBuffer, DWORD replySize, DWORD timeoutMs)
{
    IcmpSendEchoFn send = g_sendEchoReplacement.load();
    if (!send)
        send = g_icmpDll.Entry<IcmpSendEchoFn>(kSendEcho);
    if (!send) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return 0;
    }
    return send(handle, destination, data, size, options, replyBuffer, replySize, timeoutMs);
}

void IcmpDllReplaceSendEcho(IcmpSendEchoFn sendEcho)
{
    g_sendEchoReplacement = sendEcho;
}
