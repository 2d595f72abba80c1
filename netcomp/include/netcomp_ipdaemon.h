/* Property, method and event numbers of the IPDaemon component
 * (IPDaemon_Get, IPDaemon_Set, IPDaemon_Do and the event callback). Indexed
 * properties take the connection number as their index. */
#ifndef NETCOMP_IPDAEMON_H
#define NETCOMP_IPDAEMON_H

enum IpDaemonProp {
    kIpDaemonAcceptData = 1,
    kIpDaemonBytesSent = 2,
    kIpDaemonConnected = 3,
    kIpDaemonConnectionBacklog = 4,
    kIpDaemonConnectionCount = 5,
    kIpDaemonDataToSend = 6, /* binary, write only: sends the bytes on the connection of the index */
    kIpDaemonEOL = 7,        /* binary: the record terminator */
    kIpDaemonKeepAlive = 8,
    kIpDaemonLinger = 9,
    kIpDaemonListening = 10,
    kIpDaemonLocalAddress = 11,
    kIpDaemonLocalHost = 12,
    kIpDaemonLocalPort = 13,
    kIpDaemonRemoteHost = 14,
    kIpDaemonRemotePort = 15,
    kIpDaemonSingleLineMode = 16
};

/* Disconnect: ConnectionId. Send: ConnectionId, bytes with their length.
 * SendLine: ConnectionId, text. */
enum IpDaemonMethod {
    kIpDaemonConfig = 1,
    kIpDaemonDisconnect = 2,
    kIpDaemonDoEvents = 3,
    kIpDaemonSend = 4,
    kIpDaemonSendLine = 5,
    kIpDaemonShutdown = 6
};

/* Connected and Disconnected: ConnectionId (int), StatusCode (int),
 * Description (text). ConnectionRequest: Accept (bool, by reference). DataIn:
 * ConnectionId, Text (bytes with their length), EOL (bool). Error: ErrorCode
 * (int), Description (text). ReadyToSend: ConnectionId.
 * Every Connected has its Disconnected. A client that resets its connection
 * (10054), also before or as it is accepted, ends it with what it sent
 * before delivered; a Send or SendLine that finds the client gone (10054,
 * 10053) ends the connection the same way (what the client sent first comes
 * in DataIn, then Disconnected) before it returns the code, or, with
 * AcceptData off, once AcceptData is on again. Made inside an event of the
 * daemon's (that connection's DataIn, another connection's, a Connected), it
 * returns the code and the connection stays until the event has returned:
 * the rest of what the client sent comes in the DataIn events that follow,
 * then Disconnected; sends until then return the same code. */
enum IpDaemonEvent {
    kIpDaemonEventConnected = 1,
    kIpDaemonEventConnectionRequest = 2,
    kIpDaemonEventDataIn = 3,
    kIpDaemonEventDisconnected = 4,
    kIpDaemonEventError = 5,
    kIpDaemonEventReadyToSend = 6
};

#endif /* NETCOMP_IPDAEMON_H */
