// Socket events arrive on the hidden window as kMsgTcpSocket: FD_CONNECT
// completes the connect (or hands over to the firewall negotiation first),
// FD_READ reads into the receive buffer and delivers its records, FD_WRITE
// says sending may go on, FD_CLOSE drains what is left and reports the close.
//
// A close is done in one order whatever starts it: notifications off (for a
// close of this side), what is still readable delivered, the socket closed
// and the state reset, and only then the close reported, so a handler that
// reconnects finds a clean socket.
// Notifications still queued for the closed socket are recognised as they
// arrive, by the marker the close posts behind them (RetiredSockets); a
// close after FD_CLOSE that knows nothing of the socket is queued posts none.
//
// Each read arms the next read notification while data is waiting, and
// posted messages are taken before the thread's input, painting and timers:
// a peer that always has data for the socket would keep those waiting. So a
// read notification first asks the thread's turns (SocketTurns) whether the
// socket may read now; when it may not, the socket waits in the thread's
// line of sockets, reads nothing and is posted no other read notification
// until its turn comes, as a read notification that reads. A close
// notification takes its turn the same way (a crowd of clients closing is
// as many posted messages).
//
// A read takes up to the receive buffer's free room (RecvBuffer grows it
// to 64 KB for a connection that keeps it full) and delivers what it read
// as records of at most MaxLineLength bytes: each read is several requests
// to the wineserver and costs as much for 64 KB as for 2 KB.
#include "netcomp/core/tcp/TcpSocket.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

// What a close delivers of a peer that keeps sending: the bytes already on
// their way, up to this much or this long, then the socket closes.
constexpr uint64_t kCloseDrainBytes = 1u << 20;
constexpr DWORD kCloseDrainMilliseconds = 1000;
// What the system's socket buffers grow to by themselves.
constexpr int kSystemGrownBuffer = 4 << 20;

// The connection was reset or aborted: nothing more goes either way.
bool IsReset(int result)
{
    return result == WSAECONNRESET || result == WSAECONNABORTED;
}

} // namespace

// A peer that closed and then reset (it answered our next bytes with a
// reset) makes Linux fail the send with EPIPE, which Wine gives as 10058:
// this side never shuts its sending down itself.
bool TcpSocket::IsPeerGone(int result)
{
    return IsReset(result) || result == WSAESHUTDOWN;
}

TcpSocket::TcpSocket() = default;

TcpSocket::~TcpSocket()
{
    if (m_socket.IsOpen()) {
        SocketTurns::Forget(m_window, kMsgTcpSocket, WPARAM(m_socket.Get()));
        Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
    }
}

int TcpSocket::Init()
{
    const int windowMade = Setup(true);
    return InitDefaults() && windowMade;
}

int TcpSocket::InitDefaults()
{
    m_inBufferSize = 2048;
    m_outBufferSize = 2048;
    m_remotePort = 0;
    m_localPort = 0;
    m_remoteHost.Clear();
    m_remoteAddress = 0;
    m_firewallKind = FirewallKind::None;
    m_firewallPort = 80;
    m_firewallAddress = 0;
    m_firewallUser.Clear();
    m_firewallPassword.Clear();
    m_acceptData = true;
    m_linger = true;
    m_keepAlive = false;
    m_eol.Clear();
    (void)m_recv.SetTerminator("", 0);
    m_recv.SetLineMode(false);
    m_singleLineMode = false;
    return m_recv.Allocate(2048) == kResultOk ? 1 : 0;
}

int TcpSocket::Resolve(const char* text, unsigned long* address)
{
    *address = 0;
    if (!text || !*text)
        return kResultOk;
    const int rc = ResolveHost(text, address);
    // Without Winsock there is nothing to resolve yet; the connect reports it.
    return rc == WSANOTINITIALISED ? kResultOk : rc;
}

// The dotted text of an address, kept for the caller until the next one; empty for none.
const char* TcpSocket::AddressText(unsigned long address)
{
    m_addressText = address ? DottedAddress(uint32_t(address)) : std::string();
    return m_addressText.c_str();
}

