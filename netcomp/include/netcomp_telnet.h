/* Property, method and event numbers of the Telnet component (Telnet_Get,
 * Telnet_Set, Telnet_Do and the event callback). */
#ifndef NETCOMP_TELNET_H
#define NETCOMP_TELNET_H

enum TelnetProp {
    kTelnetAcceptData = 1,
    kTelnetBytesSent = 2,
    kTelnetCommand = 3,
    kTelnetConnected = 4,
    kTelnetDataToSend = 5, /* binary, write only: sends the bytes */
    kTelnetDontOption = 6,
    kTelnetDoOption = 7,
    kTelnetDoSubOption = 8, /* binary, write only: sends the bytes as a sub-negotiation */
    kTelnetFirewallHost = 9,
    kTelnetFirewallPassword = 10,
    kTelnetFirewallPort = 11,
    kTelnetFirewallType = 12,
    kTelnetFirewallUser = 13,
    kTelnetKeepAlive = 14,
    kTelnetLinger = 15,
    kTelnetLocalHost = 16,
    kTelnetLocalPort = 17,
    kTelnetRemoteHost = 18,
    kTelnetRemotePort = 19,
    kTelnetTimeout = 20,
    kTelnetTransparent = 21,
    kTelnetUrgentData = 22, /* binary, write only: sends the bytes as urgent data */
    kTelnetWillOption = 23,
    kTelnetWontOption = 24
};

/* Connect: the host (text). Send: bytes with their length. */
enum TelnetMethod {
    kTelnetConfig = 1,
    kTelnetConnect = 2,
    kTelnetDisconnect = 3,
    kTelnetDoEvents = 4,
    kTelnetSend = 5
};

/* Command: the command byte (int). Connected, Disconnected: StatusCode
 * (int), Description (text). ConnectionStatus: ConnectionEvent (text),
 * StatusCode, Description. DataIn: Text (bytes with their length). Do, Dont,
 * Will, Wont: the option (int). Error: ErrorCode (int), Description (text).
 * ReadyToSend: none. SubOption: the option byte and the sub-negotiation's
 * data (bytes with their length; IAC IAC is one 255, the closing IAC SE is
 * not included). A Send that finds the server gone (10054, 10053) ends the
 * connection: what the server sent first comes in DataIn, and Disconnected
 * before the call returns the code; made inside one of its events, the
 * connection stays until the event has returned, the rest of what the
 * server sent comes in the DataIn events that follow, then Disconnected. */
enum TelnetEvent {
    kTelnetEventCommand = 1,
    kTelnetEventConnected = 2,
    kTelnetEventConnectionStatus = 3,
    kTelnetEventDataIn = 4,
    kTelnetEventDisconnected = 5,
    kTelnetEventDo = 6,
    kTelnetEventDont = 7,
    kTelnetEventError = 8,
    kTelnetEventReadyToSend = 9,
    kTelnetEventSubOption = 10,
    kTelnetEventWill = 11,
    kTelnetEventWont = 12
};

#endif /* NETCOMP_TELNET_H */
