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

/* How the server's answer reaches the caller. Resolve (and setting Domain)
 * returns 0 once an answer has come, whatever the answer says, and 301
 * "Timeout." when none comes in time; with Timeout 0 it returns 0 at once
 * and the answer comes as events while the thread pumps messages. An answer
 * with mail exchangers fires one Response per MX record (status code 0,
 * "OK"), and MailServer names the one with the lowest preference; Status is
 * "OK" (also for an answer that holds no MX record, such as a lone CNAME: no
 * Response then). Otherwise one Response carries an empty mail server and
 * the status: 100 "No mail servers were found." for an answer without
 * records, or the server's response code: 1 "Format error", 2 "Server
 * failure", 3 "Name error" (the domain does not exist), 4 "Not implemented",
 * 5 "Refused", any other "Unknown Error"; Status takes its description. An
 * answer that cannot be read (counts beyond the records it holds, a name
 * that runs off the message, a compression pointer that does not lead back
 * to an earlier name, a label type other than a length or a pointer, record
 * data shorter than its type needs) fires no Response: Status becomes
 * "Malformed response from the DNS server.", the Error event carries
 * kMxMalformedResponse and that text, MailServer stays empty, and a Resolve
 * that waits returns that code with that text as its last error. A response
 * code other than 0 in such an answer is reported as above. An answer with
 * the truncation bit set and no answer record before the place where the
 * server cut it (the answer does not fit a datagram) is reported the same
 * way with kMxTruncatedResponse and "Truncated response from the DNS server:
 * the answer does not fit a datagram." */

/* Codes of the component besides the socket's: a domain the wire cannot
 * carry (a label empty or over 63 bytes, or the name over 255), an answer
 * that cannot be read, an answer cut before its first record, and a query
 * without a DNSServer. */
enum MxCode { kMxBadName = 225, kMxMalformedResponse = 226, kMxTruncatedResponse = 227, kMxNoDnsServer = 290 };

#endif /* NETCOMP_MX_H */
