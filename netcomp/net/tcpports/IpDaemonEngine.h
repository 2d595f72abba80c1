#pragma once
// The IPDaemon component's engine: a listening TCP socket and the numbered
// connections it accepts, all notifying the engine's one hidden window.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/OwnedHandle.h"
#include "netcomp/net/tcpports/DaemonConnection.h"
#include "netcomp/net/tcpports/SocketMap.h"

// Accept notifications of the listening socket; the look at the connections
// an accept turn took.
constexpr UINT kMsgDaemonAccept = WM_USER + 104;
constexpr UINT kMsgDaemonCheck = WM_USER + 105;

constexpr int kDaemonMaxConnectionsLocked = 108;
constexpr int kDaemonInvalidConnection = 126;

class IpDaemonEngine : public NetComponent {
public:
    IpDaemonEngine();
    ~IpDaemonEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    [[nodiscard]] int SetListening(bool on);
    bool GetListening() const { return m_listener.IsOpen(); }
    [[nodiscard]] int SetLocalHost(const char* text) override;
    [[nodiscard]] int SetLocalPort(int port);
    int GetLocalPort();
    [[nodiscard]] int SetBacklog(int backlog);
    int GetBacklog() const { return m_backlog; }
    void SetLinger(bool on) { m_linger = on; }
    bool GetLinger() const { return m_linger; }
    void SetKeepAlive(bool on) { m_keepAlive = on; }
    bool GetKeepAlive() const { return m_keepAlive; }
    int ConnectionCount() const { return m_connectionCount; }
    int MaxConnections() const { return m_map.Size(); }

    // 0 for a live connection; else 126 "Invalid ConnectionId" for a property
    // or method, 280 "Invalid ConnectionId." for the CheckIndex function.
    int CheckConnection(int id, IndexUse use = IndexUse::Access);
    // The live connection with this number, or null with 126 and its text.
    DaemonConnection* Connection(int id);

    [[nodiscard]] int Disconnect(int id);
    [[nodiscard]] int Send(int id, const char* data, int length);
    [[nodiscard]] int SendLine(int id, const char* text);
    [[nodiscard]] int Shutdown();
    [[nodiscard]] int WaitEvents();

    // From the connections.
    void ConnectionClosed(DaemonConnection& connection, int code);
    int ConnectionData(int id, const char* data, uint32_t n, bool eolFound);
    void ConnectionError(int code, const char* text);
    void ConnectionReady(int id);

private:
    [[nodiscard]] int SetMaxConnections(int n);
    bool Accept();
    bool ClientsWait();
    void PostCheck();
    void CheckAccepted();
    // Whether an accept turn may take another client, and whether one waits.
    bool MayAcceptMore() const;
    bool NextClientWaits();
    void Remove(DaemonConnection& connection);
    void Destroy(int slot);
    void SweepDeferred();
    void CloseListener();
    void ApplyListenerOptions();
    void ApplyConnectionOptions(DaemonConnection& connection, int* linger, int* keepAlive);

    SocketHandle m_listener;
    int m_localPort = 0;
    int m_backlog = 5;
    int m_inBufferSize = 2048;
    int m_outBufferSize = 2048;
    int m_maxLineLength = 2048;
    std::vector<DaemonConnection*> m_slots;
    int m_highest = 0;
    SocketMap m_map;
    RetiredSockets m_retired; // closed sockets whose notifications may still come
    bool m_linger = true;
    bool m_keepAlive = false;
    bool m_listenerLinger = true; // what the listening socket holds, and its connections inherit
    bool m_listenerKeepAlive = false;
    bool m_maxConnectionsLocked = false;
    int m_deferred = 0;
    int m_connectionCount = 0;
    // Connections accepted and not yet heard of, whether they had a look
    // already, and whether the next look is on its way.
    struct Accepted {
        int id;
        SOCKET socket;
        bool looked;
    };
    std::vector<Accepted> m_accepted;
    bool m_checkPosted = false;
};
