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

    // The socket's single-line mode, read on demand: on, delivery waits for
    // the next GetLine, and each line is held until one asks for it.
    [[nodiscard]] int SetSingleLineMode(bool on);
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }

protected:
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;

private:
    NetString m_line;
};
