// The datagram socket is asynchronous: WSAAsyncSelect posts kMsgUdpSocket
// to the hidden window for read and write readiness, and each read
// notification drains the socket in one receive loop. A close asked for from
// inside a delivery (the owner sets Active to False in DataIn) only marks the
// close as pending; the loop performs it when the delivery has returned, so
// the buffer being delivered stays valid and no datagram follows the close.
#include "netcomp/net/udp/UdpSocket.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

// Winsock 1.1 numbers of the IP options: WSOCK32 ignores the Winsock 2 ones.
constexpr int kIpTtl = 7;
constexpr int kIpTos = 8;

} // namespace

UdpSocket::UdpSocket() : m_buffer(std::size_t(m_maxPacketSize) + 1)
{
    Setup(true);
}

UdpSocket::~UdpSocket()
{
    if (Ws().WSAIsBlocking())
        Ws().WSACancelBlockingCall();
    MarkClosed();
}

int UdpSocket::SetOption(int level, int option, int value)
{
    return SetSocketOption(m_socket.Get(), level, option, value);
}

int UdpSocket::SetActive(bool active)
{
    SetLastErrorText("");
    if (!active)
        return Close();
    if (m_socket.IsOpen()) {
        SetLastErrorText("UDPPort is already Active.");
        return kAlreadyActive;
    }
    m_closePending = false;
    if (m_useConnection && m_remotePort == 0) {
        SetLastErrorText("RemotePort can't be zero when UseConnection is set. Please specify a valid service port "
                         "number.");
        return kRemotePortZero;
    }
    return Open();
}

int UdpSocket::Open()
{
    m_socket.Reset(Ws().socket(AF_INET, SOCK_DGRAM, 0));
    if (!m_socket.IsOpen())
        return Ws().WSAGetLastError();
    if (m_shareLocalPort)
        (void)SetOption(SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = LocalAddress();
    local.sin_port = Ws().htons(u_short(m_localPort));
    if (Ws().bind(m_socket.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = Ws().WSAGetLastError();
        MarkClosed();
        return error;
    }
    // The options as the owner set them; a refused one leaves the system's value.
    (void)SetOption(SOL_SOCKET, SO_RCVBUF, m_inBufferSize);
    (void)SetOption(SOL_SOCKET, SO_SNDBUF, m_outBufferSize);
    (void)SetOption(SOL_SOCKET, SO_DONTROUTE, m_dontRoute ? 1 : 0);
    if (m_qosFlags != 0)
        (void)SetOption(IPPROTO_IP, kIpTos, m_qosFlags);
    if (m_timeToLive != 0)
        (void)SetOption(IPPROTO_IP, kIpTtl, m_timeToLive);
    // Every datagram socket of the library may send to broadcast addresses.
    (void)SetOption(SOL_SOCKET, SO_BROADCAST, 1);
    if (m_useConnection) {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_remoteAddress;
        to.sin_port = Ws().htons(u_short(m_remotePort));
        if (Ws().connect(m_socket.Get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            const int error = Ws().WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                MarkClosed();
                return error;
            }
        }
    }
    if (Ws().WSAAsyncSelect(m_socket.Get(), m_window, kMsgUdpSocket, FD_READ | FD_WRITE) != 0) {
        const int error = Ws().WSAGetLastError();
        MarkClosed();
        return error;
    }
    return kResultOk;
}

void UdpSocket::MarkClosed()
{
    if (m_socket.IsOpen())
        Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
    m_socket.Reset();
    m_receiving = false;
    m_acceptData = true;
}

int UdpSocket::Close()
{
    if (!m_socket.IsOpen()) {
        MarkClosed();
        return kResultOk;
    }
    if (m_receiving) {
        m_closePending = true;
        return kResultOk;
    }
    // What has already arrived is still delivered before the socket goes.
    if (m_acceptData) {
        (void)ReceiveLoop(true);
        if (!m_socket.IsOpen())
            return kResultOk;
    }
    Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
    const int rc = Ws().closesocket(m_socket.Release()) == 0 ? kResultOk : Ws().WSAGetLastError();
    MarkClosed();
    return rc;
}

LRESULT UdpSocket::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kMsgUdpSocket || !m_socket.IsOpen() || SOCKET(wParam) != m_socket.Get())
        return NetComponent::WindowProc(message, wParam, lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ:
        if (m_acceptData && !m_receiving) {
            m_receiving = true;
            (void)ReceiveLoop(false);
            m_receiving = false;
            if (m_closePending) {
                m_closePending = false;
                (void)Close();
            }
        }
        return 0;
    case FD_WRITE:
        (void)OnReadyToSend();
        return 0;
    default:
        return NetComponent::WindowProc(message, wParam, lParam);
    }
}

