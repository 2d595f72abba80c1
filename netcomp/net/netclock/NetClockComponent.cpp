// The NetClock component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_netclock.h"
#include "netcomp/net/netclock/NetClockEngine.h"

namespace {

using E = NetClockEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kNetClockProperties[] = {
    P::Read<&E::IsIdle>(kNetClockIdle),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kNetClockLocalHost),
    P::Read<&E::GetLocalTime>(kNetClockLocalTime),
    P::Read<&E::GetServerTime>(kNetClockServerTime),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kNetClockTimeout),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kNetClockTimePort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kNetClockTimeServer),
};

constexpr MethodDescriptor<E> kNetClockMethods[] = {
    M::Call<&E::DoEvents>(kNetClockDoEvents).AnyTime(),
    M::Call<&E::GetAndSetTime>(kNetClockGetAndSetTime),
    M::Call<&E::GetTime>(kNetClockGetTime),
    M::Call<&E::Interrupt>(kNetClockInterrupt).AnyTime(),
};

struct NetClockComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kNetClockProperties;
    static constexpr auto& kMethods = kNetClockMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(NetClock, NetClockComponent)
