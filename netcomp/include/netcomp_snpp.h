/* Property, method and event numbers of the SNPP component (SNPP_Get,
 * SNPP_Set, SNPP_Do and the event callback). */
#ifndef NETCOMP_SNPP_H
#define NETCOMP_SNPP_H

/* A reply of the server takes at most 1 MB (its lines together): past it the
 * call ends with 321 and "Reply too long.", and the connection is closed. A
 * reply line takes at most 65536 bytes: past it the reply is still read to
 * its end, then the call ends with 321 and "Reply line too long." while the
 * connection stays. */

/* Setting Command sends it as one command; CallerId is sent with CALL after
 * connecting when not empty. */
enum SnppProp {
    kSnppCallerId = 1,
    kSnppCommand = 2,
    kSnppConnected = 3,
    kSnppFirewallHost = 4,
    kSnppFirewallPassword = 5,
    kSnppFirewallPort = 6,
    kSnppFirewallType = 7,
    kSnppFirewallUser = 8,
    kSnppIdle = 9,
    kSnppLastReply = 10,
    kSnppLocalHost = 11,
    kSnppMessage = 12,
    kSnppPagerId = 13,
    kSnppRemoteHost = 14,
    kSnppRemotePort = 15,
    kSnppTimeout = 16
};

enum SnppMethod {
    kSnppConfig = 1,
    kSnppConnect = 2,
    kSnppDisconnect = 3,
    kSnppDoEvents = 4,
    kSnppInterrupt = 5,
    kSnppReset = 6,
    kSnppSendPage = 7
};

/* ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). Error: ErrorCode (int), Description (text). ProtocolTrail:
 * Direction (int: 0 command sent, 1 reply line, 2 status), Text (text). */
enum SnppEvent { kSnppEventConnectionStatus = 1, kSnppEventError = 2, kSnppEventProtocolTrail = 3 };

#endif /* NETCOMP_SNPP_H */
