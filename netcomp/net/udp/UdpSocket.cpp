// The socket's mechanics (notifications, the receive round, the close that
// waits for a delivery) are the DatagramSocket's; this class adds the
// component's end points, options and texts. Exchange is the request/reply
// wait of the datagram protocols: the matcher sees every datagram that
// arrives while it waits, and the first one it takes ends the receive round,
// so that what follows is left for the next exchange or for OnDataIn.
#include "netcomp/net/udp/UdpSocket.h"

#include <algorithm>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

constexpr int kDefaultPacketSize = 8192;
// OnDatagram's answer once the awaited reply has come: the round stops.
constexpr int kReplyTaken = 1;

} // namespace

UdpSocket::UdpSocket(const char* component) : m_component(component), m_socket(*this, kMsgUdpSocket)
{
    (void)m_socket.SetCapacity(kDefaultPacketSize);
    Setup(true);
}

UdpSocket::~UdpSocket()
{
    if (Ws().WSAIsBlocking())
        Ws().WSACancelBlockingCall();
    m_socket.Abort();
}

int UdpSocket::SetActive(bool active)
{
    SetLastErrorText("");
    if (!active)
        return Close();
    if (m_socket.IsOpen()) {
        SetLastErrorText((std::string(m_component) + " is already Active.").c_str());
        return kAlreadyActive;
    }
    if (m_useConnection && m_remotePort == 0) {
        SetLastErrorText("RemotePort can't be zero when UseConnection is set. Please specify a valid service port "
                         "number.");
        return kPortZero;
    }
    const int rc = Open();
    if (rc != kResultOk)
        m_socket.Abort();
    return rc;
}

int UdpSocket::OpenSocket(DatagramSocket& socket, const UdpOpening& opening)
{
    int rc = socket.Create(SOCK_DGRAM, 0);
    if (rc != kResultOk)
        return rc;
    if (opening.shareLocalPort)
        (void)socket.SetOption(SOL_SOCKET, SO_REUSEADDR, 1);
    if ((rc = socket.Bind(opening.localAddress, opening.localPort)) != kResultOk)
        return rc;
    // The options as the owner set them; a refused one leaves the system's value.
    (void)socket.SetOption(SOL_SOCKET, SO_RCVBUF, opening.inBufferSize);
    (void)socket.SetOption(SOL_SOCKET, SO_SNDBUF, opening.outBufferSize);
    if (opening.dontRoute)
        (void)socket.SetOption(SOL_SOCKET, SO_DONTROUTE, *opening.dontRoute ? 1 : 0);
    if (opening.qosFlags != 0)
        (void)socket.SetOption(IPPROTO_IP, kIpOptionTos, opening.qosFlags);
    if (opening.timeToLive != 0)
        (void)socket.SetOption(IPPROTO_IP, kIpOptionTtl, opening.timeToLive);
    // Every datagram socket of the library may send to broadcast addresses.
    (void)socket.SetOption(SOL_SOCKET, SO_BROADCAST, 1);
    return kResultOk;
}

int UdpSocket::Open()
{
    int rc = OpenSocket(m_socket, {LocalAddress(), m_localPort, m_shareLocalPort, m_inBufferSize, m_outBufferSize,
                                   m_dontRoute, m_qosFlags, m_timeToLive});
    if (rc != kResultOk)
        return rc;
    if (m_useConnection && (rc = m_socket.Connect(m_remoteAddress, m_remotePort)) != kResultOk)
        return rc;
    return m_socket.Select(m_window);
}

int UdpSocket::Close()
{
    if (!m_socket.IsOpen()) {
        OnClosed();
        return kResultOk;
    }
    return m_socket.Close();
}

void UdpSocket::OnClosed()
{
    // A closed port accepts data again, whatever the owner had set.
    m_socket.SetAcceptData(true);
}

LRESULT UdpSocket::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_socket.OnMessage(message, wParam, lParam))
        return 0;
    return NetComponent::WindowProc(message, wParam, lParam);
}

