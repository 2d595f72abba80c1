/* Property, method and event numbers of the IPMonitor component
 * (IPMonitor_Get, IPMonitor_Set, IPMonitor_Do and the event callback). */
#ifndef NETCOMP_IPMONITOR_H
#define NETCOMP_IPMONITOR_H

enum IpMonitorProp {
    kIpMonitorAcceptData = 1,
    kIpMonitorActive = 2,
    kIpMonitorIPPacket = 3, /* binary, read only: the packet of the event under way */
    kIpMonitorLocalHost = 4
};

enum IpMonitorMethod { kIpMonitorConfig = 1, kIpMonitorDoEvents = 2, kIpMonitorListInterfaces = 3 };

/* Error: code (int), description (text). Interface: address (text).
 * PacketIn: source address (text), source port (int), destination address
 * (text), destination port (int), IP version, TOS, id, flags, fragment
 * offset, TTL, header checksum, IP protocol (ints), payload (bytes with
 * their length). */
enum IpMonitorEvent { kIpMonitorEventError = 1, kIpMonitorEventInterface = 2, kIpMonitorEventPacketIn = 3 };

#endif /* NETCOMP_IPMONITOR_H */
