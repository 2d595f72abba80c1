// The ICMPPort component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IcmpComponent.h"
#include "netcomp/include/netcomp_icmpport.h"
#include "netcomp/net/icmp/IcmpPortEngine.h"

namespace {

using E = IcmpPortEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kIcmpPortProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kIcmpPortAcceptData),
    P::ReadWrite<&E::IsActive, &E::SetActive>(kIcmpPortActive),
    P::Write<&E::SendBytes>(kIcmpPortDataToSend),
    P::ReadWrite<&E::GetDontRoute, &E::SetDontRoute>(kIcmpPortDontRoute),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kIcmpPortLocalHost),
    P::ReadWrite<&E::MessageCode, &E::SetMessageSubTypeChecked>(kIcmpPortMessageSubType),
    P::ReadWrite<&E::MessageType, &E::SetMessageTypeChecked>(kIcmpPortMessageType),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kIcmpPortRemoteHost),
    P::ReadWrite<&E::GetTimeToLive, &E::SetTimeToLive>(kIcmpPortTimeToLive),
};

constexpr MethodDescriptor<E> kIcmpPortMethods[] = {
    M::Call<&E::DoEvents>(kIcmpPortDoEvents).AnyTime(),
    M::CallBytes<&E::SendBytes>(kIcmpPortSend),
};

struct IcmpPortComponent : IcmpComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kIcmpPortProperties;
    static constexpr auto& kMethods = kIcmpPortMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(ICMPPort, IcmpPortComponent)
