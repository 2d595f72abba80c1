#pragma once
// The MX component's engine and the base of the DNS one: one query over UDP
// to a name server and the wait for its answer. The answer must carry the
// query's identifier and come from the server's address and port; anything
// else that arrives (a late answer, a forged one) is dropped.
#include <string>

#include "netcomp/net/dns/DnsMessage.h"
#include "netcomp/net/udp/UdpSocket.h"

class MxEngine : public UdpSocket {
public:
    static constexpr int kNoServer = 290;

    MxEngine();

    [[nodiscard]] int Resolve(const char* name);
    [[nodiscard]] int SetDomain(const char* name) { return Resolve(name); }
    const char* GetDomain() const { return m_domain.c_str(); }
    [[nodiscard]] int SetDnsServer(const char* text);
    const char* GetDnsServer() const { return m_dnsServer.c_str(); }
    // True while no query waits for its answer.
    bool IsIdle() const { return !IsActive() || !m_waiting; }
    const char* GetMailServer() const { return m_mailServer.c_str(); }
    int GetRequestId() const { return int(m_requestId); }
    void SetRequestId(int id) { m_requestId = unsigned(id) & 0x7FFF; }
    const char* GetStatus() const { return m_status.c_str(); }

protected:
    // `component` names the engine in the socket's texts.
    explicit MxEngine(const char* component);

    virtual int QueryType() const { return dns::kTypeMx; }
    virtual bool RecursionDesired() const { return true; }
    virtual std::string NameToAsk(const std::string& name) const;
    // The response to the outstanding query, parsed into Answer().
    virtual void OnResponse();
    // A response that gives no result (it cannot be read, or it was cut
    // before its first answer), and no server's response code to report
    // instead: Status and the Error event say so.
    virtual void OnUnusableResponse(int code, const char* text);
    // Results cleared when a query starts.
    virtual void ClearResults();
    int OnDataIn(const char* data, int length, const char* address, int port) override;

    const dns::Response& Answer() const { return m_response; }
    void SetStatus(const char* text) { m_status = text; }

private:
    // Takes the datagram when it answers the outstanding query.
    bool TakeResponse(const char* data, int length, const char* address, int port);
    // The answer was taken but gives no result: the Error event carries the
    // code and text, and a Resolve that waits returns them.
    void FailResponse(int code, const char* text);

    std::string m_domain;
    std::string m_mailServer;
    std::string m_dnsServer;
    std::string m_status;
    unsigned m_requestId;
    unsigned m_expectedId = 0;
    bool m_waiting = false;
    int m_failure = 0;
    const char* m_failureText = "";
    dns::Response m_response;
};
