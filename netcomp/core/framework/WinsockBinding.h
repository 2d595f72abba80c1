#pragma once
// The one process-wide Windows Sockets 1.1 binding. Entry points are taken by
// ordinal from the loaded library; until a component loads it, and again after
// the last one lets it go, each entry is a fallback that fails the way the
// call fails without Winsock. The library itself, once started, stays loaded
// and started for the rest of the process (see the .cpp). Components on
// different threads take and give back their references at the same time:
// Init, Load and Unload hold one lock, so the entry table is bound before any
// second reference can use it.
#include <winsock2.h>
#include <windows.h>

#include <mutex>

#define NETCOMP_WINSOCK_ENTRIES(X)                                                                                     \
    X(1, SOCKET, accept, (SOCKET, sockaddr*, int*), return INVALID_SOCKET;)                                            \
    X(2, int, bind, (SOCKET, const sockaddr*, int), return SOCKET_ERROR;)                                              \
    X(3, int, closesocket, (SOCKET), return SOCKET_ERROR;)                                                             \
    X(4, int, connect, (SOCKET, const sockaddr*, int), return SOCKET_ERROR;)                                           \
    X(5, int, getpeername, (SOCKET, sockaddr*, int*), return SOCKET_ERROR;)                                            \
    X(6, int, getsockname, (SOCKET, sockaddr*, int*), return SOCKET_ERROR;)                                            \
    X(7, int, getsockopt, (SOCKET, int, int, char*, int*), return SOCKET_ERROR;)                                       \
    X(8, u_long, htonl, (u_long), return 0;)                                                                           \
    X(9, u_short, htons, (u_short), return 0;)                                                                         \
    X(10, unsigned long, inet_addr, (const char*), return INADDR_NONE;)                                                \
    X(11, char*, inet_ntoa, (in_addr), return nullptr;)                                                                \
    X(12, int, ioctlsocket, (SOCKET, long, u_long*), return SOCKET_ERROR;)                                             \
    X(13, int, listen, (SOCKET, int), return SOCKET_ERROR;)                                                            \
    X(14, u_long, ntohl, (u_long), return 0;)                                                                          \
    X(15, u_short, ntohs, (u_short), return 0;)                                                                        \
    X(16, int, recv, (SOCKET, char*, int, int), return SOCKET_ERROR;)                                                  \
    X(17, int, recvfrom, (SOCKET, char*, int, int, sockaddr*, int*), return SOCKET_ERROR;)                             \
    X(18, int, select, (int, fd_set*, fd_set*, fd_set*, const timeval*), return SOCKET_ERROR;)                         \
    X(19, int, send, (SOCKET, const char*, int, int), return SOCKET_ERROR;)                                            \
    X(20, int, sendto, (SOCKET, const char*, int, int, const sockaddr*, int), return SOCKET_ERROR;)                    \
    X(21, int, setsockopt, (SOCKET, int, int, const char*, int), return SOCKET_ERROR;)                                 \
    X(22, int, shutdown, (SOCKET, int), return SOCKET_ERROR;)                                                          \
    X(23, SOCKET, socket, (int, int, int), return INVALID_SOCKET;)                                                     \
    X(51, hostent*, gethostbyaddr, (const char*, int, int), return nullptr;)                                           \
    X(52, hostent*, gethostbyname, (const char*), return nullptr;)                                                     \
    X(53, protoent*, getprotobyname, (const char*), return nullptr;)                                                   \
    X(54, protoent*, getprotobynumber, (int), return nullptr;)                                                         \
    X(55, servent*, getservbyname, (const char*, const char*), return nullptr;)                                        \
    X(56, servent*, getservbyport, (int, const char*), return nullptr;)                                                \
    X(57, int, gethostname, (char*, int), return SOCKET_ERROR;)                                                        \
    X(101, int, WSAAsyncSelect, (SOCKET, HWND, u_int, long), return SOCKET_ERROR;)                                     \
    X(102, HANDLE, WSAAsyncGetHostByAddr, (HWND, u_int, const char*, int, int, char*, int), return nullptr;)           \
    X(103, HANDLE, WSAAsyncGetHostByName, (HWND, u_int, const char*, char*, int), return nullptr;)                     \
    X(104, HANDLE, WSAAsyncGetProtoByNumber, (HWND, u_int, int, char*, int), return nullptr;)                          \
    X(105, HANDLE, WSAAsyncGetProtoByName, (HWND, u_int, const char*, char*, int), return nullptr;)                    \
    X(106, HANDLE, WSAAsyncGetServByPort, (HWND, u_int, int, const char*, char*, int), return nullptr;)                \
    X(107, HANDLE, WSAAsyncGetServByName, (HWND, u_int, const char*, const char*, char*, int), return nullptr;)        \
    X(108, int, WSACancelAsyncRequest, (HANDLE), return SOCKET_ERROR;)                                                 \
    X(109, FARPROC, WSASetBlockingHook, (FARPROC), return nullptr;)                                                    \
    X(110, int, WSAUnhookBlockingHook, (), return SOCKET_ERROR;)                                                       \
    X(111, int, WSAGetLastError, (), return WSANOTINITIALISED;)                                                        \
    X(112, void, WSASetLastError, (int), return;)                                                                      \
    X(113, int, WSACancelBlockingCall, (), return SOCKET_ERROR;)                                                       \
    X(114, BOOL, WSAIsBlocking, (), return FALSE;)                                                                     \
    X(115, int, WSAStartup, (WORD, WSADATA*), return WSASYSNOTREADY;)                                                  \
    X(116, int, WSACleanup, (), return SOCKET_ERROR;)                                                                  \
    X(151, int, WSAFDIsSet, (SOCKET, fd_set*), return 0;)

struct WinsockApi {
#define NETCOMP_WINSOCK_MEMBER(ordinal, ret, name, params, fallback) ret(WSAAPI* name) params;
    NETCOMP_WINSOCK_ENTRIES(NETCOMP_WINSOCK_MEMBER)
#undef NETCOMP_WINSOCK_MEMBER
};

class WinsockBinding {
public:
    static constexpr int kEntryCount = 47;

    WinsockBinding();
    void Init();
    void SetPath(const char* path);
    [[nodiscard]] int Load();
    void Unload();

    const WinsockApi& Api() const { return m_api; }
    // Tests stand in for single entries (a look-up whose answer they write
    // when they choose); the next first Load binds the library's own again.
    WinsockApi& ApiForTests() { return m_api; }
    const char* GetInfo();
    const char* GetStatus();
    const char* GetPath();
    int GetMaxSockets() const { return m_data.iMaxSockets; }
    int GetMaxDatagramSize() const { return m_data.iMaxUdpDg; }
    unsigned LoadCount() const { return m_loadCount; }
    bool IsStarted() const { return m_data.wVersion == 0x0101; }
    HMODULE Module() const { return m_module; }

private:
    // Libraries the binding keeps for itself; more than one only when the
    // path is changed, which tests do.
    static constexpr int kMaxKept = 4;

    void Bind(HMODULE module);
    void Keep(HMODULE module);
    void RestoreFallbacks();
    void Release(bool started);
    void SetDescription(const char* text);

    std::mutex m_lock;
    HMODULE m_module = nullptr;
    unsigned short m_loadCount = 0;
    WSADATA m_data;
    char m_path[201];
    WinsockApi m_api;
    HMODULE m_kept[kMaxKept] = {};
    int m_keptCount = 0;
};

extern WinsockBinding g_winsock;

// The entry table of the global binding, for the components' socket calls.
inline const WinsockApi& Ws()
{
    return g_winsock.Api();
}
