#pragma once
// The remote access functions NetDial calls, bound at run time from
// RASAPI32.DLL; an entry the library lacks stays null and its operation is
// skipped. Tests put functions of their own in its place.
//
// The records are the platform's oldest layouts (accepted by every later
// version), with the offsets of the fields NetDial reads and writes; the
// connection record holds a handle, so its size follows the pointer size.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <string>

namespace ras {

using EnumEntriesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*, DWORD*, DWORD*);
using EnumConnectionsFn = DWORD(WINAPI*)(void*, DWORD*, DWORD*);
using HangUpFn = DWORD(WINAPI*)(HANDLE);
using GetConnectStatusFn = DWORD(WINAPI*)(HANDLE, void*);
using DialFn = DWORD(WINAPI*)(void*, LPCSTR, void*, DWORD, void*, HANDLE*);
using GetEntryDialParamsFn = DWORD(WINAPI*)(LPCSTR, void*, BOOL*);
using SetEntryDialParamsFn = DWORD(WINAPI*)(LPCSTR, void*, BOOL);
using GetEntryPropertiesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*, DWORD*, void*, DWORD*);
using SetEntryPropertiesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*, DWORD, void*, DWORD);
using DeleteEntryFn = DWORD(WINAPI*)(LPCSTR, LPCSTR);
using EnumDevicesFn = DWORD(WINAPI*)(void*, DWORD*, DWORD*);
using GetCredentialsFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*);

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
};

// The entries of the loaded library (loaded by the first call); all null
// when it cannot be loaded. Under Wine the credentials function stays null:
// Wine's aborts the process, and the dial parameters stored with the entry
// serve instead.
bool Bind(Api& api);
// Whether this runs under Wine, whose stubs of RasGetCredentialsA and
// RasDialDlgA abort the process.
bool UnderWine();

// Phone-book entry name: dwSize, szEntryName[257].
constexpr std::size_t kEntryNameSize = 264;
constexpr std::size_t kEntryNameName = 4;
// Connection: dwSize, hrasconn, szEntryName[257], szDeviceType[17], szDeviceName[129].
constexpr std::size_t kConnHandle = sizeof(void*);
constexpr std::size_t kConnName = kConnHandle + sizeof(void*);
constexpr std::size_t kConnDeviceType = kConnName + 257;
constexpr std::size_t kConnDeviceName = kConnDeviceType + 17;
constexpr std::size_t kConnSize = (kConnDeviceName + 129 + sizeof(void*) - 1) / sizeof(void*) * sizeof(void*);
// Device: dwSize, szDeviceType[17], szDeviceName[129].
constexpr std::size_t kDeviceSize = 152;
constexpr std::size_t kDeviceType = 4;
constexpr std::size_t kDeviceName = 21;
// Connection status: dwSize, state, dwError, szDeviceType[17], szDeviceName[129].
constexpr std::size_t kStatusSize = 160;
constexpr std::size_t kStatusState = 4;
constexpr std::size_t kStatusError = 8;
// Dial parameters: dwSize, entry[257], phone[129], callback[129], user[257],
// password[257], domain[16].
constexpr std::size_t kDialParamsSize = 1052;
constexpr std::size_t kDialEntry = 4;
constexpr std::size_t kDialPhone = 261;
constexpr std::size_t kDialCallback = 390;
constexpr std::size_t kDialUser = 519;
constexpr std::size_t kDialPassword = 776;
constexpr std::size_t kDialDomain = 1033;
// Entry properties.
constexpr std::size_t kEntrySize = 1768;
constexpr std::size_t kEntryOptions = 4;
constexpr std::size_t kEntryLocalPhone = 27;
constexpr std::size_t kEntryIp = 160;
constexpr std::size_t kEntryDns = 164;
constexpr std::size_t kEntryWins = 172;
constexpr std::size_t kEntryDeviceType = 972;
constexpr std::size_t kEntryDeviceName = 989;
// Credentials: dwSize, dwMask, szUserName[257], szPassword[257], szDomain[16].
constexpr std::size_t kCredentialsSize = 540;
constexpr std::size_t kCredentialsMask = 4;
constexpr std::size_t kCredentialsUser = 8;
constexpr std::size_t kCredentialsPassword = 265;
constexpr std::size_t kCredentialsDomain = 522;

constexpr DWORD kStateConnected = 0x2000;
constexpr DWORD kStateDisconnected = 0x2001;
constexpr DWORD kInvalidHandle = 6;
constexpr DWORD kEntryNotFound = 623;
constexpr DWORD kNoSuchName = 123;
constexpr DWORD kBufferTooSmall = 603;

// The text of a connection state or RAS error ("[n] (no description
// available)" for a number it does not know).
std::string Describe(int code);
// The same for an error code: only the RAS errors (600 and up) have texts,
// so that a system error such as 1 is not named after a connection state.
std::string DescribeError(int code);

} // namespace ras
