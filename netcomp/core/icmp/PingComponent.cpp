// The Ping component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IcmpComponent.h"
#include "netcomp/core/icmp/PingEngine.h"
#include "netcomp/include/netcomp_ping.h"

namespace {

using P = Properties<PingEngine>;
using M = Methods<PingEngine>;

constexpr PropertyDescriptor<PingEngine> kPingProperties[] = {
    P::ReadWrite<&PingEngine::IsActive, &PingEngine::SetActive>(kPingActive),
    P::ReadWrite<&PingEngine::GetLocalHost, &PingEngine::SetLocalHost>(kPingLocalHost),
    P::ReadWrite<&PingEngine::GetPacketSize, &PingEngine::SetPacketSize>(kPingPacketSize),
    P::ReadWrite<&PingEngine::GetRemoteHost, &PingEngine::SetRemoteHost>(kPingRemoteHost),
    P::Read<&PingEngine::RequestId>(kPingRequestId),
    P::Read<&PingEngine::ResponseSource>(kPingResponseSource),
    P::Read<&PingEngine::ResponseTime>(kPingResponseTime),
    P::ReadWrite<&PingEngine::GetTimeout, &PingEngine::SetPingTimeout>(kPingTimeout),
    P::ReadWrite<&PingEngine::GetTimeToLive, &PingEngine::SetTimeToLive>(kPingTimeToLive),
    P::ReadWrite<&PingEngine::MessageType, &PingEngine::SetMessageType>(kPingMessageType),
};

constexpr MethodDescriptor<PingEngine> kPingMethods[] = {
    M::Call<&PingEngine::DoEvents>(kPingDoEvents).AnyTime(),
    M::Call<&PingEngine::Interrupt>(kPingInterrupt).AnyTime(),
    M::Call<&PingEngine::PingHost>(kPingPingHost),
    M::Call<&PingEngine::WakeOnLan>(kPingWakeOnLan),
};

struct PingComponent : IcmpComponentDefaults {
    using Engine = PingEngine;
    static constexpr auto& kProperties = kPingProperties;
    static constexpr auto& kMethods = kPingMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(Ping, PingComponent)
