#pragma once
// The byte-level side of connecting through a firewall: the request that
// opens an HTTP CONNECT tunnel, a SOCKS 4 or a SOCKS 5 connection, and the
// reading of the firewall's replies. The socket code feeds what it receives
// and sends what it is told to; nothing here touches a socket.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

enum class FirewallKind : uint8_t { None = 0, HttpTunnel = 1, Socks4 = 2, Socks5 = 3 };

constexpr int kFirewallError = 118;
constexpr uint32_t kMaxFirewallText = 255;

struct FirewallTarget {
    FirewallKind kind = FirewallKind::None;
    const char* remoteHost = ""; // as given; "*name" asks a SOCKS 5 server to resolve the name
    uint16_t remotePort = 0;
    uint32_t remoteAddress = 0; // network order, resolved by the caller for SOCKS
    const char* user = "";
    const char* password = "";
};

class FirewallNegotiation {
public:
    enum class Outcome { NeedMore, Send, Open, Failed };

    // Builds the first request into out. Fails with 118 for input the wire
    // form cannot carry (a name or credential over 255 bytes, a line break).
    [[nodiscard]] int Start(const FirewallTarget& target, NetStringBase& out);

    // Takes bytes from the firewall. Send: out holds the next request. Open:
    // the connection is through; Leftover() holds bytes that followed the
    // reply. Failed: FailText() says why (the code is 118).
    Outcome Feed(const char* data, uint32_t n, NetStringBase& out);

    bool Pending() const { return m_pending; }
    void Cancel()
    {
        m_pending = false;
        m_reply.Clear();
    }
    const char* FailText() const { return m_failText.CStr(); }
    const char* Leftover() const { return m_reply.CStr(); }
    uint32_t LeftoverLength() const { return m_reply.Length(); }

private:
    Outcome HttpReply();
    Outcome Socks4Reply();
    Outcome Socks5Reply(NetStringBase& out);
    [[nodiscard]] int Socks5Request(NetStringBase& out);
    Outcome Fail(const char* text, int value = -1);
    Outcome OpenAfter(uint32_t used);

    FirewallKind m_kind = FirewallKind::None;
    uint8_t m_step = 0; // SOCKS 5: 1 greeting sent, 2 authentication sent, 3 request sent
    bool m_pending = false;
    NetString m_reply;
    NetString m_failText;
    NetString m_host;
    uint16_t m_port = 0;
    uint32_t m_address = 0;
    NetString m_user;
    NetString m_password;
};
