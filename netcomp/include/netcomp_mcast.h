/* Property, method and event numbers of the MCast component (MCast_Get,
 * MCast_Set, MCast_Do and the event callback). MulticastGroup takes a dotted
 * group address: "+group" joins and "-group" leaves it on the active socket;
 * a plain address is also joined again at every activation. */
#ifndef NETCOMP_MCAST_H
#define NETCOMP_MCAST_H

enum McastProp {
    kMcastAcceptData = 1,
    kMcastActive = 2,
    kMcastDataToSend = 3, /* binary, write only: sends the bytes as one datagram */
    kMcastLocalHost = 4,
    kMcastLocalPort = 5,
    kMcastLoopback = 6,
    kMcastMulticastGroup = 7,
    kMcastReceiveInterface = 8,
    kMcastRemoteHost = 9,
    kMcastRemotePort = 10,
    kMcastSendInterface = 11,
    kMcastTimeToLive = 12
};

enum McastMethod { kMcastConfig = 1, kMcastDoEvents = 2, kMcastSend = 3 };

/* DataIn: datagram (bytes with their length), source address (text), source
 * port (int). Error: code (int), description (text). ReadyToSend: none. */
enum McastEvent { kMcastEventDataIn = 1, kMcastEventError = 2, kMcastEventReadyToSend = 3 };

#endif /* NETCOMP_MCAST_H */
