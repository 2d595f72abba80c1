// Winsock is bound at run time so that the library loads on machines without
// it and so that a component can report why it could not start. Every Load
// that succeeds holds one LoadLibrary and one WSAStartup, and its Unload gives
// both back; a Load that fails gives back whatever it took, so the counts
// always balance and the binding stays up while any component holds it.
//
// Beside the components' references, the first start of a library makes the
// binding pin it and take one start of its own, never given back: the
// library stays in the process and started until the process ends, as in
// programs that start Winsock once at their beginning. Unloading it is not
// safe: an asynchronous look-up runs on a thread of the system, which posts
// the answer and then still returns through the library's code, and nothing
// tells when it has left (the answer may well end its owner, and with it the
// last reference). Nor is it cheap: each last unload and first load again
// costs milliseconds, and ws2_32.dll (Wine's, at least) leaves its table of
// sockets behind on the heap each time it goes. What the binding shows stays
// as before: the load count, "Down" and the fallback entries once the last
// component has let go.
#include "netcomp/core/framework/WinsockBinding.h"

#include <cstring>

WinsockBinding g_winsock;

namespace {

#define NETCOMP_WINSOCK_FALLBACK(ordinal, ret, name, params, fallback)                                                 \
    ret WSAAPI Fallback_##name params                                                                                  \
    {                                                                                                                  \
        fallback                                                                                                       \
    }
NETCOMP_WINSOCK_ENTRIES(NETCOMP_WINSOCK_FALLBACK)
#undef NETCOMP_WINSOCK_FALLBACK

const char kDefaultPath[] = "WSOCK32.DLL";
const char kDown[] = "Down";

void CopyText(char* dst, size_t size, const char* src)
{
    size_t n = std::strlen(src);
    if (n >= size)
        n = size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

} // namespace

WinsockBinding::WinsockBinding()
{
    std::memset(&m_data, 0, sizeof m_data);
    m_path[0] = '\0';
    RestoreFallbacks();
    Init();
}

void WinsockBinding::Init()
{
    std::lock_guard<std::mutex> lock(m_lock);
    // A StaticInit on one thread must not reset what components on another hold.
    if (IsStarted() || m_loadCount > 0)
        return;
    m_module = nullptr;
    m_loadCount = 0;
    std::memset(&m_data, 0, sizeof m_data);
    CopyText(m_data.szSystemStatus, sizeof m_data.szSystemStatus, kDown);
    CopyText(m_path, sizeof m_path, kDefaultPath);
    RestoreFallbacks();
}

void WinsockBinding::SetPath(const char* path)
{
    std::lock_guard<std::mutex> lock(m_lock);
    CopyText(m_path, sizeof m_path, (path && *path) ? path : kDefaultPath);
}

void WinsockBinding::RestoreFallbacks()
{
#define NETCOMP_WINSOCK_RESTORE(ordinal, ret, name, params, fallback) m_api.name = Fallback_##name;
    NETCOMP_WINSOCK_ENTRIES(NETCOMP_WINSOCK_RESTORE)
#undef NETCOMP_WINSOCK_RESTORE
}

void WinsockBinding::Bind(HMODULE module)
{
    // A missing entry keeps its fallback.
#define NETCOMP_WINSOCK_BIND(ordinal, ret, name, params, fallback)                                                     \
    if (FARPROC p = GetProcAddress(module, MAKEINTRESOURCEA(ordinal)))                                                 \
        m_api.name = reinterpret_cast<decltype(m_api.name)>(reinterpret_cast<void*>(p));
    NETCOMP_WINSOCK_ENTRIES(NETCOMP_WINSOCK_BIND)
#undef NETCOMP_WINSOCK_BIND
}

void WinsockBinding::SetDescription(const char* text)
{
    CopyText(m_data.szDescription, sizeof m_data.szDescription, text);
}

int WinsockBinding::Load()
{
    std::lock_guard<std::mutex> lock(m_lock);
    HMODULE module = LoadLibraryA(m_path);
    if (!module) {
        SetDescription("Could not load Winsock DLL.");
        return 0;
    }
    m_module = module;
    ++m_loadCount;
    if (m_loadCount == 1)
        Bind(module);

    WSADATA data;
    std::memset(&data, 0, sizeof data);
    const int rc = m_api.WSAStartup(0x0101, &data);
    if (rc == 0 && data.wVersion == 0x0101) {
        m_data = data;
        Keep(module);
        return 1;
    }
    if (rc == 0)
        m_api.WSACleanup(); // started, but not as 1.1: give that start back
    if (rc == WSAEINVAL || rc == WSAVERNOTSUPPORTED)
        SetDescription("Version not supported.");
    else if (rc == WSASYSNOTREADY)
        SetDescription("Network subsystem not ready.");
    else
        SetDescription("Incompatible Winsock version.");
    Release(false);
    return 0;
}

void WinsockBinding::Unload()
{
    std::lock_guard<std::mutex> lock(m_lock);
    Release(true);
}

void WinsockBinding::Release(bool started)
{
    if (m_loadCount == 0 || !m_module)
        return;
    --m_loadCount;
    HMODULE module = m_module;
    if (started) {
        m_api.WSACancelBlockingCall();
        m_api.WSACleanup();
    }
    if (m_loadCount == 0) {
        // The last reference: back to the state before the first load.
        CopyText(m_data.szSystemStatus, sizeof m_data.szSystemStatus, kDown);
        m_data.iMaxSockets = 0;
        m_data.iMaxUdpDg = 0;
        m_data.wVersion = 0;
        m_data.wHighVersion = 0;
        RestoreFallbacks();
        m_module = nullptr;
    }
    FreeLibrary(module);
}

void WinsockBinding::Keep(HMODULE module)
{
    for (int i = 0; i < m_keptCount; ++i) {
        if (m_kept[i] == module)
            return;
    }
    if (m_keptCount == kMaxKept)
        return;
    // Pinned, so no FreeLibrary anywhere can unload it. The look-up entries
    // forward into the library that runs them, which is pinned as well
    // rather than trusted to stay as the first one's dependency.
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(module), &pinned))
        return;
    if (m_api.WSAAsyncGetHostByName != Fallback_WSAAsyncGetHostByName)
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(m_api.WSAAsyncGetHostByName)), &pinned);
    WSADATA data;
    if (m_api.WSAStartup(0x0101, &data) == 0)
        m_kept[m_keptCount++] = module;
}

const char* WinsockBinding::GetInfo()
{
    m_data.szDescription[256] = '\0';
    return m_data.szDescription;
}

const char* WinsockBinding::GetStatus()
{
    m_data.szSystemStatus[128] = '\0';
    return m_data.szSystemStatus;
}

const char* WinsockBinding::GetPath()
{
    if (m_module) {
        DWORD n = GetModuleFileNameA(m_module, m_path, 200);
        m_path[n < 200 ? n : 200] = '\0';
    }
    return m_path;
}
