// The SysLog component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_syslog.h"
#include "netcomp/net/syslog/SysLogEngine.h"

namespace {

using E = SysLogEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kSysLogProperties[] = {
    P::ReadWrite<&E::IsActive, &E::SetActive>(kSysLogActive),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kSysLogLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kSysLogLocalPort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kSysLogRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kSysLogRemotePort),
};

constexpr MethodDescriptor<E> kSysLogMethods[] = {
    M::Call<&E::DoEvents>(kSysLogDoEvents).AnyTime(),
    M::Call<&E::SendPacket>(kSysLogSendPacket),
};

struct SysLogComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kSysLogProperties;
    static constexpr auto& kMethods = kSysLogMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SysLog, SysLogComponent)
