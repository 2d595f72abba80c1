/* Property, method and event numbers of the ICMPPort component (ICMPPort_Get,
 * ICMPPort_Set, ICMPPort_Do and the event callback). */
#ifndef NETCOMP_ICMPPORT_H
#define NETCOMP_ICMPPORT_H

enum IcmpPortProp {
    kIcmpPortAcceptData = 1,
    kIcmpPortActive = 2,
    kIcmpPortDataToSend = 3, /* binary, write only: sends the bytes */
    kIcmpPortDontRoute = 4,
    kIcmpPortLocalHost = 5,
    kIcmpPortMessageSubType = 6,
    kIcmpPortMessageType = 7,
    kIcmpPortRemoteHost = 8,
    kIcmpPortTimeToLive = 9
};

enum IcmpPortMethod { kIcmpPortConfig = 1, kIcmpPortDoEvents = 2, kIcmpPortSend = 3 };

/* DataIn: message type (int), code (int), message data after the 4-byte
 * header (bytes with their length), checksum valid (bool), source address
 * (text). Error: code (int), description (text). ReadyToSend: none. */
enum IcmpPortEvent { kIcmpPortEventDataIn = 1, kIcmpPortEventError = 2, kIcmpPortEventReadyToSend = 3 };

#endif /* NETCOMP_ICMPPORT_H */
