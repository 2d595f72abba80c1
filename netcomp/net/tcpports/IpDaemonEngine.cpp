// The listening socket notifies the hidden window with kMsgDaemonAccept; every
// connection notifies the same window with kMsgTcpSocket, and the socket map
// finds the connection of a notification in a few hash probes. Accept
// notifications take their turn in the thread's line of sockets
// (SocketTurns), as the connections' reads and closes do.
//
// A client that resets its connection before or as it is accepted leaves a
// socket that the system posts nothing for (no write notification, no close
// under Wine), where a live one has its first write notification soon after
// it is attached. Once the clients waiting have been taken (the last accept
// turn of a crowd), a message of the daemon's own comes behind the
// notifications queued meanwhile: a connection that has still heard nothing
// then is asked whether it is connected, and one that is not is ended.
//
// A connection may be closed from inside one of its own events. Its object
// must then outlive the event: it leaves the map at once (no further
// notification reaches it), is counted as deferred, and is destroyed by the
// sweep that runs around every notification once its event depth is 0.
#include "netcomp/net/tcpports/IpDaemonEngine.h"

#include <cstdio>
#include <new>
#include <string>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/include/netcomp_ipdaemon.h"

namespace {

// The most clients one accept turn takes, however long its slice.
constexpr int kAcceptsATurn = 16;

// The connection events carry the connection's number first: the daemon
// fires them itself. Errors come from the shared layers too.
constexpr EventTable kIpDaemonEvents = {{SharedEvent::Error, kIpDaemonEventError}};

} // namespace

IpDaemonEngine::IpDaemonEngine()
{
    SetEventTable(kIpDaemonEvents);
    (void)Setup(true);
    (void)SetMaxConnections(1000);
}

IpDaemonEngine::~IpDaemonEngine()
{
    if (Ws().WSAIsBlocking())
        Ws().WSACancelBlockingCall();
    CloseListener();
    for (DaemonConnection*& connection : m_slots) {
        delete connection;
        connection = nullptr;
    }
}

int IpDaemonEngine::SetMaxConnections(int n)
{
    if (m_maxConnectionsLocked) {
        SetLastErrorText("Can't change MaxConnections after setting Listening to True.");
        return kDaemonMaxConnectionsLocked;
    }
    const int rc = m_map.Build(n);
    if (rc != kResultOk)
        return rc;
    for (DaemonConnection* connection : m_slots)
        delete connection;
    m_slots.assign(size_t(m_map.Size()), nullptr);
    m_highest = 0;
    m_deferred = 0;
    return kResultOk;
}

int IpDaemonEngine::Config(const ConfigArg& arg, const char** answer)
{
    const char* key = arg.key.CStr();
    if (StrICmp(key, "MaxConnections") == 0) {
        if (arg.query)
            return AnswerInt(m_map.Size(), answer);
        return SetConfigInt(
            arg, [&](int n) { return SetMaxConnections(n); }, 0);
    }
    int* sizes[] = {&m_maxLineLength, &m_inBufferSize, &m_outBufferSize};
    const char* names[] = {"MaxLineLength", "InBufferSize", "OutBufferSize"};
    for (int i = 0; i < 3; ++i) {
        if (StrICmp(key, names[i]) != 0)
            continue;
        if (arg.query)
            return AnswerInt(*sizes[i], answer);
        return SetConfigInt(
            arg,
            [&](int n) {
                *sizes[i] = n;
                return kResultOk;
            },
            0);
    }
    return NetComponent::Config(arg, answer);
}

void IpDaemonEngine::CloseListener()
{
    if (m_listener.IsOpen()) {
        SocketTurns::Forget(m_window, kMsgDaemonAccept, WPARAM(m_listener.Get()));
        Ws().WSAAsyncSelect(m_listener.Get(), m_window, 0, 0);
        m_listener.Reset();
    }
}

