// The ICMP engine has two ways to the network.
//
// Raw socket: opened for protocol ICMP on the datagram layer, whose
// notifications arrive as kMsgIcmpSocket and run its receive rounds; the
// IPv4 header the system puts in front of every message is removed before
// the message is handed on. An engine may close itself from inside a
// delivery (Ping does on its answer): that close waits until the round is
// over, so the buffer being delivered stays valid, and nothing is delivered
// after it.
//
// icmp.dll: IcmpSendEcho blocks until the answers are in or its time-out
// passes; the reply records it returns are delivered before Send returns.
#include "netcomp/core/icmp/IcmpEngine.h"

#include <algorithm>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/icmp/IcmpDll.h"
#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

constexpr int kMaxMessage = 65536;
constexpr int kMaxIpHeader = 60;
// The socket's receive buffer holds at least this many messages of the
// largest size: on the loopback each request arrives beside its answer, and
// answers to several requests may wait together.
constexpr int kQueuedMessages = 4;
// An unconnected raw socket also receives every other ICMP message of the
// machine (other programs' pings, their answers, our own requests). While a
// busy machine keeps the thread from reading, those fill a small buffer and
// the kernel drops the answer being waited for without a word.
constexpr int kMinReceiveBuffer = 65536;

int ReceiveBufferSize(int maxMessageSize)
{
    return kMaxIpHeader + int(icmp::kHeaderSize) + maxMessageSize;
}
constexpr DWORD kTimedOut = 11010; // IP_REQ_TIMED_OUT

} // namespace

IcmpEngine::IcmpEngine() : m_socket(*this, kMsgIcmpSocket)
{
    (void)m_socket.SetCapacity(ReceiveBufferSize(m_maxMessageSize));
    Setup(true);
}

IcmpEngine::~IcmpEngine()
{
    // Nothing may be delivered to a half-destroyed engine.
    m_socket.Abort();
}

bool IcmpEngine::IsActive() const
{
    return m_useIcmpDll ? m_icmpHandle.IsOpen() : m_socket.IsOpen();
}

int IcmpEngine::SetActive(bool active)
{
    if (!active) {
        m_icmpHandle.Reset();
        (void)m_socket.Close();
        return kResultOk;
    }
    if (m_useIcmpDll) {
        if (m_icmpHandle.IsOpen())
            return kResultOk;
        m_icmpHandle.Reset(IcmpDllCreateFile());
        if (!m_icmpHandle.IsOpen()) {
            SetLastErrorText("Can't create ICMP handle.");
            return kNoIcmpHandle;
        }
        return kResultOk;
    }
    if (m_socket.IsOpen()) {
        SetLastErrorText("ICMPPort is already Active.");
        return kAlreadyActive;
    }
    return OpenSocket();
}

int IcmpEngine::OpenSocket()
{
    int rc = m_socket.Create(SOCK_RAW, m_rawIp ? 0 : IPPROTO_ICMP);
    if (rc == kResultOk)
        rc = ApplySocketOptions();
    if (rc == kResultOk && m_useConnection)
        rc = m_socket.Connect(m_remoteAddress, 0);
    if (rc == kResultOk)
        rc = m_socket.Select(m_window);
    if (rc != kResultOk)
        m_socket.Abort();
    return rc;
}

int IcmpEngine::ApplySocketOptions()
{
    int rc;
    if (m_rawIp && (rc = m_socket.Bind(LocalAddress(), 0)) != kResultOk)
        return rc;
    if ((rc = ApplyReceiveBufferSize()) != kResultOk)
        return rc;
    if ((rc = m_socket.SetOption(SOL_SOCKET, SO_SNDBUF, SendBufferSize())) != kResultOk)
        return rc;
    if (m_dontRoute && (rc = m_socket.SetOption(SOL_SOCKET, SO_DONTROUTE, 1)) != kResultOk)
        return rc;
    if (m_timeToLive != 0 && (rc = m_socket.SetOption(IPPROTO_IP, kIpOptionTtl, m_timeToLive)) != kResultOk)
        return rc;
    if (m_qosFlags != 0 && (rc = m_socket.SetOption(IPPROTO_IP, kIpOptionTos, m_qosFlags)) != kResultOk)
        return rc;
    // Wake-on-LAN and broadcast pings; a refusal is not fatal.
    (void)m_socket.SetOption(SOL_SOCKET, SO_BROADCAST, 1);
    return kResultOk;
}

void IcmpEngine::CloseHandles()
{
    m_icmpHandle.Reset();
    (void)m_socket.Close();
}

int IcmpEngine::SetRemoteHost(const char* text)
{
    if (IsActive() && m_useConnection) {
        SetLastErrorText("Cannot change RemoteHost when UseConnection is set and ICMPPort is Active.");
        return kRemoteHostWhileConnected;
    }
    return DatagramSocket::ResolveDestination(text, &m_remoteAddress);
}

const char* IcmpEngine::GetRemoteHost()
{
    m_remoteText = m_remoteAddress != 0 ? DottedAddress(std::uint32_t(m_remoteAddress)) : std::string();
    return m_remoteText.c_str();
}

