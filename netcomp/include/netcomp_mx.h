/* Property, method and event numbers of the MX component (MX_Get, MX_Set,
 * MX_Do and the event callback). */
#ifndef NETCOMP_MX_H
#define NETCOMP_MX_H

enum MxProp {
    kMxDnsPort = 1,
    kMxDnsServer = 2,
    kMxDomain = 3,
    kMxIdle = 4,
    kMxLocalHost = 5,
    kMxMailServer = 6,
    kMxRequestId = 7,
    kMxStatus = 8,
    kMxTimeout = 9
};

enum MxMethod { kMxConfig = 1, kMxDoEvents = 2, kMxInterrupt = 3, kMxResolve = 4 };

/* Error: code (int), description (text). Response: request id (int), domain
 * (text), mail server (text), precedence (int), time to live (int), status
 * code (int), description (text), authoritative (int: 4 when the AA bit is
 * set, else 0). */
enum MxEvent { kMxEventError = 1, kMxEventResponse = 2 };

#endif /* NETCOMP_MX_H */
