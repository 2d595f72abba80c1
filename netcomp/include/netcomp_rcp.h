/* Property, method and event numbers of the RCP component (RCP_Get,
 * RCP_Set, RCP_Do and the event callback): one file copied to or from a
 * remote host with rcp over rexec or rsh. */
#ifndef NETCOMP_RCP_H
#define NETCOMP_RCP_H

enum RcpProp {
    kRcpFilePermissions = 1, /* the mode of a put, such as "0644" */
    kRcpFirewallHost = 2,
    kRcpFirewallPassword = 3,
    kRcpFirewallPort = 4,
    kRcpFirewallType = 5,
    kRcpFirewallUser = 6,
    kRcpIdle = 7,
    kRcpLocalFile = 8,
    kRcpLocalHost = 9,
    kRcpLocalPort = 10,
    kRcpPassword = 11, /* rexec: the password; rsh: the remote user */
    kRcpProtocol = 12, /* 0 rexec (RemotePort 512), 1 rsh (RemotePort 514) */
    kRcpRemoteFile = 13,
    kRcpRemoteHost = 14,
    kRcpRemotePort = 15,
    kRcpTimeout = 16,
    kRcpUser = 17
};

enum RcpMethod { kRcpConfig = 1, kRcpDoEvents = 2, kRcpGetFile = 3, kRcpInterrupt = 4, kRcpPutFile = 5 };

/* Connected, Disconnected: StatusCode (int), Description (text).
 * ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). Error: ErrorCode (int), Description (text). Progress: PercentDone
 * (int). */
enum RcpEvent {
    kRcpEventConnected = 1,
    kRcpEventConnectionStatus = 2,
    kRcpEventDisconnected = 3,
    kRcpEventError = 4,
    kRcpEventProgress = 5
};

#endif /* NETCOMP_RCP_H */
