// Activation binds, applies the options and joins the group. A failed join
// fails the activation with its Winsock code (the socket is closed again):
// an active component that hears nothing of its group is no success. The
// other options are best effort, as a system may refuse them and still carry
// the datagrams.
#include "netcomp/net/mcast/McastEngine.h"

#include <algorithm>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/core/text/AddressText.h"
#include "netcomp/include/netcomp_mcast.h"
#include "netcomp/net/udp/UdpSocket.h"

namespace {

constexpr EventTable kMcastEvents = {
    {SharedEvent::DataIn, kMcastEventDataIn},
    {SharedEvent::Error, kMcastEventError},
    {SharedEvent::ReadyToSend, kMcastEventReadyToSend},
};

constexpr int kDefaultPacketSize = 2048;
constexpr int kLargestPacket = 65536;

// A dotted address in network order; 0 for anything else.
unsigned long DottedOrZero(const char* text)
{
    if (!text || !*text)
        return 0;
    const unsigned long address = Ws().inet_addr(text);
    return address == INADDR_NONE ? 0 : address;
}

struct Membership {
    unsigned long group;
    unsigned long interfaceAddress;
};

} // namespace

McastEngine::McastEngine() : m_socket(*this, kMsgUdpSocket)
{
    SetEventTable(kMcastEvents);
    (void)m_socket.SetCapacity(kDefaultPacketSize);
    Setup(true);
}

McastEngine::~McastEngine()
{
    m_socket.Abort();
}

LRESULT McastEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_socket.OnMessage(message, wParam, lParam))
        return 0;
    return NetComponent::WindowProc(message, wParam, lParam);
}

int McastEngine::SetActive(bool active)
{
    SetLastErrorText("");
    if (!active)
        return m_socket.Close();
    if (m_socket.IsOpen()) {
        SetLastErrorText("MCast is already Active.");
        return kAlreadyActive;
    }
    const int rc = Open();
    if (rc != kResultOk)
        m_socket.Abort();
    return rc;
}

int McastEngine::Open()
{
    // No DontRoute and no unicast time to live: the group's own options follow.
    int rc = UdpSocket::OpenSocket(m_socket, {LocalAddress(), m_localPort, m_shareLocalPort, m_inBufferSize,
                                              m_outBufferSize, std::nullopt, m_qosFlags, 0});
    if (rc != kResultOk)
        return rc;
    if (m_sendInterface != 0)
        (void)m_socket.SetOption(IPPROTO_IP, kIpOptionMulticastInterface, int(m_sendInterface));
    if (m_group != 0 && (rc = Membership(kIpOptionAddMembership, m_group)) != kResultOk)
        return rc;
    (void)m_socket.SetOption(IPPROTO_IP, kIpOptionMulticastTtl, m_timeToLive);
    (void)m_socket.SetOption(IPPROTO_IP, kIpOptionMulticastLoop, m_loopback ? 1 : 0);
    SetLastErrorText("");
    return m_socket.Select(m_window);
}

int McastEngine::Membership(int option, unsigned long group)
{
    const ::Membership request = {group, m_receiveInterface};
    return m_socket.SetOptionBytes(IPPROTO_IP, option, &request, int(sizeof request));
}

int McastEngine::SetMulticastGroup(const char* text)
{
    SetLastErrorText("");
    const char* rest = text ? text : "";
    const bool sign = *rest == '+' || *rest == '-';
    const bool leave = *rest == '-';
    if (sign && !m_socket.IsOpen()) {
        SetLastErrorText("The control must be Active before any join/leave operations may be performed.");
        return kNotActive;
    }
    if (sign)
        ++rest;
    const unsigned long group = DottedOrZero(rest);
    if (group != 0 && m_socket.IsOpen()) {
        const int rc = Membership(leave ? kIpOptionDropMembership : kIpOptionAddMembership, group);
        if (rc != kResultOk)
            return rc;
    }
    // A signed text acts once; a plain group is joined again at each activation.
    m_group = sign ? 0 : group;
    return kResultOk;
}

int McastEngine::Send(const char* data, int length)
{
    if (!m_socket.IsOpen()) {
        SetLastErrorText("MCast must be Active for this operation.");
        return kNotActive;
    }
    if (!data || length <= 0)
        return kResultOk;
    const int rc = m_socket.SendTo(data, length, m_remoteAddress, m_remotePort);
    if (rc == kResultOk && !AbsoluteTimeout())
        StartTimeout();
    return rc;
}

int McastEngine::SetLocalHost(const char* text)
{
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change the LocalHost while MCast is Active.");
        return kLocalHostWhileActive;
    }
    return NetComponent::SetLocalHost(text);
}

int McastEngine::GetLocalPort()
{
    return BoundPort(m_socket.Handle(), m_localPort);
}

int McastEngine::SetLocalPort(int port)
{
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change the LocalPort while MCast is Active.");
        return kLocalPortWhileActive;
    }
    m_localPort = port;
    return kResultOk;
}

