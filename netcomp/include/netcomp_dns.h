/* Property, method and event numbers of the DNS component (DNS_Get, DNS_Set,
 * DNS_Do and the event callback). The indexed properties take the record
 * number from 1 within the section RecordSource selects. */
#ifndef NETCOMP_DNS_H
#define NETCOMP_DNS_H

enum DnsProp {
    kDnsDnsPort = 1,
    kDnsDnsServer = 2,
    kDnsFieldIndex = 3,
    kDnsIdle = 4,
    kDnsQuery = 5,
    kDnsQueryType = 6,
    kDnsRecordCount = 7,
    kDnsRecordData = 8, /* binary, read only: the record's data as it came */
    kDnsRecordDomain = 9,
    kDnsRecordFieldCount = 10,
    kDnsRecordFieldName = 11,
    kDnsRecordFieldValue = 12, /* binary, read only */
    kDnsRecordSource = 13,
    kDnsRecordTtl = 14,
    kDnsRecordType = 15,
    kDnsRecordTypeName = 16,
    kDnsRecursionDesired = 17,
    kDnsRequestId = 18,
    kDnsStatus = 19,
    kDnsStatusCode = 20,
    kDnsTimeout = 21
};

enum DnsMethod { kDnsConfig = 1, kDnsDoEvents = 2, kDnsInterrupt = 3, kDnsResolve = 4 };

/* Error: code (int), description (text). Response: request id (int), domain
 * (text), status code (int), description (text), authoritative (int: 4 when
 * the AA bit is set, else 0). */
enum DnsEvent { kDnsEventError = 1, kDnsEventResponse = 2 };

#endif /* NETCOMP_DNS_H */
