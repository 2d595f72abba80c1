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

/* Codes of the component: a record number outside 1..RecordCount ("Invalid
 * record index (out of range)."), a FieldIndex beyond the record type's
 * fields ("Invalid field index for record type."), a RecordSource outside 0-3
 * ("Invalid record source."), fields of a type the component does not know
 * ("Unknown record type (can't parse fields)."), record data too short for
 * the field, and a name the wire cannot carry (a label empty or over 63
 * bytes, or the name over 255). */
enum DnsCode {
    kDnsBadRecordIndex = 220,
    kDnsBadFieldIndex = 221,
    kDnsBadRecordSource = 222,
    kDnsUnknownRecordType = 223,
    kDnsMalformedRecord = 224,
    kDnsBadName = 225
};

#endif /* NETCOMP_DNS_H */
