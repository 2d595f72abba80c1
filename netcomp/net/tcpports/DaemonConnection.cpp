#include "netcomp/net/tcpports/DaemonConnection.h"

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/net/tcpports/IpDaemonEngine.h"

LRESULT DaemonConnection::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    Enter();
    const LRESULT result = TcpSocket::WindowProc(message, wParam, lParam);
    Leave();
    return result;
}

void DaemonConnection::OnCloseComplete(int code)
{
    m_owner.ConnectionClosed(*this, code);
}

int DaemonConnection::OnDataArrived(const char* data, uint32_t n, bool eolFound)
{
    return m_owner.ConnectionData(m_number, data, n, eolFound);
}

void DaemonConnection::OnError(int code, const char* text)
{
    m_owner.ConnectionError(code, text);
}

void DaemonConnection::OnReadyToSend()
{
    m_owner.ConnectionReady(m_number);
}

// The daemon fires this connection's events, and every other's.
bool DaemonConnection::InOwnersEvent() const
{
    return m_owner.InEvent();
}

const char* DaemonConnection::PeerAddress()
{
    unsigned long address = 0;
    int port = 0;
    m_peerText.clear();
    if (HasSocket() && PeerEndpoint(Handle(), &address, &port))
        m_peerText = DottedAddress(uint32_t(address));
    return m_peerText.c_str();
}

int DaemonConnection::PeerPort()
{
    unsigned long address = 0;
    int port = 0;
    return HasSocket() && PeerEndpoint(Handle(), &address, &port) ? port : 0;
}