int IpDaemonEngine::SetListening(bool on)
{
    if (!on) {
        SweepDeferred();
        // No accept turn comes to look at the connections taken last.
        PostCheck();
        CloseListener();
        return kResultOk;
    }
    m_maxConnectionsLocked = true;
    if (m_listener.IsOpen()) {
        SetLastErrorText("IPDaemon is already listening.");
        return kAlreadyActive;
    }
    if (!m_window)
        return kNoNotifyWindow;
    m_listener.Reset(Ws().socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!m_listener.IsOpen())
        return Ws().WSAGetLastError();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = LocalAddress();
    local.sin_port = Ws().htons(u_short(m_localPort));
    int rc = SetSocketOption(m_listener.Get(), SOL_SOCKET, SO_REUSEADDR, 1);
    if (rc == kResultOk && Ws().bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        rc = Ws().WSAGetLastError();
    if (rc == kResultOk && Ws().listen(m_listener.Get(), m_backlog) != 0)
        rc = Ws().WSAGetLastError();
    if (rc == kResultOk)
        ApplyListenerOptions();
    if (rc == kResultOk && Ws().WSAAsyncSelect(m_listener.Get(), m_window, kMsgDaemonAccept, FD_ACCEPT) != 0)
        rc = Ws().WSAGetLastError();
    if (rc != kResultOk)
        m_listener.Reset();
    return rc;
}

int IpDaemonEngine::SetLocalHost(const char* text)
{
    if (m_listener.IsOpen()) {
        SetLastErrorText("Cannot change LocalHost when IPDaemon is Listening.");
        return kLocalHostWhileActive;
    }
    return NetComponent::SetLocalHost(text);
}

int IpDaemonEngine::SetLocalPort(int port)
{
    if (m_listener.IsOpen()) {
        SetLastErrorText("Cannot change LocalPort when IPDaemon is Listening.");
        return kLocalPortWhileActive;
    }
    m_localPort = port;
    return kResultOk;
}

int IpDaemonEngine::GetLocalPort()
{
    return m_localPort == 0 ? BoundPort(m_listener.Get(), 0) : m_localPort;
}

int IpDaemonEngine::SetBacklog(int backlog)
{
    m_backlog = backlog;
    return kResultOk;
}

int IpDaemonEngine::CheckConnection(int id, IndexUse use)
{
    if (id >= 1 && size_t(id) <= m_slots.size() && m_slots[size_t(id) - 1] && !m_slots[size_t(id) - 1]->Removed())
        return kResultOk;
    if (use == IndexUse::Check) {
        SetLastErrorText("Invalid ConnectionId.");
        return kIndexOutOfRange;
    }
    SetLastErrorText("Invalid ConnectionId");
    return kDaemonInvalidConnection;
}

DaemonConnection* IpDaemonEngine::Connection(int id)
{
    return CheckConnection(id) == kResultOk ? m_slots[size_t(id) - 1] : nullptr;
}

LRESULT IpDaemonEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgDaemonAccept) {
        // Accepts take their turn as reads do: under a crowd of new clients
        // the owner's timers would otherwise wait for every one of them.
        // A turn takes the clients that wait while its slice lasts: one a
        // turn, a crowd would wait a turn of the whole line (and a stop for
        // the owner's messages) for each of them.
        if (m_listener.IsOpen() && SOCKET(wParam) == m_listener.Get() && WSAGETSELECTEVENT(lParam) == FD_ACCEPT &&
            SocketTurns::MayRead(m_window, kMsgDaemonAccept, wParam, lParam)) {
            bool more = false;
            for (int taken = 1; Accept(); ++taken) {
                if (taken >= kAcceptsATurn || !MayAcceptMore()) {
                    more = ClientsWait();
                    break;
                }
                if (!NextClientWaits())
                    break;
            }
            if (!more)
                PostCheck();
        }
        return 0;
    }
    if (message == kMsgDaemonCheck) {
        m_checkPosted = false;
        CheckAccepted();
        return 0;
    }
    if (m_retired.TakeMarker(message, wParam))
        return 0;
    if (message == kMsgTcpSocket) {
        // A closed connection's handle value may already be a new
        // connection's: what was queued for the old one must not reach it.
        if (m_retired.IsStale(SOCKET(wParam)))
            return 0;
        SweepDeferred();
        const int id = m_map.Find(uint64_t(wParam));
        if (id > 0 && m_slots[size_t(id) - 1])
            m_slots[size_t(id) - 1]->WindowProc(message, wParam, lParam);
        SweepDeferred();
        return 0;
    }
    return NetComponent::WindowProc(message, wParam, lParam);
}

