#pragma once
// The Telnet component's engine: a TCP client whose received bytes go
// through the Telnet parser, each part reported as an event. It never
// answers a negotiation itself; the owner answers through the option
// properties, each of which sends its bytes in one send.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/net/telnet/TelnetParser.h"

class TelnetEngine : public TcpClient, private TelnetSink {
public:
    // The most data bytes of an outgoing sub-negotiation.
    static constexpr int kMaxSubOption = 1020;

    TelnetEngine();

    [[nodiscard]] int SetConnectedState(bool on);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int Connect(const char* host);
    [[nodiscard]] int DisconnectNow();
    [[nodiscard]] int Send(const char* data, int length);

    [[nodiscard]] int SendCommand(int command);
    [[nodiscard]] int SendDo(int option) { return SendVerb(kTelnetDo, option); }
    [[nodiscard]] int SendDont(int option) { return SendVerb(kTelnetDont, option); }
    [[nodiscard]] int SendWill(int option) { return SendVerb(kTelnetWill, option); }
    [[nodiscard]] int SendWont(int option) { return SendVerb(kTelnetWont, option); }
    [[nodiscard]] int SendSubOption(const char* data, int length);
    [[nodiscard]] int SendUrgent(const char* data, int length);

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool on) { m_transparent = on; }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }

protected:
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;
    void OnConnected(int code) override;

private:
    void OnTelnetData(const char* data, uint32_t n) override;
    void OnTelnetCommand(unsigned char command) override;
    void OnTelnetOption(unsigned char verb, unsigned char option) override;
    void OnTelnetSubOption(const char* data, uint32_t n) override;
    void OnTelnetSubOptionTruncated() override;

    void FireBytes(int event, const char* data, uint32_t n);
    [[nodiscard]] int SendVerb(unsigned char verb, int option);
    [[nodiscard]] int SendOnce(const char* data, int n);
    [[nodiscard]] int CheckByte(int value, const char* what);

    TelnetParser m_parser;
    NetString m_eventBytes;
    bool m_transparent = false;
};
