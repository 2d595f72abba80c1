// The listening socket notifies the owner's window with kMsgTcpSocket and
// FD_ACCEPT only; the accepted connection then takes the read, write and
// close notifications of a TcpSocket on the same window. The listener goes
// once its one connection is taken.
#include "netcomp/net/rcommand/AcceptSocket.h"

#include <cstring>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/net/ftp/FtpReplies.h"

AcceptSocket::~AcceptSocket()
{
    CloseListener();
    DetachWindow();
}

int AcceptSocket::InitOn(TcpSocket& owner)
{
    const int ok = InitDefaults();
    ShareWindowOf(owner);
    return ok;
}

bool AcceptSocket::Owns(SOCKET socket) const
{
    return (m_listener.IsOpen() && socket == m_listener.Get()) || (HasSocket() && socket == Handle());
}

void AcceptSocket::CloseListener()
{
    if (!m_listener.IsOpen())
        return;
    const SOCKET closed = m_listener.Get();
    Ws().WSAAsyncSelect(closed, m_window, 0, 0);
    m_listener.Reset();
    if (!Retired().Retire(m_window, closed))
        DropQueuedNotifications(closed);
}

int AcceptSocket::Listen(int port)
{
    CloseListener();
    m_listener.Reset(Ws().socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!m_listener.IsOpen())
        return Ws().WSAGetLastError();
    (void)SetSocketOption(m_listener.Get(), SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = INADDR_ANY;
    local.sin_port = Ws().htons(u_short(port));
    int rc = kResultOk;
    if (Ws().bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        Ws().listen(m_listener.Get(), 1) != 0 ||
        Ws().WSAAsyncSelect(m_listener.Get(), m_window, kMsgTcpSocket, FD_ACCEPT) != 0)
        rc = Ws().WSAGetLastError();
    if (rc != kResultOk)
        m_listener.Reset();
    return rc;
}

int AcceptSocket::ListeningPort() const
{
    return m_listener.IsOpen() ? BoundPort(m_listener.Get(), 0) : 0;
}

int AcceptSocket::PortArgument(SOCKET control, NetStringBase& out) const
{
    const int port = ListeningPort();
    unsigned long address = 0;
    int controlPort = 0;
    if (port == 0 || !LocalEndpoint(control, &address, &controlPort)) {
        const int error = Ws().WSAGetLastError();
        return error != 0 ? error : WSAENOTSOCK;
    }
    uint8_t bytes[4];
    const uint32_t network = uint32_t(address);
    std::memcpy(bytes, &network, 4); // network order is the order in memory
    return FormatPortArgument(bytes, uint16_t(port), out);
}

void AcceptSocket::Accept()
{
    sockaddr_in peer{};
    int length = sizeof peer;
    SOCKET accepted = Ws().accept(m_listener.Get(), reinterpret_cast<sockaddr*>(&peer), &length);
    if (accepted == INVALID_SOCKET) {
        if (Ws().WSAGetLastError() == WSAEWOULDBLOCK)
            return;
        CloseListener();
        OnError(kAcceptFailed, "Failed to accept new socket.");
        return;
    }
    if (m_expectedPeer != 0 && peer.sin_addr.s_addr != m_expectedPeer) {
        SocketHandle refused(accepted);
        return;
    }
    if (HasSocket())
        (void)SetConnected(false);
    CloseListener();
    if (AttachAccepted(accepted, m_window, Retired()) != kResultOk)
        OnError(kAcceptSelectFailed, "Error calling WSAAsyncSelect on new socket.");
    SetInBufferSize(GetInBufferSize());
    SetOutBufferSize(GetOutBufferSize());
    SetLinger(GetLinger());
    OnConnected(0);
}

LRESULT AcceptSocket::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgTcpSocket && m_listener.IsOpen() && SOCKET(wParam) == m_listener.Get() &&
        !Retired().IsStale(SOCKET(wParam))) {
        if (WSAGETSELECTEVENT(lParam) == FD_ACCEPT)
            Accept();
        return 0;
    }
    return TcpConnection::WindowProc(message, wParam, lParam);
}
