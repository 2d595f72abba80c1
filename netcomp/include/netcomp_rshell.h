/* Property, method and event numbers of the Rshell component (Rshell_Get,
 * Rshell_Set, Rshell_Do and the event callback): a command through the
 * remote shell protocol (rsh). */
#ifndef NETCOMP_RSHELL_H
#define NETCOMP_RSHELL_H

enum RshellProp {
    kRshellBytesSent = 1,
    kRshellCommand = 2, /* setting a text runs it; the empty text ends the command */
    kRshellConnected = 3,
    kRshellEOL = 4,    /* binary: the record terminator of standard output */
    kRshellErrEOL = 5, /* binary: the record terminator of standard error */
    kRshellErrorMessage = 6,
    kRshellFirewallHost = 7,
    kRshellFirewallPassword = 8,
    kRshellFirewallPort = 9,
    kRshellFirewallType = 10,
    kRshellFirewallUser = 11,
    kRshellLocalHost = 12,
    kRshellLocalPort = 13,
    kRshellLocalUser = 14,
    kRshellRemoteHost = 15,
    kRshellRemotePort = 16,
    kRshellRemoteUser = 17,
    kRshellStdin = 18, /* binary, write only: bytes sent to the command's standard input */
    kRshellTimeout = 19
};

/* Execute: the command (text). Send: bytes with their length. */
enum RshellMethod {
    kRshellConfig = 1,
    kRshellDisconnect = 2,
    kRshellDoEvents = 3,
    kRshellExecute = 4,
    kRshellSend = 5
};

/* Connected, Disconnected: StatusCode (int), Description (text).
 * ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). Error: ErrorCode (int), Description (text). Stderr, Stdout: Text
 * (bytes with their length), EOL (bool). The end of the error stream is one
 * Stderr event of a single zero byte with EOL set. */
enum RshellEvent {
    kRshellEventConnected = 1,
    kRshellEventConnectionStatus = 2,
    kRshellEventDisconnected = 3,
    kRshellEventError = 4,
    kRshellEventStderr = 5,
    kRshellEventStdout = 6
};

#endif /* NETCOMP_RSHELL_H */
