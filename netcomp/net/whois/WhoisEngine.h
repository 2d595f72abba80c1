#pragma once
// The Whois component's engine: asks a registry's whois server which
// registrar holds a domain (unless the Server is known), then asks that
// registrar's server and keeps its answer (RFC 3912, port 43).
#include <cstddef>
#include <cstdint>
#include <string>

#include "netcomp/core/tcp/TcpClient.h"

constexpr int kWhoisNoRegistrar = 125;

class WhoisEngine : public TcpClient {
public:
    // The most of an answer that is kept, and of a registry's answer read
    // for the referral.
    static constexpr size_t kMaxAnswer = 16u << 20;
    static constexpr size_t kMaxReferral = 1u << 20;

    WhoisEngine();

    [[nodiscard]] int Query(const char* domain);

    const char* DefaultServer() const { return m_defaultServer.c_str(); }
    [[nodiscard]] int SetDefaultServer(const char* host);
    const char* Domain() const { return m_domain.c_str(); }
    const char* DomainInfo() const { return m_domainInfo.c_str(); }
    const char* Server() const { return m_server.c_str(); }
    [[nodiscard]] int SetServer(const char* host);
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }

protected:
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;

private:
    enum class Step { None, Referral, Answer };

    [[nodiscard]] int Ask(const std::string& host, const std::string& line, Step step);

    std::string m_defaultServer;
    std::string m_server;
    std::string m_domain;
    std::string m_domainInfo;
    Step m_step = Step::None;
    size_t m_read = 0;
    bool m_tooLong = false;
};
