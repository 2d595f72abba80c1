#pragma once
// The datagram mechanics that the UDP, multicast and raw ICMP engines share:
// one IPv4 socket of the Winsock binding, its options, the asynchronous
// notification on the engine's hidden window, the receive round that reads
// each datagram into one buffer with its source address (a bounded share of
// what waits, so that a flood holds no wait past its deadline and no thread
// from its other messages), sending to an address, and a close that waits
// for the delivery in progress.
//
// An engine owns a DatagramSocket and is its sink:
//
//   class McastEngine : public NetComponent, private DatagramSink {
//       DatagramSocket m_socket{*this, kMsgUdpSocket};
//       int OnDatagram(char* data, int length, unsigned long address, int port) override;
//       void OnReceiveError(int code) override;   // "Winsock error in recv()" ...
//       void OnWritable() override;               // ReadyToSend
//   };
//   Activation: Create(SOCK_DGRAM, 0), SetOption..., Bind(LocalAddress(), port),
//               Select(m_window) (on any failure Abort() and return the code).
//   WindowProc: if (m_socket.OnMessage(message, wParam, lParam)) return 0;
//   Deactivation: return m_socket.Close();
#include <winsock2.h>
#include <windows.h>

#include <vector>

#include "netcomp/core/framework/OwnedHandle.h"

// The Winsock 1.1 numbers of the IP-level options: WSOCK32 takes these, and
// answers the Winsock 2 numbers with success while doing nothing.
constexpr int kIpOptionTtl = 7;
constexpr int kIpOptionTos = 8;
constexpr int kIpOptionMulticastInterface = 2;
constexpr int kIpOptionMulticastTtl = 3;
constexpr int kIpOptionMulticastLoop = 4;
constexpr int kIpOptionAddMembership = 5;
constexpr int kIpOptionDropMembership = 6;

class DatagramSink {
public:
    // One datagram, in the socket's buffer with a spare byte behind it for a
    // zero; address in network order, port in host order. A non-zero result
    // ends the receive round.
    virtual int OnDatagram(char* data, int length, unsigned long address, int port) = 0;
    // A failed read, other than "nothing more to read" (10035) or a socket
    // closed under the round (10038).
    virtual void OnReceiveError(int code) = 0;
    // The socket can send (FD_WRITE).
    virtual void OnWritable() = 0;
    // The socket has been closed by Close or CloseNow, at once or at the end
    // of a delivery (not by Abort).
    virtual void OnClosed() {}

protected:
    ~DatagramSink() = default;
};

class DatagramSocket {
public:
    DatagramSocket(DatagramSink& sink, UINT message);
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // A datagram engine's RemoteHost text as an address in network order:
    // the empty text is no address (0), "255.255.255.255" the broadcast
    // address, anything else a dotted address or a host name to look up.
    // 0, or the Winsock code of the look-up (*address is then left alone).
    [[nodiscard]] static int ResolveDestination(const char* text, unsigned long* address);

    // Opening, step by step; each gives 0 or the Winsock code. The engine
    // calls Abort when a step fails, so that no half-opened socket stays;
    // its destructor calls Abort too (the sink is told nothing then).
    [[nodiscard]] int Create(int type, int protocol);
    [[nodiscard]] int Bind(unsigned long address, int port);
    // Connects to one peer: from then on send and recv, and every datagram
    // comes from that peer. 10035 counts as success.
    [[nodiscard]] int Connect(unsigned long address, int port);
    // Read and write notifications as the socket's window message.
    [[nodiscard]] int Select(HWND window);
    void Abort();

    bool IsOpen() const { return m_socket.IsOpen(); }
    SOCKET Handle() const { return m_socket.Get(); }
    bool Connected() const { return m_connected; }

    [[nodiscard]] int SetOption(int level, int option, int value);
    [[nodiscard]] int GetOption(int level, int option, int* value) const;
    // An option whose value is a record (a multicast membership).
    [[nodiscard]] int SetOptionBytes(int level, int option, const void* value, int length);
    // SO_RCVBUF; when the socket refuses it, *size becomes the size it has.
    [[nodiscard]] int SetReceiveBufferSize(int* size);

    // The largest datagram a read takes; 200 when the buffer cannot be had.
    // A longer datagram fails the read with 10040. Set while closed.
    [[nodiscard]] int SetCapacity(int bytes);
    int Capacity() const { return m_capacity; }

    // One datagram to an address (to the connected peer when connected):
    // 0 or the Winsock code, such as 10035 when the send buffer is full (the
    // sink is told when it can send again).
    [[nodiscard]] int SendTo(const void* data, int length, unsigned long address, int port);

