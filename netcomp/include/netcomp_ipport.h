/* Property, method and event numbers of the IPPort component (IPPort_Get,
 * IPPort_Set, IPPort_Do and the event callback). */
#ifndef NETCOMP_IPPORT_H
#define NETCOMP_IPPORT_H

enum IpPortProp {
    kIpPortAcceptData = 1,
    kIpPortBytesSent = 2,
    kIpPortConnected = 3,
    kIpPortDataToSend = 4, /* binary, write only: sends the bytes */
    kIpPortEOL = 5,        /* binary: the record terminator */
    kIpPortFirewallHost = 6,
    kIpPortFirewallPassword = 7,
    kIpPortFirewallPort = 8,
    kIpPortFirewallType = 9,
    kIpPortFirewallUser = 10,
    kIpPortKeepAlive = 11,
    kIpPortLinger = 12,
    kIpPortLocalHost = 13,
    kIpPortLocalPort = 14,
    kIpPortRemoteHost = 15,
    kIpPortRemotePort = 16,
    kIpPortSingleLineMode = 17,
    kIpPortTimeout = 18
};

/* Connect: host (text), port (int). GetLine: the line comes back in the
 * first argument's slot. Send: bytes with their length. SendLine: text. */
enum IpPortMethod {
    kIpPortConfig = 1,
    kIpPortConnect = 2,
    kIpPortDisconnect = 3,
    kIpPortDoEvents = 4,
    kIpPortGetLine = 5,
    kIpPortSend = 6,
    kIpPortSendLine = 7
};

/* Connected: StatusCode (int), Description (text). ConnectionStatus:
 * ConnectionEvent (text), StatusCode (int), Description (text). DataIn: Text
 * (bytes with their length), EOL (bool). Disconnected: StatusCode,
 * Description. Error: ErrorCode (int), Description (text). ReadyToSend: none.
 * A Send or SendLine that finds the server gone (10054, 10053) ends the
 * connection: what the server sent first comes in DataIn, and Disconnected
 * before the call returns the code (with AcceptData off, once it is on). Made
 * inside one of its events (DataIn, ReadyToSend), it returns the code and the
 * connection stays until the event has returned: the rest of what the server
 * sent comes in the DataIn events that follow, then Disconnected; sends
 * until then return the same code. A connection the server resets at once
 * is still reported Connected (0), then what it sent, then Disconnected. */
enum IpPortEvent {
    kIpPortEventConnected = 1,
    kIpPortEventConnectionStatus = 2,
    kIpPortEventDataIn = 3,
    kIpPortEventDisconnected = 4,
    kIpPortEventError = 5,
    kIpPortEventReadyToSend = 6
};

#endif /* NETCOMP_IPPORT_H */
