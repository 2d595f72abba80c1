#include "netcomp/net/UdpPortEngine.h"

#include "netcomp/core/ResultCodes.h"
#include "netcomp/net/UdpPortNumbers.h"

int UdpPortEngine::DoEvents()
{
    (void)WaitStep(20, m_window);
    return kResultOk;
}

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
