#pragma once
// A loopback peer on a thread of its own that sends as fast as the socket
// takes it until its connection fails: the far side of a close that must not
// wait for the sender to stop, or a hostile server whose reply never ends
// (a prefix such as a status line, then one block over and over: header
// lines, body text), for ever or until `limit` bytes have gone, when it
// closes. It reads nothing of what comes.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "netcomp/testing/LoopbackSocket.h"

class FloodPeer {
public:
    // Serve: listens on 127.0.0.1:port and floods the first client.
    // Connect: connects to 127.0.0.1:port and floods the server.
    enum class Role { Serve, Connect };

    FloodPeer(Role role, int port, std::string prefix = std::string(), std::string block = std::string(65536, 'f'),
              unsigned long long limit = 0)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(u_short(port));
        if (role == Role::Serve) {
            m_listener = BindLoopback(SOCK_STREAM, port);
            listen(m_listener, 1);
        } else {
            WSADATA data;
            WSAStartup(MAKEWORD(2, 2), &data);
            m_socket = socket(AF_INET, SOCK_STREAM, 0);
        }
        // Blocks of 64 KB or more: the peer must outrun whatever reads it.
        std::string run = block;
        while (!block.empty() && run.size() < 65536)
            run += block;
        m_thread = std::thread([this, role, address, prefix, run, limit] {
            if (role == Role::Serve)
                m_socket = accept(m_listener, nullptr, nullptr);
            else if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                return;
            if (!prefix.empty() && send(m_socket, prefix.data(), int(prefix.size()), 0) <= 0)
                return;
            while ((limit == 0 || m_sent < limit) && send(m_socket, run.data(), int(run.size()), 0) > 0)
                m_sent += run.size();
            if (limit != 0)
                shutdown(m_socket, SD_SEND);
        });
    }
    ~FloodPeer()
    {
        shutdown(m_socket, SD_BOTH);
        closesocket(m_socket);
        closesocket(m_listener);
        m_thread.join();
        WSACleanup();
    }
    FloodPeer(const FloodPeer&) = delete;
    FloodPeer& operator=(const FloodPeer&) = delete;

    unsigned long long Sent() const { return m_sent; }
    // The port it serves on: the one given, or the one the system chose for 0.
    int Port() const { return BoundPort(m_listener); }

private:
    SOCKET m_listener = INVALID_SOCKET;
    std::atomic<SOCKET> m_socket{INVALID_SOCKET};
    std::atomic<unsigned long long> m_sent{0};
    std::thread m_thread;
};
