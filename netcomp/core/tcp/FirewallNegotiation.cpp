#include "netcomp/core/tcp/FirewallNegotiation.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

const char* Socks5ReplyText(int code)
{
    static const char* const texts[] = {
        nullptr,
        "general SOCKS server failure",
        "connection not allowed by ruleset",
        "network unreachable",
        "host unreachable",
        "connection refused",
        "TTL expired",
        "command not supported",
        "address type not supported",
    };
    return code >= 1 && code <= 8 ? texts[code] : nullptr;
}

} // namespace

int FirewallNegotiation::Start(const FirewallTarget& target, NetStringBase& out)
{
    m_kind = target.kind;
    m_step = 0;
    m_pending = false;
    m_reply.Clear();
    m_failText.Clear();
    out.Clear();
    const char* host = target.remoteHost ? target.remoteHost : "";
    const char* user = target.user ? target.user : "";
    const char* password = target.password ? target.password : "";
    if (std::strlen(user) > kMaxFirewallText || std::strlen(password) > kMaxFirewallText) {
        m_failText.Clear();
        (void)m_failText.AssignText("firewall user or password longer than 255 bytes");
        return kFirewallError;
    }
    int rc = m_host.AssignText(host);
    if (rc == kResultOk)
        rc = m_user.AssignText(user);
    if (rc == kResultOk)
        rc = m_password.AssignText(password);
    if (rc != kResultOk)
        return rc;
    m_port = target.remotePort;
    m_address = target.remoteAddress;

    switch (m_kind) {
    case FirewallKind::HttpTunnel: {
        if (HasLineBreak(host) || HasLineBreak(user) || HasLineBreak(password)) {
            (void)m_failText.AssignText("line break in the tunnel request");
            return kFirewallError;
        }
        rc = out.AppendCStr("CONNECT ");
        if (rc == kResultOk)
            rc = out.AppendCStr(host);
        if (rc == kResultOk)
            rc = out.AppendChar(':');
        if (rc == kResultOk)
            rc = out.AppendInt(m_port);
        if (rc == kResultOk)
            rc = out.AppendCStr(" HTTP/1.0\r\n");
        if (rc == kResultOk && (*user || *password)) {
            NetString credentials;
            rc = credentials.AppendCStr(user);
            if (rc == kResultOk)
                rc = credentials.AppendChar(':');
            if (rc == kResultOk)
                rc = credentials.AppendCStr(password);
            if (rc == kResultOk)
                rc = out.AppendCStr("Proxy-authorization: Basic ");
            if (rc == kResultOk)
                rc = out.AppendBase64(credentials.Data(), credentials.Length(), false);
            if (rc == kResultOk)
                rc = out.AppendCStr("\r\n");
        }
        if (rc == kResultOk)
            rc = out.AppendCStr("\r\n");
        break;
    }
    case FirewallKind::Socks4: {
        const char request[8] = {4,
                                 1,
                                 char(m_port >> 8),
                                 char(m_port & 0xFF),
                                 char(m_address & 0xFF),
                                 char((m_address >> 8) & 0xFF),
                                 char((m_address >> 16) & 0xFF),
                                 char((m_address >> 24) & 0xFF)};
        rc = out.Append(request, 8);
        if (rc == kResultOk)
            rc = out.Append(user, uint32_t(std::strlen(user)) + 1);
        break;
    }
    case FirewallKind::Socks5: {
        if (host[0] == '*' && std::strlen(host + 1) > kMaxFirewallText) {
            (void)m_failText.AssignText("host name longer than 255 bytes");
            return kFirewallError;
        }
        const bool withPassword = *user && *password;
        const char greeting[4] = {5, char(withPassword ? 2 : 1), 0, 2};
        rc = out.Append(greeting, withPassword ? 4 : 3);
        m_step = 1;
        break;
    }
    case FirewallKind::None:
        return kResultOk;
    }
    if (rc == kResultOk)
        m_pending = true;
    return rc;
}

FirewallNegotiation::Outcome FirewallNegotiation::Feed(const char* data, uint32_t n, NetStringBase& out)
{
    out.Clear();
    if (!m_pending)
        return Outcome::NeedMore;
    if (m_reply.Append(data, n) != kResultOk)
        return Fail("Out of memory.");
    switch (m_kind) {
    case FirewallKind::HttpTunnel:
        return HttpReply();
    case FirewallKind::Socks4:
        return Socks4Reply();
    case FirewallKind::Socks5:
        return Socks5Reply(out);
    case FirewallKind::None:
        break;
    }
    return Outcome::NeedMore;
}

FirewallNegotiation::Outcome FirewallNegotiation::Fail(const char* text, int value)
{
    m_pending = false;
    m_failText.Clear();
    char buffer[300];
    if (value >= 0) {
        std::snprintf(buffer, sizeof buffer, text, value);
        text = buffer;
    }
    (void)m_failText.AssignText(text);
    m_reply.Clear();
    return Outcome::Failed;
}

FirewallNegotiation::Outcome FirewallNegotiation::OpenAfter(uint32_t used)
{
    m_pending = false;
    m_reply.EraseFront(used);
    return Outcome::Open;
}

