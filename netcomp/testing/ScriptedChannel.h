#pragma once
// One channel of the scripted server: a TCP listening port with the
// connection it accepted (or one the server made to the client), or a UDP
// port on 127.0.0.1. Every wait is cut into 50 ms slices and gives up once
// the server's stop flag is set, so that the server can end at any point.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>

enum class ScriptTransport { Tcp, Udp };

class ScriptedChannel {
public:
    enum class Read { Done, Closed, TimedOut, Stopped };

    ScriptedChannel(ScriptTransport transport, const std::atomic<bool>& stop);
    ~ScriptedChannel();
    ScriptedChannel(const ScriptedChannel&) = delete;
    ScriptedChannel& operator=(const ScriptedChannel&) = delete;

    // Listens (TCP) or binds (UDP) on 127.0.0.1:port; 0 takes a free port.
    bool Open(unsigned short port);
    bool IsOpen() const { return m_socket != INVALID_SOCKET; }
    ScriptTransport Transport() const { return m_transport; }
    unsigned short Port() const { return m_port; }

    // TCP: takes the next connection (waiting at most timeout, INFINITE:
    // until the stop), or connects to the client's port.
    bool Accept(DWORD timeout);
    bool ConnectTo(unsigned short port);
    bool Connected() const { return m_connection != INVALID_SOCKET; }
    void CloseConnection();
    // Closes the connection with a reset (no linger).
    void ResetConnection();

    // TCP: one line (without its CR LF; *bareLf when it ended in LF alone),
    // or exactly `count` bytes. Once stopping, what had already come is
    // still taken, but nothing is waited for.
    Read ReadLine(std::string& line, DWORD timeout, bool* bareLf);
    Read ReadBytes(std::size_t count, std::string& bytes, DWORD timeout);
    // TCP: waits up to timeout for the client to close the connection; what
    // it sends meanwhile is kept for the next read. Closed, TimedOut while
    // it is still there, or Stopped.
    Read WaitClosed(DWORD timeout);
    // TCP: what came and no read has taken yet.
    const std::string& Pending() const { return m_pending; }
    // UDP: the next datagram and its sender.
    Read ReadDatagram(std::string& bytes, sockaddr_in& from, DWORD timeout);

    // TCP: to the connection, waiting while the client takes nothing until
    // the stop; UDP: one datagram to `to`.
    bool Send(const std::string& bytes, const sockaddr_in* to);

    // After the script: what is there to read now, without waiting. TCP:
    // the complete lines that came (Closed once the client closed); UDP:
    // one datagram.
    SOCKET Watched() const;
    Read TakeAvailable(std::string& item, sockaddr_in& from);

private:
    Read WaitReadable(SOCKET socket, DWORD start, DWORD timeout) const;
    bool WaitWritable() const;
    bool NonBlocking();
    bool TakeLine(std::string& line, bool* bareLf);
    Read Fill(DWORD start, DWORD timeout);

    ScriptTransport m_transport;
    const std::atomic<bool>& m_stop;
    SOCKET m_socket = INVALID_SOCKET;     // the listener (TCP) or the port (UDP)
    SOCKET m_connection = INVALID_SOCKET; // TCP
    unsigned short m_port = 0;
    std::string m_pending; // TCP bytes received beyond what a step took
};
