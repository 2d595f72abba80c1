#pragma once
// The UDPPort component's engine: the datagram socket with its three
// notifications raised as the component's events.
#include "netcomp/net/udp/UdpSocket.h"

class UdpPortEngine : public UdpSocket {
public:
    UdpPortEngine();

protected:
    int OnDataIn(const char* data, int length, const char* address, int port) override;
    void OnError(int code, const char* description) override;
    int OnReadyToSend() override;
};
