// The datagram socket is asynchronous: WSAAsyncSelect posts kMsgUdpSocket
// to the hidden window for read and write readiness, and each read
// notification drains the socket in one receive loop. A close asked for from
// inside a delivery (the owner sets Active to False in DataIn) only marks the
// close as pending; the loop performs it when the delivery has returned, so
// the buffer being delivered stays valid and no datagram follows the close.
#include "netcomp/net/UdpSocket.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "netcomp/core/NotifyWindow.h"
#include "netcomp/core/ResultCodes.h"
#include "netcomp/core/WinsockBinding.h"

namespace {

// Winsock 1.1 numbers of the IP options: WSOCK32 ignores the Winsock 2 ones.
constexpr int kIpTtl = 7;
constexpr int kIpTos = 8;

const char kTrue[] = "True";
const char kFalse[] = "False";

void DottedText(unsigned long address, char (&text)[16])
{
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

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

int UdpSocket::SocketError()
{
    return Ws().WSAGetLastError();
}

int UdpSocket::SetOption(int level, int option, int value)
{
    if (Ws().setsockopt(m_socket, level, option, reinterpret_cast<const char*>(&value), sizeof value) == 0)
        return kResultOk;
    return SocketError();
}

int UdpSocket::SetActive(bool active)
{
    SetLastErrorText("");
    if (!active)
        return Close();
    if (m_socket != INVALID_SOCKET) {
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
    m_socket = Ws().socket(AF_INET, SOCK_DGRAM, 0);
    if (m_socket == INVALID_SOCKET)
        return SocketError();
    if (m_shareLocalPort)
        (void)SetOption(SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = LocalAddress();
    local.sin_port = Ws().htons(u_short(m_localPort));
    if (Ws().bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = SocketError();
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
        if (Ws().connect(m_socket, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            const int error = SocketError();
            if (error != WSAEWOULDBLOCK) {
                MarkClosed();
                return error;
            }
        }
    }
    if (Ws().WSAAsyncSelect(m_socket, m_window, kMsgUdpSocket, FD_READ | FD_WRITE) != 0) {
        const int error = SocketError();
        MarkClosed();
        return error;
    }
    return kResultOk;
}

void UdpSocket::MarkClosed()
{
    if (m_socket != INVALID_SOCKET) {
        Ws().WSAAsyncSelect(m_socket, m_window, 0, 0);
        Ws().closesocket(m_socket);
    }
    m_socket = INVALID_SOCKET;
    m_receiving = false;
    m_acceptData = true;
}

int UdpSocket::Close()
{
    if (m_socket == INVALID_SOCKET) {
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
        if (m_socket == INVALID_SOCKET)
            return kResultOk;
    }
    Ws().WSAAsyncSelect(m_socket, m_window, 0, 0);
    const int rc = Ws().closesocket(m_socket) == 0 ? kResultOk : SocketError();
    m_socket = INVALID_SOCKET;
    MarkClosed();
    return rc;
}

LRESULT UdpSocket::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kMsgUdpSocket || m_socket == INVALID_SOCKET || SOCKET(wParam) != m_socket)
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
        if (m_socket == INVALID_SOCKET || !m_acceptData)
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
        const int n = m_useConnection ? Ws().recv(m_socket, into, m_maxPacketSize, 0)
                                      : Ws().recvfrom(m_socket, into, m_maxPacketSize, 0,
                                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n == 0) {
            if (!draining)
                m_receiving = false;
            return kResultOk;
        }
        if (n == SOCKET_ERROR) {
            const int error = SocketError();
            if (error == WSAECONNRESET)
                OnError(error, "Destination unreachable (service unavailable?).");
            else if (error != WSAEWOULDBLOCK && error != WSAENOTSOCK)
                OnError(error, "Winsock error in recv()");
            return error;
        }
        char source[16] = {};
        int port = m_remotePort;
        if (m_useConnection) {
            DottedText(m_remoteAddress, source);
        } else {
            DottedText(from.sin_addr.s_addr, source);
            port = Ws().ntohs(from.sin_port);
        }
        if (!AbsoluteTimeout())
            StartTimeout();
        const char saved = into[n];
        into[n] = '\0';
        const int rc = OnDataIn(into, n, source, port);
        if (m_socket != INVALID_SOCKET)
            into[n] = saved;
        if (rc != 0)
            return rc;
        if (m_socket == INVALID_SOCKET)
            return kResultOk;
    }
}

int UdpSocket::Send(const void* data, int length)
{
    SetLastErrorText("");
    if (m_socket == INVALID_SOCKET) {
        SetLastErrorText("The control must be Active for this operation.");
        return kNotActive;
    }
    if (length <= 0 || !data)
        return kResultOk;
    const char* bytes = static_cast<const char*>(data);
    int sent;
    if (m_useConnection) {
        sent = Ws().send(m_socket, bytes, length, 0);
    } else {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_remoteAddress;
        to.sin_port = Ws().htons(u_short(m_remotePort));
        sent = Ws().sendto(m_socket, bytes, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    if (sent == SOCKET_ERROR)
        return SocketError();
    if (!AbsoluteTimeout())
        StartTimeout();
    return kResultOk;
}

int UdpSocket::SetAcceptData(bool on)
{
    const bool resume = on && !m_acceptData;
    m_acceptData = on;
    // Datagrams that waited while data was refused are picked up at once.
    if (resume && m_socket != INVALID_SOCKET)
        PostMessageA(m_window, kMsgUdpSocket, WPARAM(m_socket), MAKELPARAM(FD_READ, 0));
    return kResultOk;
}

const char* UdpSocket::GetLocalHost()
{
    if (m_socket == INVALID_SOCKET)
        return NetComponent::GetLocalHost();
    sockaddr_in bound = {};
    int length = sizeof bound;
    m_text[0] = '\0';
    if (Ws().getsockname(m_socket, reinterpret_cast<sockaddr*>(&bound), &length) == 0)
        DottedText(bound.sin_addr.s_addr, m_text);
    return m_text;
}

int UdpSocket::SetLocalHost(const char* text)
{
    SetLastErrorText("");
    if (m_socket != INVALID_SOCKET) {
        SetLastErrorText("Cannot change LocalHost while the control is Active.");
        return kLocalHostWhileActive;
    }
    return NetComponent::SetLocalHost(text);
}

int UdpSocket::SetLocalPort(int port)
{
    SetLastErrorText("");
    if (m_socket != INVALID_SOCKET) {
        SetLastErrorText("You cannot change the LocalPort while the control is Active.");
        return kLocalPortWhileActive;
    }
    m_localPort = port;
    return kResultOk;
}

int UdpSocket::GetLocalPort()
{
    if (m_socket == INVALID_SOCKET)
        return m_localPort;
    sockaddr_in bound = {};
    int length = sizeof bound;
    if (Ws().getsockname(m_socket, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return m_localPort;
    return Ws().ntohs(bound.sin_port);
}

int UdpSocket::SetRemoteHost(const char* text)
{
    SetLastErrorText("");
    if (m_useConnection && m_socket != INVALID_SOCKET) {
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
    unsigned long address = Ws().inet_addr(text);
    if (address == INADDR_NONE) {
        m_remoteAddress = 0;
        hostent* host = Ws().gethostbyname(text);
        if (!host || !host->h_addr_list || !host->h_addr_list[0]) {
            const int error = SocketError();
            return error == WSANOTINITIALISED ? kResultOk : error;
        }
        std::memcpy(&address, host->h_addr_list[0], 4);
    }
    m_remoteAddress = address;
    return kResultOk;
}

const char* UdpSocket::GetRemoteHost()
{
    m_text[0] = '\0';
    if (m_remoteAddress != 0)
        DottedText(m_remoteAddress, m_text);
    return m_text;
}

int UdpSocket::SetRemotePort(int port)
{
    SetLastErrorText("");
    if (m_useConnection && m_socket != INVALID_SOCKET) {
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
    return m_socket == INVALID_SOCKET ? kResultOk : SetOption(SOL_SOCKET, SO_DONTROUTE, on ? 1 : 0);
}

int UdpSocket::SetTimeToLive(int ttl)
{
    SetLastErrorText("");
    if (ttl == 0)
        return kResultOk; // 0 keeps what the socket has
    m_timeToLive = ttl;
    return m_socket == INVALID_SOCKET ? kResultOk : SetOption(IPPROTO_IP, kIpTtl, ttl);
}

int UdpSocket::SetQosFlags(int flags)
{
    SetLastErrorText("");
    if (flags == 0 && m_qosFlags == 0)
        return kResultOk;
    if (m_socket != INVALID_SOCKET) {
        const int rc = SetOption(IPPROTO_IP, kIpTos, flags);
        if (rc != kResultOk)
            return rc;
    }
    m_qosFlags = flags;
    return kResultOk;
}

int UdpSocket::GetQosFlags()
{
    if (m_socket != INVALID_SOCKET) {
        int value = 0;
        int length = sizeof value;
        if (Ws().getsockopt(m_socket, IPPROTO_IP, kIpTos, reinterpret_cast<char*>(&value), &length) == 0)
            return value;
    }
    return m_qosFlags;
}

int UdpSocket::SetInBufferSize(int size)
{
    SetLastErrorText("");
    m_inBufferSize = size;
    return m_socket == INVALID_SOCKET ? kResultOk : SetOption(SOL_SOCKET, SO_RCVBUF, size);
}

int UdpSocket::SetOutBufferSize(int size)
{
    SetLastErrorText("");
    m_outBufferSize = size;
    return m_socket == INVALID_SOCKET ? kResultOk : SetOption(SOL_SOCKET, SO_SNDBUF, size);
}

int UdpSocket::SetUseConnection(bool on)
{
    SetLastErrorText("");
    if (m_socket != INVALID_SOCKET) {
        SetLastErrorText("Cannot change UseConnection option while the control is Active.");
        return kUseConnectionWhileActive;
    }
    m_useConnection = on;
    return kResultOk;
}

int UdpSocket::SetMaxPacketSize(int size)
{
    SetLastErrorText("");
    if (m_socket != INVALID_SOCKET) {
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
    auto flag = [&](bool value) {
        *answer = value ? kTrue : kFalse;
        return kResultOk;
    };
    const char* v = arg.value.CStr();
    if (arg.KeyIs("UseConnection"))
        return arg.query ? flag(m_useConnection) : SetUseConnection(ParseConfigBool(v));
    if (arg.KeyIs("ShareLocalPort")) {
        if (arg.query)
            return flag(m_shareLocalPort);
        m_shareLocalPort = ParseConfigBool(v);
        return kResultOk;
    }
    if (arg.KeyIs("MaxPacketSize"))
        return arg.query ? AnswerInt(m_maxPacketSize, answer) : SetMaxPacketSize(ParseConfigInt(v));
    if (arg.KeyIs("QOSFlags"))
        return arg.query ? AnswerInt(GetQosFlags(), answer) : SetQosFlags(ParseConfigInt(v));
    if (arg.KeyIs("InBufferSize"))
        return arg.query ? AnswerInt(m_inBufferSize, answer) : SetInBufferSize(ParseConfigInt(v));
    if (arg.KeyIs("OutBufferSize"))
        return arg.query ? AnswerInt(m_outBufferSize, answer) : SetOutBufferSize(ParseConfigInt(v));
    if (arg.query && arg.KeyIs("SocketHandle"))
        return AnswerInt(m_socket == INVALID_SOCKET ? -1 : int(m_socket), answer);
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
