#include "netcomp/net/udp/UdpPortEngine.h"

#include "netcomp/include/netcomp_udpport.h"

int UdpPortEngine::OnDataIn(const char* data, int length, const char* address, int port)
{
    char* datagram = const_cast<char*>(data);
    Fire(kUdpPortEventDataIn,
         {EventParam::Binary(&datagram, length), EventParam::Text(&address), EventParam::Int(&port)});
    return 0;
}

void UdpPortEngine::OnError(int code, const char* description)
{
    Fire(kUdpPortEventError, {EventParam::Int(&code), EventParam::Text(&description)});
}

int UdpPortEngine::OnReadyToSend()
{
    Fire(kUdpPortEventReadyToSend, {});
    return 0;
}
