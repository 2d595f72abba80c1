// The IPPort component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/net/tcpports/IpPortEngine.h"

namespace {

using E = IpPortEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kIpPortProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kIpPortAcceptData),
    P::Read<&E::BytesSent>(kIpPortBytesSent),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kIpPortConnected),
    P::Write<&E::Send>(kIpPortDataToSend),
    P::ReadWrite<&E::EolBytes, &E::SetEolBytes>(kIpPortEOL),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kIpPortFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kIpPortFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kIpPortFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kIpPortFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kIpPortFirewallUser),
    P::ReadWrite<&E::GetKeepAlive, &E::SetKeepAlive>(kIpPortKeepAlive),
    P::ReadWrite<&E::GetLinger, &E::SetLinger>(kIpPortLinger),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kIpPortLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kIpPortLocalPort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kIpPortRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kIpPortRemotePort),
    P::ReadWrite<&E::GetSingleLineMode, &E::SetSingleLineMode>(kIpPortSingleLineMode),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kIpPortTimeout),
};

constexpr MethodDescriptor<E> kIpPortMethods[] = {
    M::Call<&E::Connect>(kIpPortConnect),
    M::Call<&E::DisconnectNow>(kIpPortDisconnect),
    M::Call<&E::DoEvents>(kIpPortDoEvents).AnyTime(),
    M::Call<&E::GetLine>(kIpPortGetLine),
    M::CallBytes<&E::Send>(kIpPortSend),
    M::Call<&E::SendLine>(kIpPortSendLine),
};

struct IpPortComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kIpPortProperties;
    static constexpr auto& kMethods = kIpPortMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(IPPort, IpPortComponent)
