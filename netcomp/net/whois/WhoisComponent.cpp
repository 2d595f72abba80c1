// The Whois component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_whois.h"
#include "netcomp/net/whois/WhoisEngine.h"

namespace {

using E = WhoisEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kWhoisProperties[] = {
    P::ReadWrite<&E::DefaultServer, &E::SetDefaultServer>(kWhoisDefaultServer),
    P::ReadWrite<&E::Domain, &E::Query>(kWhoisDomain),
    P::Read<&E::DomainInfo>(kWhoisDomainInfo),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kWhoisFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kWhoisFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kWhoisFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kWhoisFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kWhoisFirewallUser),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kWhoisLocalHost),
    P::ReadWrite<&E::Server, &E::SetServer>(kWhoisServer),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kWhoisTimeout),
};

constexpr MethodDescriptor<E> kWhoisMethods[] = {
    M::Call<&E::DoEvents>(kWhoisDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kWhoisInterrupt).AnyTime(),
    M::Call<&E::Query>(kWhoisQuery),
};

struct WhoisComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kWhoisProperties;
    static constexpr auto& kMethods = kWhoisMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(Whois, WhoisComponent)
