// The LDAP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_ldap.h"
#include "netcomp/net/ldap/LdapEngine.h"

namespace {

using E = LdapEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kLdapProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kLdapAcceptData),
    P::ReadWrite<&E::AttrCount, &E::SetAttrCount>(kLdapAttrCount),
    P::ReadWriteIndexed<&E::AttrModOp, &E::SetAttrModOp, &E::CheckAttrIndex>(kLdapAttrModOp),
    P::ReadWriteIndexed<&E::AttrType, &E::SetAttrType, &E::CheckAttrIndex>(kLdapAttrType),
    P::ReadWriteIndexed<&E::AttrValue, &E::SetAttrValue, &E::CheckAttrIndex>(kLdapAttrValue),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kLdapConnected),
    P::ReadWrite<&E::DeleteOldRdn, &E::SetDeleteOldRdn>(kLdapDeleteOldRDN),
    P::ReadWrite<&E::Dn, &E::SetDn>(kLdapDN),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kLdapFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kLdapFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kLdapFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kLdapFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kLdapFirewallUser),
    P::Read<&E::Idle>(kLdapIdle),
    P::ReadWrite<&E::LdapVersion, &E::SetLdapVersion>(kLdapLDAPVersion),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kLdapLocalHost),
    P::ReadWrite<&E::MessageId, &E::SetMessageId>(kLdapMessageId),
    P::ReadWrite<&E::PageSize, &E::SetPageSize>(kLdapPageSize),
    P::ReadWrite<&E::Password, &E::SetPassword>(kLdapPassword),
    P::Read<&E::ResultCode>(kLdapResultCode),
    P::Read<&E::ResultDescription>(kLdapResultDescription),
    P::Read<&E::ResultDn>(kLdapResultDN),
    P::ReadWrite<&E::DerefAliases, &E::SetDerefAliases>(kLdapSearchDerefAliases),
    P::ReadWrite<&E::ReturnValues, &E::SetReturnValues>(kLdapSearchReturnValues),
    P::ReadWrite<&E::Scope, &E::SetScope>(kLdapSearchScope),
    P::ReadWrite<&E::SizeLimit, &E::SetSizeLimit>(kLdapSearchSizeLimit),
    P::ReadWrite<&E::TimeLimit, &E::SetTimeLimit>(kLdapSearchTimeLimit),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kLdapServerName),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kLdapServerPort),
    P::ReadWrite<&E::SortAttributes, &E::SetSortAttributes>(kLdapSortAttributes),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kLdapTimeout),
};

constexpr MethodDescriptor<E> kLdapMethods[] = {
    M::Call<&E::Abandon>(kLdapAbandon).AnyTime(),
    M::Call<&E::Add>(kLdapAdd),
    M::Call<&E::Bind>(kLdapBind),
    M::Call<&E::Compare>(kLdapCompare),
    M::Call<&E::Delete>(kLdapDelete),
    M::Call<&E::DoEvents>(kLdapDoEvents).AnyTime(),
    M::CallBytes<&E::ExtendedRequest>(kLdapExtendedRequest),
    M::Call<&E::InterruptAction>(kLdapInterrupt).AnyTime(),
    M::Call<&E::Modify>(kLdapModify),
    M::Call<&E::ModifyRdn>(kLdapModifyRDN),
    M::Call<&E::Search>(kLdapSearch),
    M::Call<&E::Unbind>(kLdapUnbind),
};

struct LdapComponent : ComponentDefaults {
    static constexpr int kBusyCode = kLdapBusy;
    using Engine = E;
    static constexpr auto& kProperties = kLdapProperties;
    static constexpr auto& kMethods = kLdapMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(LDAP, LdapComponent)
