/* Property, method and event numbers of the TraceRoute component
 * (TraceRoute_Get, TraceRoute_Set, TraceRoute_Do and the event callback).
 * HopHostAddress, HopHostName and HopTime take the hop number, 1 to HopCount,
 * as their index. */
#ifndef NETCOMP_TRACEROUTE_H
#define NETCOMP_TRACEROUTE_H

enum TraceRouteProp {
    kTraceRouteHopCount = 1,
    kTraceRouteHopHostAddress = 2,
    kTraceRouteHopHostName = 3,
    kTraceRouteHopLimit = 4,
    kTraceRouteHopTime = 5,
    kTraceRouteHopTimeout = 6,
    kTraceRouteLocalHost = 7,
    kTraceRouteRemoteHost = 8,
    kTraceRouteResolveNames = 9,
    kTraceRouteTimeout = 10
};

enum TraceRouteMethod {
    kTraceRouteConfig = 1,
    kTraceRouteDoEvents = 2,
    kTraceRouteInterrupt = 3,
    kTraceRouteTraceTo = 4
};

/* Error: code (int), description (text). Hop: hop number (int), address
 * (text, empty when no answer came), duration (int, ms). HopResolved: hop
 * number (int), status code (int, 0 when found), host name (text; the
 * error text in angle brackets when the look-up failed). */
enum TraceRouteEvent { kTraceRouteEventError = 1, kTraceRouteEventHop = 2, kTraceRouteEventHopResolved = 3 };

#endif /* NETCOMP_TRACEROUTE_H */
