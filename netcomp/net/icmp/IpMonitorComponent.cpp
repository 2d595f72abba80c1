// The IPMonitor component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_ipmonitor.h"
#include "netcomp/net/icmp/IpMonitorEngine.h"

namespace {

using E = IpMonitorEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kIpMonitorProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kIpMonitorAcceptData),
    P::ReadWrite<&E::IsActive, &E::SetMonitorActive>(kIpMonitorActive),
    P::Read<&E::IpPacket>(kIpMonitorIPPacket),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kIpMonitorLocalHost),
};

constexpr MethodDescriptor<E> kIpMonitorMethods[] = {
    M::Call<&E::DoEvents>(kIpMonitorDoEvents).AnyTime(),
    M::Call<&E::ListInterfaces>(kIpMonitorListInterfaces),
};

struct IpMonitorComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kIpMonitorProperties;
    static constexpr auto& kMethods = kIpMonitorMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(IPMonitor, IpMonitorComponent)