int UdpSocket::ReceiveLoop(bool draining)
{
    for (;;) {
        if (!m_socket.IsOpen() || !m_acceptData || DestroyPending())
            return kResultOk;
        if (m_closePending && !draining) {
            // The owner closed from inside a delivery: nothing more is delivered.
            m_closePending = false;
            MarkClosed();
            return kResultOk;
        }
        sockaddr_in from = {};
        int fromLength = sizeof from;
        // The last byte stays free for the zero placed behind the datagram.
        char* into = m_buffer.data();
        const int n = m_useConnection ? Ws().recv(m_socket.Get(), into, m_maxPacketSize, 0)
                                      : Ws().recvfrom(m_socket.Get(), into, m_maxPacketSize, 0,
                                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n == 0) {
            if (!draining)
                m_receiving = false;
            return kResultOk;
        }
        if (n == SOCKET_ERROR) {
            const int error = Ws().WSAGetLastError();
            if (error == WSAECONNRESET)
                OnError(error, "Destination unreachable (service unavailable?).");
            else if (error != WSAEWOULDBLOCK && error != WSAENOTSOCK)
                OnError(error, "Winsock error in recv()");
            return error;
        }
        const std::string source =
            DottedAddress(std::uint32_t(m_useConnection ? m_remoteAddress : from.sin_addr.s_addr));
        const int port = m_useConnection ? m_remotePort : Ws().ntohs(from.sin_port);
        if (!AbsoluteTimeout())
            StartTimeout();
        const char saved = into[n];
        into[n] = '\0';
        const int rc = OnDataIn(into, n, source.c_str(), port);
        if (m_socket.IsOpen())
            into[n] = saved;
        if (rc != 0)
            return rc;
    }
}