int UdpSocket::OnDatagram(char* data, int length, unsigned long address, int port)
{
    // An owner that destroyed the component in an event hears nothing more.
    if (DestroyPending())
        return kInterrupted;
    const std::string source = DottedAddress(std::uint32_t(address));
    if (!AbsoluteTimeout())
        StartTimeout();
    if (m_matcher) {
        if (!m_matcher->Matches(data, length, source.c_str(), port))
            return kResultOk;
        m_matcher = nullptr;
        m_replied = true;
        return kReplyTaken;
    }
    return OnDataIn(data, length, source.c_str(), port);
}

void UdpSocket::OnReceiveError(int code)
{
    if (code == WSAECONNRESET)
        OnError(code, "Destination unreachable (service unavailable?).");
    else
        OnError(code, "Winsock error in recv()");
}

void UdpSocket::OnWritable()
{
    (void)OnReadyToSend();
}

int UdpSocket::RequireActive()
{
    SetLastErrorText("");
    if (m_socket.IsOpen())
        return kResultOk;
    SetLastErrorText("The control must be Active for this operation.");
    return kNotActive;
}

int UdpSocket::Send(const char* data, int length)
{
    if (RequireActive() != kResultOk)
        return kNotActive;
    const int rc = SendRequest(data, length);
    if (rc == kResultOk && !AbsoluteTimeout())
        StartTimeout();
    return rc;
}

int UdpSocket::SendTo(const char* data, int length, const char* address, int port)
{
    if (RequireActive() != kResultOk)
        return kNotActive;
    unsigned long to = 0;
    const int rc = DatagramSocket::ResolveDestination(address, &to);
    if (rc != kResultOk || length <= 0 || !data)
        return rc;
    return m_socket.SendTo(data, length, to, port);
}

int UdpSocket::SendRequest(const char* data, int length)
{
    if (length <= 0 || !data)
        return kResultOk;
    return m_socket.SendTo(data, length, m_remoteAddress, m_remotePort);
}

int UdpSocket::Exchange(const char* request, int length, const Retransmission& resend, ReplyMatcher& matcher)
{
    // Asked for from the owner's event, inside a delivery: the reply comes in
    // a round of its own, and the datagram being delivered stays as it is.
    DatagramSocket::NestedRound nested(m_socket);
    if (nested.Result() != kResultOk) {
        SetLastErrorText("Out of memory.");
        return nested.Result();
    }
    int rc = Send(request, length);
    if (rc != kResultOk)
        return rc;
    // The exchange keeps its own clock: neither the resends nor datagrams
    // that are not the reply may stretch it past the Timeout. With
    // AbsoluteTimeout the deadline is the call's (StartTimeout keeps the one
    // an earlier exchange of the same call started).
    const DWORD timeout = GetTimeout() * 1000;
    const DWORD start = Now();
    DWORD lastSend = start;
    int resends = 0;
    // An exchange asked for inside another one's matcher leaves it waiting.
    ReplyMatcher* const outer = m_matcher;
    const bool outerReplied = m_replied;
    m_matcher = &matcher;
    m_replied = false;
    m_socket.SetAcceptData(true);
    StartTimeout();
    while (!m_replied) {
        if (!m_socket.IsOpen() || m_socket.ClosePending()) {
            SetLastErrorText("Interrupted.");
            rc = kInterrupted;
            break;
        }
        if (!WaitStep(10, m_window)) {
            // "Timeout." or "Interrupted.", as the wait found it.
            SetResultText(LastErrorText());
            rc = kInterrupted;
            break;
        }
        if (m_replied)
            break;
        const DWORD now = Now();
        if (timeout != 0 && now - start >= timeout) {
            SetResultText("Timeout.");
            rc = kInterrupted;
            break;
        }
        if (resend.interval == 0 || now - lastSend < resend.interval)
            continue;
        if (resend.maxResends >= 0 && resends >= resend.maxResends) {
            SetResultText("Timeout.");
            rc = kInterrupted;
            break;
        }
        if (!m_socket.IsOpen())
            continue;
        if ((rc = SendRequest(request, length)) != kResultOk)
            break;
        lastSend = now;
        ++resends;
    }
    m_matcher = outer;
    m_replied = outerReplied;
    return rc;
}

