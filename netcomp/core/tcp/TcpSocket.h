#pragma once
// One asynchronous TCP socket on the component's hidden window, with the
// receive buffer that cuts what arrives into records and the firewall layer
// that can route the connection through an HTTP tunnel or a SOCKS server.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "netcomp/core/tcp/FirewallNegotiation.h"
#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/OwnedHandle.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/tcp/RecvBuffer.h"
#include "netcomp/core/tcp/RetiredSockets.h"

constexpr int kMaxLineSize = 65536;

class TcpSocket : public NetComponent {
public:
    TcpSocket();
    ~TcpSocket() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    const char* GetLocalHost() override;

    // Socket defaults, buffers and firewall; 1 on success.
    int Init();
    // The same defaults without a window or a Winsock reference of its own,
    // for a socket that lives on its owner's window.
    int InitDefaults();
    // Takes a socket accepted by a server onto the server's window: connected,
    // with read, write and close notifications; 0 or the Winsock code. The
    // server keeps the retired sockets of its window and filters its messages.
    [[nodiscard]] int AttachAccepted(SOCKET accepted, HWND window, RetiredSockets& retired);
    // Closes the socket without events and lets go of the borrowed window.
    void DetachWindow();
    // An accepted socket that has had no notification since it was attached
    // (a live one has its first write notification at once) and is no
    // longer connected: its peer reset it before or as it was accepted, and
    // the system posts nothing for it. What it still holds is delivered and
    // the close reported (10054); true then.
    bool EndIfGone();
    bool Heard() const { return m_heard; }
    // A second socket of a protocol engine (FTP's data connection, the error
    // channel of rsh) on the engine's socket's window: the window and its
    // record of retired sockets, whose markers either socket's window
    // procedure takes, are the owner's.
    void ShareWindowOf(TcpSocket& owner);

    [[nodiscard]] int SetRemoteHost(const char* text);
    const char* GetRemoteHost();
    [[nodiscard]] int SetRemotePort(int port);
    int GetRemotePort() const { return m_remotePort; }
    [[nodiscard]] int SetLocalPort(int port);
    int GetLocalPort();
    void SetInBufferSize(int bytes);
    int GetInBufferSize() const { return m_inBufferSize; }
    void SetOutBufferSize(int bytes);
    int GetOutBufferSize() const { return m_outBufferSize; }
    void SetLinger(bool on);
    bool GetLinger() const { return m_linger; }
    void SetKeepAlive(bool on);
    bool GetKeepAlive() const { return m_keepAlive; }
    void SetOobInline(bool on);
    // The options an accepted socket already has from its listening socket,
    // recorded without setting them again.
    void TakeInheritedOptions(bool linger, bool keepAlive, bool oobInline)
    {
        m_linger = linger;
        m_keepAlive = keepAlive;
        m_oobInline = oobInline;
    }
    // Switched on while connected, a read notification is posted, so that
    // what was held back flows again once the messages queued before it are
    // taken (the AcceptData property; a blocking wait uses AcceptDataNow).
    void SetAcceptData(bool on);
    bool GetAcceptData() const { return m_acceptData; }
    [[nodiscard]] int SetEOL(const char* bytes, uint32_t n);
    const char* GetEOL() const { return m_eol.CStr(); }
    // The EOL property of the TCP components: the terminator as bytes with
    // their length (at most 16; null or a length of 0 for none).
    [[nodiscard]] int SetEolBytes(const char* data, int length);
    ByteView EolBytes() const { return {m_eol.Data(), int(m_eol.Length())}; }
    // Single-line mode: CR LF records in line mode (a record ends at CR, LF
    // or either pair); off: no terminator, data as it arrives.
    [[nodiscard]] int SetSingleLineMode(bool on);
    bool GetSingleLineMode() const { return m_singleLineMode; }
    [[nodiscard]] int SetMaxLineSize(int n);
    int GetMaxLineSize() const { return int(m_recv.Capacity()); }
    void SetLineMode(bool on) { m_recv.SetLineMode(on); }
    void SetRecordLength(uint32_t n) { m_recv.SetRecordLength(n); }

