// The socket is asynchronous: WSAAsyncSelect posts the engine's message to
// its hidden window for read and write readiness, and each read notification
// runs one receive round. Every datagram is read into the one buffer and
// handed to the sink in place, with a zero byte behind it that is taken back
// afterwards.
//
// A round reads until nothing is left, or until it has taken its share (64
// datagrams, or 10 ms): a peer that sends faster than the sink takes its
// datagrams would otherwise keep one round going for as long as it sends,
// and the wait that dispatched the notification would see neither its
// deadline nor an interrupt. A datagram too long for the buffer (10040)
// leaves the socket as any other does and counts in the share.
//
// Winsock posts a read notification after every read that leaves data
// behind, each of which would start a round of its own, so that under a
// steady stream they would pile up in the queue; and under Wine posting one
// and taking it out again cost the thread as much as the read itself. So a
// round that reads a second datagram turns Winsock's read notifications off
// (the one or two its first reads left are taken out when it ends), and
// they stay off, each round asking for the next, until a round finds the
// socket empty: that one turns them on again, and Winsock posts one at once
// if a datagram came meanwhile. So a round that empties the socket asks for
// no round after it. Rounds inside a delivery keep the notifications, and
// so does every round while an owner may wait inside a delivery for an
// answer (NestedRound turns them on): the answer's notification is what
// its wait takes. Such a round that finds the socket empty after more than
// one read takes out what its reads left and reads once more: a datagram
// that came meanwhile brought a notification that went with them, and is
// read now.
//
// Asking Winsock for the events anew makes it post a write notification
// too, if it is asked for that: it is asked only until the first has come,
// and again once a send found the buffer full. The sink hears of those.
//
// A round that left datagrams waiting (it stopped at its share, or a
// notification was taken while it delivered, by an owner that pumps its
// messages in its event, and could start no round) takes the notifications
// of its reads out and asks the thread's turns (SocketTurns) for the next
// round: it comes at once, as a read notification the socket posts itself,
// unless the thread's input, painting or timers wait, or other sockets of
// the thread wait for their turn; then the socket waits in their line, and
// its round comes after them. Every read notification asks the turns too
// before its round. A close takes out what is queued for the socket.
//
// A close asked for while a datagram is being delivered (the owner sets
// Active to False in its DataIn event) only marks the close: the round ends
// after that delivery and closes the socket, so the buffer being delivered
// stays valid and no datagram follows the close.
//
// A read notification that comes while a datagram is being delivered starts
// no round of its own (the round under way reads on once the sink has
// returned), unless a NestedRound allows one: a request that the owner sent
// from its event waits for its answer there. That round reads into a buffer
// of its own and ends when the sink takes the answer; a close asked for
// inside it ends it too, and is done when the outermost round ends.
#include "netcomp/core/datagram/DatagramSocket.h"

#include <cstring>
#include <new>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

// How long a close under a flood delivers before the socket goes: rounds
// start until then, and the last one, with the notifications it leaves to
// take out, still ends within 100 ms of the close's start, with room left
// for a machine so busy that the thread loses the processor meanwhile.
constexpr DWORD kCloseDeliveryMilliseconds = 50;

sockaddr_in EndPoint(unsigned long address, int port)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = Ws().htons(u_short(port));
    return to;
}

} // namespace

DatagramSocket::DatagramSocket(DatagramSink& sink, UINT message) : m_sink(sink), m_message(message) {}

int DatagramSocket::ResolveDestination(const char* text, unsigned long* address)
{
    if (!text || !*text) {
        *address = 0;
        return kResultOk;
    }
    // inet_addr would take the broadcast address for its own failure.
    if (std::strcmp(text, "255.255.255.255") == 0) {
        *address = INADDR_BROADCAST;
        return kResultOk;
    }
    return NetComponent::ResolveHost(text, address);
}

int DatagramSocket::Create(int type, int protocol)
{
    Abort();
    m_socket.Reset(Ws().socket(AF_INET, type, protocol));
    return m_socket.IsOpen() ? kResultOk : Ws().WSAGetLastError();
}