int TcpSocket::SetRemoteHost(const char* text)
{
    if (m_firewallKind == FirewallKind::None && m_socket.IsOpen()) {
        SetLastErrorText("You cannot change the RemoteHost at this time. A connection is in progress.");
        return kRemoteHostWhileActive;
    }
    if (m_remoteHost.AssignText(text) != kResultOk)
        return kOutOfMemory;
    if (m_firewallKind != FirewallKind::None)
        return kResultOk;
    return Resolve(text, &m_remoteAddress);
}

const char* TcpSocket::GetRemoteHost()
{
    if (m_firewallKind != FirewallKind::None)
        return m_remoteHost.CStr();
    return AddressText(m_remoteAddress);
}

int TcpSocket::SetRemotePort(int port)
{
    if (m_socket.IsOpen()) {
        SetLastErrorText("You cannot change the RemotePort at this time. A connection is in progress.");
        return kRemotePortWhileActive;
    }
    m_remotePort = uint16_t(port);
    return kResultOk;
}

int TcpSocket::SetLocalPort(int port)
{
    if (m_socket.IsOpen()) {
        SetLastErrorText("You cannot change the LocalPort at this time. A connection is in progress.");
        return kLocalPortWhileActive;
    }
    m_localPort = uint16_t(port);
    return kResultOk;
}

int TcpSocket::GetLocalPort()
{
    return BoundPort(m_socket.Get(), m_localPort);
}

const char* TcpSocket::GetLocalHost()
{
    unsigned long address = 0;
    int port = 0;
    if (m_connected && LocalEndpoint(m_socket.Get(), &address, &port))
        return AddressText(address);
    return NetComponent::GetLocalHost();
}

// A buffer size only ever enlarges the system's. A fixed size also switches
// off the system's own growing of the buffer, which takes it to megabytes on
// a bulk transfer (on Linux under Wine 4 MB for sending, 6 MB for receiving;
// Windows tunes its buffers likewise), while a new socket starts far lower:
// sizes up to that growth are left to the system (a 64000-byte send buffer
// made a 200 MB FTP upload six times as slow, in sends of a few hundred bytes).
void TcpSocket::ApplyBufferSize(int option, int bytes)
{
    if (!m_socket.IsOpen() || bytes <= kSystemGrownBuffer)
        return;
    int current = 0;
    if (GetSocketOption(m_socket.Get(), SOL_SOCKET, option, &current) == kResultOk && current >= bytes)
        return;
    (void)SetSocketOption(m_socket.Get(), SOL_SOCKET, option, bytes);
}

void TcpSocket::SetInBufferSize(int bytes)
{
    m_inBufferSize = bytes;
    ApplyBufferSize(SO_RCVBUF, bytes);
}

void TcpSocket::SetOutBufferSize(int bytes)
{
    m_outBufferSize = bytes;
    ApplyBufferSize(SO_SNDBUF, bytes);
}

void TcpSocket::SetLinger(bool on)
{
    m_linger = on;
    if (m_socket.IsOpen())
        (void)SetLingerOption(m_socket.Get(), on);
}

void TcpSocket::SetKeepAlive(bool on)
{
    m_keepAlive = on;
    if (m_socket.IsOpen()) {
        (void)SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_KEEPALIVE, on ? 1 : 0);
    }
}

void TcpSocket::SetOobInline(bool on)
{
    m_oobInline = on;
    if (m_socket.IsOpen()) {
        (void)SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_OOBINLINE, on ? 1 : 0);
    }
}

void TcpSocket::PostRead()
{
    (void)PostNotification(MAKELPARAM(FD_READ, 0));
}

bool TcpSocket::PostNotification(LPARAM event)
{
    if (!m_socket.IsOpen() || !m_window || !PostMessageA(m_window, kMsgTcpSocket, WPARAM(m_socket.Get()), event))
        return false;
    m_readPosted = true;
    return true;
}

void TcpSocket::SetAcceptData(bool on)
{
    const bool resume = on && !m_acceptData;
    m_acceptData = on;
    if (resume && m_connected)
        PostRead();
}

// Under Wine a posted notification and the read it starts cost about ten
// wineserver requests, and a read that finds nothing still costs its share:
// a blocking wait takes what is held at once, and reads only when the
// system said there is something to read.
void TcpSocket::AcceptDataNow()
{
    const bool resume = !m_acceptData;
    m_acceptData = true;
    if (!resume || !m_connected || !HeldBack())
        return;
    if (m_receiving) {
        // Inside an event of a read under way: its delivery loop goes on
        // with the held records once the event returns.
        m_readLater = m_readLater || m_readHeld;
        return;
    }
    ReadNotified(m_readHeld);
}

