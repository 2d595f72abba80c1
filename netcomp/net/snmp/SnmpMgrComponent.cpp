// The SNMPMgr component's flat interface: the SNMP engine as a manager, with
// its property, method and event tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/net/snmp/SnmpEngine.h"

namespace {

constexpr SnmpEventNumbers kSnmpMgrEvents = {
    kSnmpMgrEventBadPacket,
    kSnmpMgrEventDiscoveryRequest,
    kSnmpMgrEventDiscoveryResponse,
    0, // GetBulkRequest
    0, // GetNextRequest
    0, // GetRequest
    0, // GetUserPassword: the manager's own User and Password
    kSnmpMgrEventInformRequest,
    kSnmpMgrEventPacketTrace,
    kSnmpMgrEventReport,
    kSnmpMgrEventResponse,
    0, // SetRequest
    kSnmpMgrEventTrap,
};

constexpr EventTable kSnmpMgrSharedEvents = {{SharedEvent::Error, kSnmpMgrEventError}};

// The manager listens on the trap port and asks agents on theirs.
class SnmpMgrEngine final : public SnmpEngine {
public:
    SnmpMgrEngine() : SnmpEngine(SnmpRole::Manager, "SNMPMgr", kSnmpMgrEvents, kSnmpMgrSharedEvents)
    {
        (void)SetLocalPort(162);
        (void)UdpSocket::SetRemotePort(161);
        (void)SetTimeout(60);
    }
};

using E = SnmpMgrEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kSnmpMgrProperties[] = {
    P::ReadWrite<&E::GetAcceptData, &E::SetAcceptData>(kSnmpMgrAcceptData),
    // Closing from an event ends a waiting request: the socket goes once the
    // datagram being delivered is done with.
    P::ReadWrite<&E::IsActive, &E::SetActiveState>(kSnmpMgrActive).AnyTime(),
    P::ReadWrite<&E::GetAuthProtocol, &E::SetAuthProtocol>(kSnmpMgrAuthenticationProtocol),
    P::ReadWrite<&E::GetCommunity, &E::SetCommunity>(kSnmpMgrCommunity),
    P::Read<&E::GetErrorDescription>(kSnmpMgrErrorDescription),
    P::Read<&E::GetErrorIndex>(kSnmpMgrErrorIndex),
    P::Read<&E::GetErrorStatus>(kSnmpMgrErrorStatus),
    P::ReadWrite<&E::GetLocalEngineId, &E::SetLocalEngineId>(kSnmpMgrLocalEngineId),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kSnmpMgrLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kSnmpMgrLocalPort),
    P::ReadWrite<&E::GetObjCount, &E::SetObjCount>(kSnmpMgrObjCount),
    P::ReadWriteIndexed<&E::GetObjId, &E::SetObjId, &E::CheckObjIndex>(kSnmpMgrObjId),
    P::ReadWriteIndexed<&E::GetObjType, &E::SetObjType, &E::CheckObjIndex>(kSnmpMgrObjType),
    P::ReadWriteIndexed<&E::GetObjValue, &E::SetObjValue, &E::CheckObjIndex>(kSnmpMgrObjValue),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kSnmpMgrPassword),
    P::ReadWrite<&E::GetRemoteEngineBoots, &E::SetRemoteEngineBoots>(kSnmpMgrRemoteEngineBoots),
    P::ReadWrite<&E::GetRemoteEngineId, &E::SetRemoteEngineId>(kSnmpMgrRemoteEngineId),
    P::ReadWrite<&E::GetRemoteEngineTime, &E::SetRemoteEngineTime>(kSnmpMgrRemoteEngineTime),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kSnmpMgrRemoteHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kSnmpMgrRemotePort),
    P::ReadWrite<&E::GetRequestId, &E::SetRequestId>(kSnmpMgrRequestId),
    P::ReadWrite<&E::GetSnmpVersion, &E::SetSnmpVersion>(kSnmpMgrSNMPVersion),
    P::ReadWrite<&E::GetTimeoutSeconds, &E::SetTimeoutSeconds>(kSnmpMgrTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kSnmpMgrUser),
};

constexpr MethodDescriptor<E> kSnmpMgrMethods[] = {
    M::Call<&E::Discover>(kSnmpMgrDiscover),
    M::Call<&E::DoEvents>(kSnmpMgrDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kSnmpMgrInterrupt).AnyTime(),
    // Reset clears only what goes out: it is taken at any time, also from an event.
    M::Call<&E::Reset>(kSnmpMgrReset).AnyTime(),
    M::Call<&E::SendGetBulkRequest>(kSnmpMgrSendGetBulkRequest),
    M::Call<&E::SendGetNextRequest>(kSnmpMgrSendGetNextRequest),
    M::Call<&E::SendGetRequest>(kSnmpMgrSendGetRequest),
    M::Call<&E::SendInformRequest>(kSnmpMgrSendInformRequest),
    M::Call<&E::SendSetRequest>(kSnmpMgrSendSetRequest),
    M::Call<&E::ValueOf>(kSnmpMgrValueOf),
};

struct SnmpMgrComponent : ComponentDefaults {
    static constexpr int kBusyCode = kSnmpBusy;
    using Engine = E;
    static constexpr auto& kProperties = kSnmpMgrProperties;
    static constexpr auto& kMethods = kSnmpMgrMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SNMPMgr, SnmpMgrComponent)
