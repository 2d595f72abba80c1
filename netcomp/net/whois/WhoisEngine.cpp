// A query is one or two short connections, each read to its end: the server
// answers the one line it was sent and closes. The registry's answer is read
// only as far as the line that names the registrar's server; the registrar's
// answer is kept whole, every line ended with CR LF.
#include "netcomp/net/whois/WhoisEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/include/netcomp_whois.h"
#include "netcomp/net/whois/WhoisReferral.h"

namespace {

constexpr EventTable kWhoisEvents = {
    {SharedEvent::Connected, kWhoisEventConnected},
    {SharedEvent::ConnectionStatus, kWhoisEventConnectionStatus},
    {SharedEvent::Disconnected, kWhoisEventDisconnected},
    {SharedEvent::Error, kWhoisEventError},
};

constexpr int kWhoisPort = 43;

} // namespace

WhoisEngine::WhoisEngine() : m_defaultServer("whois.internic.net")
{
    SetEventTable(kWhoisEvents);
    (void)Init();
    (void)SetRemotePort(kWhoisPort);
    (void)SetTimeout(60);
    SetHoldReplies(false);
}

int WhoisEngine::SetDefaultServer(const char* host)
{
    m_defaultServer = host ? host : "";
    return kResultOk;
}

int WhoisEngine::SetServer(const char* host)
{
    m_server = host ? host : "";
    return kResultOk;
}

int WhoisEngine::Query(const char* domain)
{
    if (!domain || !*domain) {
        Interrupt();
        (void)SetConnected(false);
        return kResultOk;
    }
    if (HasLineBreak(domain)) {
        SetLastErrorText("Invalid character (CR or LF) in a command line.");
        return WSAEINVAL;
    }
    m_domain = domain;
    (void)SetConnected(false);
    int rc = SetRemotePort(kWhoisPort);
    if (rc == kResultOk)
        rc = SetSingleLineMode(true);
    if (rc != kResultOk)
        return rc;
    if (m_server.empty()) {
        rc = Ask(m_defaultServer, "domain " + m_domain, Step::Referral);
        if (rc != kResultOk)
            return rc;
    }
    m_domainInfo.clear();
    if (m_server.empty()) {
        SetLastErrorText("Can't find registrar server for domain.  Please supply in the Server property.");
        return kWhoisNoRegistrar;
    }
    return Ask(m_server, m_domain, Step::Answer);
}

// Connects to host, sends the line and reads until the server closes (or,
// in the referral step, until the registrar's server is known).
int WhoisEngine::Ask(const std::string& host, const std::string& line, Step step)
{
    StartTimeout();
    int rc = ConnectTo(host.c_str(), kWhoisPort);
    if (rc == kResultOk) {
        const std::string request = line + "\r\n";
        m_step = step;
        m_read = 0;
        m_tooLong = false;
        rc = SendBytes(request.data(), uint32_t(request.size()), false);
    }
    if (rc == kResultOk) {
        StartTimeout();
        while (HasSocket() && m_step == step) {
            if (!WaitStep(10, m_window)) {
                rc = kInterrupted;
                if (!WasInterrupted())
                    SetResultText("Timeout.");
                break;
            }
        }
    }
    m_step = Step::None;
    if (rc == WSAECONNABORTED)
        rc = kResultOk;
    if (rc == kResultOk && m_tooLong) {
        SetLastErrorText("The answer is longer than 16 MB; the rest was not read.");
        rc = WSAEMSGSIZE;
    }
    // The close must not replace the text of what went wrong before it.
    const std::string error = LastErrorText();
    (void)SetConnected(false);
    SetLastErrorText(error.c_str());
    return rc;
}

// What a server sends is bounded: a registry is read no further than 1 MB
// for its referral, a registrar's answer is kept up to 16 MB.
int WhoisEngine::ProcessData(const char* data, uint32_t n, bool eolFound)
{
    m_read += n;
    if (m_step == Step::Referral && m_read > kMaxReferral) {
        m_step = Step::None;
        return kResultOk;
    }
    if (m_step == Step::Answer && m_domainInfo.size() + n + 2 > kMaxAnswer) {
        m_tooLong = true;
        m_step = Step::None;
        return kResultOk;
    }
    if (m_step == Step::Referral) {
        std::string server;
        if (FindWhoisServer(data, n, server)) {
            m_server = server;
            m_step = Step::None; // the rest of the answer is not read
        }
        return kResultOk;
    }
    if (m_step == Step::Answer) {
        m_domainInfo.append(data, n);
        if (eolFound)
            m_domainInfo += "\r\n";
    }
    return kResultOk;
}