    [[nodiscard]] int SetConnected(bool on);
    // Connected and through the firewall, if any.
    bool IsConnected() const { return m_connected && !m_firewall.Pending(); }
    bool HasSocket() const { return m_socket.IsOpen(); }
    SOCKET Handle() const { return m_socket.Get(); }

    // One send; 10035 when it would block. BytesSent() tells what went out.
    // With checkConnected, a socket not yet through its connect (and firewall) gives 10057.
    [[nodiscard]] int SendRaw(const char* data, int n, int flags, bool checkConnected = false);
    // SendRaw for a send of the owner's: one that finds the peer gone (the
    // connection reset or aborted) ends the connection, as a read that finds
    // it so does, after delivering what the peer sent before. From inside an
    // event of the socket's read the end follows once that read is over.
    [[nodiscard]] int SendOrEnd(const char* data, int n, int flags, bool checkConnected = false);
    // Whether a send's result says the peer is gone: 10054, 10053, or 10058
    // (Wine's for a peer that closed and then reset).
    static bool IsPeerGone(int result);
    int BytesSent() const { return m_bytesSent; }
    bool ReadyToSend() const { return m_readyToSend; }

    // Also chooses the kind's usual port: 1080 for SOCKS (2, 3), else 80.
    [[nodiscard]] int SetFirewallType(int kind);
    int GetFirewallType() const { return int(m_firewallKind); }
    [[nodiscard]] int SetFirewallHost(const char* text);
    const char* GetFirewallHost();
    void SetFirewallPort(int port) { m_firewallPort = uint16_t(port); }
    int GetFirewallPort() const { return m_firewallPort; }
    [[nodiscard]] int SetFirewallUser(const char* text);
    const char* GetFirewallUser() const { return m_firewallUser.CStr(); }
    [[nodiscard]] int SetFirewallPassword(const char* text);
    const char* GetFirewallPassword() const { return m_firewallPassword.CStr(); }

protected:
    // Reads and delivers: mode 0 on a read notification, 1 to drain before a
    // close (bounded: a peer may keep sending), 2 to drain after the peer closed.
    [[nodiscard]] virtual int Receive(int mode);
    virtual void OnConnectComplete(int code) = 0;
    virtual void OnCloseComplete(int code) = 0;
    virtual int OnDataArrived(const char* data, uint32_t n, bool eolFound) = 0;
    virtual void OnError(int code, const char* text) = 0;
    virtual void OnReadyToSend() = 0;
    virtual void OnConnectionStatus(const char* text, int code) = 0;
    // Whether an event of the owner's is under way, whose handler made the
    // send: the component's own events (a server's connection: the
    // server's).
    virtual bool InOwnersEvent() const { return InEvent(); }

