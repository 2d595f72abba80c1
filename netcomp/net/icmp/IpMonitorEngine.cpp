#include "netcomp/net/icmp/IpMonitorEngine.h"

#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/include/netcomp_ipmonitor.h"
#include "netcomp/net/icmp/IpPacket.h"

namespace {

constexpr EventTable kIpMonitorEvents = {{SharedEvent::Error, kIpMonitorEventError}};
constexpr int kLargestPacket = 8000;
constexpr int kCaptureBuffer = 64000;
constexpr DWORD kReceiveAll = 0x98000001; // SIO_RCVALL

using WsaIoctlFn = int(WINAPI*)(SOCKET, DWORD, void*, DWORD, void*, DWORD, DWORD*, void*, void*);

} // namespace

IpMonitorEngine::IpMonitorEngine()
{
    SetEventTable(kIpMonitorEvents);
    SetRawIp(true);
    (void)SetMaxMessageSize(kLargestPacket);
}

int IpMonitorEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("MaxPacketSize"))
        return arg.query ? AnswerInt(GetMaxMessageSize(), answer)
                         : SetConfigInt(
                               arg, [this](int n) { return SetMaxMessageSize(n); }, 0);
    return IcmpEngine::Config(arg, answer);
}

int IpMonitorEngine::SetMonitorActive(bool active)
{
    (void)SetActive(false);
    if (!active)
        return kResultOk;
    // An empty LocalHost becomes this computer's own address.
    const std::string local = GetLocalHost();
    int rc = SetLocalHost(local.c_str());
    if (rc == kResultOk)
        rc = SetActive(true);
    if (rc == kResultOk)
        rc = SetInBufferSize(kCaptureBuffer);
    if (rc == kResultOk)
        rc = SwitchReceiveAll();
    if (rc != kResultOk)
        (void)SetActive(false);
    return rc;
}

// The switch is a Winsock 2 control code: taken from ws2_32.dll, as the
// binding holds only the Winsock 1.1 calls.
int IpMonitorEngine::SwitchReceiveAll()
{
    HMODULE ws2 = GetModuleHandleA("ws2_32.dll");
    if (!ws2)
        ws2 = LoadLibraryA("ws2_32.dll");
    const auto ioctl =
        ws2 ? reinterpret_cast<WsaIoctlFn>(reinterpret_cast<void*>(GetProcAddress(ws2, "WSAIoctl"))) : nullptr;
    if (!ioctl)
        return WSAEOPNOTSUPP;
    DWORD on = 1;
    DWORD returned = 0;
    if (ioctl(RawSocket(), kReceiveAll, &on, sizeof on, nullptr, 0, &returned, nullptr, nullptr) != 0)
        return Ws().WSAGetLastError();
    return kResultOk;
}

int IpMonitorEngine::ListInterfaces()
{
    int rc = IsActive() ? kResultOk : SetMonitorActive(true);
    if (rc == kResultOk) {
        const char* address = GetLocalHost();
        Fire(kIpMonitorEventInterface, {EventParam::Text(&address)});
    }
    (void)SetActive(false);
    return rc;
}

void IpMonitorEngine::OnDataIn(int, int, const std::uint8_t* data, int length, bool, const char*)
{
    ippacket::Header h;
    if (length < 0 || !ippacket::Decode(data, std::size_t(length), h))
        return;
    const char* source = h.source.c_str();
    const char* destination = h.destination.c_str();
    char* payload = const_cast<char*>(reinterpret_cast<const char*>(h.payload ? h.payload : data));
    m_packet = reinterpret_cast<const char*>(data);
    m_packetLength = length;
    Fire(kIpMonitorEventPacketIn,
         {EventParam::Text(&source), EventParam::Int(&h.sourcePort), EventParam::Text(&destination),
          EventParam::Int(&h.destinationPort), EventParam::Int(&h.version), EventParam::Int(&h.tos),
          EventParam::Int(&h.id), EventParam::Int(&h.flags), EventParam::Int(&h.fragmentOffset),
          EventParam::Int(&h.ttl), EventParam::Int(&h.checksum), EventParam::Int(&h.protocol),
          EventParam::Binary(&payload, int(h.payloadLength))});
    m_packet = nullptr;
    m_packetLength = 0;
}
