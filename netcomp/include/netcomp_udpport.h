/* Property, method and event numbers of the UDPPort component (UDPPort_Get,
 * UDPPort_Set, UDPPort_Do and the event callback). */
#ifndef NETCOMP_UDPPORT_H
#define NETCOMP_UDPPORT_H

enum UdpPortProp {
    kUdpPortAcceptData = 1,
    kUdpPortActive = 2,
    kUdpPortDataToSend = 3, /* binary, write only: sends the bytes as one datagram */
    kUdpPortDontRoute = 4,
    kUdpPortLocalHost = 5,
    kUdpPortLocalPort = 6,
    kUdpPortRemoteHost = 7,
    kUdpPortRemotePort = 8,
    kUdpPortTimeToLive = 9
};

enum UdpPortMethod { kUdpPortConfig = 1, kUdpPortDoEvents = 2, kUdpPortSend = 3 };

/* DataIn: datagram (bytes with their length), source address (text), source
 * port (int). Error: code (int), description (text). ReadyToSend: none. */
enum UdpPortEvent { kUdpPortEventDataIn = 1, kUdpPortEventError = 2, kUdpPortEventReadyToSend = 3 };

#endif /* NETCOMP_UDPPORT_H */