int DatagramSocket::Bind(unsigned long address, int port)
{
    sockaddr_in local = EndPoint(address, port);
    if (Ws().bind(m_socket.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return Ws().WSAGetLastError();
    return kResultOk;
}

int DatagramSocket::Connect(unsigned long address, int port)
{
    sockaddr_in to = EndPoint(address, port);
    if (Ws().connect(m_socket.Get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        const int error = Ws().WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            return error;
    }
    m_connected = true;
    m_peerAddress = address;
    m_peerPort = port;
    return kResultOk;
}

int DatagramSocket::Select(HWND window)
{
    if (!window)
        return kNoNotifyWindow;
    m_window = window;
    m_readNotifications = true;
    m_writeAwaited = true;
    return SelectEvents();
}

int DatagramSocket::SelectEvents()
{
    const long events = (m_readNotifications ? FD_READ : 0) | (m_writeAwaited ? FD_WRITE : 0);
    // No events at all is asked as no message: Winsock stops notifying.
    const int rc = Ws().WSAAsyncSelect(m_socket.Get(), m_window, events ? m_message : 0, events);
    return rc == 0 ? kResultOk : Ws().WSAGetLastError();
}

bool DatagramSocket::ReadNotifications(bool on)
{
    if (on == m_readNotifications)
        return true;
    m_readNotifications = on;
    if (SelectEvents() == kResultOk)
        return true;
    m_readNotifications = !on;
    return false;
}

void DatagramSocket::Abort()
{
    // A turn of the socket's must not come to a window whose socket, or
    // which itself, may soon be another's.
    SocketTurns::Forget(m_window, m_message, WPARAM(m_socket.Get()));
    m_notificationMissed = false;
    m_socket.Reset();
    m_connected = false;
    m_closePending = false;
}

int DatagramSocket::SetOption(int level, int option, int value)
{
    return NetComponent::SetSocketOption(m_socket.Get(), level, option, value);
}

int DatagramSocket::GetOption(int level, int option, int* value) const
{
    return NetComponent::GetSocketOption(m_socket.Get(), level, option, value);
}

int DatagramSocket::SetOptionBytes(int level, int option, const void* value, int length)
{
    if (Ws().setsockopt(m_socket.Get(), level, option, static_cast<const char*>(value), length) == 0)
        return kResultOk;
    return Ws().WSAGetLastError();
}

int DatagramSocket::SetReceiveBufferSize(int* size)
{
    if (!m_socket.IsOpen())
        return kResultOk;
    const int rc = SetOption(SOL_SOCKET, SO_RCVBUF, *size);
    int actual = 0;
    if (rc != kResultOk && GetOption(SOL_SOCKET, SO_RCVBUF, &actual) == kResultOk)
        *size = actual;
    return rc;
}

int DatagramSocket::SetCapacity(int bytes)
{
    const int n = bytes < 0 ? 0 : bytes;
    try {
        m_buffer.assign(std::size_t(n) + 1, 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    m_capacity = n;
    return kResultOk;
}

int DatagramSocket::SendTo(const void* data, int length, unsigned long address, int port)
{
    const char* bytes = static_cast<const char*>(data);
    int sent;
    if (m_connected) {
        sent = Ws().send(m_socket.Get(), bytes, length, 0);
    } else {
        sockaddr_in to = EndPoint(address, port);
        sent = Ws().sendto(m_socket.Get(), bytes, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    if (sent != SOCKET_ERROR)
        return kResultOk;
    const int error = Ws().WSAGetLastError();
    // Winsock tells when the socket can send again, and the sink is told.
    if (error == WSAEWOULDBLOCK && !m_writeAwaited && m_window) {
        m_writeAwaited = true;
        (void)SelectEvents();
    }
    return error;
}

void DatagramSocket::SetAcceptData(bool on)
{
    const bool resume = on && !m_acceptData;
    m_acceptData = on;
    // Datagrams that waited while data was refused are picked up at once.
    if (resume && m_socket.IsOpen())
        PostMessageA(m_window, m_message, WPARAM(m_socket.Get()), MAKELPARAM(FD_READ, 0));
}

bool DatagramSocket::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != m_message || !m_socket.IsOpen() || SOCKET(wParam) != m_socket.Get())
        return false;
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ:
        if (SocketTurns::MayRead(m_window, m_message, wParam))
            TakeTurn();
        return true;
    case FD_WRITE:
        // Winsock posts one whenever its events are asked anew, and the
        // sink hears only of the first and of those a full buffer awaited.
        if (m_writeAwaited) {
            m_writeAwaited = false;
            m_sink.OnWritable();
        }
        return true;
    default:
        return false;
    }
}

DatagramSocket::NestedRound::NestedRound(DatagramSocket& socket) : m_socket(socket), m_allowed(socket.m_roundsAllowed)
{
    const int depth = socket.m_deliveries;
    if (depth == 0 || depth < socket.m_roundsAllowed)
        return;
    try {
        if (socket.m_nested.size() < std::size_t(depth))
            socket.m_nested.resize(std::size_t(depth));
        std::vector<char>& buffer = socket.m_nested[std::size_t(depth) - 1];
        if (buffer.size() != std::size_t(socket.m_capacity) + 1)
            buffer.assign(std::size_t(socket.m_capacity) + 1, 0);
    } catch (const std::bad_alloc&) {
        m_result = kOutOfMemory;
        return;
    }
    socket.m_roundsAllowed = depth + 1;
    // The answer awaited comes with a notification of Winsock's.
    (void)socket.ReadNotifications(true);
}

void DatagramSocket::TakeTurn()
{
    const RoundEnd end = Receive(m_share);
    if (end.ran && m_socket.IsOpen() && m_window)
        AskForNextRound(end);
}

void DatagramSocket::AskForNextRound(const RoundEnd& end)
{
    // Whether datagrams may be left that no queued notification announces.
    const bool more = end.missed || end.atShare || (!end.emptied && end.readSinceDrop > 1);
    if (!more && m_readNotifications && end.read <= 1)
        return;
    if (end.LeftNotifications() || end.missed)
        DropNotifications(FD_READ);
    // Winsock announces what came after the last read (or what the sink
    // left), and what comes.
    if (!more && ReadNotifications(true))
        return;
    if (!SocketTurns::ReadAgain(m_window, m_message, WPARAM(m_socket.Get())))
        (void)ReadNotifications(true); // a full queue: Winsock posts when it can
}

void DatagramSocket::DropNotifications(long events)
{
    if (!m_window)
        return;
    // Only posted messages are looked at, so nothing is dispatched here.
    // Those of another socket, and other events, go back in their order.
    std::vector<MSG> kept;
    MSG msg;
    while (PeekMessageA(&msg, m_window, m_message, m_message, PM_REMOVE | PM_NOYIELD | PM_QS_POSTMESSAGE)) {
        if (SOCKET(msg.wParam) != m_socket.Get() || (WSAGETSELECTEVENT(msg.lParam) & events) == 0)
            kept.push_back(msg);
    }
    for (const MSG& other : kept)
        PostMessageA(m_window, m_message, other.wParam, other.lParam);
}

DatagramSocket::RoundEnd DatagramSocket::Receive(const Share& share)
{
    // Data refused is picked up when it is accepted again.
    if (!m_acceptData || !m_socket.IsOpen())
        return RoundEnd{};
    if (m_deliveries >= m_roundsAllowed) {
        // The round under way reads on once its delivery is over; as this
        // notification is gone, it asks for another round when it ends, in
        // case that delivery ends it with datagrams left behind.
        m_notificationMissed = true;
        return RoundEnd{};
    }
    ++m_deliveries;
    RoundEnd end = RunRound(m_deliveries == 1 ? m_buffer : m_nested[std::size_t(m_deliveries) - 2], share);
    --m_deliveries;
    end.missed = m_notificationMissed;
    m_notificationMissed = false;
    if (m_closePending && m_deliveries == 0)
        CloseNow();
    return end;
}

DatagramSocket::RoundEnd DatagramSocket::RunRound(std::vector<char>& buffer, const Share& share)
{
    const DWORD start = GetTickCount();
    RoundEnd end;
    end.ran = true;
    while (m_socket.IsOpen() && m_acceptData && !m_closePending) {
        if (end.read == share.datagrams || GetTickCount() - start >= share.milliseconds) {
            end.atShare = true;
            break;
        }
        sockaddr_in from = {};
        int fromLength = sizeof from;
        // The last byte stays free for the zero placed behind the datagram.
        char* into = buffer.data();
        const int n = m_connected ? Ws().recv(m_socket.Get(), into, m_capacity, 0)
                                  : Ws().recvfrom(m_socket.Get(), into, m_capacity, 0,
                                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n == 0)
            break;
        if (n == SOCKET_ERROR) {
            const int error = Ws().WSAGetLastError();
            if (error == WSAEMSGSIZE) {
                // Too long for the buffer: it is gone from the socket all the same.
                CountRead(end);
                m_sink.OnReceiveError(error);
                continue;
            }
            if (error == WSAEWOULDBLOCK && end.readSinceDrop > 1 && m_readNotifications && m_window) {
                DropNotifications(FD_READ);
                end.readSinceDrop = 0;
                continue;
            }
            end.emptied = error == WSAEWOULDBLOCK;
            if (error != WSAEWOULDBLOCK && error != WSAENOTSOCK)
                m_sink.OnReceiveError(error);
            break;
        }
        CountRead(end);
        const unsigned long address = m_connected ? m_peerAddress : from.sin_addr.s_addr;
        const int port = m_connected ? m_peerPort : Ws().ntohs(from.sin_port);
        const char saved = into[n];
        into[n] = '\0';
        const int rc = m_sink.OnDatagram(into, n, address, port);
        into[n] = saved;
        if (rc != kResultOk)
            break; // the sink has the answer it waited for
    }
    return end;
}

void DatagramSocket::CountRead(RoundEnd& end)
{
    ++end.read;
    if (!m_readNotifications)
        return;
    ++end.readSinceDrop;
    // A second datagram in one round is a stream: Winsock's notifications
    // stop until a round finds the socket empty. A round inside a delivery,
    // or one whose owner may wait there for an answer, keeps them.
    if (end.read == 2 && m_deliveries == 1 && m_roundsAllowed == 1 && m_window)
        (void)ReadNotifications(false);
}

int DatagramSocket::Close()
{
    if (!m_socket.IsOpen())
        return kResultOk;
    if (m_deliveries > 0) {
        m_closePending = true;
        return kResultOk;
    }
    // What has already arrived is still delivered before the socket goes, a
    // round at a time, each taking out the notifications its reads left, so
    // that their removal is part of the close's time; a delivery may close
    // the socket itself.
    const DWORD start = GetTickCount();
    RoundEnd end;
    do {
        end = Receive(m_share);
        if (!m_socket.IsOpen())
            return kResultOk;
        if (end.LeftNotifications())
            DropNotifications(FD_READ);
    } while (end.atShare && GetTickCount() - start < kCloseDeliveryMilliseconds);
    StopNotifications();
    const int rc = Ws().closesocket(m_socket.Release()) == 0 ? kResultOk : Ws().WSAGetLastError();
    Abort();
    m_sink.OnClosed();
    return rc;
}

void DatagramSocket::CloseNow()
{
    const bool wasOpen = m_socket.IsOpen();
    if (wasOpen)
        StopNotifications();
    Abort();
    if (wasOpen)
        m_sink.OnClosed();
}

void DatagramSocket::StopNotifications()
{
    // A turn is known by the socket's handle, which a close releases first.
    SocketTurns::Forget(m_window, m_message, WPARAM(m_socket.Get()));
    Ws().WSAAsyncSelect(m_socket.Get(), m_window, 0, 0);
    // The notifications still queued would find no socket.
    DropNotifications(FD_READ | FD_WRITE);
}
