// The wait step is the only place where a component blocks: it takes one
// message of the calling thread's queue at a time, dispatches it (socket
// notifications of this and every other component, and the owner's own
// window messages), and otherwise sleeps until input arrives or the step's
// time is up. A wait ends on its condition, an interrupt request, the
// deadline, WM_CLOSE, WM_QUIT (posted again for the thread's own loop) or the
// destruction of the component's window.
//
// Deadlines are kept as a start tick and a length and compared by unsigned
// difference, so they hold across the tick count's wrap after 49.7 days.
// Without AbsoluteTimeout each wait (and each piece of data) starts the
// deadline again, so Timeout limits idle time; with it, a call of the flat
// interface ends within its Timeout however many waits it is made of.
#include "netcomp/core/framework/NetComponent.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

DWORD SystemTicks()
{
    return GetTickCount();
}

NetComponent::TickSource g_tickSource = SystemTicks;
NetComponent::WaitSource g_waitSource = MsgWaitForMultipleObjects;

} // namespace

void NetComponent::SetWaitSource(WaitSource source)
{
    g_waitSource = source ? source : MsgWaitForMultipleObjects;
}

void NetComponent::SetTickSource(TickSource source)
{
    g_tickSource = source ? source : SystemTicks;
}

DWORD NetComponent::Now()
{
    return g_tickSource();
}

NetComponent::NetComponent() = default;

NetComponent::~NetComponent()
{
    SetWinsockLoaded(false);
    if (m_window) {
        // Messages sent while the window goes away must not reach a half-destroyed object.
        SetWindowLongPtrA(m_window, 0, 0);
        // Nor may a turn of its sockets wait for it.
        SocketTurns::ForgetWindow(m_window);
        DestroyWindow(m_window);
        m_window = nullptr;
    }
}

int NetComponent::PumpEvents(DWORD step)
{
    // Inside a socket's event with another of its events to follow, that
    // one is what comes next: nothing to wait for.
    switch (SocketTurns::DoEventsStep()) {
    case SocketTurns::Pump::Wait:
        (void)WaitStep(step, m_window);
        break;
    case SocketTurns::Pump::Look:
        (void)WaitStep(0, m_window);
        break;
    case SocketTurns::Pump::Skip:
        break;
    }
    return kResultOk;
}

int NetComponent::ResolveHost(const char* text, unsigned long* address)
{
    unsigned long resolved = Ws().inet_addr(text);
    if (resolved == INADDR_NONE) {
        hostent* host = Ws().gethostbyname(text);
        if (!host || !host->h_addr_list || !host->h_addr_list[0])
            return Ws().WSAGetLastError();
        std::memcpy(&resolved, host->h_addr_list[0], 4);
    }
    *address = resolved;
    return kResultOk;
}

int NetComponent::SetSocketOption(SOCKET socket, int level, int option, int value)
{
    if (Ws().setsockopt(socket, level, option, reinterpret_cast<const char*>(&value), sizeof value) == 0)
        return kResultOk;
    return Ws().WSAGetLastError();
}

int NetComponent::SetLingerOption(SOCKET socket, bool on)
{
    linger value{u_short(on ? 0 : 1), 0};
    if (Ws().setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value) == 0)
        return kResultOk;
    return Ws().WSAGetLastError();
}

namespace {

bool Endpoint(int(WSAAPI* query)(SOCKET, sockaddr*, int*), SOCKET socket, unsigned long* address, int* port)
{
    sockaddr_in end{};
    int length = sizeof end;
    if (socket == INVALID_SOCKET || query(socket, reinterpret_cast<sockaddr*>(&end), &length) != 0)
        return false;
    *address = end.sin_addr.s_addr;
    *port = Ws().ntohs(end.sin_port);
    return true;
}

} // namespace

bool NetComponent::LocalEndpoint(SOCKET socket, unsigned long* address, int* port)
{
    return Endpoint(Ws().getsockname, socket, address, port);
}

bool NetComponent::PeerEndpoint(SOCKET socket, unsigned long* address, int* port)
{
    return Endpoint(Ws().getpeername, socket, address, port);
}

int NetComponent::BoundPort(SOCKET socket, int otherwise)
{
    unsigned long address = 0;
    int port = 0;
    return LocalEndpoint(socket, &address, &port) ? port : otherwise;
}

int NetComponent::GetSocketOption(SOCKET socket, int level, int option, int* value)
{
    int length = sizeof *value;
    if (Ws().getsockopt(socket, level, option, reinterpret_cast<char*>(value), &length) == 0)
        return kResultOk;
    return Ws().WSAGetLastError();
}

int NetComponent::Setup(bool loadWinsock)
{
    Reset();
    SetWinsockLoaded(false);
    m_deadlineSet = false;
    m_timeout = 0;
    m_localAddress = 0;
    m_absoluteTimeout = false;
    m_interruptRequested = false;
    m_interrupted = false;
    // Winsock is loaded whether or not the window comes: the component's
    // settings and look-ups work without it, and what needs the window
    // refuses with kNoNotifyWindow.
    if (loadWinsock)
        SetWinsockLoaded(true);
    if (!m_window) {
        m_window = CreateNotifyWindow();
        if (!m_window)
            return 0;
        SetWindowLongPtrA(m_window, 0, reinterpret_cast<LONG_PTR>(static_cast<ComponentBase*>(this)));
    }
    return 1;
}

