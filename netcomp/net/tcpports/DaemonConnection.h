#pragma once
// One accepted connection of an IPDaemon: a TCP socket on the daemon's
// window that hands its notifications to the daemon with its number. The
// event depth counts the notifications running for it, so that a connection
// closed from inside its own event is destroyed only after the event.
#include "netcomp/core/tcp/TcpSocket.h"

class IpDaemonEngine;

class DaemonConnection final : public TcpSocket {
public:
    DaemonConnection(IpDaemonEngine& owner, int number) : m_owner(owner), m_number(number) {}
    ~DaemonConnection() override { DetachWindow(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int Number() const { return m_number; }
    int Depth() const { return m_depth; }
    void Enter() { ++m_depth; }
    void Leave() { --m_depth; }
    bool Removed() const { return m_removed; }
    void MarkRemoved() { m_removed = true; }
    // The handle the daemon's map knows it by; it outlives the socket's close.
    SOCKET Mapped() const { return m_mapped; }
    void SetMapped(SOCKET socket) { m_mapped = socket; }
    const char* PeerAddress();
    int PeerPort();

protected:
    void OnConnectComplete(int) override {}
    void OnCloseComplete(int code) override;
    int OnDataArrived(const char* data, uint32_t n, bool eolFound) override;
    void OnError(int code, const char* text) override;
    void OnReadyToSend() override;
    void OnConnectionStatus(const char*, int) override {}
    bool InOwnersEvent() const override;

private:
    IpDaemonEngine& m_owner;
    int m_number;
    int m_depth = 0;
    bool m_removed = false;
    SOCKET m_mapped = INVALID_SOCKET;
    std::string m_peerText;
};
