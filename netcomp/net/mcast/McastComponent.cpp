// The MCast component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_mcast.h"
#include "netcomp/net/mcast/McastEngine.h"

namespace {

using E = McastEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kMcastProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kMcastAcceptData),
    P::ReadWrite<&E::IsActive, &E::SetActive>(kMcastActive),
    P::Write<&E::Send>(kMcastDataToSend),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kMcastLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kMcastLocalPort),
    P::ReadWrite<&E::GetLoopback, &E::SetLoopback>(kMcastLoopback),
    P::ReadWrite<&E::GetMulticastGroup, &E::SetMulticastGroup>(kMcastMulticastGroup),
    P::ReadWrite<&E::GetReceiveInterface, &E::SetReceiveInterface>(kMcastReceiveInterface),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kMcastRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kMcastRemotePort),
    P::ReadWrite<&E::GetSendInterface, &E::SetSendInterface>(kMcastSendInterface),
    P::ReadWrite<&E::GetTimeToLive, &E::SetTimeToLive>(kMcastTimeToLive),
};

constexpr MethodDescriptor<E> kMcastMethods[] = {
    M::Call<&E::DoEvents>(kMcastDoEvents).AnyTime(),
    M::CallBytes<&E::Send>(kMcastSend),
};

struct McastComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kMcastProperties;
    static constexpr auto& kMethods = kMcastMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(MCast, McastComponent)
