/* Property, method and event numbers of the Whois component (Whois_Get,
 * Whois_Set, Whois_Do and the event callback). */
#ifndef NETCOMP_WHOIS_H
#define NETCOMP_WHOIS_H

/* Setting Domain runs the query, as the Query method does. */
enum WhoisProp {
    kWhoisDefaultServer = 1,
    kWhoisDomain = 2,
    kWhoisDomainInfo = 3,
    kWhoisFirewallHost = 4,
    kWhoisFirewallPassword = 5,
    kWhoisFirewallPort = 6,
    kWhoisFirewallType = 7,
    kWhoisFirewallUser = 8,
    kWhoisLocalHost = 9,
    kWhoisServer = 10,
    kWhoisTimeout = 11
};

/* Query: the domain (text); an empty one stops a query under way. */
enum WhoisMethod { kWhoisConfig = 1, kWhoisDoEvents = 2, kWhoisInterrupt = 3, kWhoisQuery = 4 };

/* Connected, Disconnected: StatusCode (int), Description (text).
 * ConnectionStatus: ConnectionEvent (text), StatusCode, Description. Error:
 * ErrorCode (int), Description (text). */
enum WhoisEvent {
    kWhoisEventConnected = 1,
    kWhoisEventConnectionStatus = 2,
    kWhoisEventDisconnected = 3,
    kWhoisEventError = 4
};

#endif /* NETCOMP_WHOIS_H */