void NetComponent::SetWinsockLoaded(bool load)
{
    if (load) {
        if (!m_winsockLoaded)
            m_winsockLoaded = g_winsock.Load() != 0;
    } else if (m_winsockLoaded) {
        g_winsock.Unload();
        m_winsockLoaded = false;
    }
}

int NetComponent::SetTimeout(unsigned seconds)
{
    const unsigned kMaxSeconds = 0xFFFFFFFFu / 1000;
    m_timeout = (seconds > kMaxSeconds ? kMaxSeconds : seconds) * 1000;
    m_deadlineSet = false;
    return kResultOk;
}

void NetComponent::StartTimeout()
{
    const unsigned action = CurrentAction();
    if (m_absoluteTimeout && m_deadlineSet && action != 0 && action == m_deadlineAction)
        return;
    m_deadlineSet = m_timeout != 0;
    m_deadlineStart = Now();
    m_deadlineAction = action;
}

bool NetComponent::DeadlinePassed() const
{
    return m_deadlineSet && DWORD(Now() - m_deadlineStart) >= m_timeout;
}

void NetComponent::Interrupt()
{
    m_interruptRequested = true;
    m_interrupted = false;
}

bool NetComponent::StopForInterrupt()
{
    if (!m_interruptRequested)
        return false;
    m_interruptRequested = false;
    m_interrupted = true;
    SetLastErrorText("Interrupted.");
    return true;
}

int NetComponent::WaitStep(DWORD milliseconds, HWND window)
{
    if (StopForInterrupt())
        return 0;
    // PM_NOYIELD: under Wine a look that finds nothing would otherwise give
    // the processor up, which on a busy machine costs a whole time slice
    // (a DoEvents inside each event of a socket's large read finds nothing
    // most times).
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return 0;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_CLOSE)
            return 0;
        if (!IsWindow(window))
            return 0;
    } else if (milliseconds != 0) {
        // Nothing was there to take: for the thread's sockets, a look at
        // the queue that found nothing waiting.
        SocketTurns::Waited();
        g_waitSource(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
        SocketTurns::WaitEnded();
    }
    if (StopForInterrupt())
        return 0;
    if (DeadlinePassed()) {
        SetLastErrorText("Timeout.");
        return 0;
    }
    return IsWindow(window) ? 1 : 0;
}

void NetComponent::WaitForInput(DWORD milliseconds)
{
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

LRESULT NetComponent::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_window ? DefWindowProcA(m_window, message, wParam, lParam) : 0;
}

const char* NetComponent::GetLocalHost()
{
    m_localHost[0] = '\0';
    if (m_localAddress != 0) {
        const std::string text = DottedAddress(std::uint32_t(m_localAddress));
        std::strncpy(m_localHost, text.c_str(), 100);
        m_localHost[100] = '\0';
        return m_localHost;
    }
    if (Ws().gethostname(m_localHost, 100) != 0) {
        m_localHost[0] = '\0';
        SetErrorFromCode(Ws().WSAGetLastError());
    }
    m_localHost[100] = '\0';
    return m_localHost;
}

int NetComponent::SetLocalHost(const char* text)
{
    SetLastErrorText("");
    SetLastCode(0);
    if (Ws().WSAIsBlocking())
        Ws().WSACancelBlockingCall();
    if (!text || !*text) {
        m_localAddress = 0;
        return kResultOk;
    }
    unsigned long address = 0;
    const int rc = ResolveHost(text, &address);
    if (rc != kResultOk)
        return rc == WSANOTINITIALISED ? kResultOk : rc;
    m_localAddress = address;
    return kResultOk;
}

int NetComponent::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("AbsoluteTimeout")) {
        if (arg.query)
            return AnswerBool(m_absoluteTimeout, answer);
        m_absoluteTimeout = ParseConfigBool(arg.value.CStr());
        return kResultOk;
    }
    if (arg.query) {
        if (arg.KeyIs("WinsockLoaded"))
            return AnswerBool(m_winsockLoaded, answer);
        if (arg.KeyIs("WinsockMaxDatagramSize"))
            return AnswerInt(static_cast<unsigned short>(g_winsock.GetMaxDatagramSize()), answer);
        if (arg.KeyIs("WinsockMaxSockets"))
            return AnswerInt(static_cast<unsigned short>(g_winsock.GetMaxSockets()), answer);
        if (arg.KeyIs("WinsockInfo"))
            return AnswerText(g_winsock.GetInfo(), answer);
        if (arg.KeyIs("WinsockPath"))
            return AnswerText(g_winsock.GetPath(), answer);
        if (arg.KeyIs("WinsockStatus"))
            return AnswerText(g_winsock.GetStatus(), answer);
    }
    return ComponentBase::Config(arg, answer);
}
