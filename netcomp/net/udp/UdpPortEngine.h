#pragma once
// The UDPPort component's engine: the datagram socket with its three
// notifications raised as the component's events.
#include "netcomp/net/udp/UdpSocket.h"

class UdpPortEngine : public UdpSocket {
public:
    UdpPortEngine();
};
