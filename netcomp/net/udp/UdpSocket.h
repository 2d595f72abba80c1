#pragma once
// One IPv4 datagram socket with its end points and options, a receive loop
// driven by the hidden window's socket notifications, and the send
// operation. UDPPort is this class with its notifications as events; the
// datagram protocols (TFTP, SysLog, NetClock, DNS, SNMP) derive from it and
// put their own handling in place of OnDataIn and OnError.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/OwnedHandle.h"

class UdpSocket : public NetComponent {
public:
    static constexpr int kLargestPacket = 65536;

    UdpSocket();
    ~UdpSocket() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    const char* GetLocalHost() override;
    [[nodiscard]] int SetLocalHost(const char* text) override;

    [[nodiscard]] int SetActive(bool active);
    bool IsActive() const { return m_socket.IsOpen(); }
    [[nodiscard]] int Send(const char* data, int length);
    [[nodiscard]] int Close();
    [[nodiscard]] int SetAcceptData(bool on);
    bool GetAcceptData() const { return m_acceptData; }
    [[nodiscard]] int SetLocalPort(int port);
    int GetLocalPort();
    [[nodiscard]] int SetRemoteHost(const char* text);
    const char* GetRemoteHost();
    [[nodiscard]] int SetRemotePort(int port);
    int GetRemotePort() const { return m_remotePort; }
    [[nodiscard]] int SetDontRoute(bool on);
    bool GetDontRoute() const { return m_dontRoute; }
    [[nodiscard]] int SetTimeToLive(int ttl);
    int GetTimeToLive() const { return m_timeToLive; }
    [[nodiscard]] int SetQosFlags(int flags);
    int GetQosFlags();
    [[nodiscard]] int SetInBufferSize(int size);
    int GetInBufferSize() const { return m_inBufferSize; }
    [[nodiscard]] int SetOutBufferSize(int size);
    int GetOutBufferSize() const { return m_outBufferSize; }
    [[nodiscard]] int SetUseConnection(bool on);
    bool GetUseConnection() const { return m_useConnection; }
    [[nodiscard]] int SetMaxPacketSize(int size);
    int GetMaxPacketSize() const { return m_maxPacketSize; }
    void SetShareLocalPort(bool on) { m_shareLocalPort = on; }
    bool GetShareLocalPort() const { return m_shareLocalPort; }
    SOCKET Handle() const { return m_socket.Get(); }

protected:
    // One datagram, with a zero byte after its last byte; a non-zero result
    // ends the receive loop with that result.
    virtual int OnDataIn(const char* data, int length, const char* address, int port);
    virtual void OnError(int code, const char* description);
    virtual int OnReadyToSend();

private:
    [[nodiscard]] int Open();
    [[nodiscard]] int ReceiveLoop(bool draining);
    void MarkClosed();
    [[nodiscard]] int SetOption(int level, int option, int value);

    SocketHandle m_socket;
    unsigned long m_remoteAddress = 0; // network order; 0 = none
    int m_remotePort = 0;
    int m_localPort = 0;
    int m_qosFlags = 0;
    int m_timeToLive = 0;
    int m_maxPacketSize = 8192;
    std::vector<char> m_buffer; // MaxPacketSize and the spare byte for the zero
    int m_inBufferSize = 32768;
    int m_outBufferSize = 32768;
    bool m_receiving = false;
    bool m_closePending = false;
    bool m_dontRoute = false;
    bool m_useConnection = false;
    bool m_shareLocalPort = false;
    bool m_acceptData = true;
    std::string m_text;
};
