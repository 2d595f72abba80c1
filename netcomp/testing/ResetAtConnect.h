#pragma once
// A server that greets and resets the connection at once, before Winsock
// has told the client that its connect completed: the connect notification
// then comes with 10054, and what the server sent is still there to read.
// For one test (header only), made after the components have bound
// Winsock: each client socket that asks for a connect notification hears
// nothing else from Winsock, and once its connection has been made, the
// server's bytes are in and the reset has come (the socket no longer has a
// peer), its connect notification is posted with 10054.
#include "netcomp/testing/WinsockStandIns.h"

class ResetAtConnect {
public:
    ResetAtConnect()
    {
        m_winsock.Entries().WSAAsyncSelect = &ResetAtConnect::AsyncSelect;
        m_winsock.Entries().connect = &ResetAtConnect::Connect;
        s_self = this;
    }
    ~ResetAtConnect() { s_self = nullptr; }
    ResetAtConnect(const ResetAtConnect&) = delete;
    ResetAtConnect& operator=(const ResetAtConnect&) = delete;

    // How many connect notifications were posted with the reset.
    int Posted() const { return m_posted; }

private:
    static int WSAAPI AsyncSelect(SOCKET socket, HWND window, u_int message, long events)
    {
        ResetAtConnect& self = *s_self;
        if (events & FD_CONNECT) {
            self.m_window = window;
            self.m_message = message;
            events = 0;
        }
        return self.m_winsock.Real().WSAAsyncSelect(socket, window, message, events);
    }

    static int WSAAPI Connect(SOCKET socket, const sockaddr* to, int length)
    {
        ResetAtConnect& self = *s_self;
        const WinsockApi& ws = self.m_winsock.Real();
        if (ws.connect(socket, to, length) == 0 || ws.WSAGetLastError() == WSAEWOULDBLOCK) {
            sockaddr_in peer{};
            int size = sizeof peer;
            bool made = false;
            for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(5)) {
                size = sizeof peer;
                const bool hasPeer = ws.getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &size) == 0;
                made = made || hasPeer;
                if (made && !hasPeer)
                    break;
            }
            if (PostMessageA(self.m_window, self.m_message, WPARAM(socket),
                             WSAMAKESELECTREPLY(FD_CONNECT, WSAECONNRESET)))
                ++self.m_posted;
        }
        ws.WSASetLastError(WSAEWOULDBLOCK);
        return SOCKET_ERROR;
    }

    static inline ResetAtConnect* s_self = nullptr;
    WinsockStandIns m_winsock;
    HWND m_window = nullptr;
    u_int m_message = 0;
    int m_posted = 0;
};
