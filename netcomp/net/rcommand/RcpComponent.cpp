// The RCP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_rcp.h"
#include "netcomp/net/rcommand/RcpEngine.h"

namespace {

using E = RcpEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kRcpProperties[] = {
    P::ReadWrite<&E::GetFilePermissions, &E::SetFilePermissions>(kRcpFilePermissions),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kRcpFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kRcpFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kRcpFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kRcpFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kRcpFirewallUser),
    P::Read<&E::IsIdle>(kRcpIdle),
    P::ReadWrite<&E::GetLocalFile, &E::SetLocalFile>(kRcpLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kRcpLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kRcpLocalPort),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kRcpPassword),
    P::ReadWrite<&E::GetProtocol, &E::SetProtocol>(kRcpProtocol),
    P::ReadWrite<&E::GetRemoteFile, &E::SetRemoteFile>(kRcpRemoteFile),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kRcpRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kRcpRemotePort),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kRcpTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kRcpUser),
};

constexpr MethodDescriptor<E> kRcpMethods[] = {
    M::Call<&E::DoEvents>(kRcpDoEvents).AnyTime(),
    M::Call<&E::GetFile>(kRcpGetFile),
    M::Call<&E::InterruptTransfer>(kRcpInterrupt).AnyTime(),
    M::Call<&E::PutFile>(kRcpPutFile),
};

struct RcpComponent : ComponentDefaults {
    using Engine = E;
    static constexpr int kBusyCode = kRcpBusy;
    static constexpr auto& kProperties = kRcpProperties;
    static constexpr auto& kMethods = kRcpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(RCP, RcpComponent)
