#pragma once
// The SysLog component's engine: BSD syslog messages (RFC 3164) sent as
// datagrams, and every datagram received split into its parts and reported.
#include <string>

#include "netcomp/net/udp/UdpSocket.h"

class SysLogEngine : public UdpSocket {
public:
    static constexpr int kNoSystemTime = 451;

    SysLogEngine();

    [[nodiscard]] int SendPacket(int facility, int severity, const char* message);

protected:
    int OnDataIn(const char* data, int length, const char* address, int port) override;

private:
    std::string m_hostName; // written into outgoing messages
};
