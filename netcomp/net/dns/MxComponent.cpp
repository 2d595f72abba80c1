// The MX component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/include/netcomp_mx.h"
#include "netcomp/net/dns/MxEngine.h"

namespace {

using E = MxEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kMxProperties[] = {
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kMxDnsPort),
    P::ReadWrite<&E::GetDnsServer, &E::SetDnsServer>(kMxDnsServer),
    P::ReadWrite<&E::GetDomain, &E::SetDomain>(kMxDomain),
    P::Read<&E::IsIdle>(kMxIdle),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kMxLocalHost),
    P::Read<&E::GetMailServer>(kMxMailServer),
    P::ReadWrite<&E::GetRequestId, &E::SetRequestId>(kMxRequestId),
    P::Read<&E::GetStatus>(kMxStatus),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kMxTimeout),
};

constexpr MethodDescriptor<E> kMxMethods[] = {
    M::Call<&E::DoEvents>(kMxDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kMxInterrupt).AnyTime(),
    M::Call<&E::Resolve>(kMxResolve),
};

} // namespace

// The name server is discovered through IP Helper.
struct MxComponent : IpHelperComponent {
    using Engine = E;
    static constexpr auto& kProperties = kMxProperties;
    static constexpr auto& kMethods = kMxMethods;
};

NETCOMP_DEFINE_COMPONENT(MX, MxComponent)
