/* Property, method and event numbers of the SNMPMgr component (SNMPMgr_Get,
 * SNMPMgr_Set, SNMPMgr_Do and the event callback). ObjId, ObjType and
 * ObjValue are arrays indexed 1..ObjCount. */
#ifndef NETCOMP_SNMPMGR_H
#define NETCOMP_SNMPMGR_H

enum SnmpMgrProp {
    kSnmpMgrAcceptData = 1,
    kSnmpMgrActive = 2,
    kSnmpMgrAuthenticationProtocol = 3, /* 1 HMAC-MD5-96, 2 HMAC-SHA-96 */
    kSnmpMgrCommunity = 4,
    kSnmpMgrErrorDescription = 5,
    kSnmpMgrErrorIndex = 6,
    kSnmpMgrErrorStatus = 7,
    kSnmpMgrLocalEngineId = 8, /* binary */
    kSnmpMgrLocalHost = 9,
    kSnmpMgrLocalPort = 10,
    kSnmpMgrObjCount = 11,
    kSnmpMgrObjId = 12,
    kSnmpMgrObjType = 13,
    kSnmpMgrObjValue = 14, /* binary */
    kSnmpMgrPassword = 15,
    kSnmpMgrRemoteEngineBoots = 16,
    kSnmpMgrRemoteEngineId = 17, /* binary */
    kSnmpMgrRemoteEngineTime = 18,
    kSnmpMgrRemoteHost = 19,
    kSnmpMgrRemotePort = 20,
    kSnmpMgrRequestId = 21,
    kSnmpMgrSNMPVersion = 22, /* 1 SNMPv1, 2 SNMPv2c, 3 SNMPv3 */
    kSnmpMgrTimeout = 23,
    kSnmpMgrUser = 24
};

enum SnmpMgrMethod {
    kSnmpMgrConfig = 1,
    kSnmpMgrDiscover = 2,
    kSnmpMgrDoEvents = 3,
    kSnmpMgrInterrupt = 4,
    kSnmpMgrReset = 5,
    kSnmpMgrSendGetBulkRequest = 6, /* non-repeaters, max-repetitions */
    kSnmpMgrSendGetNextRequest = 7,
    kSnmpMgrSendGetRequest = 8,
    kSnmpMgrSendInformRequest = 9,
    kSnmpMgrSendSetRequest = 10,
    kSnmpMgrValueOf = 11 /* object identifier; the value comes back in the second slot */
};

/* BadPacket: packet (bytes), source address, source port, error code, error
 *   description, report (int, by reference).
 * DiscoveryRequest: engine identifier (bytes), engine boots, engine time,
 *   user, security level, source address, source port, report (by reference).
 * DiscoveryResponse: as DiscoveryRequest without the report flag.
 * Error: error code, description.
 * InformRequest, Report, Response: request-id, version (1, 2 or 3),
 *   community, user, security level (0 none, 1 authenticated, 3 with the
 *   privacy flag), source address, source port, error index (by reference),
 *   error status (by reference), error description.
 * PacketTrace: packet (bytes), direction (1 in, 2 out), remote address, remote port.
 * Trap: request-id, version, community, user, security level, trap
 *   identifier, time stamp, source address, source port. */
enum SnmpMgrEvent {
    kSnmpMgrEventBadPacket = 1,
    kSnmpMgrEventDiscoveryRequest = 2,
    kSnmpMgrEventDiscoveryResponse = 3,
    kSnmpMgrEventError = 4,
    kSnmpMgrEventInformRequest = 5,
    kSnmpMgrEventPacketTrace = 6,
    kSnmpMgrEventReport = 7,
    kSnmpMgrEventResponse = 8,
    kSnmpMgrEventTrap = 9
};

/* Codes of the component. A request waits at most Timeout seconds for its
 * answer (301 "Timeout."). An answer that fails its checks ends the request
 * with the check's code: 308, 309 and 310 when its signature cannot be
 * verified, 321 when a signed request gets an unsigned answer.
 * kSnmpMgrAnsweredByReport: the agent answered a request (SendGetRequest,
 * SendGetNextRequest, SendGetBulkRequest, SendSetRequest, SendInformRequest)
 * or the time step of Discover with a Report instead of a Response, so the
 * request was not carried out: "Request answered by a Report (<counter>).",
 * where the counter names the reason (usmStatsUnknownUserNames for a user the
 * agent does not know, usmStatsWrongDigests for a wrong password,
 * usmStatsNotInTimeWindows, usmStatsUnknownEngineIDs,
 * usmStatsUnsupportedSecLevels) or is the Report's first object identifier.
 * The Report event has fired and ObjId, ObjType and ObjValue hold the
 * Report's bindings. */
enum SnmpMgrCode {
    kSnmpMgrTooManyObjects = 302,    /* ObjCount set beyond the bound */
    kSnmpMgrBadAction = 304,         /* "Invalid Action code" */
    kSnmpMgrBusy = 307,              /* "Busy performing current action." */
    kSnmpMgrSignatureWrong = 308,    /* the answer's signature does not match the user's password */
    kSnmpMgrNoLocalPassword = 309,   /* a signed answer, and no Password to check it with */
    kSnmpMgrSignatureMissing = 310,  /* an answer that claims a signature and carries none */
    kSnmpMgrRemoteTimeUnknown = 311, /* SNMPv3 with a Password before the agent's clock is known: Discover */
    kSnmpMgrTimeoutNeeded = 312,     /* Discover with a Password and Timeout 0, the engine unknown */
    kSnmpMgrAnsweredByReport = 313,
    kSnmpMgrWrongRole = 319, /* "Operation not permitted in current role." */
    kSnmpMgrNotSigned = 321, /* "An authenticated message was expected, but the received message is not signed." */
    kSnmpMgrNoSuchOid = 322  /* ValueOf: "OID does not exist." */
};

#endif /* NETCOMP_SNMPMGR_H */
