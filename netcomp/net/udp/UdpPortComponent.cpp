// The UDPPort component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/net/udp/UdpPortEngine.h"

namespace {

using E = UdpPortEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kUdpPortProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kUdpPortAcceptData),
    P::ReadWrite<&E::IsActive, &E::SetActive>(kUdpPortActive),
    P::Write<&E::Send>(kUdpPortDataToSend),
    P::ReadWrite<&E::GetDontRoute, &E::SetDontRoute>(kUdpPortDontRoute),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kUdpPortLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kUdpPortLocalPort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kUdpPortRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kUdpPortRemotePort),
    P::ReadWrite<&E::GetTimeToLive, &E::SetTimeToLive>(kUdpPortTimeToLive),
};

constexpr MethodDescriptor<E> kUdpPortMethods[] = {
    M::Call<&E::DoEvents>(kUdpPortDoEvents).AnyTime(),
    M::CallBytes<&E::Send>(kUdpPortSend),
};

struct UdpPortComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kUdpPortProperties;
    static constexpr auto& kMethods = kUdpPortMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(UDPPort, UdpPortComponent)
