#pragma once
// What every networked engine shares: the hidden notification window, a
// reference on the Winsock binding, the local host, the time-out with its
// deadline, and the wait step through which blocking calls keep the calling
// thread's messages flowing. Engines that open sockets (ICMP, TCP, UDP) also
// find here the host resolution, the socket-option calls and DoEvents; the
// sockets themselves belong in a SocketHandle (OwnedHandle.h), the dotted
// text of an address comes from DottedAddress (AddressText.h).
#include <winsock2.h>
#include <windows.h>

#include "netcomp/core/framework/ComponentBase.h"

class NetComponent : public ComponentBase {
public:
    using TickSource = DWORD (*)();

    NetComponent();
    ~NetComponent() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    virtual const char* GetLocalHost();
    [[nodiscard]] virtual int SetLocalHost(const char* text);
    [[nodiscard]] virtual int WaitStep(DWORD milliseconds, HWND window);
    // Sleeps until the thread's queue holds input (at once when it already
    // does) or the time is up, taking nothing from it: for the first step of
    // a wait that is known to find the queue empty, as a wait step would
    // look at the queue before it sleeps.
    static void WaitForInput(DWORD milliseconds);

    // The DoEvents method of the components: one wait step of 20 ms, none
    // where a socket's event follows at once. It takes no argument: the
    // method tables pass a caller's arguments to what they bind.
    [[nodiscard]] int DoEvents() { return PumpEvents(20); }
    // Whether the calling thread's queue holds anything a wait step would take.
    static bool MessagesWaiting() { return HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0; }

    // A host name or dotted address to an IPv4 address in network order:
    // inet_addr first, else the first address gethostbyname gives. 0, or the
    // Winsock code of the failed look-up (*address is then left alone).
    [[nodiscard]] static int ResolveHost(const char* text, unsigned long* address);
    // setsockopt/getsockopt of one int through the binding: 0 or the Winsock code.
    [[nodiscard]] static int SetSocketOption(SOCKET socket, int level, int option, int value);
    [[nodiscard]] static int GetSocketOption(SOCKET socket, int level, int option, int* value);
    // The Linger property onto a socket: on is a graceful close, for which
    // SO_LINGER itself is switched off; off resets the connection at close.
    [[nodiscard]] static int SetLingerOption(SOCKET socket, bool on);
    // The local address (network order) and port of a socket, or of its peer
    // (getsockname / getpeername); false when the socket cannot tell.
    static bool LocalEndpoint(SOCKET socket, unsigned long* address, int* port);
    static bool PeerEndpoint(SOCKET socket, unsigned long* address, int* port);
    // The port a socket is bound to (LocalPort 0 reads as the one the system
    // chose), or `otherwise` for a closed socket or one that cannot tell.
    static int BoundPort(SOCKET socket, int otherwise);

    int Setup(bool loadWinsock);
    void SetWinsockLoaded(bool load);
    bool GetWinsockLoaded() const { return m_winsockLoaded; }

    int SetTimeout(unsigned seconds);
    unsigned GetTimeout() const { return m_timeout / 1000; }
    // Starts the deadline of a wait. With AbsoluteTimeout on, one action of
    // the flat interface has one deadline: the waits inside it (a connect,
    // each command, the next exchange of a transfer, the request again after
    // a redirect) keep the one the first of them started.
    void StartTimeout();
    bool DeadlinePassed() const;
    bool HasDeadline() const { return m_deadlineSet; }
    void Interrupt();
    void ClearInterruptRequest() { m_interruptRequested = false; }
    void ClearInterrupted() { m_interrupted = false; }
    bool WasInterrupted() const { return m_interrupted; }
    bool AbsoluteTimeout() const { return m_absoluteTimeout; }
    unsigned long LocalAddress() const { return m_localAddress; }

    // Tests replace the tick count to cross its wrap-around.
    static void SetTickSource(TickSource source);
    static DWORD Now();
    // Tests see the waits of the wait step: the function is called in place
    // of MsgWaitForMultipleObjects (null puts the system's back).
    using WaitSource = DWORD(WINAPI*)(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD wake);
    static void SetWaitSource(WaitSource source);

protected:
    // DoEvents with a wait step of `step` ms.
    [[nodiscard]] int PumpEvents(DWORD step);
    void OnDestroyDeferred() override { Interrupt(); }
    // An Interrupt asked for (from inside an event) is taken: the request
    // cleared, WasInterrupted set, "Interrupted." the last error, and true.
    bool StopForInterrupt();

private:
    unsigned m_timeout = 0;    // milliseconds; 0 = no deadline
    DWORD m_deadlineStart = 0; // tick count when the deadline was started
    bool m_deadlineSet = false;
    unsigned m_deadlineAction = 0; // the action (CurrentAction) that started it
    char m_localHost[101] = {};
    bool m_winsockLoaded = false;
    unsigned long m_localAddress = 0; // network order; 0 = any
    bool m_absoluteTimeout = false;
    bool m_interruptRequested = false;
    bool m_interrupted = false;
};
