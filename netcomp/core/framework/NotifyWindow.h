#pragma once
// The hidden notification windows of the components, and the library-wide
// start-up and shut-down that every <C>_StaticInit / <C>_StaticDestroy runs.
#include <winsock2.h>
#include <windows.h>

// Window messages that Winsock posts to a component's hidden window.
constexpr UINT kMsgTcpSocket = WM_USER + 101;
constexpr UINT kMsgUdpSocket = WM_USER + 102;
constexpr UINT kMsgIcmpSocket = WM_USER + 103;
constexpr UINT kMsgHostLookup = WM_USER + 107;
constexpr UINT kMsgServiceLookup = WM_USER + 108;
// Posted by a component behind the notifications of a socket it closed (RetiredSockets).
constexpr UINT kMsgSocketRetired = WM_USER + 109;
// The thread's line of sockets that wait for their turn to read (SocketTurns).
constexpr UINT kMsgSocketTurn = WM_USER + 110;
// Posted from the library's own thread while the line waits (SocketTurns).
constexpr UINT kMsgSocketWatch = WM_USER + 111;

extern const char kNotifyWindowClass[];

// The module instance given to <C>_StaticInit (the library's one global).
void SetLibraryInstance(HINSTANCE instance);
HINSTANCE LibraryInstance();

void LibraryStartup();
void LibraryShutdown();

HWND CreateNotifyWindow();
// Tests stand in for the window's creation (to see a component without
// one); null restores the real one.
void SetNotifyWindowCreator(HWND (*create)());
LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void UnregisterNotifyWindowClass();