int UdpSocket::SetAcceptData(bool on)
{
    m_socket.SetAcceptData(on);
    return kResultOk;
}

const char* UdpSocket::GetLocalHost()
{
    if (!m_socket.IsOpen())
        return NetComponent::GetLocalHost();
    unsigned long address = 0;
    int port = 0;
    m_text.clear();
    if (LocalEndpoint(m_socket.Handle(), &address, &port))
        m_text = DottedAddress(std::uint32_t(address));
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
    return BoundPort(m_socket.Handle(), m_localPort);
}

int UdpSocket::SetRemoteHost(const char* text)
{
    SetLastErrorText("");
    if (m_useConnection && m_socket.IsOpen()) {
        SetLastErrorText("Cannot change RemoteHost when UseConnection is set and the control is Active.");
        return kRemoteHostWhileConnected;
    }
    if (Ws().WSAIsBlocking())
        Ws().WSACancelBlockingCall();
    // A name that cannot be resolved leaves no address.
    m_remoteAddress = 0;
    const int rc = DatagramSocket::ResolveDestination(text, &m_remoteAddress);
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
    return !m_socket.IsOpen() ? kResultOk : m_socket.SetOption(SOL_SOCKET, SO_DONTROUTE, on ? 1 : 0);
}

int UdpSocket::SetTimeToLive(int ttl)
{
    SetLastErrorText("");
    if (ttl == 0)
        return kResultOk; // 0 keeps what the socket has
    m_timeToLive = ttl;
    return !m_socket.IsOpen() ? kResultOk : m_socket.SetOption(IPPROTO_IP, kIpOptionTtl, ttl);
}

int UdpSocket::SetQosFlags(int flags)
{
    SetLastErrorText("");
    if (flags == 0 && m_qosFlags == 0)
        return kResultOk;
    if (m_socket.IsOpen()) {
        const int rc = m_socket.SetOption(IPPROTO_IP, kIpOptionTos, flags);
        if (rc != kResultOk)
            return rc;
    }
    m_qosFlags = flags;
    return kResultOk;
}

int UdpSocket::GetQosFlags()
{
    int value = 0;
    if (m_socket.IsOpen() && m_socket.GetOption(IPPROTO_IP, kIpOptionTos, &value) == kResultOk)
        return value;
    return m_qosFlags;
}

int UdpSocket::SetInBufferSize(int size)
{
    SetLastErrorText("");
    m_inBufferSize = size;
    return !m_socket.IsOpen() ? kResultOk : m_socket.SetOption(SOL_SOCKET, SO_RCVBUF, size);
}

int UdpSocket::SetOutBufferSize(int size)
{
    SetLastErrorText("");
    m_outBufferSize = size;
    return !m_socket.IsOpen() ? kResultOk : m_socket.SetOption(SOL_SOCKET, SO_SNDBUF, size);
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
        return kMaxSizeWhileActive;
    }
    return m_socket.SetCapacity(std::clamp(size, 0, kLargestPacket));
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
        return arg.query ? AnswerInt(GetMaxPacketSize(), answer)
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
        return AnswerInt(m_socket.IsOpen() ? int(m_socket.Handle()) : -1, answer);
    return NetComponent::Config(arg, answer);
}

int UdpSocket::OnDataIn(const char* data, int length, const char* address, int port)
{
    char* datagram = const_cast<char*>(data);
    Fire(SharedEvent::DataIn,
         {EventParam::Binary(&datagram, length), EventParam::Text(&address), EventParam::Int(&port)});
    return kResultOk;
}

void UdpSocket::OnError(int code, const char* description)
{
    FireError(code, description);
}

int UdpSocket::OnReadyToSend()
{
    Fire(SharedEvent::ReadyToSend, {});
    return kResultOk;
}
