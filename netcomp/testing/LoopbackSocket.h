#pragma once
// Sockets of a test's own peers on 127.0.0.1 (header only): Winsock started
// for the caller, a socket bound to the loopback address, the port the
// system gave it, a connection to a port there, and a close with a reset.
#include <winsock2.h>
#include <windows.h>

// A socket of `type` (SOCK_STREAM, SOCK_DGRAM) bound to 127.0.0.1:port,
// port 0 taking one the system chooses; Winsock is started for it (the
// caller ends it with WSACleanup). INVALID_SOCKET when it cannot be made.
inline SOCKET BindLoopback(int type, int port)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, type, 0);
    BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(port));
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// The port a socket is bound to, or 0.
inline int BoundPort(SOCKET s)
{
    sockaddr_in bound{};
    int length = sizeof bound;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return 0;
    return ntohs(bound.sin_port);
}

// A TCP connection to 127.0.0.1:port (Winsock started by the caller), or
// INVALID_SOCKET when it could not be made.
inline SOCKET ConnectLoopback(int port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(port));
    if (s != INVALID_SOCKET && connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// Closes a connection with a reset (a linger of 0): what it had not sent yet
// is dropped, and the peer learns of the end as 10054.
inline void CloseWithReset(SOCKET s)
{
    const linger reset{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
    closesocket(s);
}
