// The Telnet component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_telnet.h"
#include "netcomp/net/telnet/TelnetEngine.h"

namespace {

using E = TelnetEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kTelnetProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kTelnetAcceptData),
    P::Read<&E::BytesSent>(kTelnetBytesSent),
    P::Write<&E::SendCommand>(kTelnetCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kTelnetConnected),
    P::Write<&E::Send>(kTelnetDataToSend),
    P::Write<&E::SendDont>(kTelnetDontOption),
    P::Write<&E::SendDo>(kTelnetDoOption),
    P::Write<&E::SendSubOption>(kTelnetDoSubOption),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kTelnetFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kTelnetFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kTelnetFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kTelnetFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kTelnetFirewallUser),
    P::ReadWrite<&E::GetKeepAlive, &E::SetKeepAlive>(kTelnetKeepAlive),
    P::ReadWrite<&E::GetLinger, &E::SetLinger>(kTelnetLinger),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kTelnetLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kTelnetLocalPort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kTelnetRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kTelnetRemotePort),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kTelnetTimeout),
    P::ReadWrite<&E::Transparent, &E::SetTransparent>(kTelnetTransparent),
    P::Write<&E::SendUrgent>(kTelnetUrgentData),
    P::Write<&E::SendWill>(kTelnetWillOption),
    P::Write<&E::SendWont>(kTelnetWontOption),
};

constexpr MethodDescriptor<E> kTelnetMethods[] = {
    M::Call<&E::Connect>(kTelnetConnect),
    M::Call<&E::DisconnectNow>(kTelnetDisconnect),
    M::Call<&E::DoEvents>(kTelnetDoEvents).AnyTime(),
    M::CallBytes<&E::Send>(kTelnetSend),
};

struct TelnetComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kTelnetProperties;
    static constexpr auto& kMethods = kTelnetMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(Telnet, TelnetComponent)