// The proxy's status line decides; the tunnel is open after the blank line
// that ends its reply, and whatever follows belongs to the remote host.
FirewallNegotiation::Outcome FirewallNegotiation::HttpReply()
{
    const char* reply = m_reply.CStr();
    const char* lineEnd = static_cast<const char*>(std::memchr(reply, '\n', m_reply.Length()));
    if (!lineEnd)
        return m_reply.Length() > 8192 ? Fail("firewall reply line too long") : Outcome::NeedMore;
    const char* blank = static_cast<const char*>(std::memchr(reply, ' ', size_t(lineEnd - reply)));
    const char* status = blank;
    while (status && status < lineEnd && *status == ' ')
        ++status;
    if (!status || status >= lineEnd || *status != '2') {
        uint32_t length = uint32_t(lineEnd - reply);
        if (length && reply[length - 1] == '\r')
            --length;
        NetString text;
        if (text.Assign(length, reply) != kResultOk)
            return Fail("Out of memory.");
        return Fail(text.CStr());
    }
    const int crlf = m_reply.Find("\r\n\r\n", 0);
    const int lf = m_reply.Find("\n\n", 0);
    if (crlf < 0 && lf < 0)
        return m_reply.Length() > 65536 ? Fail("firewall reply too long") : Outcome::NeedMore;
    if (crlf >= 0 && (lf < 0 || crlf < lf))
        return OpenAfter(uint32_t(crlf) + 4);
    return OpenAfter(uint32_t(lf) + 2);
}

FirewallNegotiation::Outcome FirewallNegotiation::Socks4Reply()
{
    if (m_reply.Length() < 8)
        return Outcome::NeedMore;
    const int code = static_cast<unsigned char>(m_reply[1]);
    switch (code) {
    case 90:
        return OpenAfter(8);
    case 91:
        return Fail("firewall request rejected or failed");
    case 92:
        return Fail("firewall request rejected because identd is not available");
    case 93:
        return Fail("firewall request rejected because identd reports different user");
    default:
        return Fail("unknown firewall error: %d", code);
    }
}

int FirewallNegotiation::Socks5Request(NetStringBase& out)
{
    const char head[3] = {5, 1, 0};
    int rc = out.Append(head, 3);
    const char* host = m_host.CStr();
    if (host[0] == '*') {
        const uint32_t length = uint32_t(std::strlen(host + 1));
        const char type[2] = {3, char(length)};
        if (rc == kResultOk)
            rc = out.Append(type, 2);
        if (rc == kResultOk)
            rc = out.Append(host + 1, length);
    } else {
        const char address[5] = {1, char(m_address & 0xFF), char((m_address >> 8) & 0xFF),
                                 char((m_address >> 16) & 0xFF), char((m_address >> 24) & 0xFF)};
        if (rc == kResultOk)
            rc = out.Append(address, 5);
    }
    const char port[2] = {char(m_port >> 8), char(m_port & 0xFF)};
    if (rc == kResultOk)
        rc = out.Append(port, 2);
    return rc;
}

FirewallNegotiation::Outcome FirewallNegotiation::Socks5Reply(NetStringBase& out)
{
    if (m_reply.Length() < 2)
        return Outcome::NeedMore;
    const int second = static_cast<unsigned char>(m_reply[1]);
    if (m_step == 1 || m_step == 2) {
        if (m_step == 1 && second == 2) {
            const char version = 1;
            int rc = out.Append(&version, 1);
            const char userLength = char(m_user.Length());
            if (rc == kResultOk)
                rc = out.Append(&userLength, 1);
            if (rc == kResultOk)
                rc = out.Append(m_user.Data(), m_user.Length());
            const char passwordLength = char(m_password.Length());
            if (rc == kResultOk)
                rc = out.Append(&passwordLength, 1);
            if (rc == kResultOk)
                rc = out.Append(m_password.Data(), m_password.Length());
            if (rc != kResultOk)
                return Fail("Out of memory.");
            m_step = 2;
        } else if (m_step == 1 && second != 0) {
            return Fail(second == 0xFF ? "no acceptable firewall authentication methods"
                                       : "unknown firewall authentication method");
        } else if (m_step == 2 && second != 0) {
            return Fail("firewall authentication failed: %d", second);
        } else {
            if (Socks5Request(out) != kResultOk)
                return Fail("Out of memory.");
            m_step = 3;
        }
        m_reply.EraseFront(2);
        return Outcome::Send;
    }

    // Step 3: the reply carries the bound address in the form its type names.
    if (second != 0) {
        const char* text = Socks5ReplyText(second);
        return text ? Fail(text) : Fail("unknown firewall error: %d", second);
    }
    if (m_reply.Length() < 5)
        return Outcome::NeedMore;
    uint32_t length;
    switch (static_cast<unsigned char>(m_reply[3])) {
    case 1:
        length = 4 + 4 + 2;
        break;
    case 3:
        length = 4 + 1 + static_cast<unsigned char>(m_reply[4]) + 2;
        break;
    case 4:
        length = 4 + 16 + 2;
        break;
    default:
        return Fail("unknown firewall reply address type: %d", static_cast<unsigned char>(m_reply[3]));
    }
    if (m_reply.Length() < length)
        return Outcome::NeedMore;
    return OpenAfter(length);
}