int UdpSocket::Send(const char* data, int length)
{
    SetLastErrorText("");
    if (!m_socket.IsOpen()) {
        SetLastErrorText("The control must be Active for this operation.");
        return kNotActive;
    }
    if (length <= 0 || !data)
        return kResultOk;
    const char* bytes = data;
    int sent;
    if (m_useConnection) {
        sent = Ws().send(m_socket.Get(), bytes, length, 0);
    } else {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_remoteAddress;
        to.sin_port = Ws().htons(u_short(m_remotePort));
        sent = Ws().sendto(m_socket.Get(), bytes, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    if (sent == SOCKET_ERROR)
        return Ws().WSAGetLastError();
    if (!AbsoluteTimeout())
        StartTimeout();
    return kResultOk;
}

int UdpSocket::SetAcceptData(bool on)
{
    const bool resume = on && !m_acceptData;
    m_acceptData = on;
    // Datagrams that waited while data was refused are picked up at once.
    if (resume && m_socket.IsOpen())
        PostMessageA(m_window, kMsgUdpSocket, WPARAM(m_socket.Get()), MAKELPARAM(FD_READ, 0));
    return kResultOk;
}

const char* UdpSocket::GetLocalHost()
{
    if (!m_socket.IsOpen())
        return NetComponent::GetLocalHost();
    sockaddr_in bound = {};
    int length = sizeof bound;
    m_text.clear();
    if (Ws().getsockname(m_socket.Get(), reinterpret_cast<sockaddr*>(&bound), &length) == 0)
        m_text = DottedAddress(std::uint32_t(bound.sin_addr.s_addr));
    return m_text.c_str();
}

int UdpSocket::SetLocalHost(const char* text)
{
    SetLastErrorText("");
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change LocalHost while the control is Active.");
        return kLocalHostWhileActive;
    }
    return NetComponent::SetLocalHost(text);
}

int UdpSocket::SetLocalPort(int port)
{
    SetLastErrorText("");
    if (m_socket.IsOpen()) {
        SetLastErrorText("You cannot change the LocalPort while the control is Active.");
        return kLocalPortWhileActive;
    }
    m_localPort = port;
    return kResultOk;
}

int UdpSocket::GetLocalPort()
{
    if (!m_socket.IsOpen())
        return m_localPort;
    sockaddr_in bound = {};
    int length = sizeof bound;
    if (Ws().getsockname(m_socket.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return m_localPort;
    return Ws().ntohs(bound.sin_port);
}

int UdpSocket::SetRemoteHost(const char* text)
{
    SetLastErrorText("");
    if (m_useConnection && m_socket.IsOpen()) {
        SetLastErrorText("Cannot change RemoteHost when UseConnection is set and the control is Active.");
        return kRemoteHostWhileConnected;
    }
    if (!text || !*text) {
        m_remoteAddress = 0;
        return kResultOk;
    }
    if (std::strcmp(text, "255.255.255.255") == 0) {
        m_remoteAddress = INADDR_BROADCAST;
        return kResultOk;
    }
    if (Ws().WSAIsBlocking())
        Ws().WSACancelBlockingCall();
    m_remoteAddress = 0;
    const int rc = ResolveHost(text, &m_remoteAddress);
    return rc == WSANOTINITIALISED ? kResultOk : rc;
}

const char* UdpSocket::GetRemoteHost()
{
    m_text.clear();
    if (m_remoteAddress != 0)
        m_text = DottedAddress(std::uint32_t(m_remoteAddress));
    return m_text.c_str();
}

int UdpSocket::SetRemotePort(int port)
{
    SetLastErrorText("");
    if (m_useConnection && m_socket.IsOpen()) {
        SetLastErrorText("Cannot change RemotePort when UseConnection is set and the control is Active.");
        return kRemotePortWhileConnected;
    }
    m_remotePort = port;
    return kResultOk;
}

int UdpSocket::SetDontRoute(bool on)
{
    SetLastErrorText("");
    m_dontRoute = on;
    return !m_socket.IsOpen() ? kResultOk : SetOption(SOL_SOCKET, SO_DONTROUTE, on ? 1 : 0);
}

int UdpSocket::SetTimeToLive(int ttl)
{
    SetLastErrorText("");
    if (ttl == 0)
        return kResultOk; // 0 keeps what the socket has
    m_timeToLive = ttl;
    return !m_socket.IsOpen() ? kResultOk : SetOption(IPPROTO_IP, kIpTtl, ttl);
}

int UdpSocket::SetQosFlags(int flags)
{
    SetLastErrorText("");
    if (flags == 0 && m_qosFlags == 0)
        return kResultOk;
    if (m_socket.IsOpen()) {
        const int rc = SetOption(IPPROTO_IP, kIpTos, flags);
        if (rc != kResultOk)
            return rc;
    }
    m_qosFlags = flags;
    return kResultOk;
}

int UdpSocket::GetQosFlags()
{
    int value = 0;
    if (m_socket.IsOpen() && GetSocketOption(m_socket.Get(), IPPROTO_IP, kIpTos, &value) == kResultOk)
        return value;
    return m_qosFlags;
}

int UdpSocket::SetInBufferSize(int size)
{
    SetLastErrorText("");
    m_inBufferSize = size;
    return !m_socket.IsOpen() ? kResultOk : SetOption(SOL_SOCKET, SO_RCVBUF, size);
}

int UdpSocket::SetOutBufferSize(int size)
{
    SetLastErrorText("");
    m_outBufferSize = size;
    return !m_socket.IsOpen() ? kResultOk : SetOption(SOL_SOCKET, SO_SNDBUF, size);
}

int UdpSocket::SetUseConnection(bool on)
{
    SetLastErrorText("");
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change UseConnection option while the control is Active.");
        return kUseConnectionWhileActive;
    }
    m_useConnection = on;
    return kResultOk;
}

int UdpSocket::SetMaxPacketSize(int size)
{
    SetLastErrorText("");
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change MaxPacketSize while the control is Active.");
        return kMaxPacketSizeWhileActive;
    }
    const int n = std::clamp(size, 0, kLargestPacket);
    try {
        m_buffer.assign(std::size_t(n) + 1, 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    m_maxPacketSize = n;
    return kResultOk;
}

int UdpSocket::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("UseConnection"))
        return arg.query ? AnswerBool(m_useConnection, answer) : SetUseConnection(ParseConfigBool(arg.value.CStr()));
    if (arg.KeyIs("ShareLocalPort")) {
        if (arg.query)
            return AnswerBool(m_shareLocalPort, answer);
        m_shareLocalPort = ParseConfigBool(arg.value.CStr());
        return kResultOk;
    }
    if (arg.KeyIs("MaxPacketSize"))
        return arg.query ? AnswerInt(m_maxPacketSize, answer)
                         : SetConfigInt(
                               arg, [this](int v) { return SetMaxPacketSize(v); }, 0);
    if (arg.KeyIs("QOSFlags"))
        return arg.query ? AnswerInt(GetQosFlags(), answer)
                         : SetConfigInt(arg, [this](int v) { return SetQosFlags(v); });
    if (arg.KeyIs("InBufferSize"))
        return arg.query ? AnswerInt(m_inBufferSize, answer)
                         : SetConfigInt(
                               arg, [this](int v) { return SetInBufferSize(v); }, 0);
    if (arg.KeyIs("OutBufferSize"))
        return arg.query ? AnswerInt(m_outBufferSize, answer)
                         : SetConfigInt(
                               arg, [this](int v) { return SetOutBufferSize(v); }, 0);
    if (arg.query && arg.KeyIs("SocketHandle"))
        return AnswerInt(m_socket.IsOpen() ? int(m_socket.Get()) : -1, answer);
    return NetComponent::Config(arg, answer);
}

int UdpSocket::OnDataIn(const char*, int, const char*, int)
{
    return 0;
}

void UdpSocket::OnError(int, const char*) {}

int UdpSocket::OnReadyToSend()
{
    return 0;
}
