#pragma once
// The IPPort component's engine: the TCP client with its notifications raised
// as the component's events, a single-line mode that reads CR LF lines one at
// a time on demand, and the blocking GetLine.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/tcp/TcpClient.h"

class IpPortEngine : public TcpClient {
public:
    IpPortEngine();

    [[nodiscard]] int SetConnectedState(bool on);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int Connect(const char* host, int port);
    [[nodiscard]] int DisconnectNow();
    [[nodiscard]] int GetLine(const char** line);
    [[nodiscard]] int Send(const char* data, int length);
    [[nodiscard]] int SendLine(const char* text);

    [[nodiscard]] int SetSingleLineMode(bool on);
    bool GetSingleLineMode() const { return m_singleLineMode; }
    [[nodiscard]] int SetEolBytes(const char* data, int length);
    ByteView EolBytes() const { return {GetEOL(), m_eolLength}; }
    [[nodiscard]] int SetFirewallKind(int kind);
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }

protected:
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;

private:
    bool m_singleLineMode = false;
    int m_eolLength = 0;
    NetString m_line;
};
