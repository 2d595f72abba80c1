/* Property, method and event numbers of the SysLog component (SysLog_Get,
 * SysLog_Set, SysLog_Do and the event callback). */
#ifndef NETCOMP_SYSLOG_H
#define NETCOMP_SYSLOG_H

enum SysLogProp {
    kSysLogActive = 1,
    kSysLogLocalHost = 2,
    kSysLogLocalPort = 3,
    kSysLogRemoteHost = 4,
    kSysLogRemotePort = 5
};

/* SendPacket: facility (int), severity (int), message (text). */
enum SysLogMethod { kSysLogConfig = 1, kSysLogDoEvents = 2, kSysLogSendPacket = 3 };

/* Error: code (int), description (text). PacketIn: facility code (int),
 * facility (text), severity code (int), severity (text), timestamp (text),
 * host name (text), message (text), conforming (bool), packet (bytes with
 * their length), source address (text), source port (int). */
enum SysLogEvent { kSysLogEventError = 1, kSysLogEventPacketIn = 2 };

#endif /* NETCOMP_SYSLOG_H */