const char* IcmpEngine::GetLocalHost()
{
    SetLastErrorText("");
    return NetComponent::GetLocalHost();
}

int IcmpEngine::SetLocalHost(const char* text)
{
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change LocalHost when ICMPPort is Active.");
        return kLocalHostWhileActive;
    }
    return NetComponent::SetLocalHost(text);
}

int IcmpEngine::SetMaxMessageSize(int size)
{
    if (m_socket.IsOpen()) {
        SetLastErrorText("Cannot change MaxPacketSize while ICMPPort is Active.");
        return kMaxSizeWhileActive;
    }
    const int n = std::clamp(size, 0, kMaxMessage);
    const int rc = m_socket.SetCapacity(ReceiveBufferSize(n));
    if (rc == kResultOk)
        m_maxMessageSize = n;
    return rc;
}

int IcmpEngine::SetUseConnection(bool on)
{
    if (IsActive()) {
        SetLastErrorText("Cannot change UseConnection option while ICMPPort is Active.");
        return kUseConnectionWhileActive;
    }
    m_useConnection = on;
    return kResultOk;
}

int IcmpEngine::SetUseIcmpDll(bool on)
{
    // The other path's handle or socket must not stay open unseen.
    if (on != m_useIcmpDll)
        CloseHandles();
    m_useIcmpDll = on;
    return kResultOk;
}

int IcmpEngine::SetTimeToLive(int ttl)
{
    m_timeToLive = ttl;
    return m_socket.IsOpen() ? m_socket.SetOption(IPPROTO_IP, kIpOptionTtl, ttl) : kResultOk;
}

int IcmpEngine::GetTimeToLive()
{
    int ttl = 0;
    if (m_socket.IsOpen() && m_socket.GetOption(IPPROTO_IP, kIpOptionTtl, &ttl) == kResultOk)
        m_timeToLive = ttl;
    return m_timeToLive;
}

int IcmpEngine::SetQosFlags(int flags)
{
    m_qosFlags = flags;
    return m_socket.IsOpen() ? m_socket.SetOption(IPPROTO_IP, kIpOptionTos, flags) : kResultOk;
}

int IcmpEngine::SetOutBufferSize(int size)
{
    m_outBufferSize = size;
    return m_socket.IsOpen() ? m_socket.SetOption(SOL_SOCKET, SO_SNDBUF, SendBufferSize()) : kResultOk;
}

int IcmpEngine::SetInBufferSize(int size)
{
    SetLastErrorText("");
    m_inBufferSize = size;
    return ApplyReceiveBufferSize();
}

// OutBufferSize as set, but with room for the largest message Send accepts.
int IcmpEngine::SendBufferSize() const
{
    return std::max(m_outBufferSize, ReceiveBufferSize(m_maxMessageSize));
}

// InBufferSize as set, but never less than the messages MaxMessageSize
// allows, nor than room for the machine's other ICMP traffic: a raw socket
// drops what does not fit, without a word.
int IcmpEngine::ApplyReceiveBufferSize()
{
    const int floor = std::max(kMinReceiveBuffer, kQueuedMessages * ReceiveBufferSize(m_maxMessageSize));
    int size = std::max(m_inBufferSize, floor);
    const int rc = m_socket.SetReceiveBufferSize(&size);
    if (rc != kResultOk)
        m_inBufferSize = size;
    return rc;
}

int IcmpEngine::SetDontRoute(bool on)
{
    m_dontRoute = on;
    return m_socket.IsOpen() ? m_socket.SetOption(SOL_SOCKET, SO_DONTROUTE, on ? 1 : 0) : kResultOk;
}

int IcmpEngine::Send(const void* data, int length)
{
    // No buffer is an empty message, whatever length comes with it.
    static const char kNone = 0;
    if (!data) {
        data = &kNone;
        length = 0;
    }
    if (m_useIcmpDll)
        return SendIcmpDll(data, length);
    if (!m_socket.IsOpen()) {
        SetLastErrorText("ICMPPort must be Active for this operation.");
        return kNotActive;
    }
    if (length < 0 || length > GetMaxMessageSize()) {
        SetLastErrorText("Message can't be longer than MaxMessageSize.");
        return kMessageTooLong;
    }
    const std::vector<std::uint8_t> message =
        icmp::BuildMessage(m_messageType, m_messageCode, static_cast<const std::uint8_t*>(data), std::size_t(length));
    const int rc = m_socket.SendTo(message.data(), int(message.size()), m_remoteAddress, 0);
    if (rc == kResultOk && m_useConnection && !AbsoluteTimeout())
        StartTimeout();
    return rc;
}

