#pragma once
// The process-wide binding of the system's ICMP helper library, shared by the
// ICMP-based components. Calls through a missing entry point fail quietly:
// create gives INVALID_HANDLE_VALUE, send gives no reply, close does nothing.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "netcomp/core/framework/DllBinding.h"
#include "netcomp/core/framework/OwnedHandle.h"

// The binding itself: components' StaticInit/StaticDestroy and every ICMP
// engine hold a reference on it.
DllBinding& IcmpDll();
void IcmpDllStaticInit();
void IcmpDllStaticDestroy();

HANDLE IcmpDllCreateFile();
void IcmpDllCloseHandle(HANDLE handle);
DWORD IcmpDllSendEcho(HANDLE handle, IPAddr destination, void* data, WORD size, IP_OPTION_INFORMATION* options,
                      void* replyBuffer, DWORD replySize, DWORD timeoutMs);

// An icmp.dll handle, closed with IcmpCloseHandle.
struct IcmpHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { IcmpDllCloseHandle(handle); }
};
using IcmpHandle = OwnedHandle<IcmpHandleTraits>;

// Tests stand in for IcmpSendEcho with answers the loopback never gives
// (null: the library's own again).
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD);
void IcmpDllReplaceSendEcho(IcmpSendEchoFn sendEcho);