// An accepted socket has the options of its listening socket (Windows and
// Wine alike): set there once, the Linger, KeepAlive and out-of-band options
// every connection takes cost no system call per connection, which under
// Wine is a wineserver request each. A new socket's defaults are SO_LINGER
// off (Linger on, a graceful close) and keep-alive off; what the listening
// socket holds is kept, as a refusal there leaves the default.
void IpDaemonEngine::ApplyListenerOptions()
{
    const SOCKET listener = m_listener.Get();
    m_listenerLinger = true;
    m_listenerKeepAlive = false;
    (void)SetSocketOption(listener, SOL_SOCKET, SO_OOBINLINE, 1);
    if (!m_linger && SetLingerOption(listener, false) == kResultOk)
        m_listenerLinger = false;
    if (m_keepAlive && SetSocketOption(listener, SOL_SOCKET, SO_KEEPALIVE, 1) == kResultOk)
        m_listenerKeepAlive = true;
}

// Each new connection has Linger and KeepAlive as the properties stand: as
// inherited, or set on it where a property changed since the daemon began to
// listen; a refusal there is reported for that connection, which then keeps
// what it inherited.
void IpDaemonEngine::ApplyConnectionOptions(DaemonConnection& connection, int* linger, int* keepAlive)
{
    if (m_linger != m_listenerLinger)
        *linger = SetLingerOption(connection.Handle(), m_linger);
    if (m_keepAlive != m_listenerKeepAlive)
        *keepAlive = SetSocketOption(connection.Handle(), SOL_SOCKET, SO_KEEPALIVE, m_keepAlive ? 1 : 0);
    connection.TakeInheritedOptions(*linger == kResultOk ? m_linger : m_listenerLinger,
                                    *keepAlive == kResultOk ? m_keepAlive : m_listenerKeepAlive, true);
}

bool IpDaemonEngine::MayAcceptMore() const
{
    return m_listener.IsOpen() && !DestroyPending() && SocketTurns::MayGoOn();
}

