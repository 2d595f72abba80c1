// The ICMP engine has two ways to the network.
//
// Raw socket: opened for protocol ICMP, made asynchronous with WSAAsyncSelect
// so that arriving messages post kMsgIcmpSocket to the hidden window. Each
// FD_READ drains the socket in one round; the IPv4 header the system puts in
// front of every message is removed before the message is handed on. An
// engine may close itself from inside a delivery (Ping does on its answer):
// that close waits until the round is over, so the buffer being delivered
// stays valid.
//
// icmp.dll: IcmpSendEcho blocks until the answers are in or its time-out
// passes; the reply records it returns are delivered before Send returns.
#include "netcomp/core/icmp/IcmpEngine.h"

#include <algorithm>
#include <cstring>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/icmp/IcmpDll.h"
#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/tcp/SocketBuffers.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

// Winsock 1.1 numbers of the IP options: WSOCK32 ignores the Winsock 2 ones.
constexpr int kIpTtl = 7;
constexpr int kIpTos = 8;
constexpr int kMaxMessage = 65536;
constexpr int kMaxIpHeader = 60;
// The socket's receive buffer holds at least this many messages of the
// largest size: on the loopback each request arrives beside its answer, and
// answers to several requests may wait together.
constexpr int kQueuedMessages = 4;

std::size_t ReceiveBufferSize(int maxMessageSize)
{
    return std::size_t(kMaxIpHeader) + icmp::kHeaderSize + std::size_t(maxMessageSize) + 1;
}
constexpr DWORD kTimedOut = 11010; // IP_REQ_TIMED_OUT

} // namespace

IcmpEngine::IcmpEngine() : m_buffer(ReceiveBufferSize(2048))
{
    Setup(true);
}

IcmpEngine::~IcmpEngine()
{
    m_acceptData = false; // nothing may be delivered to a half-destroyed engine
    m_receiving = false;
    CloseNow();
}

int IcmpEngine::SocketError()
{
    return Ws().WSAGetLastError();
}

bool IcmpEngine::IsActive() const
{
    return m_useIcmpDll ? m_icmpHandle.IsOpen() : m_socket.IsOpen();
}