    // How much one round may read before the thread's other messages have
    // their turn: at most this many datagrams, for at most this long (64
    // and 10 ms; tests lengthen the time, so that only the count ends a
    // round whatever the machine's speed).
    void SetRoundShare(int datagrams, DWORD milliseconds) { m_share = Share{datagrams, milliseconds}; }

    // Off holds arriving datagrams in the socket; on again picks them up at
    // once (a read notification is posted to the window).
    void SetAcceptData(bool on);
    bool AcceptData() const { return m_acceptData; }

    // The window message of this socket: FD_READ runs a receive round,
    // FD_WRITE tells the sink (the first after Select, and the one that a
    // send which found the buffer full awaits). False for messages that are
    // not this socket's.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Delivers what has arrived (while AcceptData is on), then closes, within
    // 100 ms under a flood; 0 or the Winsock code of the close. Called inside a
    // delivery, it only marks the close: the outermost round closes the
    // socket once the sink has returned, and nothing more is delivered.
    [[nodiscard]] int Close();
    // Closes at once: nothing more is read or delivered.
    void CloseNow();
    bool Delivering() const { return m_deliveries > 0; }
    // A close asked for inside a delivery, not done yet.
    bool ClosePending() const { return m_closePending; }

    // While it lives, a wait inside a delivery (a request that the sink's
    // owner sends from its event and waits to be answered) is delivered
    // datagrams: a round of its own reads them into a buffer of its own, so
    // that the datagram being delivered stays as it is. Result(): 0, or 200
    // when that buffer cannot be had (nothing is received then).
    class NestedRound {
    public:
        explicit NestedRound(DatagramSocket& socket);
        ~NestedRound() { m_socket.m_roundsAllowed = m_allowed; }
        NestedRound(const NestedRound&) = delete;
        NestedRound& operator=(const NestedRound&) = delete;
        int Result() const { return m_result; }

    private:
        DatagramSocket& m_socket;
        int m_allowed;
        int m_result = 0;
    };

private:
    // How much one round may read: datagrams, and milliseconds.
    struct Share {
        int datagrams;
        DWORD milliseconds;
    };
    // How a round went: the datagrams it read (and how many since it last
    // took the notifications of its reads out of the queue), whether it
    // stopped at its share (more may be waiting), and whether a notification
    // was taken while it delivered and could start no round of its own.
    struct RoundEnd {
        // It read, or tried to (a round may not start).
        bool ran = false;
        int read = 0;
        // Reads since the notifications were last taken out, of those made
        // while Winsock posted them.
        int readSinceDrop = 0;
        bool atShare = false;
        bool missed = false;
        // It found the socket empty.
        bool emptied = false;

        // Winsock posted a notification for each datagram that a read left
        // waiting: more than one read while it did, or it stopped at its
        // share after one.
        bool LeftNotifications() const { return readSinceDrop > 1 || (atShare && readSinceDrop > 0); }
    };
    RoundEnd Receive(const Share& share);
    RoundEnd RunRound(std::vector<char>& buffer, const Share& share);
    // The round that a notification asks for, and the one notification for
    // the next, where one is needed.
    void TakeTurn();
    void AskForNextRound(const RoundEnd& end);
    // Takes this socket's queued notifications of these events (FD_READ,
    // FD_WRITE) out of the thread's queue.
    void DropNotifications(long events);
    // Winsock's read notifications on or off (off while a round reads a
    // stream); the events asked of Winsock follow them and an awaited write.
    // False when Winsock refused the change.
    bool ReadNotifications(bool on);
    int SelectEvents();
    // A datagram taken from the socket (delivered or too long).
    void CountRead(RoundEnd& end);
    // No more notifications, and none queued: the socket is going.
    void StopNotifications();

    DatagramSink& m_sink;
    UINT m_message;
    Share m_share{64, 10};
    HWND m_window = nullptr;
    SocketHandle m_socket;
    std::vector<char> m_buffer; // capacity plus the spare byte
    // The buffers of nested rounds: [0] for the round inside the first
    // delivery, and so on.
    std::vector<std::vector<char>> m_nested;
    int m_capacity = 0;
    unsigned long m_peerAddress = 0;
    int m_peerPort = 0;
    bool m_connected = false;
    bool m_acceptData = true;
    int m_deliveries = 0;    // rounds under way, one inside the other
    int m_roundsAllowed = 1; // how many may be (NestedRound)
    bool m_closePending = false;
    bool m_notificationMissed = false; // taken inside a delivery, no round started
    bool m_readNotifications = true;   // Winsock posts FD_READ (off while a stream is read)
    bool m_writeAwaited = true;        // the sink is told of the next FD_WRITE
};