// Another accept turn is to come: the listener's notification waits.
bool IpDaemonEngine::ClientsWait()
{
    MSG msg;
    return m_listener.IsOpen() &&
           PeekMessageA(&msg, m_window, kMsgDaemonAccept, kMsgDaemonAccept, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

// Winsock posts the listener's notification again after an accept while
// more clients wait: that one is taken now, for the turn's next accept. An
// accept tried without it may find no client yet, and under Wine a
// listener that was asked for one too soon is not heard of again.
bool IpDaemonEngine::NextClientWaits()
{
    MSG msg;
    while (PeekMessageA(&msg, m_window, kMsgDaemonAccept, kMsgDaemonAccept, PM_REMOVE | PM_NOYIELD)) {
        if (SOCKET(msg.wParam) == m_listener.Get() && WSAGETSELECTEVENT(msg.lParam) == FD_ACCEPT)
            return true;
    }
    return false;
}

// Takes the next client that waits: false when none does. The client is
// accepted first and the owner asked then: one that is not taken is closed
// at once, so that it learns of the refusal instead of waiting in the
// backlog.
bool IpDaemonEngine::Accept()
{
    SweepDeferred();
    SocketHandle client(Ws().accept(m_listener.Get(), nullptr, nullptr));
    if (!client.IsOpen()) {
        const int code = Ws().WSAGetLastError();
        if (code == WSAEWOULDBLOCK) // none waits (or the client went before it was taken)
            return false;
        SetErrorFromCode(code);
        const std::string text = std::string("ACCEPT: ") + LastErrorText();
        FireError(code, text.c_str());
        return false;
    }
    bool accept = true;
    Fire(kIpDaemonEventConnectionRequest, {EventParam::Bool(&accept, true)});
    if (!m_listener.IsOpen() || !accept)
        return true;
    size_t slot = 0;
    while (slot < m_slots.size() && m_slots[slot])
        ++slot;
    if (slot == m_slots.size()) {
        FireError(kOutOfMemory, "Out of connection slots.");
        return true;
    }
    const int id = int(slot) + 1;
    DaemonConnection* connection = new (std::nothrow) DaemonConnection(*this, id);
    if (!connection) {
        FireError(kOutOfMemory, "Can't allocate new connection.");
        return true;
    }
    if (!connection->InitDefaults()) {
        delete connection;
        FireError(kOutOfMemory, "Can't initialize new connection.");
        return true;
    }
    const int mapped = m_map.Insert(uint64_t(client.Get()), id);
    if (mapped != SocketMap::kInserted) {
        delete connection;
        FireError(mapped, "Can't map new socket. Connection killed.");
        return true;
    }
    connection->SetMapped(client.Get());
    m_slots[slot] = connection;
    if (id > m_highest)
        m_highest = id;

    const int lineBuffer = connection->SetMaxLineSize(m_maxLineLength);
    const int attach = connection->AttachAccepted(client.Release(), m_window, m_retired);
    connection->SetInBufferSize(m_inBufferSize);
    connection->SetOutBufferSize(m_outBufferSize);
    int linger = kResultOk;
    int keepAlive = kResultOk;
    ApplyConnectionOptions(*connection, &linger, &keepAlive);

    // The set-up's failures are reported once it is done, and the connection
    // stays; an owner that closes it from such an Error event gets its
    // Disconnected and no Connected, and it is destroyed after the events.
    ++m_connectionCount;
    connection->Enter();
    if (lineBuffer != kResultOk)
        FireError(lineBuffer, "Can't allocate LineBuffer.");
    if (attach != kResultOk)
        FireError(attach, "Error attaching new connection (WSAAsyncSelect).");
    if (linger != kResultOk)
        FireError(linger, "Error setting Linger option for new connection.");
    if (keepAlive != kResultOk)
        FireError(keepAlive, "Error setting KeepAlive option for new connection.");
    if (!connection->Removed()) {
        // A send of the owner's in the event may find the client gone, and
        // end the connection there.
        int number = id;
        int code = 0;
        const char* ok = "OK";
        Fire(kIpDaemonEventConnected, {EventParam::Int(&number), EventParam::Int(&code), EventParam::Text(&ok)});
    }
    connection->Leave();
    if (connection->Removed()) {
        SweepDeferred();
        return true;
    }
    try {
        m_accepted.push_back(Accepted{id, connection->Mapped(), false});
    } catch (const std::bad_alloc&) {
        // Unlooked at: a client gone already stays until the daemon closes.
    }
    return true;
}

// The look at the connections taken comes behind their first
// notifications. Where it cannot be posted, the next accept turn tries
// again, or the listener's close.
void IpDaemonEngine::PostCheck()
{
    if (!m_accepted.empty() && !m_checkPosted)
        m_checkPosted = PostMessageA(m_window, kMsgDaemonCheck, 0, 0) != FALSE;
}

// A connection just attached may have its first notification still on its
// way (Wine posts it once it has polled the socket): one unheard of at its
// first look is looked at again at the next, and asked only then.
void IpDaemonEngine::CheckAccepted()
{
    // Events of an ended connection may pump messages, and an accept turn
    // there adds to the list: this look works on its own.
    std::vector<Accepted> accepted;
    accepted.swap(m_accepted);
    size_t again = 0;
    for (size_t i = 0; i < accepted.size(); ++i) {
        Accepted a = accepted[i];
        DaemonConnection* connection = m_slots[size_t(a.id) - 1];
        if (!connection || connection->Removed() || connection->Mapped() != a.socket || connection->Heard())
            continue;
        if (!a.looked) {
            a.looked = true;
            accepted[again++] = a;
            continue;
        }
        connection->Enter();
        (void)connection->EndIfGone();
        connection->Leave();
    }
    SweepDeferred();
    accepted.resize(again);
    if (m_accepted.empty()) {
        m_accepted.swap(accepted);
    } else {
        try {
            m_accepted.insert(m_accepted.end(), accepted.begin(), accepted.end());
        } catch (const std::bad_alloc&) {
            // Unlooked at: a client gone already stays until the daemon closes.
        }
    }
    PostCheck();
}

void IpDaemonEngine::ConnectionClosed(DaemonConnection& connection, int code)
{
    int number = connection.Number();
    if (code != 0)
        connection.SetErrorFromCode(code);
    const char* text = code == 0 ? "OK" : connection.LastErrorText();
    Fire(kIpDaemonEventDisconnected, {EventParam::Int(&number), EventParam::Int(&code), EventParam::Text(&text)});
    if (m_connectionCount > 0)
        --m_connectionCount;
    Remove(connection);
}

int IpDaemonEngine::ConnectionData(int id, const char* data, uint32_t n, bool eolFound)
{
    char* text = const_cast<char*>(data);
    int number = id;
    bool eol = eolFound;
    Fire(kIpDaemonEventDataIn, {EventParam::Int(&number), EventParam::Binary(&text, int(n)), EventParam::Bool(&eol)});
    return kResultOk;
}

void IpDaemonEngine::ConnectionError(int code, const char* text)
{
    FireError(code, text);
}

void IpDaemonEngine::ConnectionReady(int id)
{
    int number = id;
    Fire(kIpDaemonEventReadyToSend, {EventParam::Int(&number)});
}

void IpDaemonEngine::Remove(DaemonConnection& connection)
{
    if (connection.Removed())
        return;
    if (connection.Depth() == 0) {
        Destroy(connection.Number() - 1);
        return;
    }
    if (!m_map.Remove(uint64_t(connection.Mapped())) && connection.Mapped() != INVALID_SOCKET)
        FireError(kOutOfMemory, "warning: error unmapping the socket.");
    connection.SetMapped(INVALID_SOCKET);
    connection.MarkRemoved();
    ++m_deferred;
}

void IpDaemonEngine::Destroy(int slot)
{
    DaemonConnection* connection = m_slots[size_t(slot)];
    if (connection->Mapped() != INVALID_SOCKET)
        (void)m_map.Remove(uint64_t(connection->Mapped()));
    if (connection->Removed())
        --m_deferred;
    m_slots[size_t(slot)] = nullptr;
    delete connection;
    if (slot + 1 == m_highest) {
        while (m_highest > 0 && !m_slots[size_t(m_highest) - 1])
            --m_highest;
    }
}

void IpDaemonEngine::SweepDeferred()
{
    for (int slot = 0; m_deferred > 0 && slot < m_highest; ++slot) {
        DaemonConnection* connection = m_slots[size_t(slot)];
        if (connection && connection->Removed() && connection->Depth() == 0)
            Destroy(slot);
    }
}

int IpDaemonEngine::Disconnect(int id)
{
    DaemonConnection* connection = Connection(id);
    if (!connection)
        return kDaemonInvalidConnection;
    connection->Enter();
    Remove(*connection);
    (void)connection->SetConnected(false);
    connection->Leave();
    if (connection->Depth() == 0)
        SweepDeferred();
    return kResultOk;
}

int IpDaemonEngine::Send(int id, const char* data, int length)
{
    DaemonConnection* connection = Connection(id);
    if (!connection)
        return kDaemonInvalidConnection;
    if (length <= 0 || !data)
        return kResultOk;
    // A send that finds the client gone ends the connection: its
    // Disconnected comes from inside this call, or, made inside an event of
    // the daemon's, once that event has returned.
    connection->Enter();
    const int rc = connection->SendOrEnd(data, length, 0, true);
    connection->Leave();
    if (connection->Removed() && connection->Depth() == 0)
        SweepDeferred();
    if (rc != kResultOk)
        SetErrorFromCode(rc);
    return rc;
}

int IpDaemonEngine::SendLine(int id, const char* text)
{
    std::string line = text ? text : "";
    line += "\r\n";
    return Send(id, line.data(), int(line.size()));
}

int IpDaemonEngine::Shutdown()
{
    for (int id = 1; size_t(id) <= m_slots.size(); ++id) {
        if (CheckConnection(id) == kResultOk)
            (void)Disconnect(id);
    }
    SetLastErrorText("");
    return SetListening(false);
}

int IpDaemonEngine::WaitEvents()
{
    return PumpEvents(10);
}
