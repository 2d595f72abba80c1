/* Property, method and event numbers of the NetClock component
 * (NetClock_Get, NetClock_Set, NetClock_Do and the event callback). */
#ifndef NETCOMP_NETCLOCK_H
#define NETCOMP_NETCLOCK_H

enum NetClockProp {
    kNetClockIdle = 1,
    kNetClockLocalHost = 2,
    kNetClockLocalTime = 3,
    kNetClockServerTime = 4,
    kNetClockTimeout = 5,
    kNetClockTimePort = 6,
    kNetClockTimeServer = 7
};

enum NetClockMethod {
    kNetClockConfig = 1,
    kNetClockDoEvents = 2,
    kNetClockGetAndSetTime = 3,
    kNetClockGetTime = 4,
    kNetClockInterrupt = 5
};

/* Error: code (int), description (text). */
enum NetClockEvent { kNetClockEventError = 1 };

#endif /* NETCOMP_NETCLOCK_H */
