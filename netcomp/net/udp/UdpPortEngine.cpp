#include "netcomp/net/udp/UdpPortEngine.h"

#include "netcomp/include/netcomp_udpport.h"

namespace {

constexpr EventTable kUdpPortEvents = {
    {SharedEvent::DataIn, kUdpPortEventDataIn},
    {SharedEvent::Error, kUdpPortEventError},
    {SharedEvent::ReadyToSend, kUdpPortEventReadyToSend},
};

} // namespace

UdpPortEngine::UdpPortEngine()
{
    SetEventTable(kUdpPortEvents);
}

int UdpPortEngine::OnDataIn(const char* data, int length, const char* address, int port)
{
    char* datagram = const_cast<char*>(data);
    Fire(SharedEvent::DataIn,
         {EventParam::Binary(&datagram, length), EventParam::Text(&address), EventParam::Int(&port)});
    return 0;
}

void UdpPortEngine::OnError(int code, const char* description)
{
    FireError(code, description);
}

int UdpPortEngine::OnReadyToSend()
{
    Fire(SharedEvent::ReadyToSend, {});
    return 0;
}