int TcpSocket::SetEOL(const char* bytes, uint32_t n)
{
    if (m_eol.Assign(n, bytes) != kResultOk)
        return kOutOfMemory;
    const int rc = m_recv.SetTerminator(bytes, n);
    if (rc != kResultOk)
        return rc;
    if (m_connected)
        PostRead();
    return kResultOk;
}

int TcpSocket::SetEolBytes(const char* data, int length)
{
    const uint32_t n = data && length > 0 ? uint32_t(length) : 0;
    return SetEOL(data ? data : "", n);
}

int TcpSocket::SetSingleLineMode(bool on)
{
    const int rc = on ? SetEOL("\r\n", 2) : SetEOL("", 0);
    if (rc != kResultOk)
        return rc;
    m_recv.SetLineMode(on);
    m_singleLineMode = on;
    return kResultOk;
}

int TcpSocket::SetMaxLineSize(int n)
{
    if (m_connected || m_delivering) {
        SetLastErrorText("You cannot change MaxLineSize at this time. A connection is in progress.");
        return kMaxSizeWhileActive;
    }
    if (n > kMaxLineSize)
        n = kMaxLineSize;
    return m_recv.Allocate(n > 0 ? uint32_t(n) : 1u);
}

int TcpSocket::SetReadBufferSize(uint32_t n)
{
    if (m_connected || m_delivering)
        return kMaxSizeWhileActive;
    return m_recv.Allocate(n);
}

int TcpSocket::SetFirewallType(int kind)
{
    m_firewallKind = kind >= 1 && kind <= 3 ? FirewallKind(kind) : FirewallKind::None;
    m_firewallPort = kind == 2 || kind == 3 ? 1080 : 80;
    return kResultOk;
}

int TcpSocket::SetFirewallHost(const char* text)
{
    return Resolve(text, &m_firewallAddress);
}

const char* TcpSocket::GetFirewallHost()
{
    return AddressText(m_firewallAddress);
}

int TcpSocket::SetFirewallUser(const char* text)
{
    const char* t = text ? text : "";
    const uint32_t n = uint32_t(std::strlen(t));
    return m_firewallUser.Assign(n > kMaxFirewallText ? kMaxFirewallText : n, t);
}

int TcpSocket::SetFirewallPassword(const char* text)
{
    const char* t = text ? text : "";
    const uint32_t n = uint32_t(std::strlen(t));
    return m_firewallPassword.Assign(n > kMaxFirewallText ? kMaxFirewallText : n, t);
}

int TcpSocket::ApplyOptions()
{
    SetKeepAlive(m_keepAlive);
    SetLinger(m_linger);
    SetInBufferSize(m_inBufferSize);
    SetOutBufferSize(m_outBufferSize);
    SetOobInline(m_oobInline);
    return kResultOk;
}

