// The IPInfo component's flat interface: its property and method tables and
// the two look-up methods that answer with a text the look-up will fill.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/core/icmp/IpInfoEngine.h"
#include "netcomp/include/netcomp_ipinfo.h"

namespace {

using E = IpInfoEngine;
using P = Properties<E>;
using M = Methods<E>;

int ResolveAddress(E& e, MethodArgs& args)
{
    const int rc = e.StartHostByAddress(args.Text(0));
    args.Answer(1, e.HostName());
    return rc;
}

int ResolveName(E& e, MethodArgs& args)
{
    const int rc = e.StartHostByName(args.Text(0));
    args.Answer(1, e.HostAddress());
    return rc;
}

constexpr PropertyDescriptor<E> kIpInfoProperties[] = {
    P::Read<&E::AdapterCount>(kIpInfoAdapterCount),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterDescription),
    P::ReadByNumber<&E::AdapterNumber>(kIpInfoAdapterSystemIndex),
    P::ReadByNumber<&E::AdapterNumber>(kIpInfoAdapterDhcpEnabled),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterDhcpServer),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterGateway),
    P::ReadWrite<&E::AdapterIndex, &E::SelectAdapter>(kIpInfoAdapterIndex),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterIpAddress),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterLeaseExpires),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterLeaseObtained),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterName),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterOtherIpAddresses),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterPhysicalAddress),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterPrimaryWinsServer),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterSecondaryWinsServer),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterSubnetMask),
    P::ReadByNumber<&E::AdapterText>(kIpInfoAdapterType),
    P::ReadByNumber<&E::AdapterNumber>(kIpInfoAdapterWinsEnabled),
    P::ReadByNumber<&E::ParamNumber>(kIpInfoArpProxyEnabled),
    P::ReadByNumber<&E::ParamText>(kIpInfoDhcpScope),
    P::ReadByNumber<&E::ParamNumber>(kIpInfoDnsResolutionEnabled),
    P::ReadByNumber<&E::ParamText>(kIpInfoDnsServer),
    P::ReadByNumber<&E::ParamText>(kIpInfoDomainName),
    P::ReadWrite<&E::HostAddress, &E::StartHostByAddress>(kIpInfoHostAddress),
    P::Read<&E::HostAliases>(kIpInfoHostAliases),
    P::ReadWrite<&E::HostName, &E::StartHostByName>(kIpInfoHostName),
    P::Read<&E::GetLocalHost>(kIpInfoLocalHost),
    P::ReadByNumber<&E::ParamText>(kIpInfoNodeType),
    P::Read<&E::OtherAddresses>(kIpInfoOtherAddresses),
    P::ReadByNumber<&E::ParamText>(kIpInfoOtherDnsServers),
    P::ReadWrite<&E::PendingCount, &E::CancelBeyond>(kIpInfoPendingRequests),
    P::Read<&E::LastRequest>(kIpInfoRequestId),
    P::ReadByNumber<&E::ParamNumber>(kIpInfoRoutingEnabled),
    P::Read<&E::ServiceAliases>(kIpInfoServiceAliases),
    P::ReadWrite<&E::ServiceName, &E::StartServiceByName>(kIpInfoServiceName),
    P::ReadWrite<&E::ServicePort, &E::StartServiceByPort>(kIpInfoServicePort),
    P::ReadWrite<&E::ServiceProtocol, &E::SetServiceProtocol>(kIpInfoServiceProtocol),
};

constexpr MethodDescriptor<E> kIpInfoMethods[] = {
    M::Call<&E::DhcpRelease>(kIpInfoDhcpRelease),
    M::Call<&E::DhcpRenew>(kIpInfoDhcpRenew),
    M::Call<&E::DoEvents>(kIpInfoDoEvents).AnyTime(),
    M::Call<&E::ResolveMac>(kIpInfoGetMac),
    M::Call<&E::ResetAll>(kIpInfoReset),
    M::Custom(kIpInfoResolveAddress, 2, ResolveAddress),
    M::Custom(kIpInfoResolveName, 2, ResolveName),
};

struct IpInfoComponent : IpHelperComponent {
    using Engine = E;
    static constexpr auto& kProperties = kIpInfoProperties;
    static constexpr auto& kMethods = kIpInfoMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(IPInfo, IpInfoComponent)
