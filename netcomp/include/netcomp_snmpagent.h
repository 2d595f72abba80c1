/* Property, method and event numbers of the SNMPAgent component
 * (SNMPAgent_Get, SNMPAgent_Set, SNMPAgent_Do and the event callback).
 * ObjId, ObjType and ObjValue are arrays indexed 1..ObjCount. */
#ifndef NETCOMP_SNMPAGENT_H
#define NETCOMP_SNMPAGENT_H

enum SnmpAgentProp {
    kSnmpAgentAcceptData = 1,
    kSnmpAgentActive = 2,
    kSnmpAgentLocalEngineId = 3, /* binary */
    kSnmpAgentLocalHost = 4,
    kSnmpAgentLocalPort = 5,
    kSnmpAgentObjCount = 6,
    kSnmpAgentObjId = 7,
    kSnmpAgentObjType = 8,
    kSnmpAgentObjValue = 9, /* binary */
    kSnmpAgentRequestId = 10,
    kSnmpAgentSNMPVersion = 11, /* 1 SNMPv1, 2 SNMPv2c, 3 SNMPv3 */
    kSnmpAgentSysUpTime = 12
};

enum SnmpAgentMethod {
    kSnmpAgentConfig = 1,
    kSnmpAgentDoEvents = 2,
    kSnmpAgentReset = 3,
    kSnmpAgentSendSecureTrap = 4, /* address, trap, user, password */
    kSnmpAgentSendTrap = 5,       /* address, trap (identifier or name such as "coldStart") */
    kSnmpAgentValueOf = 6         /* object identifier; the value comes back in the second slot */
};

/* BadPacket, DiscoveryRequest, Error and PacketTrace: as SNMPMgr.
 * GetBulkRequest: request-id, version, community, user, security level,
 *   source address, source port, non-repeaters, max-repetitions, error index
 *   (by reference), error status (by reference), error description.
 * GetNextRequest, GetRequest, Report, SetRequest: as GetBulkRequest without
 *   non-repeaters and max-repetitions. The handler leaves the answer's
 *   bindings in ObjId, ObjType and ObjValue; error status -1 sends no answer.
 * GetUserPassword: user (text), password (text, by reference: the handler
 *   puts a pointer to the user's password there). */
enum SnmpAgentEvent {
    kSnmpAgentEventBadPacket = 1,
    kSnmpAgentEventDiscoveryRequest = 2,
    kSnmpAgentEventError = 3,
    kSnmpAgentEventGetBulkRequest = 4,
    kSnmpAgentEventGetNextRequest = 5,
    kSnmpAgentEventGetRequest = 6,
    kSnmpAgentEventGetUserPassword = 7,
    kSnmpAgentEventPacketTrace = 8,
    kSnmpAgentEventReport = 9,
    kSnmpAgentEventSetRequest = 10
};

#endif /* NETCOMP_SNMPAGENT_H */