int IcmpEngine::SetActive(bool active)
{
    if (!active) {
        if (m_receiving) {
            m_closePending = true;
            return kResultOk;
        }
        CloseNow();
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
    m_socket.Reset(Ws().socket(AF_INET, SOCK_RAW, m_rawIp ? 0 : IPPROTO_ICMP));
    if (!m_socket.IsOpen())
        return SocketError();
    int rc = ApplySocketOptions();
    if (rc == kResultOk && m_useConnection) {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_remoteAddress;
        if (Ws().connect(m_socket.Get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            rc = SocketError();
            if (rc == WSAEWOULDBLOCK)
                rc = kResultOk;
        }
    }
    if (rc == kResultOk && Ws().WSAAsyncSelect(m_socket.Get(), m_window, kMsgIcmpSocket, FD_READ | FD_WRITE) != 0)
        rc = SocketError();
    if (rc != kResultOk)
        m_socket.Reset();
    return rc;
}

int IcmpEngine::ApplySocketOptions()
{
    if (m_rawIp) {
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = LocalAddress();
        if (Ws().bind(m_socket.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            return SocketError();
    }
    int rc = ApplyReceiveBufferSize();
    if (rc != kResultOk)
        return rc;
    const SOCKET socket = m_socket.Get();
    auto set = [socket](int level, int option, int value) { return SetSocketOption(socket, level, option, value); };
    if ((rc = set(SOL_SOCKET, SO_SNDBUF, SendBufferSize())) != kResultOk)
        return rc;
    if (m_dontRoute && (rc = set(SOL_SOCKET, SO_DONTROUTE, 1)) != kResultOk)
        return rc;
    if (m_timeToLive != 0 && (rc = set(IPPROTO_IP, kIpTtl, m_timeToLive)) != kResultOk)
        return rc;
    if (m_qosFlags != 0 && (rc = set(IPPROTO_IP, kIpTos, m_qosFlags)) != kResultOk)
        return rc;
    (void)set(SOL_SOCKET, SO_BROADCAST, 1); // wake-on-LAN and broadcast pings; refusal is not fatal
    return kResultOk;
}

void IcmpEngine::CloseNow()
{
    m_closePending = false;
    m_icmpHandle.Reset();
    if (!m_socket.IsOpen())
        return;
    // Whatever already arrived is still delivered before the socket goes; a
    // delivery that closes the engine itself has then closed it already.
    if (m_acceptData) {
        ReceiveRound();
        if (!m_socket.IsOpen())
            return;
    }
    Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
    m_socket.Reset();
}

int IcmpEngine::SetRemoteHost(const char* text)
{
    if (IsActive() && m_useConnection) {
        SetLastErrorText("Cannot change RemoteHost when UseConnection is set and ICMPPort is Active.");
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
    unsigned long address = 0;
    const int rc = ResolveHost(text, &address);
    if (rc == kResultOk)
        m_remoteAddress = address;
    return rc;
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
    try {
        m_buffer.assign(ReceiveBufferSize(n), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    m_maxMessageSize = n;
    return kResultOk;
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
        CloseNow();
    m_useIcmpDll = on;
    return kResultOk;
}

int IcmpEngine::SetTimeToLive(int ttl)
{
    m_timeToLive = ttl;
    return m_socket.IsOpen() ? SetSocketOption(m_socket.Get(), IPPROTO_IP, kIpTtl, ttl) : kResultOk;
}

int IcmpEngine::GetTimeToLive()
{
    int ttl = 0;
    if (m_socket.IsOpen() && GetSocketOption(m_socket.Get(), IPPROTO_IP, kIpTtl, &ttl) == kResultOk)
        m_timeToLive = ttl;
    return m_timeToLive;
}

int IcmpEngine::SetQosFlags(int flags)
{
    m_qosFlags = flags;
    return m_socket.IsOpen() ? SetSocketOption(m_socket.Get(), IPPROTO_IP, kIpTos, flags) : kResultOk;
}

int IcmpEngine::SetOutBufferSize(int size)
{
    m_outBufferSize = size;
    return m_socket.IsOpen() ? SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_SNDBUF, SendBufferSize()) : kResultOk;
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
    return std::max(m_outBufferSize, int(ReceiveBufferSize(m_maxMessageSize)));
}

// InBufferSize as set, but never less than the messages MaxMessageSize
// allows: a raw socket drops what does not fit, without a word.
int IcmpEngine::ApplyReceiveBufferSize()
{
    const int floor = kQueuedMessages * int(ReceiveBufferSize(m_maxMessageSize));
    int size = std::max(m_inBufferSize, floor);
    const int rc = ApplyInBufferSize(m_socket.Get(), &size);
    if (rc != kResultOk)
        m_inBufferSize = size;
    return rc;
}

int IcmpEngine::SetDontRoute(bool on)
{
    m_dontRoute = on;
    return m_socket.IsOpen() ? SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_DONTROUTE, on ? 1 : 0) : kResultOk;
}

void IcmpEngine::SetAcceptData(bool on)
{
    const bool resume = on && !m_acceptData;
    m_acceptData = on;
    // Messages left waiting while data was refused are picked up again.
    if (resume && m_socket.IsOpen())
        PostMessageA(m_window, kMsgIcmpSocket, WPARAM(m_socket.Get()), MAKELPARAM(FD_READ, 0));
}

int IcmpEngine::Send(const void* data, int length)
{
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
    const char* bytes = reinterpret_cast<const char*>(message.data());
    int sent;
    if (m_useConnection) {
        sent = Ws().send(m_socket.Get(), bytes, int(message.size()), 0);
        if (sent != SOCKET_ERROR && !AbsoluteTimeout())
            StartTimeout();
    } else {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_remoteAddress;
        sent = Ws().sendto(m_socket.Get(), bytes, int(message.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    return sent == SOCKET_ERROR ? SocketError() : kResultOk;
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
    if (message != kMsgIcmpSocket || !m_socket.IsOpen() || SOCKET(wParam) != m_socket.Get())
        return NetComponent::WindowProc(message, wParam, lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ:
        ReceiveRound();
        break;
    case FD_WRITE:
        OnReadyToSend();
        break;
    default:
        break;
    }
    return 0;
}

void IcmpEngine::ReceiveRound()
{
    if (m_receiving)
        return;
    m_receiving = true;
    while (m_acceptData && m_socket.IsOpen() && !m_closePending) {
        sockaddr_in from = {};
        int fromLength = sizeof from;
        char* into = reinterpret_cast<char*>(m_buffer.data());
        // The buffer's last byte stays free for the NUL the event firer
        // writes behind the data.
        const int room = int(m_buffer.size()) - 1;
        const int n = m_useConnection ? Ws().recv(m_socket.Get(), into, room, 0)
                                      : Ws().recvfrom(m_socket.Get(), into, room, 0, reinterpret_cast<sockaddr*>(&from),
                                                      &fromLength);
        if (n == 0)
            break;
        if (n == SOCKET_ERROR) {
            const int error = SocketError();
            if (error != WSAEWOULDBLOCK && error != WSAENOTSOCK)
                OnError(error, "Winsock error in recv()");
            break;
        }
        const std::string source =
            DottedAddress(std::uint32_t(m_useConnection ? m_remoteAddress : from.sin_addr.s_addr));
        DeliverRaw(m_buffer.data(), n, source.c_str());
    }
    m_receiving = false;
    if (m_closePending)
        CloseNow();
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
    if (!AbsoluteTimeout())
        StartTimeout();
    OnDataIn(message.type, message.code, message.data, int(message.length), message.checksumOk, source);
}

void IcmpEngine::OnError(int code, const char* text)
{
    FireSinkSlot1Args2(code, text);
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
        return AnswerInt(m_socket.IsOpen() ? int(m_socket.Get()) : -1, answer);
    return NetComponent::Config(arg, answer);
}
