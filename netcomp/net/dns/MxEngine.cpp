// A query is sent once and answered once: Resolve sends it and, with a
// Timeout, waits in the socket's exchange until the answer is taken; with
// Timeout 0 it returns at once and the answer is taken in OnDataIn while the
// owner's thread pumps messages. Either way TakeResponse decides: the
// identifier of the outstanding query, the server's address and port, and
// the response bit must match. A taken answer that cannot be read (or
// copied), or that the server cut before its first record, ends the query
// without a result: the Error event says why, and a Resolve that waits
// returns the same code and text.
#include "netcomp/net/dns/MxEngine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/include/netcomp_mx.h"

namespace {

constexpr EventTable kMxEvents = {{SharedEvent::Error, kMxEventError}};

constexpr int kDnsPort = 53;
constexpr const char* kMalformedText = "Malformed response from the DNS server.";
constexpr const char* kTruncatedText = "Truncated response from the DNS server: the answer does not fit a datagram.";
constexpr std::size_t kMaxServerText = 200;

// A registry value of the TCP/IP parameters, cut at the first blank or comma.
std::string RegistryNameServer(const char* keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::string text;
    for (const char* value : {"NameServer", "DhcpNameServer"}) {
        char buffer[kMaxServerText + 1] = {};
        DWORD size = kMaxServerText;
        DWORD type = 0;
        if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            continue;
        text.assign(buffer, strnlen(buffer, kMaxServerText));
        text = text.substr(0, text.find_first_of(" ,"));
        if (text.size() >= 7)
            break;
        text.clear();
    }
    RegCloseKey(key);
    return text;
}

// The name server this computer uses: IP Helper's current or first DNS
// server, else the registry's; empty when none is known.
std::string DiscoverNameServer()
{
    ULONG size = 0;
    if (IpHelperGetNetworkParams(nullptr, &size) == ERROR_BUFFER_OVERFLOW && size > 0) {
        std::vector<char> buffer(size);
        auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
        if (IpHelperGetNetworkParams(info, &size) == ERROR_SUCCESS) {
            const IP_ADDR_STRING* server = info->CurrentDnsServer ? info->CurrentDnsServer : &info->DnsServerList;
            const std::string text(server->IpAddress.String, strnlen(server->IpAddress.String, 16));
            if (!text.empty() && text != "0.0.0.0")
                return text;
        }
    }
    for (const char* path : {"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters",
                             "System\\CurrentControlSet\\Services\\VxD\\MSTCP"}) {
        const std::string text = RegistryNameServer(path);
        if (!text.empty())
            return text;
    }
    return {};
}

} // namespace

MxEngine::MxEngine() : MxEngine("MX")
{
    SetEventTable(kMxEvents);
}

MxEngine::MxEngine(const char* component)
    : UdpSocket(component), m_dnsServer(DiscoverNameServer()), m_requestId(GetTickCount() & 0x7FFF)
{
    (void)SetRemotePort(kDnsPort);
    (void)SetTimeout(60);
}

int MxEngine::SetDnsServer(const char* text)
{
    SetLastErrorText("");
    if (!text || !*text)
        return kResultOk;
    if (std::strcmp(text, GetRemoteHost()) != 0) {
        const int rc = SetRemoteHost(text);
        if (rc != kResultOk)
            return rc;
    }
    m_dnsServer = *GetRemoteHost() ? GetRemoteHost() : text;
    return kResultOk;
}

std::string MxEngine::NameToAsk(const std::string& name) const
{
    const std::size_t at = name.rfind('@');
    return at == std::string::npos ? name : name.substr(at + 1);
}

void MxEngine::ClearResults()
{
    m_mailServer.clear();
    m_status.clear();
}