int McastEngine::SetLoopback(bool on)
{
    m_loopback = on;
    if (!m_socket.IsOpen())
        return kResultOk;
    const int rc = m_socket.SetOption(IPPROTO_IP, kIpOptionMulticastLoop, on ? 1 : 0);
    if (rc != kResultOk) {
        int actual = 0;
        if (m_socket.GetOption(IPPROTO_IP, kIpOptionMulticastLoop, &actual) == kResultOk)
            m_loopback = actual != 0;
    }
    return rc;
}

int McastEngine::SetTimeToLive(int ttl)
{
    m_timeToLive = ttl;
    return m_socket.IsOpen() ? m_socket.SetOption(IPPROTO_IP, kIpOptionMulticastTtl, ttl) : kResultOk;
}

int McastEngine::SetSendInterface(const char* text)
{
    m_sendInterface = DottedOrZero(text);
    if (!m_socket.IsOpen())
        return kResultOk;
    return m_socket.SetOption(IPPROTO_IP, kIpOptionMulticastInterface, int(m_sendInterface));
}

void McastEngine::SetReceiveInterface(const char* text)
{
    m_receiveInterface = DottedOrZero(text);
}

int McastEngine::SetRemoteHost(const char* text)
{
    SetLastErrorText("");
    m_remoteAddress = 0;
    const int rc = DatagramSocket::ResolveDestination(text, &m_remoteAddress);
    return rc == WSANOTINITIALISED ? kResultOk : rc;
}

const char* McastEngine::Keep(unsigned long address)
{
    m_text = address != 0 ? DottedAddress(std::uint32_t(address)) : std::string();
    return m_text.c_str();
}

const char* McastEngine::GetRemoteHost()
{
    return Keep(m_remoteAddress);
}

const char* McastEngine::GetMulticastGroup()
{
    return Keep(m_group);
}

const char* McastEngine::GetReceiveInterface()
{
    return Keep(m_receiveInterface);
}

const char* McastEngine::GetSendInterface()
{
    return Keep(m_sendInterface);
}

int McastEngine::OnDatagram(char* data, int length, unsigned long address, int port)
{
    if (DestroyPending())
        return kInterrupted;
    const std::string source = DottedAddress(std::uint32_t(address));
    if (!AbsoluteTimeout())
        StartTimeout();
    const char* sourceText = source.c_str();
    Fire(SharedEvent::DataIn,
         {EventParam::Binary(&data, length), EventParam::Text(&sourceText), EventParam::Int(&port)});
    return kResultOk;
}

void McastEngine::OnReceiveError(int code)
{
    FireError(code, "Winsock error in recv()");
}

void McastEngine::OnWritable()
{
    Fire(SharedEvent::ReadyToSend, {});
}

int McastEngine::Config(const ConfigArg& arg, const char** answer)
{
    const char* v = arg.value.CStr();
    if (arg.KeyIs("ShareLocalPort")) {
        if (arg.query)
            return AnswerBool(m_shareLocalPort, answer);
        m_shareLocalPort = ParseConfigBool(v);
        return kResultOk;
    }
    if (arg.KeyIs("MaxPacketSize")) {
        if (arg.query)
            return AnswerInt(m_socket.Capacity(), answer);
        if (m_socket.IsOpen()) {
            SetLastErrorText("Cannot change MaxPacketSize while MCast is Active.");
            return kMaxSizeWhileActive;
        }
        return SetConfigInt(
            arg, [this](int n) { return m_socket.SetCapacity(std::min(n, kLargestPacket)); }, 0);
    }
    if (arg.KeyIs("QOSFlags")) {
        if (arg.query)
            return AnswerInt(m_qosFlags, answer);
        return SetConfigInt(arg, [this](int n) {
            m_qosFlags = n;
            return m_socket.IsOpen() ? m_socket.SetOption(IPPROTO_IP, kIpOptionTos, n) : kResultOk;
        });
    }
    if (arg.KeyIs("InBufferSize")) {
        if (arg.query)
            return AnswerInt(m_inBufferSize, answer);
        return SetConfigInt(
            arg,
            [this](int n) {
                m_inBufferSize = n;
                return m_socket.IsOpen() ? m_socket.SetOption(SOL_SOCKET, SO_RCVBUF, n) : kResultOk;
            },
            0);
    }
    if (arg.KeyIs("OutBufferSize")) {
        if (arg.query)
            return AnswerInt(m_outBufferSize, answer);
        return SetConfigInt(
            arg,
            [this](int n) {
                m_outBufferSize = n;
                return m_socket.IsOpen() ? m_socket.SetOption(SOL_SOCKET, SO_SNDBUF, n) : kResultOk;
            },
            0);
    }
    if (arg.query && arg.KeyIs("SocketHandle"))
        return AnswerInt(m_socket.IsOpen() ? int(m_socket.Handle()) : -1, answer);
    return NetComponent::Config(arg, answer);
}
