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

/* QueryType: the record type Resolve asks for, a number below 256 (only its
 * low byte is sent; default 1, an A record). The types below are the ones
 * whose records RecordTypeName names and RecordFieldName and
 * RecordFieldValue read field by field (FieldIndex from 1; 0 reads the
 * record's data whole); 255 asks for every record the server holds for the
 * name. A record of another type counts and reads as data, with the empty
 * type name and no fields. */
enum DnsRecordType {
    kDnsTypeA = 1,
    kDnsTypeNS = 2,
    kDnsTypeMD = 3,
    kDnsTypeMF = 4,
    kDnsTypeCNAME = 5,
    kDnsTypeSOA = 6,
    kDnsTypeMB = 7,
    kDnsTypeMG = 8,
    kDnsTypeMR = 9,
    kDnsTypeNULL = 10,
    kDnsTypeWKS = 11,
    kDnsTypePTR = 12,
    kDnsTypeHINFO = 13,
    kDnsTypeMINFO = 14,
    kDnsTypeMX = 15,
    kDnsTypeTXT = 16,
    kDnsTypeRP = 17,
    kDnsTypeAFSDB = 18,
    kDnsTypeX25 = 19,
    kDnsTypeISDN = 20,
    kDnsTypeRT = 21,
    kDnsTypeAAAA = 28,
    kDnsTypeSRV = 33,
    kDnsTypeAll = 255
};

/* RecordSource: the section of the last response that RecordCount counts and
 * the indexed properties read (default 0, the answers). 3 is taken and shows
 * no records; any other value is refused with kDnsBadRecordSource. */
enum DnsRecordSource { kDnsAnswers = 0, kDnsAuthority = 1, kDnsAdditional = 2 };

enum DnsMethod { kDnsConfig = 1, kDnsDoEvents = 2, kDnsInterrupt = 3, kDnsResolve = 4 };

/* Error: code (int), description (text). Response: request id (int), domain
 * (text), status code (int), description (text), authoritative (int: 4 when
 * the AA bit is set, else 0). */
enum DnsEvent { kDnsEventError = 1, kDnsEventResponse = 2 };

/* How the server's answer reaches the caller. Resolve (and setting Query)
 * returns 0 once an answer has come, whatever the answer says, and 301
 * "Timeout." when none comes in time; with Timeout 0 it returns 0 at once
 * and the answer comes as events while the thread pumps messages. The
 * Response event's status code and description, and the StatusCode and
 * Status properties, then say what the answer holds:
 *   0 "OK": RecordCount and the indexed properties read its records;
 *   100 "No records were found.": the name has no record of the type (the
 *     authority section may still hold the zone's SOA);
 *   the server's response code: 1 "Format error", 2 "Server failure",
 *     3 "Name error" (the name does not exist), 4 "Not implemented",
 *     5 "Refused", any other "Unknown Error".
 * An answer that cannot be read (counts beyond the records it holds, a name
 * that runs off the message, a compression pointer that does not lead back
 * to an earlier name, a label type other than a length or a pointer, record
 * data shorter than its type needs) fires no Response: StatusCode takes
 * kDnsMalformedResponse and Status "Malformed response from the DNS
 * server.", the Error event carries both, no record is kept, and a Resolve
 * that waits returns that code with that text as its last error. A response
 * code other than 0 in such an answer is reported as above, with no record
 * kept. An answer with the truncation bit set keeps the records that came
 * whole before the place where the server cut it; one cut before its first
 * answer record (the answer does not fit a datagram, and servers then send
 * none of it) fires no Response either: StatusCode takes
 * kDnsTruncatedResponse and Status "Truncated response from the DNS server:
 * the answer does not fit a datagram.", the Error event carries both, and a
 * Resolve that waits returns that code with that text. */

/* Codes of the component: a record number outside 1..RecordCount ("Invalid
 * record index (out of range)."), a FieldIndex beyond the record type's
 * fields ("Invalid field index for record type."), a RecordSource outside 0-3
 * ("Invalid record source."), fields of a type the component does not know
 * ("Unknown record type (can't parse fields)."), record data too short for
 * the field (no longer met: such an answer is malformed as a whole), a name
 * the wire cannot carry (a label empty or over 63 bytes, or the name over
 * 255), an answer that cannot be read ("Malformed response from the DNS
 * server."), an answer cut before its first record (above) and a query
 * without a DNSServer. */
enum DnsCode {
    kDnsBadRecordIndex = 220,
    kDnsBadFieldIndex = 221,
    kDnsBadRecordSource = 222,
    kDnsUnknownRecordType = 223,
    kDnsMalformedRecord = 224,
    kDnsBadName = 225,
    kDnsMalformedResponse = 226,
    kDnsTruncatedResponse = 227,
    kDnsNoDnsServer = 290
};

#endif /* NETCOMP_DNS_H */