int TcpSocket::SetConnected(bool on)
{
    if (!on) {
        if (m_socket.IsOpen())
            Close(0, true);
        return kResultOk;
    }
    SetLastErrorText("");
    SetLastCode(0);
    m_bytesSent = 0;
    if (m_socket.IsOpen()) {
        SetLastErrorText("Already connected. If you want to reconnect, close the current connection first.");
        return kAlreadyActive;
    }
    if (!m_window)
        return kNoNotifyWindow;
    const bool viaFirewall = m_firewallKind != FirewallKind::None;
    const unsigned long address = viaFirewall ? m_firewallAddress : m_remoteAddress;
    const uint16_t port = viaFirewall ? m_firewallPort : m_remotePort;
    if (address == 0) {
        SetLastErrorText(viaFirewall ? "The FirewallHost address is invalid (0.0.0.0)."
                                     : "The RemoteHost address is invalid (0.0.0.0).");
        return kAddressInvalid;
    }
    if (port == 0) {
        SetLastErrorText(viaFirewall ? "The FirewallPort is invalid (0)."
                                     : "RemotePort can't be zero. Please specify a valid service port number.");
        return kPortZero;
    }

    m_socket.Reset(Ws().socket(AF_INET, SOCK_STREAM, 0));
    if (!m_socket.IsOpen())
        return Ws().WSAGetLastError();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = LocalAddress();
    local.sin_port = Ws().htons(m_localPort);
    int rc = kResultOk;
    if (Ws().bind(m_socket.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        rc = Ws().WSAGetLastError();
    if (rc == kResultOk)
        rc = ApplyOptions();
    if (rc == kResultOk &&
        Ws().WSAAsyncSelect(m_socket.Get(), m_window, kMsgTcpSocket, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0)
        rc = Ws().WSAGetLastError();
    if (rc == kResultOk) {
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_addr.s_addr = address;
        remote.sin_port = Ws().htons(port);
        if (Ws().connect(m_socket.Get(), reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
            const int error = Ws().WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                rc = error;
        }
    }
    if (rc != kResultOk)
        m_socket.Reset();
    ResetReceiveState(false);
    return rc;
}

int TcpSocket::SendRaw(const char* data, int n, int flags, bool checkConnected)
{
    m_bytesSent = 0;
    if (!m_socket.IsOpen() || (checkConnected && !IsConnected()))
        return WSAENOTCONN;
    // The peer is gone, and what it sent before is still being delivered.
    if (m_peerGone)
        return m_peerGone;
    const int sent = Ws().send(m_socket.Get(), data, n, flags);
    if (sent == SOCKET_ERROR) {
        const int error = Ws().WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            m_readyToSend = false;
            m_writeArmed = true;
        }
        return error;
    }
    if (sent < n)
        m_writeArmed = true;
    m_bytesSent = sent;
    if (!AbsoluteTimeout() && HasDeadline())
        StartTimeout();
    return kResultOk;
}

int TcpSocket::SendOrEnd(const char* data, int n, int flags, bool checkConnected)
{
    const int rc = SendRaw(data, n, flags, checkConnected);
    if (IsPeerGone(rc) && m_socket.IsOpen() && !m_peerGone)
        SendFoundPeerGone(rc);
    return rc;
}

// The system still holds what the peer sent before it went (a server's
// reply to what was being sent, the rest of a stream): that is delivered
// before the close, as it is for a peer that closed, and later sends give
// the same code without trying. A send from inside a record event, whose
// read is under way, leaves the connection as it is until that read is over:
// the event goes on with the records still to come, and the Disconnected
// follows once it has returned. So does one from inside any other event of
// the owner's (a server's send to one client in the DataIn of another, a
// send in Connected): the close comes as a notification of its own, behind
// that event, whose handler goes on with the connection as it knew it.
void TcpSocket::SendFoundPeerGone(int code)
{
    m_peerGone = code;
    m_heard = true;
    if (!m_receiving) {
        // No close notification was taken: a read notification for bytes
        // that came before the reset may still be queued, so the close asks
        // what is left and marks what is queued stale.
        m_readPosted = true;
        if (!InOwnersEvent() || !PostNotification(MAKELPARAM(FD_CLOSE, code))) {
            PeerClosed(code);
            return;
        }
    }
    // A read notification taken first ends it there, with this code.
    m_closeLater = true;
    m_closeError = code;
}

void TcpSocket::Connected(int error)
{
    // Reset as it was made (a server that greets and goes at once, before
    // Winsock looked at the connect): the connection was there, and what the
    // server sent is delivered before the close, as for any peer that reset.
    if (IsReset(error) && m_firewallKind == FirewallKind::None) {
        m_connected = true;
        m_heard = true;
        SetOobInline(true);
        OnConnectComplete(0);
        if (m_socket.IsOpen() && !m_receiving)
            PeerClosed(error);
        return;
    }
    if (error != 0) {
        if (m_firewallKind != FirewallKind::None)
            OnConnectionStatus("Firewall connection failed.", error);
        Close(error, false);
        return;
    }
    m_connected = true;
    SetOobInline(true);
    if (m_firewallKind != FirewallKind::None) {
        FirewallConnected();
        return;
    }
    OnConnectComplete(0);
}

void TcpSocket::FirewallConnected()
{
    OnConnectionStatus("Firewall connection complete.", 0);
    FirewallTarget target;
    target.kind = m_firewallKind;
    target.remoteHost = m_remoteHost.CStr();
    target.remotePort = m_remotePort;
    target.user = m_firewallUser.CStr();
    target.password = m_firewallPassword.CStr();
    int rc = kResultOk;
    if (m_firewallKind == FirewallKind::Socks4 || (m_firewallKind == FirewallKind::Socks5 && m_remoteHost[0] != '*')) {
        unsigned long address = 0;
        rc = Resolve(m_remoteHost.CStr(), &address);
        target.remoteAddress = uint32_t(address);
    }
    NetString request;
    if (rc == kResultOk)
        rc = m_firewall.Start(target, request);
    if (rc == kResultOk)
        rc = SendRaw(request.Data(), int(request.Length()), 0);
    if (rc != kResultOk) {
        if (rc == kFirewallError)
            SetLastErrorText(m_firewall.FailText());
        OnError(rc, rc == kFirewallError ? m_firewall.FailText() : "");
        OnConnectComplete(rc);
        Close(rc, false);
    }
}

void TcpSocket::FirewallFailed()
{
    OnError(kFirewallError, m_firewall.FailText());
    SetLastErrorText(m_firewall.FailText());
    OnConnectComplete(kFirewallError);
    Close(kFirewallError, false);
}

// Firewall replies: what completes the negotiation is consumed here; bytes
// that followed the reply are already the remote host's and go back into the
// receive buffer, so they reach the owner through the framing like any others.
void TcpSocket::FirewallData(const char* data, uint32_t n)
{
    NetString next;
    switch (m_firewall.Feed(data, n, next)) {
    case FirewallNegotiation::Outcome::NeedMore:
        break;
    case FirewallNegotiation::Outcome::Send: {
        const int rc = SendRaw(next.Data(), int(next.Length()), 0);
        if (rc != kResultOk) {
            OnConnectComplete(rc);
            Close(rc, false);
        }
        break;
    }
    case FirewallNegotiation::Outcome::Open: {
        NetString rest;
        const bool kept = m_recv.PutBack(m_firewall.Leftover(), m_firewall.LeftoverLength());
        if (!kept && rest.Assign(m_firewall.LeftoverLength(), m_firewall.Leftover()) != kResultOk)
            rest.Clear();
        OnConnectComplete(0);
        // Only a buffer smaller than the firewall's reply gets here.
        if (!kept && rest.Length() && m_socket.IsOpen())
            OnDataArrived(rest.Data(), rest.Length(), false);
        break;
    }
    case FirewallNegotiation::Outcome::Failed:
        FirewallFailed();
        break;
    }
}

// While a firewall negotiates, whatever arrives is its reply, raw: the record
// framing (an EOL set before the connect) would cut a SOCKS reply short or
// hold it for a terminator that never comes.
int TcpSocket::Deliver()
{
    // The records point into the receive buffer: while one is out with the
    // owner, the buffer stays (SetMaxLineSize waits for the delivery's end).
    ++m_delivering;
    struct Done {
        int& depth;
        ~Done() { --depth; }
    } done{m_delivering};
    RecvRecord record;
    while (m_socket.IsOpen()) {
        if (m_firewall.Pending()) {
            if (!m_recv.Take(record))
                break;
            FirewallData(record.data, record.length);
            continue;
        }
        if (!m_acceptData || !m_recv.NextRecord(record))
            break;
        if (!AbsoluteTimeout() && HasDeadline())
            StartTimeout();
        // An owner that pumps its messages in the event (DoEvents) finds
        // the next record's event there, as it found the next read's
        // notification when a read took one record: another record
        // follows, or a read (its notification was taken in an earlier
        // event of this delivery, or the last read filled the buffer and
        // left more in the socket).
        const bool more = m_recv.Pending() > 0 || m_readLater || !m_readShort;
        if (more)
            SocketTurns::EventFollows(true);
        OnDataArrived(record.data, record.length, record.eolFound);
        if (more)
            SocketTurns::EventFollows(false);
    }
    return kResultOk;
}

// The peer has closed: bytes after the last whole record are its last piece,
// delivered as a record without its end instead of being dropped with the
// buffer (a whois answer whose last line has no line end).
void TcpSocket::DeliverRest()
{
    RecvRecord record;
    ++m_delivering;
    while (m_socket.IsOpen() && m_acceptData && !m_firewall.Pending() && m_recv.TakePart(record))
        OnDataArrived(record.data, record.length, false);
    --m_delivering;
}

int TcpSocket::Receive(int mode)
{
    if (!m_socket.IsOpen())
        return kResultOk;
    // Records held back while AcceptData was off go first.
    Deliver();
    // A record out with the owner (this is a read from inside its event)
    // points into the buffer, which no read may move under it.
    if (m_delivering > 0) {
        m_readLater = m_readLater || mode == 0;
        return kResultOk;
    }
    int rc = kResultOk;
    // A read notification reads once: every recv that returns data arms the
    // next notification while more is waiting, so further reads here would
    // only leave notifications behind that find nothing. A drain reads to the
    // end, or before a close to its bound.
    const DWORD started = Now();
    uint64_t drained = 0;
    for (int round = 0; round < 1 || mode != 0; ++round) {
        if (mode == 1 && (drained >= kCloseDrainBytes || Now() - started >= kCloseDrainMilliseconds))
            break;
        uint32_t free = 0;
        char* space = m_recv.GetWriteSpace(&free);
        if (!space || free == 0)
            break;
        const int got = Ws().recv(m_socket.Get(), space, int(free), 0);
        // Every recv arms the next read notification, and is the read a
        // notification waited for.
        m_readHeld = false;
        m_readWaits = false;
        m_readShort = got > 0 && uint32_t(got) < free;
        if (got == 0) {
            if (mode == 0) {
                // A close already seen (a reset a send found) keeps its code.
                const int code = m_closeLater ? m_closeError : 0;
                Deliver();
                if (CloseWaits(code))
                    return kResultOk;
                DeliverRest();
                Close(code, false);
            }
            return kResultOk;
        }
        if (got == SOCKET_ERROR) {
            const int error = Ws().WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                break;
            if (error == WSAENOTSOCK || error == WSAECONNABORTED || error == WSAECONNRESET) {
                rc = error;
                break;
            }
            char text[64];
            std::snprintf(text, sizeof text, "socket error in recv: %d", error);
            OnError(error, text);
            rc = error;
            break;
        }
        m_recv.CommitWrite(uint32_t(got));
        drained += uint32_t(got);
        Deliver();
        if (!m_socket.IsOpen() || !(m_acceptData || m_firewall.Pending()))
            break;
    }
    return rc;
}

// Whether the closed connection left bytes to read: asking costs two
// wineserver requests under Wine, a recv that finds nothing costs three, and
// most connections end with nothing left (bytes that came with the close
// come with FD_CLOSE alone, no FD_READ before it, so the question is asked).
// It is not asked where the answer is known: the last read emptied the queue,
// no urgent byte came (which cuts a read short with bytes behind it), and no
// read notification was passed over, posted or made to wait for a turn since.
bool TcpSocket::Unread()
{
    if (m_readShort && m_urgentWatched && !m_urgentSeen && !m_readHeld && !m_readWaits && !m_readPosted)
        return false;
    u_long bytes = 0;
    return Ws().ioctlsocket(m_socket.Get(), FIONREAD, &bytes) != 0 || bytes > 0;
}

void TcpSocket::ReadNow()
{
    if (m_socket.IsOpen() && !m_receiving)
        ReadNotified(true);
}

void TcpSocket::EndWaitingClose()
{
    if (m_closeLater && !m_receiving)
        Close(m_closeError, false);
}

bool TcpSocket::EndIfReset(int result)
{
    if (!IsReset(result))
        return false;
    Close(result, false);
    return true;
}

void TcpSocket::ReadNotified(bool read)
{
    m_receiving = true;
    m_readLater = false;
    int rc = kResultOk;
    if (read)
        rc = Receive(0);
    else
        Deliver();
    m_receiving = false;
    if (EndIfReset(rc))
        return;
    if (m_closeLater && m_acceptData) {
        m_closeLater = false;
        PeerClosed(m_closeError);
    } else if (m_readLater) {
        PostRead();
    }
}

void TcpSocket::PeerClosed(int error)
{
    // Winsock posts nothing for a socket after its FD_CLOSE but what a
    // call re-arms: a recv a read notification, a send that would block
    // a write notification. With nothing left to read (bytes left behind
    // by the last read would already have a read notification queued),
    // no such call since and no read posted here, nothing of this socket
    // is queued, and its close needs no marker, which costs a posted
    // message and its taking.
    m_receiving = true;
    const bool quiet = !Unread();
    if (!quiet)
        (void)Receive(2);
    else
        Deliver();
    m_receiving = false;
    // A reset a send found meanwhile (inside an event) keeps its code.
    if (error == 0 && m_peerGone)
        error = m_peerGone;
    if (CloseWaits(error))
        return;
    m_receiving = true;
    DeliverRest();
    m_receiving = false;
    Close(error, false, quiet && !m_readPosted && !m_writeArmed);
}

// What was read, or is still to read, while AcceptData is off is delivered
// once it is on again, and the peer's close after it: true when the close
// waits for that. (Under Wine the close is seen by a read that finds the
// end; Windows may post FD_CLOSE while records still wait.)
bool TcpSocket::CloseWaits(int error)
{
    if (!m_socket.IsOpen() || m_acceptData || m_firewall.Pending())
        return false;
    if (m_recv.Pending() == 0) {
        // Bytes left in the socket are read once AcceptData is on again
        // (a read notification passed over may have announced the end).
        if (!Unread())
            return false;
        m_readHeld = true;
    }
    m_closeLater = true;
    m_closeError = error;
    return true;
}

// True when the read waits for the socket's turn, which comes as a read
// notification of its own: it reads for this one too. Bytes are left to
// read meanwhile (a close drains them).
bool TcpSocket::HoldRead()
{
    if (SocketTurns::MayRead(m_window, kMsgTcpSocket, WPARAM(m_socket.Get())))
        return false;
    m_readWaits = true;
    return true;
}

void TcpSocket::ResetReceiveState(bool urgentWatched)
{
    m_heard = false;
    m_recv.Clear();
    m_readHeld = false;
    m_readWaits = false;
    m_readPosted = false;
    m_closeLater = false;
    m_peerGone = 0;
    m_writeArmed = true;
    m_readShort = false;
    m_urgentSeen = false;
    m_urgentWatched = urgentWatched;
}

void TcpSocket::Close(int code, bool drain, bool quiet)
{
    if (!m_socket.IsOpen())
        return;
    // A close of this side stops the notifications while it drains; one the
    // peer or an error started has nothing more to read, and what Winsock
    // may still post before closesocket comes before the socket's marker.
    if (drain)
        Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
    if (drain && !m_receiving) {
        m_receiving = true;
        (void)Receive(1);
        m_receiving = false;
        if (!m_socket.IsOpen())
            return;
    }
    const bool negotiating = m_firewall.Pending();
    LetSocketGo(!quiet);
    const bool wasConnected = m_connected;
    m_connected = false;
    m_bytesSent = 0;
    m_acceptData = true;
    m_readyToSend = false;
    ResetReceiveState(false);
    if (negotiating) {
        m_firewall.Cancel();
        OnConnectionStatus("Firewall host disconnected.", code);
    }
    if (!wasConnected && code != 0) {
        // A connect that failed: the connect wait learns it from here.
        OnConnectComplete(code);
        return;
    }
    OnCloseComplete(code);
}

void TcpSocket::LetSocketGo(bool retire)
{
    const SOCKET closed = m_socket.Get();
    SocketTurns::Forget(m_window, kMsgTcpSocket, WPARAM(closed));
    m_socket.Reset();
    if (retire && !m_retired->Retire(m_window, closed))
        DropQueuedNotifications(closed);
}

// Only when no marker could be posted behind a closed socket's notifications
// (a full queue): they are taken out here instead. Those of other sockets
// sharing the window (a server's connections) go back in their order: a lost
// read notification would stall that connection for good.
void TcpSocket::DropQueuedNotifications(SOCKET closed)
{
    if (!m_window)
        return;
    MSG queued;
    std::vector<MSG> others;
    while (PeekMessageA(&queued, m_window, kMsgTcpSocket, kMsgTcpSocket, PM_REMOVE)) {
        if (SOCKET(queued.wParam) != closed)
            others.push_back(queued);
    }
    for (const MSG& m : others)
        PostMessageA(m_window, m.message, m.wParam, m.lParam);
}

int TcpSocket::AttachAccepted(SOCKET accepted, HWND window, RetiredSockets& retired)
{
    m_socket.Reset(accepted);
    m_window = window;
    m_retired = &retired;
    m_connected = true;
    m_bytesSent = 0;
    ResetReceiveState(true);
    if (Ws().WSAAsyncSelect(accepted, window, kMsgTcpSocket, FD_READ | FD_WRITE | FD_OOB | FD_CLOSE) != 0)
        return Ws().WSAGetLastError();
    return kResultOk;
}

bool TcpSocket::EndIfGone()
{
    if (m_heard || !m_socket.IsOpen() || m_receiving)
        return false;
    sockaddr_in peer{};
    int length = sizeof peer;
    if (Ws().getpeername(m_socket.Get(), reinterpret_cast<sockaddr*>(&peer), &length) == 0 ||
        Ws().WSAGetLastError() != WSAENOTCONN)
        return false;
    m_heard = true;
    PeerClosed(WSAECONNRESET);
    return true;
}

void TcpSocket::ShareWindowOf(TcpSocket& owner)
{
    m_window = owner.m_window;
    m_retired = owner.m_retired;
}

void TcpSocket::DetachWindow()
{
    if (m_socket.IsOpen() && m_window) {
        Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
        LetSocketGo(true);
    }
    m_socket.Reset();
    m_connected = false;
    m_window = nullptr;
}

LRESULT TcpSocket::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_retired->TakeMarker(message, wParam))
        return 0;
    if (message != kMsgTcpSocket || !m_socket.IsOpen() || SOCKET(wParam) != m_socket.Get() ||
        m_retired->IsStale(SOCKET(wParam)))
        return NetComponent::WindowProc(message, wParam, lParam);
    m_heard = true;
    const int error = WSAGETSELECTERROR(lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ:
        if (!m_acceptData && !m_firewall.Pending()) {
            // No other notification comes until the next recv: switching
            // AcceptData on reads for this one.
            m_readHeld = true;
            break;
        }
        if (m_receiving) {
            // The owner pumps messages from inside an event of the read under
            // way: this notification is taken now and no other comes until
            // the next recv, so the read it asks for follows that one's end.
            m_readLater = true;
            break;
        }
        if (!HoldRead())
            ReadNotified(true);
        break;
    case FD_WRITE:
        m_readyToSend = true;
        m_writeArmed = false;
        OnReadyToSend();
        break;
    case FD_CONNECT:
        Connected(error);
        break;
    case FD_OOB:
        // Urgent bytes come inline, with read notifications of their own.
        m_urgentSeen = true;
        break;
    case FD_CLOSE: {
        // A close takes its turn as a read does: a crowd of clients that
        // send and close would otherwise keep the owner's timers waiting.
        // Its turn comes as this notification, sent, so nothing of the
        // socket's is queued for it meanwhile.
        if (m_receiving) {
            // Inside an event of a read under way (an owner that pumps its
            // messages there): the records that read still has to deliver
            // go first, and what the system still holds, and the close
            // follows once the read is over, not inside the owner's event.
            // A reset a send found meanwhile keeps its code.
            if (!m_closeLater) {
                m_closeLater = true;
                m_closeError = error;
            }
            break;
        }
        if (SocketTurns::MayRead(m_window, kMsgTcpSocket, wParam, lParam))
            PeerClosed(error);
        break;
    }
    default:
        break;
    }
    return 0;
}

int TcpSocket::Config(const ConfigArg& arg, const char** answer)
{
    const char* key = arg.key.CStr();
    if (StrICmp(key, "FirewallData") == 0) {
        if (arg.query)
            return AnswerText("", answer);
        return m_firewallData.Assign(arg.value.Length(), arg.value.Data());
    }
    if (StrICmp(key, "MaxLineLength") == 0)
        return arg.query ? AnswerInt(GetMaxLineSize(), answer)
                         : SetConfigInt(arg, [this](int n) { return SetMaxLineSize(n); });
    if (StrICmp(key, "SocketHandle") == 0 && arg.query)
        return AnswerInt(!m_socket.IsOpen() ? -1 : int(m_socket.Get()), answer);
    if (StrICmp(key, "InBufferSize") == 0) {
        if (arg.query)
            return AnswerInt(m_inBufferSize, answer);
        return SetConfigInt(arg, [this](int n) {
            SetInBufferSize(n);
            return kResultOk;
        });
    }
    if (StrICmp(key, "OutBufferSize") == 0) {
        if (arg.query)
            return AnswerInt(m_outBufferSize, answer);
        return SetConfigInt(arg, [this](int n) {
            SetOutBufferSize(n);
            return kResultOk;
        });
    }
    return NetComponent::Config(arg, answer);
}
