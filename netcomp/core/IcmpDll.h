#pragma once
// The process-wide binding of the system's ICMP helper library, shared by the
// ICMP-based components. Calls through a missing entry point fail quietly:
// create gives INVALID_HANDLE_VALUE, send gives no reply, close does nothing.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

void IcmpDllStaticInit();
void IcmpDllStaticDestroy();

HANDLE IcmpDllCreateFile();
void IcmpDllCloseHandle(HANDLE handle);
DWORD IcmpDllSendEcho(HANDLE handle, IPAddr destination, void* data, WORD size, IP_OPTION_INFORMATION* options,
                      void* replyBuffer, DWORD replySize, DWORD timeoutMs);

// Tests stand in for IcmpSendEcho with answers the loopback never gives
// (null: the library's own again).
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD);
void IcmpDllReplaceSendEcho(IcmpSendEchoFn sendEcho);
