#pragma once
// Sends and receives ICMP messages through a raw socket (events arrive at the
// hidden window as kMsgIcmpSocket) or through icmp.dll. The base of Ping and
// of the later ICMPPort, TraceRoute and IPMonitor engines, which override the
// delivery hooks.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "netcomp/core/datagram/DatagramSocket.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/OwnedHandle.h"
#include "netcomp/core/icmp/IcmpDll.h"

class IcmpEngine : public NetComponent, private DatagramSink {
public:
    static constexpr int kMessageTooLong = 118;
    static constexpr int kMessageTooShort = 119;
    static constexpr int kNoIcmpHandle = 120;

    IcmpEngine();
    ~IcmpEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    const char* GetLocalHost() override;
    [[nodiscard]] int SetLocalHost(const char* text) override;

    [[nodiscard]] int SetActive(bool active);
    bool IsActive() const;
    [[nodiscard]] int SetRemoteHost(const char* text);
    const char* GetRemoteHost();
    [[nodiscard]] int SetMaxMessageSize(int size);
    int GetMaxMessageSize() const { return m_maxMessageSize; }
    [[nodiscard]] int SetUseConnection(bool on);
    bool UseConnection() const { return m_useConnection; }
    [[nodiscard]] int SetTimeToLive(int ttl);
    int GetTimeToLive();
    [[nodiscard]] int SetQosFlags(int flags);
    [[nodiscard]] int SetOutBufferSize(int size);
    [[nodiscard]] int SetInBufferSize(int size);
    [[nodiscard]] int SetDontRoute(bool on);
    void SetAcceptData(bool on) { m_socket.SetAcceptData(on); }
    bool GetAcceptData() const { return m_socket.AcceptData(); }
    bool GetDontRoute() const { return m_dontRoute; }
    [[nodiscard]] int SetUseIcmpDll(bool on);
    bool UsesIcmpDll() const { return m_useIcmpDll; }
    void SetMessageType(int type) { m_messageType = std::uint8_t(type); }
    int MessageType() const { return m_messageType; }
    void SetMessageCode(int code) { m_messageCode = std::uint8_t(code); }
    int MessageCode() const { return m_messageCode; }
    // Off: ICMP messages with the IP header removed. On: the socket takes any
    // IP protocol and hands on what arrives unparsed (taken at the next open).
    void SetRawIp(bool on) { m_rawIp = on; }

    [[nodiscard]] int Send(const void* data, int length);

    // Reports the reply records that IcmpSendEcho left in a buffer; also the
    // way tests hand the engine answers the loopback never gives.
    void DeliverIcmpDllReplies(const void* buffer, DWORD count);
    // Hands on what the raw socket received (IP header and all); tests also
    // deliver messages this way that the loopback never passes on.
    void DeliverRaw(const std::uint8_t* bytes, int length, const char* source);

protected:
    // Whether each message that arrives restarts the deadline (unless
    // AbsoluteTimeout is set); off where the deadline bounds a whole run of
    // the owner's own, which other hosts' messages must not stretch.
    void SetDeadlineFollowsData(bool on) { m_deadlineFollowsData = on; }
    SOCKET RawSocket() const { return m_socket.Handle(); }

    virtual void OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk,
                          const char* source) = 0;
    virtual void OnError(int code, const char* text);
    virtual void OnReadyToSend() {}

private:
    [[nodiscard]] int OpenSocket();
    [[nodiscard]] int ApplySocketOptions();
    [[nodiscard]] int ApplyReceiveBufferSize();
    int SendBufferSize() const;
    [[nodiscard]] int SendIcmpDll(const void* data, int length);
    void CloseHandles();

    int OnDatagram(char* data, int length, unsigned long address, int port) override;
    void OnReceiveError(int code) override;
    void OnWritable() override { OnReadyToSend(); }

    int m_inBufferSize = 2048;
    int m_outBufferSize = 2048;
    DllReference m_icmpDll{IcmpDll()}; // icmp.dll stays loaded while the engine may use it
    // The raw socket; its buffer holds the largest message as it arrives:
    // the IP header (options included), the ICMP header and MaxMessageSize
    // bytes.
    DatagramSocket m_socket;
    unsigned long m_remoteAddress = 0; // network order; 0 = none
    std::uint8_t m_messageType = 0;
    std::uint8_t m_messageCode = 0;
    int m_maxMessageSize = 2048;
    bool m_dontRoute = false;
    bool m_useConnection = false;
    int m_timeToLive = 0; // 0 = the system's default
    int m_qosFlags = 0;   // the IP type-of-service byte
    IcmpHandle m_icmpHandle;
    bool m_useIcmpDll = false;
    bool m_rawIp = false;
    bool m_deadlineFollowsData = true;
    std::string m_remoteText;
};
