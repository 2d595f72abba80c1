#pragma once
// A second connection of a protocol engine, on the engine's hidden window:
// it listens and takes exactly one connection (the error channel of rsh and
// rexec, FTP's active data connection), or connects out like any TcpSocket
// (FTP's passive data connection). Once connected it reads, writes and
// closes as a TcpSocket, and its events go to the virtual operations of
// TcpConnection (OnConnected, DataIn, OnDisconnected, OnError) that each
// user overrides. The engine hands it every socket notification that is not
// for its own socket (Owns).
//
// Only the expected peer is taken: a connection from another address is
// closed at once and the socket goes on listening, so that no other host
// can slip its data into the stream.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "netcomp/core/framework/OwnedHandle.h"
#include "netcomp/core/tcp/TcpConnection.h"
#include "netcomp/core/text/NetString.h"

constexpr int kAcceptFailed = 311;
constexpr int kAcceptSelectFailed = 312;

class AcceptSocket : public TcpConnection {
public:
    AcceptSocket() = default;
    ~AcceptSocket() override;

    // The defaults of a TCP socket, on the owner's window; 1 on success.
    int InitOn(TcpSocket& owner);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The listening socket or the connection.
    bool Owns(SOCKET socket) const;

    // Listens on the wildcard address; port 0 lets the system choose. 0 or
    // the Winsock code, with nothing left open.
    [[nodiscard]] int Listen(int port);
    // Closes the listening socket; the connection stays.
    void CloseListener();
    bool IsListening() const { return m_listener.IsOpen(); }
    // The port of the listening socket as the system reports it; 0 when it
    // cannot be read.
    int ListeningPort() const;
    // The address (network order) whose connection is taken; 0 takes any.
    void SetExpectedPeer(unsigned long address) { m_expectedPeer = address; }

    // FTP's PORT argument: the local address of the control connection's
    // socket and the listening port, "a1,a2,a3,a4,p1,p2". 0, or the Winsock
    // code when either cannot be read (nothing is written).
    [[nodiscard]] int PortArgument(SOCKET control, NetStringBase& out) const;

private:
    void Accept();

    SocketHandle m_listener;
    unsigned long m_expectedPeer = 0;
};
