// The DNS component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/net/dns/DnsEngine.h"

namespace {

using E = DnsEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kDnsProperties[] = {
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kDnsDnsPort),
    P::ReadWrite<&E::GetDnsServer, &E::SetDnsServer>(kDnsDnsServer),
    P::ReadWrite<&E::GetFieldIndex, &E::SetFieldIndex>(kDnsFieldIndex).AnyTime(),
    P::Read<&E::IsIdle>(kDnsIdle),
    P::ReadWrite<&E::GetQuery, &E::SetQuery>(kDnsQuery),
    P::ReadWrite<&E::GetQueryType, &E::SetQueryType>(kDnsQueryType),
    P::Read<&E::RecordCount>(kDnsRecordCount),
    P::ReadIndexed<&E::RecordData, &E::CheckRecordIndex>(kDnsRecordData),
    P::ReadIndexed<&E::RecordDomain, &E::CheckRecordIndex>(kDnsRecordDomain),
    P::ReadIndexed<&E::RecordFieldCount, &E::CheckRecordIndex>(kDnsRecordFieldCount),
    P::ReadIndexed<&E::RecordFieldName, &E::CheckRecordIndex>(kDnsRecordFieldName),
    P::ReadIndexed<&E::RecordFieldValue, &E::CheckRecordIndex>(kDnsRecordFieldValue),
    P::ReadWrite<&E::GetRecordSource, &E::SetRecordSource>(kDnsRecordSource).AnyTime(),
    P::ReadIndexed<&E::RecordTtl, &E::CheckRecordIndex>(kDnsRecordTtl),
    P::ReadIndexed<&E::RecordType, &E::CheckRecordIndex>(kDnsRecordType),
    P::ReadIndexed<&E::RecordTypeName, &E::CheckRecordIndex>(kDnsRecordTypeName),
    P::ReadWrite<&E::GetRecursionDesired, &E::SetRecursionDesired>(kDnsRecursionDesired),
    P::ReadWrite<&E::GetRequestId, &E::SetRequestId>(kDnsRequestId),
    P::Read<&E::GetStatus>(kDnsStatus),
    P::Read<&E::GetStatusCode>(kDnsStatusCode),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kDnsTimeout),
};

constexpr MethodDescriptor<E> kDnsMethods[] = {
    M::Call<&E::DoEvents>(kDnsDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kDnsInterrupt).AnyTime(),
    M::Call<&E::Resolve>(kDnsResolve),
};

} // namespace

// The name server is discovered through IP Helper.
struct DnsComponent : IpHelperComponent {
    using Engine = E;
    static constexpr auto& kProperties = kDnsProperties;
    static constexpr auto& kMethods = kDnsMethods;
    // A record that is not there has no data: its binary reads give the
    // index's code in the length.
    static constexpr bool kBadIndexCodeInLength = true;
};

NETCOMP_DEFINE_COMPONENT(DNS, DnsComponent)
