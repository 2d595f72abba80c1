// The SNMPAgent component's flat interface: the SNMP engine as an agent, with
// its property, method and event tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_snmpagent.h"
#include "netcomp/net/snmp/SnmpEngine.h"

namespace {

constexpr SnmpEventNumbers kSnmpAgentEvents = {
    kSnmpAgentEventBadPacket,
    kSnmpAgentEventDiscoveryRequest,
    0, // DiscoveryResponse
    kSnmpAgentEventGetBulkRequest,
    kSnmpAgentEventGetNextRequest,
    kSnmpAgentEventGetRequest,
    kSnmpAgentEventGetUserPassword,
    0, // InformRequest
    kSnmpAgentEventPacketTrace,
    kSnmpAgentEventReport,
    0, // Response
    kSnmpAgentEventSetRequest,
    0, // Trap
};

constexpr EventTable kSnmpAgentSharedEvents = {{SharedEvent::Error, kSnmpAgentEventError}};

class SnmpAgentEngine final : public SnmpEngine {
public:
    SnmpAgentEngine() : SnmpEngine(SnmpRole::Agent, "SNMPAgent", kSnmpAgentEvents, kSnmpAgentSharedEvents)
    {
        (void)SetLocalPort(161);
    }
};

using E = SnmpAgentEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kSnmpAgentProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kSnmpAgentAcceptData),
    P::ReadWrite<&E::IsActive, &E::SetActiveState>(kSnmpAgentActive),
    P::ReadWrite<&E::GetLocalEngineId, &E::SetLocalEngineId>(kSnmpAgentLocalEngineId),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kSnmpAgentLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kSnmpAgentLocalPort),
    P::ReadWrite<&E::GetObjCount, &E::SetObjCount>(kSnmpAgentObjCount),
    P::ReadWriteIndexed<&E::GetObjId, &E::SetObjId, &E::CheckObjIndex>(kSnmpAgentObjId),
    P::ReadWriteIndexed<&E::GetObjType, &E::SetObjType, &E::CheckObjIndex>(kSnmpAgentObjType),
    P::ReadWriteIndexed<&E::GetObjValue, &E::SetObjValue, &E::CheckObjIndex>(kSnmpAgentObjValue),
    P::ReadWrite<&E::GetRequestId, &E::SetRequestId>(kSnmpAgentRequestId),
    P::ReadWrite<&E::GetSnmpVersion, &E::SetSnmpVersion>(kSnmpAgentSNMPVersion),
    P::ReadWrite<&E::GetSysUpTime, &E::SetSysUpTime>(kSnmpAgentSysUpTime),
};

constexpr MethodDescriptor<E> kSnmpAgentMethods[] = {
    M::Call<&E::DoEvents>(kSnmpAgentDoEvents).AnyTime(),
    // Reset clears only what goes out: it is taken at any time, also from an event.
    M::Call<&E::Reset>(kSnmpAgentReset).AnyTime(),
    M::Call<&E::SendSecureTrap>(kSnmpAgentSendSecureTrap),
    M::Call<&E::SendTrap>(kSnmpAgentSendTrap),
    M::Call<&E::ValueOf>(kSnmpAgentValueOf),
};

struct SnmpAgentComponent : ComponentDefaults {
    static constexpr int kBusyCode = kSnmpBusy;
    using Engine = E;
    static constexpr auto& kProperties = kSnmpAgentProperties;
    static constexpr auto& kMethods = kSnmpAgentMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SNMPAgent, SnmpAgentComponent)