int IcmpEngine::SendIcmpDll(const void* data, int length)
{
    if (!m_icmpHandle.IsOpen()) {
        SetLastErrorText("ICMPPort must be Active for this operation.");
        return kNotActive;
    }
    if (length < 0 || length > GetMaxMessageSize()) {
        SetLastErrorText("Message can't be longer than MaxMessageSize.");
        return kMessageTooLong;
    }
    IP_OPTION_INFORMATION options = {};
    options.Ttl = UCHAR(m_timeToLive != 0 ? m_timeToLive : 255);
    options.Tos = UCHAR(m_qosFlags);
    // Room for one reply record with its echoed data and an ICMP error's extra bytes.
    std::vector<std::uint8_t> replies(sizeof(ICMP_ECHO_REPLY) + std::size_t(length) + 8 + 64);
    const DWORD count = IcmpDllSendEcho(m_icmpHandle.Get(), m_remoteAddress, const_cast<void*>(data), WORD(length),
                                        &options, replies.data(), DWORD(replies.size()), GetTimeout() * 1000);
    if (count == 0) {
        const DWORD error = GetLastError();
        if (error == kTimedOut)
            return kResultOk;
        // Some versions give an unreachable answer as a failure with the
        // answer's status: it is still the host's answer.
        if (icmp::MapIcmpDllStatus(error).type != icmp::kEchoReply) {
            ICMP_ECHO_REPLY answer = {};
            answer.Address = m_remoteAddress;
            answer.Status = error;
            DeliverIcmpDllReplies(&answer, 1);
            return kResultOk;
        }
        return int(error);
    }
    DeliverIcmpDllReplies(replies.data(), count);
    return kResultOk;
}

void IcmpEngine::DeliverIcmpDllReplies(const void* buffer, DWORD count)
{
    const auto* reply = static_cast<const ICMP_ECHO_REPLY*>(buffer);
    for (DWORD i = 0; i < count; ++i, ++reply) {
        if (reply->Status == kTimedOut)
            break;
        // Unreachable and time-exceeded answers keep their ICMP code, so the
        // owner learns why the host did not answer.
        const icmp::DllStatus status = icmp::MapIcmpDllStatus(reply->Status);
        const std::string source = DottedAddress(std::uint32_t(reply->Address));
        OnDataIn(status.type, status.code, static_cast<const std::uint8_t*>(reply->Data), reply->DataSize, false,
                 source.c_str());
    }
}

LRESULT IcmpEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_socket.OnMessage(message, wParam, lParam))
        return 0;
    return NetComponent::WindowProc(message, wParam, lParam);
}

int IcmpEngine::OnDatagram(char* data, int length, unsigned long address, int)
{
    const std::string source = DottedAddress(std::uint32_t(address));
    DeliverRaw(reinterpret_cast<const std::uint8_t*>(data), length, source.c_str());
    return kResultOk;
}

void IcmpEngine::OnReceiveError(int code)
{
    OnError(code, "Winsock error in recv()");
}

void IcmpEngine::DeliverRaw(const std::uint8_t* bytes, int length, const char* source)
{
    if (m_rawIp) {
        OnDataIn(0, 0, bytes, length, false, "");
        return;
    }
    const std::size_t offset = icmp::IcmpOffset(bytes, std::size_t(length));
    icmp::Message message;
    if (!icmp::ParseMessage(bytes + offset, std::size_t(length) - offset, message)) {
        OnError(kMessageTooShort, "Message too short.");
        return;
    }
    if (m_deadlineFollowsData && !AbsoluteTimeout())
        StartTimeout();
    OnDataIn(message.type, message.code, message.data, int(message.length), message.checksumOk, source);
}

void IcmpEngine::OnError(int code, const char* text)
{
    FireError(code, text);
}

int IcmpEngine::Config(const ConfigArg& arg, const char** answer)
{
    const char* v = arg.value.CStr();
    if (arg.KeyIs("UseICMPDLL"))
        return arg.query ? AnswerBool(m_useIcmpDll, answer) : SetUseIcmpDll(ParseConfigBool(v));
    if (arg.KeyIs("UseConnection"))
        return arg.query ? AnswerBool(m_useConnection, answer) : SetUseConnection(ParseConfigBool(v));
    if (arg.KeyIs("MaxMessageSize"))
        return arg.query ? AnswerInt(GetMaxMessageSize(), answer)
                         : SetConfigInt(
                               arg, [this](int n) { return SetMaxMessageSize(n); }, 0);
    if (arg.KeyIs("QOSFlags"))
        return arg.query ? AnswerInt(m_qosFlags, answer) : SetConfigInt(arg, [this](int n) { return SetQosFlags(n); });
    if (arg.KeyIs("InBufferSize"))
        return arg.query ? AnswerInt(m_inBufferSize, answer)
                         : SetConfigInt(
                               arg, [this](int n) { return SetInBufferSize(n); }, 0);
    if (arg.KeyIs("OutBufferSize"))
        return arg.query ? AnswerInt(m_outBufferSize, answer)
                         : SetConfigInt(
                               arg, [this](int n) { return SetOutBufferSize(n); }, 0);
    if (arg.query && arg.KeyIs("SocketHandle"))
        return AnswerInt(m_socket.IsOpen() ? int(m_socket.Handle()) : -1, answer);
    return NetComponent::Config(arg, answer);
}
