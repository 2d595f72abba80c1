/* Property, method and event numbers of the Rexec component (Rexec_Get,
 * Rexec_Set, Rexec_Do and the event callback): a command through the
 * remote execution protocol (rexec). */
#ifndef NETCOMP_REXEC_H
#define NETCOMP_REXEC_H

enum RexecProp {
    kRexecBytesSent = 1,
    kRexecCommand = 2, /* setting a text runs it; the empty text ends the command */
    kRexecConnected = 3,
    kRexecEOL = 4,    /* binary: the record terminator of standard output */
    kRexecErrEOL = 5, /* binary: the record terminator of standard error */
    kRexecErrorMessage = 6,
    kRexecFirewallHost = 7,
    kRexecFirewallPassword = 8,
    kRexecFirewallPort = 9,
    kRexecFirewallType = 10,
    kRexecFirewallUser = 11,
    kRexecLocalHost = 12,
    kRexecLocalPort = 13,
    kRexecRemoteHost = 14,
    kRexecRemotePassword = 15,
    kRexecRemotePort = 16,
    kRexecRemoteUser = 17,
    kRexecStdin = 18, /* binary, write only: bytes sent to the command's standard input */
    kRexecTimeout = 19
};

/* Execute: the command (text). Send: bytes with their length. */
enum RexecMethod { kRexecConfig = 1, kRexecDisconnect = 2, kRexecDoEvents = 3, kRexecExecute = 4, kRexecSend = 5 };

/* As Rshell's: Connected, Disconnected: StatusCode (int), Description
 * (text). ConnectionStatus: ConnectionEvent (text), StatusCode (int),
 * Description (text). Error: ErrorCode (int), Description (text). Stderr,
 * Stdout: Text (bytes with their length), EOL (bool). */
enum RexecEvent {
    kRexecEventConnected = 1,
    kRexecEventConnectionStatus = 2,
    kRexecEventDisconnected = 3,
    kRexecEventError = 4,
    kRexecEventStderr = 5,
    kRexecEventStdout = 6
};

#endif /* NETCOMP_REXEC_H */
