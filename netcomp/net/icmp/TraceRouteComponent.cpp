// The TraceRoute component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IcmpComponent.h"
#include "netcomp/include/netcomp_traceroute.h"
#include "netcomp/net/icmp/TraceRouteEngine.h"

namespace {

using E = TraceRouteEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kTraceRouteProperties[] = {
    P::Read<&E::HopCount>(kTraceRouteHopCount),
    P::ReadIndexed<&E::HopHostAddress, &E::CheckHopIndex>(kTraceRouteHopHostAddress),
    P::ReadIndexed<&E::HopHostName, &E::CheckHopIndex>(kTraceRouteHopHostName),
    P::ReadWrite<&E::GetHopLimit, &E::SetHopLimit>(kTraceRouteHopLimit),
    P::ReadIndexed<&E::HopTime, &E::CheckHopIndex>(kTraceRouteHopTime),
    P::ReadWrite<&E::GetHopTimeout, &E::SetHopTimeout>(kTraceRouteHopTimeout),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kTraceRouteLocalHost),
    P::ReadWrite<&E::GetRemoteHost, &E::TraceTo>(kTraceRouteRemoteHost),
    P::ReadWrite<&E::GetResolveNames, &E::SetResolveNames>(kTraceRouteResolveNames),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kTraceRouteTimeout),
};

constexpr MethodDescriptor<E> kTraceRouteMethods[] = {
    M::Call<&E::DoEvents>(kTraceRouteDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kTraceRouteInterrupt).AnyTime(),
    M::Call<&E::TraceTo>(kTraceRouteTraceTo),
};

struct TraceRouteComponent : IcmpComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kTraceRouteProperties;
    static constexpr auto& kMethods = kTraceRouteMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(TraceRoute, TraceRouteComponent)
