/* Property, method and event numbers of the Ping component (Ping_Get,
 * Ping_Set, Ping_Do and the event callback). */
#ifndef NETCOMP_PING_H
#define NETCOMP_PING_H

enum PingProp {
    kPingActive = 1,
    kPingLocalHost = 2,
    kPingPacketSize = 3,
    kPingRemoteHost = 4,
    kPingRequestId = 5,
    kPingResponseSource = 6,
    kPingResponseTime = 7,
    kPingTimeout = 8,
    kPingTimeToLive = 9,
    kPingMessageType = 10
};

enum PingMethod { kPingConfig = 1, kPingDoEvents = 2, kPingInterrupt = 3, kPingPingHost = 4, kPingWakeOnLan = 5 };

/* Error: code (int), description (text). Response: request id (int), source
 * (text), status (text: "OK" or the unreachable reason), time (int, ms). */
enum PingEvent { kPingEventError = 1, kPingEventResponse = 2 };

#endif /* NETCOMP_PING_H */
