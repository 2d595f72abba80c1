#include "netcomp/testing/ScriptedChannel.h"

#include "netcomp/testing/LoopbackSocket.h"

namespace {

constexpr DWORD kSlice = 50;

sockaddr_in Loopback(unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

ScriptedChannel::ScriptedChannel(ScriptTransport transport, const std::atomic<bool>& stop)
    : m_transport(transport), m_stop(stop)
{
}

ScriptedChannel::~ScriptedChannel()
{
    CloseConnection();
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
}

bool ScriptedChannel::Open(unsigned short port)
{
    const bool tcp = m_transport == ScriptTransport::Tcp;
    m_socket = socket(AF_INET, tcp ? SOCK_STREAM : SOCK_DGRAM, tcp ? IPPROTO_TCP : IPPROTO_UDP);
    if (m_socket == INVALID_SOCKET)
        return false;
    sockaddr_in address = Loopback(port);
    int length = sizeof address;
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (tcp && listen(m_socket, 4) != 0) ||
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        return false;
    }
    m_port = ntohs(address.sin_port);
    return true;
}

ScriptedChannel::Read ScriptedChannel::WaitReadable(SOCKET socket, DWORD start, DWORD timeout) const
{
    for (;;) {
        const bool stopping = m_stop;
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(socket, &ready);
        timeval wait = {0, stopping || timeout == 0 ? 0 : long(kSlice) * 1000};
        if (select(0, &ready, nullptr, nullptr, &wait) > 0)
            return Read::Done;
        if (stopping)
            return Read::Stopped;
        if (timeout != INFINITE && GetTickCount() - start >= timeout)
            return Read::TimedOut;
    }
}

bool ScriptedChannel::Accept(DWORD timeout)
{
    CloseConnection();
    if (m_transport != ScriptTransport::Tcp || m_socket == INVALID_SOCKET)
        return false;
    if (WaitReadable(m_socket, GetTickCount(), timeout) != Read::Done)
        return false;
    m_connection = accept(m_socket, nullptr, nullptr);
    return m_connection != INVALID_SOCKET && NonBlocking();
}

// Sends wait in slices too, so that a client that takes nothing cannot hold
// the server thread in a send past its stop.
bool ScriptedChannel::NonBlocking()
{
    u_long on = 1;
    if (ioctlsocket(m_connection, FIONBIO, &on) == 0)
        return true;
    CloseConnection();
    return false;
}

bool ScriptedChannel::ConnectTo(unsigned short port)
{
    CloseConnection();
    if (m_transport != ScriptTransport::Tcp)
        return false;
    m_connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(port);
    if (m_connection != INVALID_SOCKET &&
        connect(m_connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return NonBlocking();
    CloseConnection();
    return false;
}

void ScriptedChannel::CloseConnection()
{
    m_pending.clear();
    if (m_connection == INVALID_SOCKET)
        return;
    shutdown(m_connection, SD_SEND);
    closesocket(m_connection);
    m_connection = INVALID_SOCKET;
}

void ScriptedChannel::ResetConnection()
{
    m_pending.clear();
    if (m_connection == INVALID_SOCKET)
        return;
    CloseWithReset(m_connection);
    m_connection = INVALID_SOCKET;
}

// One more piece of the connection's bytes into m_pending.
ScriptedChannel::Read ScriptedChannel::Fill(DWORD start, DWORD timeout)
{
    if (m_connection == INVALID_SOCKET)
        return Read::Closed;
    const Read wait = WaitReadable(m_connection, start, timeout);
    if (wait != Read::Done)
        return wait;
    char buffer[4096];
    const int n = recv(m_connection, buffer, sizeof buffer, 0);
    if (n <= 0)
        return Read::Closed;
    m_pending.append(buffer, std::size_t(n));
    return Read::Done;
}

bool ScriptedChannel::TakeLine(std::string& line, bool* bareLf)
{
    const std::size_t end = m_pending.find('\n');
    if (end == std::string::npos)
        return false;
    line = m_pending.substr(0, end);
    m_pending.erase(0, end + 1);
    *bareLf = line.empty() || line.back() != '\r';
    if (!*bareLf)
        line.pop_back();
    return true;
}

ScriptedChannel::Read ScriptedChannel::ReadLine(std::string& line, DWORD timeout, bool* bareLf)
{
    const DWORD start = GetTickCount();
    while (!TakeLine(line, bareLf)) {
        const Read read = Fill(start, timeout);
        if (read != Read::Done)
            return read;
    }
    return Read::Done;
}

ScriptedChannel::Read ScriptedChannel::ReadBytes(std::size_t count, std::string& bytes, DWORD timeout)
{
    const DWORD start = GetTickCount();
    while (m_pending.size() < count) {
        const Read read = Fill(start, timeout);
        if (read != Read::Done)
            return read;
    }
    bytes = m_pending.substr(0, count);
    m_pending.erase(0, count);
    return Read::Done;
}

ScriptedChannel::Read ScriptedChannel::WaitClosed(DWORD timeout)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const Read read = Fill(start, timeout);
        if (read != Read::Done)
            return read;
    }
}

ScriptedChannel::Read ScriptedChannel::ReadDatagram(std::string& bytes, sockaddr_in& from, DWORD timeout)
{
    if (m_transport != ScriptTransport::Udp || m_socket == INVALID_SOCKET)
        return Read::Closed;
    const DWORD start = GetTickCount();
    std::string buffer(65536, '\0');
    for (;;) {
        const Read wait = WaitReadable(m_socket, start, timeout);
        if (wait != Read::Done)
            return wait;
        int length = sizeof from;
        const int n =
            recvfrom(m_socket, &buffer[0], int(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n >= 0) {
            bytes.assign(buffer, 0, std::size_t(n));
            return Read::Done;
        }
        // An earlier answer found the client's port closed: not this read's concern.
        if (WSAGetLastError() != WSAECONNRESET)
            return Read::Closed;
    }
}

bool ScriptedChannel::Send(const std::string& bytes, const sockaddr_in* to)
{
    if (m_transport == ScriptTransport::Udp) {
        if (!to || m_socket == INVALID_SOCKET)
            return false;
        const int n =
            sendto(m_socket, bytes.data(), int(bytes.size()), 0, reinterpret_cast<const sockaddr*>(to), sizeof *to);
        return n == int(bytes.size());
    }
    if (m_connection == INVALID_SOCKET)
        return false;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(m_connection, bytes.data() + sent, int(bytes.size() - sent), 0);
        if (n > 0) {
            sent += std::size_t(n);
            continue;
        }
        if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK || !WaitWritable())
            return false;
    }
    return true;
}

// Until the client has taken enough for the send to go on, or the server stops.
bool ScriptedChannel::WaitWritable() const
{
    while (!m_stop) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_connection, &ready);
        timeval wait = {0, long(kSlice) * 1000};
        const int n = select(0, nullptr, &ready, nullptr, &wait);
        if (n != 0)
            return n > 0;
    }
    return false;
}

SOCKET ScriptedChannel::Watched() const
{
    return m_transport == ScriptTransport::Udp ? m_socket : m_connection;
}

ScriptedChannel::Read ScriptedChannel::TakeAvailable(std::string& item, sockaddr_in& from)
{
    if (m_transport == ScriptTransport::Udp)
        return ReadDatagram(item, from, 0);
    bool bareLf = false;
    if (TakeLine(item, &bareLf))
        return Read::Done;
    const Read read = Fill(GetTickCount(), 0);
    if (read == Read::Closed)
        CloseConnection();
    if (read != Read::Done)
        return read;
    return TakeLine(item, &bareLf) ? Read::Done : Read::TimedOut;
}
