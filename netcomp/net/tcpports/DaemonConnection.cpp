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

int DaemonConnection::SetSingleLineMode(bool on)
{
    const int rc = on ? SetEOL("\r\n", 2) : SetEOL("", 0);
    if (rc != kResultOk)
        return rc;
    SetLineMode(on);
    m_singleLineMode = on;
    m_eolLength = on ? 2 : 0;
    return kResultOk;
}

int DaemonConnection::SetEolBytes(const char* data, int length)
{
    const uint32_t n = data && length > 0 ? uint32_t(length) : 0;
    const int rc = SetEOL(data ? data : "", n);
    if (rc == kResultOk)
        m_eolLength = int(n);
    return rc;
}

const char* DaemonConnection::PeerAddress()
{
    sockaddr_in peer{};
    int length = sizeof peer;
    m_peerText.clear();
    if (HasSocket() && Ws().getpeername(Handle(), reinterpret_cast<sockaddr*>(&peer), &length) == 0)
        m_peerText = DottedAddress(uint32_t(peer.sin_addr.s_addr));
    return m_peerText.c_str();
}

int DaemonConnection::PeerPort()
{
    sockaddr_in peer{};
    int length = sizeof peer;
    if (HasSocket() && Ws().getpeername(Handle(), reinterpret_cast<sockaddr*>(&peer), &length) == 0)
        return Ws().ntohs(peer.sin_port);
    return 0;
}