int MxEngine::Resolve(const char* name)
{
    SetLastErrorText("");
    ClearResults();
    m_waiting = false;
    m_failure = kResultOk;
    m_domain = name ? name : "";
    if (m_domain.empty())
        return Close();
    if (m_dnsServer.empty()) {
        SetLastErrorText("Could not determine DNS Server address. Please supply in DNSServer property.");
        return kNoServer;
    }
    int rc = kResultOk;
    if (m_dnsServer != GetRemoteHost()) {
        if ((rc = SetRemoteHost(m_dnsServer.c_str())) != kResultOk)
            return rc;
        if (*GetRemoteHost())
            m_dnsServer = GetRemoteHost();
    }
    if (!IsActive() && (rc = SetActive(true)) != kResultOk)
        return rc;
    std::string query;
    if (dns::BuildQuery(m_requestId, RecursionDesired(), NameToAsk(m_domain), QueryType(), query) != kResultOk) {
        SetLastErrorText("Invalid domain name: each label must hold 1 to 63 bytes, the name at most 255.");
        return dns::kBadName;
    }
    m_expectedId = m_requestId;
    m_requestId = (m_requestId + 1) & 0x7FFF;
    m_waiting = true;
    if (GetTimeout() == 0) {
        if ((rc = Send(query.data(), int(query.size()))) != kResultOk)
            m_waiting = false;
        return rc;
    }
    rc = Exchange(query.data(), int(query.size()), Retransmission{},
                  [this](const char* data, int length, const char* address, int port) {
                      return TakeResponse(data, length, address, port);
                  });
    m_waiting = false;
    if (rc == kResultOk && m_failure != kResultOk) {
        SetResultText(m_failureText);
        rc = m_failure;
    }
    return rc;
}

int MxEngine::OnDataIn(const char* data, int length, const char* address, int port)
{
    (void)TakeResponse(data, length, address, port);
    return kResultOk;
}

bool MxEngine::TakeResponse(const char* data, int length, const char* address, int port)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    if (!m_waiting || length < 12 || (p[2] & 0x80) == 0 || (unsigned(p[0]) << 8 | p[1]) != m_expectedId ||
        port != GetRemotePort() || std::strcmp(address, GetRemoteHost()) != 0)
        return false;
    m_waiting = false;
    try {
        (void)m_response.Parse(data, std::size_t(length));
    } catch (const std::bad_alloc&) {
        m_response.Clear();
        FailResponse(kOutOfMemory, "Out of memory while parsing response");
        return true;
    }
    // The response code stands in the header, which always reads: the
    // server's refusal or name error is reported even when what follows it
    // does not read. A server that cuts an answer too long for a datagram
    // (RFC 1035 4.2.1) may leave no answer record in it at all: that says
    // nothing of whether the name has records.
    const dns::Header& header = m_response.GetHeader();
    if (header.rcode != 0)
        OnResponse();
    else if (!m_response.Readable())
        OnUnusableResponse(dns::kMalformedResponse, kMalformedText);
    else if (header.truncated && m_response.SectionCount(0) == 0)
        OnUnusableResponse(dns::kTruncatedResponse, kTruncatedText);
    else
        OnResponse();
    return true;
}

void MxEngine::FailResponse(int code, const char* text)
{
    m_failure = code;
    m_failureText = text;
    FireError(code, text);
}

void MxEngine::OnUnusableResponse(int code, const char* text)
{
    m_status = text;
    FailResponse(code, text);
}

void MxEngine::OnResponse()
{
    const dns::Header& header = m_response.GetHeader();
    int id = int(header.id);
    const char* domain = m_response.Domain().c_str();
    int authoritative = header.authoritative;
    if (header.rcode != 0 || m_response.SectionCount(0) == 0) {
        const char* text = header.rcode != 0 ? dns::RcodeText(header.rcode) : "No mail servers were found.";
        const char* none = "";
        int zero = 0;
        int status = header.rcode != 0 ? header.rcode : 100;
        m_status = text;
        Fire(kMxEventResponse, {EventParam::Int(&id), EventParam::Text(&domain), EventParam::Text(&none),
                                EventParam::Int(&zero), EventParam::Int(&zero), EventParam::Int(&status),
                                EventParam::Text(&text), EventParam::Int(&authoritative)});
        return;
    }
    int best = 65536;
    std::string candidate;
    for (int i = 1; i <= m_response.SectionCount(0); ++i) {
        const dns::Record& record = *m_response.Find(0, i);
        int preference = 0;
        std::string exchange;
        if (record.type != dns::kTypeMx || record.rclass != dns::kClassIn ||
            !m_response.MailExchange(record, preference, exchange))
            continue;
        if (preference < best) {
            best = preference;
            candidate = exchange;
        }
        const char* server = exchange.c_str();
        int ttl = int(record.ttl);
        int ok = 0;
        const char* text = "OK";
        Fire(kMxEventResponse,
             {EventParam::Int(&id), EventParam::Text(&domain), EventParam::Text(&server), EventParam::Int(&preference),
              EventParam::Int(&ttl), EventParam::Int(&ok), EventParam::Text(&text), EventParam::Int(&authoritative)});
    }
    m_mailServer = candidate;
    m_status = "OK";
}
