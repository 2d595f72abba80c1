#pragma once
// One IPv4 datagram socket with its end points and options, the receive loop
// driven by the hidden window's socket notifications, the send operation and
// a request/reply wait with retransmission.
//
// UDPPort is this class with its three notifications as events. A datagram
// protocol (TFTP, SysLog, NetClock, DNS, SNMP) derives from it, names itself
// in the constructor (the name appears in "<name> is already Active."), sets
// its event table, and either overrides OnDataIn with its own datagram
// handling or asks and waits with Exchange:
//
//   rc = SetActive(true);
//   rc = Exchange(query.data(), int(query.size()), Retransmission{2000, 3},
//                 [&](const char* data, int length, const char* address, int port) {
//                     return ParseAnswer(data, length); // true: this is the answer
//                 });
//
// Without an override, OnDataIn, OnError and OnReadyToSend fire the shared
// events DataIn (datagram, source address, source port), Error and
// ReadyToSend under the numbers of the engine's event table.
#include <winsock2.h>
#include <windows.h>

#include <optional>
#include <string>

#include "netcomp/core/datagram/DatagramSocket.h"
#include "netcomp/core/framework/NetComponent.h"

// Decides whether a datagram that arrives during Exchange is the awaited
// reply; the bytes (with a zero byte behind them) live only during the call.
class ReplyMatcher {
public:
    virtual bool Matches(const char* data, int length, const char* address, int port) = 0;

protected:
    ~ReplyMatcher() = default;
};

// When Exchange sends its request again: every `interval` milliseconds
// without the reply (0: never), at most `maxResends` times (-1: until the
// Timeout). After the last resend it waits one more interval.
struct Retransmission {
    DWORD interval = 0;
    int maxResends = -1;
};

// How a UDP socket of the library is opened: the end point it binds and the
// options it takes before those of its own protocol.
struct UdpOpening {
    unsigned long localAddress = 0; // network order; 0 = any
    int localPort = 0;
    bool shareLocalPort = false;
    int inBufferSize = 0;
    int outBufferSize = 0;
    std::optional<bool> dontRoute; // none: left as the system has it
    int qosFlags = 0;              // 0: left as the system has it
    int timeToLive = 0;            // 0: left as the system has it
};

class UdpSocket : public NetComponent, private DatagramSink {
public:
    static constexpr int kLargestPacket = 65536;

    // `component`: the component's name as its texts give it ("UDPPort").
    explicit UdpSocket(const char* component);
    ~UdpSocket() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    const char* GetLocalHost() override;
    [[nodiscard]] int SetLocalHost(const char* text) override;

    [[nodiscard]] int SetActive(bool active);
    bool IsActive() const { return m_socket.IsOpen(); }
    [[nodiscard]] int Send(const char* data, int length);
    // Sends one datagram to an address and port of its own (the source of a
    // datagram being answered), leaving RemoteHost and RemotePort as they are.
    [[nodiscard]] int SendTo(const char* data, int length, const char* address, int port);
    [[nodiscard]] int Close();
    // Sends the request to RemoteHost and RemotePort, turns AcceptData on,
    // then waits in 10 ms steps until `matcher` takes a datagram as the
    // reply, sending the request again as `resend` says. Datagrams it does
    // not take are dropped. The whole exchange is bounded by the Timeout (0:
    // none), whatever arrives meanwhile; with AbsoluteTimeout on, the call it
    // is part of is (a transfer of many exchanges ends within one Timeout).
    // 301 with "Timeout." when it or the resends run out, 301 "Interrupted."
    // on an interrupt or when the socket closes (or is to close). Asked for
    // inside a delivery (from OnDataIn or a matcher, through the owner's
    // event), it receives in a round of its own, which leaves the datagram
    // being delivered as it is.
    [[nodiscard]] int Exchange(const char* request, int length, const Retransmission& resend, ReplyMatcher& matcher);
    template <class Fn>
    [[nodiscard]] int Exchange(const char* request, int length, const Retransmission& resend, Fn&& matches);
    [[nodiscard]] int SetAcceptData(bool on);
    bool GetAcceptData() const { return m_socket.AcceptData(); }
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
    int GetMaxPacketSize() const { return m_socket.Capacity(); }
    void SetShareLocalPort(bool on) { m_shareLocalPort = on; }
    bool GetShareLocalPort() const { return m_shareLocalPort; }
    SOCKET Handle() const { return m_socket.Handle(); }
    const char* ComponentName() const { return m_component; }

    // Creates `socket`, binds it and applies the options of `opening`: the
    // steps every UDP socket of the library opens with, the multicast one
    // too. 0, or the Winsock code of the create or the bind; the caller
    // aborts the socket then.
    [[nodiscard]] static int OpenSocket(DatagramSocket& socket, const UdpOpening& opening);

protected:
    // One datagram, with a zero byte after its last byte; a non-zero result
    // ends the receive loop with that result.
    virtual int OnDataIn(const char* data, int length, const char* address, int port);
    virtual void OnError(int code, const char* description);
    virtual int OnReadyToSend();

private:
    [[nodiscard]] int Open();
    [[nodiscard]] int SendRequest(const char* data, int length);
    // 0, or 109 with its text when the socket is closed.
    [[nodiscard]] int RequireActive();

    int OnDatagram(char* data, int length, unsigned long address, int port) override;
    void OnReceiveError(int code) override;
    void OnWritable() override;
    void OnClosed() override;

    const char* m_component;
    DatagramSocket m_socket;
    unsigned long m_remoteAddress = 0; // network order; 0 = none
    int m_remotePort = 0;
    int m_localPort = 0;
    int m_qosFlags = 0;
    int m_timeToLive = 0;
    int m_inBufferSize = 32768;
    int m_outBufferSize = 32768;
    bool m_dontRoute = false;
    bool m_useConnection = false;
    bool m_shareLocalPort = false;
    ReplyMatcher* m_matcher = nullptr; // set while Exchange waits
    bool m_replied = false;
    std::string m_text;
};

// A callable bool(data, length, address, port) as the matcher.
template <class Fn>
int UdpSocket::Exchange(const char* request, int length, const Retransmission& resend, Fn&& matches)
{
    struct Adapter final : ReplyMatcher {
        explicit Adapter(Fn& f) : fn(f) {}
        bool Matches(const char* data, int n, const char* address, int port) override
        {
            return fn(data, n, address, port);
        }
        Fn& fn;
    } adapter(matches);
    return Exchange(request, length, resend, static_cast<ReplyMatcher&>(adapter));
}
