#include "netcomp/net/udp/UdpPortEngine.h"

#include "netcomp/include/netcomp_udpport.h"

namespace {

constexpr EventTable kUdpPortEvents = {
    {SharedEvent::DataIn, kUdpPortEventDataIn},
    {SharedEvent::Error, kUdpPortEventError},
    {SharedEvent::ReadyToSend, kUdpPortEventReadyToSend},
};

} // namespace

UdpPortEngine::UdpPortEngine() : UdpSocket("UDPPort")
{
    SetEventTable(kUdpPortEvents);
}
