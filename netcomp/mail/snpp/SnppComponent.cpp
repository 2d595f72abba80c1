// The SNPP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_snpp.h"
#include "netcomp/mail/snpp/SnppEngine.h"

namespace {

using E = SnppEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kSnppProperties[] = {
    P::ReadWrite<&E::GetCallerId, &E::SetCallerId>(kSnppCallerId),
    P::Write<&E::SetCommand>(kSnppCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kSnppConnected),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kSnppFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kSnppFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kSnppFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kSnppFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kSnppFirewallUser),
    P::Read<&E::IsIdle>(kSnppIdle),
    P::Read<&E::LastReply>(kSnppLastReply),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kSnppLocalHost),
    P::ReadWrite<&E::GetMessage, &E::SetMessage>(kSnppMessage),
    P::ReadWrite<&E::GetPagerId, &E::SetPagerId>(kSnppPagerId),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kSnppRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kSnppRemotePort),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kSnppTimeout),
};

constexpr MethodDescriptor<E> kSnppMethods[] = {
    M::Call<&E::Connect>(kSnppConnect),
    M::Call<&E::Disconnect>(kSnppDisconnect),
    M::Call<&E::DoEvents>(kSnppDoEvents).AnyTime(),
    M::Call<&E::InterruptAction>(kSnppInterrupt).AnyTime(),
    M::Call<&E::Reset>(kSnppReset),
    M::Call<&E::SendPage>(kSnppSendPage),
};

struct SnppComponent : ComponentDefaults {
    static constexpr int kBusyCode = kSnppBusy;
    using Engine = E;
    static constexpr auto& kProperties = kSnppProperties;
    static constexpr auto& kMethods = kSnppMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SNPP, SnppComponent)