    // The receive buffer for raw delivery, beyond the line limit: bulk reads
    // cost one system call each, so larger reads move data faster.
    [[nodiscard]] int SetReadBufferSize(uint32_t n);
    // Name or dotted address to an IPv4 address (network order); 0 for an empty text.
    [[nodiscard]] int Resolve(const char* text, unsigned long* address);
    void PostRead();
    // AcceptData on for a blocking wait, which takes what comes at once: the
    // records held in the buffer are delivered now, and the socket is read
    // now only when a read notification was passed over while it was off.
    void AcceptDataNow();
    // Closes the socket: its place in the thread's line of sockets waiting
    // for their turn is given up and, when `retire`, the notifications still
    // queued for it are marked stale (or removed).
    void LetSocketGo(bool retire);
    // Removes the notifications still queued for a socket that was closed
    // (another socket may soon have its handle value), where no marker could
    // be posted behind them.
    void DropQueuedNotifications(SOCKET closed);
    RetiredSockets& Retired() { return *m_retired; }
    // A read notification's read, made by a wait that will not wait for the
    // notification (one may have gone astray): as ReadNotified, outside any
    // read under way.
    void ReadNow();
    // The peer's close waits for AcceptData (records held behind a reply):
    // the owner has what it asked of a connection that is gone, and it is
    // reported closed now, with the close's code; what was not asked for
    // is dropped.
    void EndWaitingClose();

private:
    void Connected(int error);
    // A read that found the connection reset or aborted ends it at once,
    // not only once the close notification is taken; true then.
    bool EndIfReset(int result);
    // A send found the peer gone: what the system still holds is
    // delivered and the close reported, now or once the event that made the
    // send is over.
    void SendFoundPeerGone(int code);
    // A notification of the socket's own (its lParam `event`), queued behind
    // what waits: false when it could not be posted.
    bool PostNotification(LPARAM event);
    void FirewallConnected();
    void FirewallData(const char* data, uint32_t n);
    void FirewallFailed();
    // quiet: nothing of the socket's can still be queued (see FD_CLOSE), so
    // no marker need follow it.
    void Close(int code, bool drain, bool quiet = false);
    int Deliver();
    void DeliverRest();
    bool HeldBack() const { return m_readHeld || m_recv.Pending() > 0; }
    bool CloseWaits(int error);
    // A new or closed connection: nothing held or posted, its first write
    // notification still to come; `urgentWatched` for a socket told of
    // urgent bytes (FD_OOB).
    void ResetReceiveState(bool urgentWatched);
    bool Unread();
    // A read notification's work, under the re-entrancy guard: the held
    // records, then one read when `read`.
    void ReadNotified(bool read);
    // The peer closed (FD_CLOSE, in its turn): what is left is read and
    // delivered, then the close is reported.
    void PeerClosed(int error);
    bool HoldRead();
    void ApplyBufferSize(int option, int bytes);
    const char* AddressText(unsigned long address);
    [[nodiscard]] int ApplyOptions();

    SocketHandle m_socket;
    int m_inBufferSize = 2048;
    int m_outBufferSize = 2048;
    uint16_t m_remotePort = 0;
    uint16_t m_localPort = 0;
    NetString m_remoteHost;
    unsigned long m_remoteAddress = 0;

    FirewallKind m_firewallKind = FirewallKind::None;
    uint16_t m_firewallPort = 0;
    unsigned long m_firewallAddress = 0;
    NetString m_firewallUser;
    NetString m_firewallPassword;
    NetString m_firewallData;
    FirewallNegotiation m_firewall;

    int m_bytesSent = 0;
    bool m_connected = false;
    bool m_acceptData = true;
    bool m_receiving = false;
    bool m_readLater = false; // a read notification came while receiving
    // The peer's close came (or a send found it gone) while a read was under
    // way or records were held: it follows once they are delivered.
    bool m_closeLater = false;
    int m_closeError = 0;
    int m_peerGone = 0;       // a send found the peer gone: the code later sends give
    bool m_readHeld = false;  // one came while AcceptData was off: no other comes before a read
    bool m_readWaits = false; // one waits for the socket's turn (SocketTurns): no other comes before a read
    int m_delivering = 0;     // records of the receive buffer out with the owner
    bool m_linger = true;
    bool m_keepAlive = false;
    bool m_oobInline = false;
    bool m_readyToSend = false;
    // What Winsock or this side may still post for the socket: a
    // notification this side posted (or a read notification Winsock may
    // still hold for a close that a send found), a write notification a send
    // that would block or went out short re-armed (or the first, not come
    // yet).
    bool m_readPosted = false;
    bool m_writeArmed = true;
    // The last read found the system's queue empty: it took less than it had
    // room for. Bytes that came since brought a read notification of their
    // own, taken before the close's; only urgent data cuts a read short with
    // bytes behind it, and an accepted socket is told of that (FD_OOB).
    bool m_readShort = false;
    bool m_urgentSeen = false;
    bool m_urgentWatched = false;
    bool m_heard = false; // a notification came for the socket since it was attached
    bool m_singleLineMode = false;
    NetString m_eol;
    RecvBuffer m_recv;
    RetiredSockets m_ownRetired;               // of the socket's own window
    RetiredSockets* m_retired = &m_ownRetired; // of the window it is on
    std::string m_addressText;
};
