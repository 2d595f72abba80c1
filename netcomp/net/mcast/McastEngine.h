#pragma once
// Sends and receives IP multicast datagrams: one UDP socket bound to a local
// port (shared with other sockets by default), a group joined on a chosen
// interface, and sends to a group address with the multicast time-to-live,
// outgoing interface and loopback setting.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "netcomp/core/datagram/DatagramSocket.h"
#include "netcomp/core/framework/NetComponent.h"

class McastEngine : public NetComponent, private DatagramSink {
public:
    McastEngine();
    ~McastEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    [[nodiscard]] int SetLocalHost(const char* text) override;

    bool IsActive() const { return m_socket.IsOpen(); }
    [[nodiscard]] int SetActive(bool active);
    bool GetAcceptData() const { return m_socket.AcceptData(); }
    void SetAcceptData(bool on) { m_socket.SetAcceptData(on); }
    [[nodiscard]] int Send(const char* data, int length);
    int GetLocalPort();
    [[nodiscard]] int SetLocalPort(int port);
    bool GetLoopback() const { return m_loopback; }
    [[nodiscard]] int SetLoopback(bool on);
    const char* GetMulticastGroup();
    [[nodiscard]] int SetMulticastGroup(const char* text);
    const char* GetReceiveInterface();
    void SetReceiveInterface(const char* text);
    const char* GetRemoteHost();
    [[nodiscard]] int SetRemoteHost(const char* text);
    int GetRemotePort() const { return m_remotePort; }
    void SetRemotePort(int port) { m_remotePort = port; }
    const char* GetSendInterface();
    [[nodiscard]] int SetSendInterface(const char* text);
    int GetTimeToLive() const { return m_timeToLive; }
    [[nodiscard]] int SetTimeToLive(int ttl);

private:
    [[nodiscard]] int Open();
    [[nodiscard]] int Membership(int option, unsigned long group);
    const char* Keep(unsigned long address);

    int OnDatagram(char* data, int length, unsigned long address, int port) override;
    void OnReceiveError(int code) override;
    void OnWritable() override;
    void OnClosed() override { m_socket.SetAcceptData(true); }

    DatagramSocket m_socket;
    int m_inBufferSize = 2048;
    int m_outBufferSize = 2048;
    int m_timeToLive = 7;
    int m_qosFlags = 0;
    unsigned long m_sendInterface = 0;    // network order; 0 = the system's choice
    unsigned long m_receiveInterface = 0; // network order; 0 = any
    unsigned long m_group = 0;            // network order; 0 = none
    unsigned long m_remoteAddress = 0;
    int m_remotePort = 0;
    int m_localPort = 0;
    bool m_loopback = true;
    bool m_shareLocalPort = true;
    std::string m_text;
};
